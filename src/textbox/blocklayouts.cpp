#include "textbox/blocklayouts.h"

#include "textbox/shownblock.h"

#include <QFontMetricsF>
#include <climits>
#include <cmath>

namespace {

// Characters from here on may combine, join or be shaped with their
// neighbours: a block that holds one is always laid out.
constexpr char16_t firstShaped = 0x0300;

// Kerning moves a character by a small part of the font's size, most often
// closer; a fifth of it per character is room enough to spare.
constexpr qreal kerningShare = 0.2;

} // namespace

int BlockLayouts::Block::toLayout(int offset) const
{
    return preeditAt >= 0 && offset > preeditAt ? offset + preeditLength : offset;
}

int BlockLayouts::Block::fromLayout(int offset) const
{
    if (preeditAt < 0 || offset <= preeditAt)
        return offset;
    return std::max(preeditAt, offset - preeditLength);
}

QTextLine BlockLayouts::Block::lineAt(Pos pos) const
{
    return layout.lineForTextPosition(toLayout(int(pos - start)));
}

BlockLayouts::BlockLayouts(const QFont &font)
    : m_font(font), m_widths(font)
{
    setFont(font);
}

void BlockLayouts::setFont(const QFont &font)
{
    m_font = font;
    m_widths = ControlGlyphs::Widths(font);
    m_kerning = QFontMetricsF(font).height() * kerningShare;
    m_rowHeight = 0;
    clear();
}

void BlockLayouts::setRoom(qreal room)
{
    m_room = room;
    clear();
}

void BlockLayouts::setGrey(const QColor &grey)
{
    m_grey = grey;
    clear();
}

int BlockLayouts::rowHeight() const
{
    // As Qt's plain text box stacks its lines: the height of a line of the
    // font, leading included, rounded up. Measured when first needed, as
    // loading a font takes time.
    if (m_rowHeight == 0)
        m_rowHeight = int(std::ceil(QFontMetricsF(m_font).lineSpacing()));
    return m_rowHeight;
}

bool BlockLayouts::fits(QStringView block) const
{
    const qreal spare = m_room - m_kerning * qreal(block.size());
    qreal width = 0;
    for (const QChar c : block) {
        if (c.unicode() >= firstShaped)
            return false;
        width += m_widths.of(c.unicode());
        if (width > spare)
            return false;
    }
    return true;
}

void BlockLayouts::prepare(QTextLayout &layout, const QString &text,
                           const QList<QTextLayout::FormatRange> &formats) const
{
    layout.setText(text);
    layout.setFont(m_font);
    layout.setTextOption(shownBlockOption());
    layout.setFormats(formats);
    layout.setCacheEnabled(true);
}

void BlockLayouts::breakRows(QStringView block, std::vector<qsizetype> &starts) const
{
    if (m_room <= 0 || fits(block))
        return;
    const ShownBlock shown = ShownBlock::of(block, m_font, m_grey);
    QTextLayout layout;
    prepare(layout, shown.text, shown.formats);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(m_room);
        if (line.textStart() > 0)
            starts.push_back(line.textStart());
    }
    layout.endLayout();
}

const BlockLayouts::Block &BlockLayouts::block(const CrLfDocument &document, int row) const
{
    const RowIndex &rows = document.rows();
    const int first = rows.blockFirstRow(row);
    std::unique_ptr<Block> &cached = m_blocks[rows.start(first)];
    if (!cached) {
        cached = std::make_unique<Block>();
        Block &b = *cached;
        b.start = rows.start(first);
        b.firstRow = first;
        const int last = rows.blockLastRow(first);
        b.source = document.text().mid(b.start, rows.end(last));
        b.endsInBreak = rows.endsInBreak(last);
        const ShownBlock shown = ShownBlock::of(b.source, m_font, m_grey);
        b.boxed = shown.boxed;
        QList<QTextLayout::FormatRange> formats = shown.formats;
        if (m_preeditAt >= b.start && m_preeditAt <= b.end()) {
            b.preeditAt = int(m_preeditAt - b.start);
            b.preeditLength = int(m_preedit.size());
            for (QTextLayout::FormatRange &range : formats)
                range.start = b.toLayout(range.start);
            for (QTextLayout::FormatRange range : m_preeditFormats) {
                range.start += b.preeditAt;
                formats.append(range);
            }
        }
        prepare(b.layout, shown.text, formats);
        if (b.preeditAt >= 0)
            b.layout.setPreeditArea(b.preeditAt, m_preedit);
        b.layout.beginLayout();
        qreal y = 0;
        int row = first;
        for (QTextLine line = b.layout.createLine(); line.isValid(); line = b.layout.createLine(), ++row) {
            line.setLeadingIncluded(true);
            line.setLineWidth(m_room > 0 ? m_room : qreal(INT_MAX) / 256);
            // Qt's breaker weighs the text around a break, so rows found as
            // the text arrived may differ from a layout of the whole block
            // (bytes received at a wrong baud rate show it). The rows
            // indexed are the rows drawn, so that every walk over the rows
            // meets the layout's lines one for one.
            if (b.preeditAt < 0 && row <= last) {
                const int end = int((row < last ? rows.start(row + 1) : rows.end(last)) - b.start);
                if (line.textStart() + line.textLength() != end && end > line.textStart())
                    line.setNumColumns(end - line.textStart());
            }
            line.setPosition(QPointF(0, y));
            y += rowHeight();
        }
        b.layout.endLayout();
    }
    cached->used = true;
    return *cached;
}

void BlockLayouts::invalidateFrom(Pos pos)
{
    auto it = m_blocks.upper_bound(pos);
    if (it != m_blocks.begin() && std::prev(it)->second->end() >= pos)
        --it;
    m_blocks.erase(it, m_blocks.end());
}

void BlockLayouts::sweep()
{
    for (auto it = m_blocks.begin(); it != m_blocks.end();) {
        if (it->second->used) {
            it->second->used = false;
            ++it;
        } else {
            it = m_blocks.erase(it);
        }
    }
}

void BlockLayouts::setPreedit(Pos at, const QString &text, const QList<QTextLayout::FormatRange> &formats)
{
    const Pos old = m_preeditAt;
    m_preeditAt = text.isEmpty() ? -1 : at;
    m_preedit = text;
    m_preeditFormats = formats;
    if (old >= 0)
        invalidateFrom(old);
    if (m_preeditAt >= 0)
        invalidateFrom(m_preeditAt);
}
