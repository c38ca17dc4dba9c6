#pragma once
// Fonts and colours of the window, and the button colour that
// shows the link state.

#include <QColor>
#include <QFont>

class QPalette;
class QPushButton;

namespace Widgets {

// Arial 8.25 pt: the labels' font, and the window's default, small enough
// that every caption fits its control at the size the window's table gives.
QFont sansFont();
// Courier 9.75 pt, the notice box's font.
QFont monoFont();

// Fusion, with the desktop's palette.
void useWindowStyle();

// WCAG contrast ratio, 1 to 21.
double contrast(const QColor &a, const QColor &b);
constexpr double textContrast = 4.5;    // WCAG AA for text
constexpr double greyedContrast = 3.0;  // for symbols that stand apart from text
// `preferred` where it reads on `background`, otherwise black or white.
QColor readableOn(const QColor &background, const QColor &preferred, double minimum = textContrast);
// A grey for text that stands apart, still readable on the palette's base.
QColor greyedText(const QPalette &palette);

inline const QColor lightRed{255, 192, 192};
inline const QColor lightGreen{192, 255, 192};

// Paints the colour itself over the whole face of the button; a palette or a
// bare background-color rule lets the style draw a gradient tint instead.
void setBackColor(QPushButton *button, const QColor &color);

} // namespace Widgets
