#include "textbox/controlglyphs.h"

#include <QPainter>

namespace ControlGlyphs {

namespace {

constexpr QChar figureSpace(0x2007);

QFont boxFont(const QFont &font)
{
    QFont small(font);
    small.setPointSizeF(font.pointSizeF() * 0.7);
    return small;
}

QString hexLabel(char32_t c)
{
    return QStringLiteral("%1").arg(uint(c), 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QChar shownAs(char32_t c)
{
    if (c < 0x20)
        return QChar(0x2400 + c);
    if (c == 0x7f)
        return QChar(0x2421);
    if (isBoxed(c))
        return figureSpace;
    return QChar(char16_t(c));
}

qreal Widths::boxWidth(const QFont &font)
{
    return QFontMetricsF(boxFont(font)).horizontalAdvance(QStringLiteral("9B")) + 4;
}

void drawBox(QPainter *painter, const QFont &font, char32_t c, const QRectF &cell, const QColor &grey)
{
    painter->save();
    painter->setPen(grey);
    painter->setFont(boxFont(font));
    const QRectF box = cell.adjusted(0.5, cell.height() * 0.2, -1.5, -cell.height() * 0.15);
    painter->drawRect(box);
    painter->drawText(box, Qt::AlignCenter, hexLabel(c));
    painter->restore();
}

Widths::Widths(const QFont &font)
    : m_font(font), m_metrics(font)
{
    m_latin1.fill(-1);
}

qreal Widths::of(char32_t c) const
{
    if (c < 256) {
        qreal &width = m_latin1[c];
        if (width < 0)
            width = isBoxed(c) ? boxWidth(m_font) : m_metrics.horizontalAdvance(shownAs(c));
        return width;
    }
    auto cached = m_other.constFind(c);
    if (cached == m_other.constEnd())
        cached = m_other.insert(c, m_metrics.horizontalAdvance(QString::fromUcs4(&c, 1)));
    return *cached;
}

} // namespace ControlGlyphs
