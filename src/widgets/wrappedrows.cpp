#include "widgets/wrappedrows.h"

#include <algorithm>
#include <limits>

WrappedRows::WrappedRows(const TextChunks &text, Width width)
    : m_text(text), m_width(std::move(width)), m_starts{text.begin()}
{
}

void WrappedRows::setRoom(qreal room)
{
    m_room = room;
    rewrap();
}

WrappedRows::Pos WrappedRows::next(int row) const
{
    return row + 1 < count() ? start(row + 1) : m_text.end();
}

bool WrappedRows::endsInBreak(int row) const
{
    const Pos after = next(row);
    return after - start(row) >= 2 && m_text.at(after - 1) == u'\n' && m_text.at(after - 2) == u'\r';
}

WrappedRows::Pos WrappedRows::end(int row) const
{
    return endsInBreak(row) ? next(row) - 2 : next(row);
}

int WrappedRows::rowOf(Pos pos) const
{
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), pos);
    return std::max(0, int(after - m_starts.begin()) - 1);
}

void WrappedRows::appended(Pos oldEnd)
{
    // From the row before the one that held the last character: a CR that
    // ended the old text may now be the first half of a line break.
    const int row = std::max(0, rowOf(std::max(oldEnd - 1, m_text.begin())) - 1);
    const Pos from = start(row);
    m_starts.erase(m_starts.begin() + row, m_starts.end());
    const Wrapped rows = wrap(from, m_text.end());
    m_starts.insert(m_starts.end(), rows.starts.begin(), rows.starts.end());
}

void WrappedRows::edited(Pos at, qint64 removed, qint64 inserted)
{
    // Rows that began inside the replaced text go; later ones move.
    auto row = std::upper_bound(m_starts.begin(), m_starts.end(), at);
    while (row != m_starts.end() && *row < at + removed)
        row = m_starts.erase(row);
    for (; row != m_starts.end(); ++row)
        *row += inserted - removed;

    // Then the whole line around the edit is wrapped afresh.
    int first = rowOf(at);
    while (first > 0 && !endsInBreak(first - 1))
        --first;
    const Wrapped rows = wrap(start(first), at + inserted);
    auto last = rows.resumeAt < 0 ? m_starts.end()
                                  : std::lower_bound(m_starts.begin(), m_starts.end(), rows.resumeAt);
    m_starts.erase(m_starts.begin() + first, last);
    m_starts.insert(m_starts.begin() + first, rows.starts.begin(), rows.starts.end());
}

void WrappedRows::droppedFront()
{
    while (m_starts.size() > 1 && m_starts[1] <= m_text.begin())
        m_starts.pop_front();
    m_starts.front() = std::max(m_starts.front(), m_text.begin());
}

void WrappedRows::rewrap()
{
    m_starts = wrap(m_text.begin(), m_text.end()).starts;
}

WrappedRows::Wrapped WrappedRows::wrap(Pos from, Pos until) const
{
    Wrapped rows;
    rows.starts.push_back(from);
    const qreal room = m_room > 0 ? m_room : std::numeric_limits<qreal>::infinity();
    qreal x = 0;         // the width of the row so far
    Pos rowStart = from;
    Pos breakAt = -1;    // where the row may end: after a space
    qreal xAtBreak = 0;
    Pos pendingCr = -1;  // a CR, until the next character says whether it begins a line break
    Pos highAt = -1;     // the first half of a surrogate pair
    char16_t high = 0;

    auto newRow = [&](Pos at, qreal width) {
        rows.starts.push_back(at);
        rowStart = at;
        x = width;
        breakAt = -1;
    };
    auto place = [&](Pos at, qsizetype length, char32_t c) {
        const qreal w = m_width(c);
        if (c == u' ') {
            x += w;
            if (x > room && x > w) {  // a space hangs at the end of its row
                newRow(at + length, 0);
            } else {
                breakAt = at + length;
                xAtBreak = x;
            }
            return;
        }
        while (x + w > room && at > rowStart) {
            if (breakAt > rowStart)
                newRow(breakAt, x - xAtBreak);
            else
                newRow(at, 0);
        }
        x += w;
    };

    m_text.scan(from, [&](Pos pos, QStringView piece) {
        for (qsizetype i = 0; i < piece.size(); ++i) {
            const Pos at = pos + i;
            const QChar ch = piece[i];
            if (pendingCr >= 0) {
                const Pos cr = std::exchange(pendingCr, -1);
                if (ch == u'\n') {
                    newRow(at + 1, 0);
                    if (cr >= until) {
                        rows.resumeAt = at + 1;
                        rows.starts.pop_back();
                        return false;
                    }
                    continue;
                }
                place(cr, 1, u'\r');
            }
            if (highAt >= 0) {
                const Pos h = std::exchange(highAt, -1);
                if (ch.isLowSurrogate()) {
                    place(h, 2, QChar::surrogateToUcs4(high, ch.unicode()));
                    continue;
                }
                place(h, 1, high);
            }
            if (ch == u'\r') {
                pendingCr = at;
            } else if (ch.isHighSurrogate()) {
                highAt = at;
                high = ch.unicode();
            } else {
                place(at, 1, ch.unicode());
            }
        }
        return true;
    });
    if (rows.resumeAt < 0) {
        if (pendingCr >= 0)
            place(pendingCr, 1, u'\r');
        if (highAt >= 0)
            place(highAt, 1, high);
    }
    return rows;
}
