#pragma once
// The window's table (src/app/inventory.cpp) is in twips. Qt 6 already scales device-independent pixels
// (1/96 inch) for the screen, so the ratio is fixed rather than taken from
// the platform's reported DPI.

#include <QRect>

namespace Widgets {

constexpr int twipsPerPixel = 15;
constexpr int pixels(int twips) { return twips / twipsPerPixel; }
inline QRect pixelRect(int left, int top, int width, int height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

} // namespace Widgets
