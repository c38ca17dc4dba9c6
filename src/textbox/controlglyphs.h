#pragma once
// How a multi-line box shows characters that have no picture of their own,
// while its text keeps them unchanged: C0 controls and DEL as the Unicode
// Control Pictures (a lone CR as "␍"), the C1 controls U+0080 to U+009F as
// their hex code in a small box, so that all 32 can be told apart. Both are
// drawn in a grey that still reads on the palette's base.

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QString>
#include <array>

class QPainter;

namespace ControlGlyphs {

// The soft hyphen (U+00AD) is boxed as the C1 controls are: Qt's engine
// draws it only where a row ends, and a received byte never goes unseen.
inline bool isBoxed(char32_t c) { return (c >= 0x80 && c <= 0x9f) || c == 0xad; }
inline bool isControl(char32_t c) { return c < 0x20 || c == 0x7f || isBoxed(c); }

// The character drawn in a control's place: its picture, or for a boxed
// one a figure space that the box is then drawn over.
QChar shownAs(char32_t c);

// Draws the box of a C1 control in its cell of a row.
void drawBox(QPainter *painter, const QFont &font, char32_t c, const QRectF &cell, const QColor &grey);

// The width each character takes as a box shows it in `font`, measured
// the first time it is asked for: a control's picture may come from a
// fallback font that is only loaded then.
class Widths
{
public:
    explicit Widths(const QFont &font);
    qreal of(char32_t c) const;
    static qreal boxWidth(const QFont &font);

private:
    QFont m_font;
    QFontMetricsF m_metrics;
    mutable std::array<qreal, 256> m_latin1;
    mutable QHash<char32_t, qreal> m_other;
};

} // namespace ControlGlyphs
