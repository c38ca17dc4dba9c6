#pragma once
// The thin layer between the window's design and Qt widgets: design units,
// fonts and the button colour that shows the link state.

#include <QColor>
#include <QFont>
#include <QRect>

class QPushButton;

namespace Widgets {

// The design is in twips. Qt 6 already scales device-independent pixels
// (1/96 inch) for the screen, so the ratio is fixed rather than taken from
// the platform's reported DPI.
constexpr int twipsPerPixel = 15;
constexpr int pixels(int twips) { return twips / twipsPerPixel; }
QRect pixelRect(int left, int top, int width, int height);

// Arial 8.25 pt: the labels' font, and the window's default, small enough
// that every caption fits its control at the design size.
QFont sansFont();
// Courier 9.75 pt, the notice box's font.
QFont monoFont();

inline const QColor lightRed{255, 192, 192};
inline const QColor lightGreen{192, 255, 192};

// Paints the colour itself over the whole face of the button; a palette or a
// bare background-color rule lets the style draw a gradient tint instead.
void setBackColor(QPushButton *button, const QColor &color);

} // namespace Widgets
