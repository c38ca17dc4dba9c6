#pragma once
// Fonts and colours of the window's design, and the button colour that
// shows the link state.

#include <QColor>
#include <QFont>

class QPushButton;

namespace Widgets {

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
