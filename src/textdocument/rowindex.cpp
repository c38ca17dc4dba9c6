#include "textdocument/rowindex.h"

#include <algorithm>

RowIndex::RowIndex(const TextChunks &text, Breaker breaker, qsizetype blockLimit)
    : m_text(text), m_breaker(std::move(breaker)), m_blockLimit(std::max<qsizetype>(blockLimit, 2)),
      m_starts{text.begin()}
{
}

RowIndex::Pos RowIndex::next(int row) const
{
    return row + 1 < count() ? start(row + 1) : m_text.end();
}

bool RowIndex::endsInBreak(int row) const
{
    const Pos after = next(row);
    return after - start(row) >= 2 && m_text.at(after - 1) == u'\n' && m_text.at(after - 2) == u'\r';
}

RowIndex::Pos RowIndex::end(int row) const
{
    return endsInBreak(row) ? next(row) - 2 : next(row);
}

int RowIndex::rowOf(Pos pos) const
{
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), pos);
    return std::max(0, int(after - m_starts.begin()) - 1);
}

bool RowIndex::isLineStart(Pos pos) const
{
    return pos <= m_text.begin()
        || (pos - 2 >= m_text.begin() && m_text.at(pos - 1) == u'\n' && m_text.at(pos - 2) == u'\r');
}

bool RowIndex::startsBlock(int row) const
{
    const Pos at = start(row);
    return isLineStart(at) || std::binary_search(m_restarts.begin(), m_restarts.end(), at);
}

int RowIndex::blockFirstRow(int row) const
{
    while (row > 0 && !startsBlock(row))
        --row;
    return row;
}

int RowIndex::blockLastRow(int row) const
{
    while (row + 1 < count() && !startsBlock(row + 1))
        ++row;
    return row;
}

RowIndex::Pos RowIndex::appended(Pos oldEnd)
{
    // What arrived goes into the last row, and a CR that ended the old text
    // may now begin a line break and leave the line, so that the row before
    // may take back what the last one held. They are laid out again from the
    // block's start, so that where a row may break is judged with the text
    // before it; in a long block, from two rows back (a quarter of a block
    // is context enough).
    int row = count() - 1;
    const int first = blockFirstRow(row);
    row = start(row) - start(first) <= m_blockLimit / 4 ? first : std::max(first, row - 2);
    const bool afterCr = oldEnd > m_text.begin() && m_text.at(oldEnd - 1) == u'\r';
    const Pos changed = splice(row, wrap(start(row), m_text.end()));
    if (afterCr)
        mergeBlocks(rowOf(oldEnd - 1));  // the CR may have left a line short enough
    return changed;
}

RowIndex::Pos RowIndex::edited(Pos at, qint64 removed, qint64 inserted)
{
    // Rows and restarts that began inside the replaced text, or right after
    // removed text, go; later ones move.
    const auto shift = [&](std::deque<Pos> &starts) {
        auto it = std::upper_bound(starts.begin(), starts.end(), at);
        const auto gone = removed > 0 ? std::upper_bound(it, starts.end(), at + removed)
                                      : std::lower_bound(it, starts.end(), at);
        it = starts.erase(it, gone);
        for (; it != starts.end(); ++it)
            *it += inserted - removed;
    };
    shift(m_starts);
    shift(m_restarts);

    // A word may move up into the row before the edit; and where the edit
    // is at a row's start, the word that ended the row two before may now
    // fit there. So the block is laid out again from its first row.
    int first = rowOf(at);
    for (int back = at == start(first) ? 2 : 1; back > 0 && first > 0 && !isLineStart(start(first)); --back)
        --first;
    first = blockFirstRow(first);
    Wrapped rows = wrap(start(first), at + inserted);
    const Pos resumeAt = rows.resumeAt;
    const Pos changed = splice(first, std::move(rows));
    // Lines the edit left short are one block each; a block where the old
    // rows go on may have grown past the limit.
    for (const Pos touched : {at, at + inserted, at + inserted + 1})
        mergeBlocks(rowOf(std::min(touched, m_text.end())));
    if (resumeAt >= 0)
        limitBlock(rowOf(resumeAt));
    return changed;
}

void RowIndex::limitBlock(int row)
{
    const int first = blockFirstRow(row);
    const int last = blockLastRow(row);
    if (end(last) - start(first) <= 2 * m_blockLimit)
        return;
    Pos blockStart = start(first);
    for (int r = first + 1; r <= last; ++r) {
        if (start(r) - blockStart >= m_blockLimit) {
            blockStart = start(r);
            m_restarts.insert(std::lower_bound(m_restarts.begin(), m_restarts.end(), blockStart), blockStart);
        }
    }
}

void RowIndex::mergeBlocks(int row)
{
    // A line no longer than the limit is one block again, as Qt lays out a
    // paragraph, whatever cut it before. Its rows stay as they are. Only
    // as many rows are looked at as such a line may have.
    int first = row;
    while (first > 0 && !isLineStart(start(first)) && start(row) - start(first) <= m_blockLimit)
        --first;
    int last = row;
    while (!endsInBreak(last) && last + 1 < count() && end(last) - start(row) <= m_blockLimit)
        ++last;
    if (!isLineStart(start(first)) || !(endsInBreak(last) || last + 1 == count())
        || end(last) - start(first) > m_blockLimit)
        return;
    m_restarts.erase(std::upper_bound(m_restarts.begin(), m_restarts.end(), start(first)),
                     std::lower_bound(m_restarts.begin(), m_restarts.end(), next(last)));
}

void RowIndex::droppedFront()
{
    while (m_starts.size() > 1 && m_starts[1] <= m_text.begin())
        m_starts.pop_front();
    m_starts.front() = std::max(m_starts.front(), m_text.begin());
    while (!m_restarts.empty() && m_restarts.front() <= m_text.begin())
        m_restarts.pop_front();
    mergeBlocks(0);
}

void RowIndex::rewrap()
{
    Wrapped rows = wrap(m_text.begin(), m_text.end());
    m_starts = std::move(rows.starts);
    m_restarts = std::move(rows.restarts);
}

RowIndex::Pos RowIndex::splice(int first, Wrapped rows)
{
    const Pos from = start(first);
    const auto startsEnd = rows.resumeAt < 0 ? m_starts.end()
                                             : std::lower_bound(m_starts.begin(), m_starts.end(), rows.resumeAt);
    m_starts.erase(m_starts.begin() + first, startsEnd);
    m_starts.insert(m_starts.begin() + first, rows.starts.begin(), rows.starts.end());

    // The restarts after `from` up to where the old rows go on give way to
    // the new ones; one where they go on stays.
    const auto restartsFrom = std::upper_bound(m_restarts.begin(), m_restarts.end(), from);
    const auto restartsEnd = rows.resumeAt < 0 ? m_restarts.end()
                                               : std::lower_bound(restartsFrom, m_restarts.end(), rows.resumeAt);
    auto at = m_restarts.erase(restartsFrom, restartsEnd);
    at = m_restarts.insert(at, rows.restarts.begin(), rows.restarts.end()) + qsizetype(rows.restarts.size());
    if (at != m_restarts.end() && !rows.restarts.empty() && *at == rows.restarts.back())
        m_restarts.erase(at);
    return from;
}

bool RowIndex::isOldRowStart(Pos pos) const
{
    return std::binary_search(m_starts.begin(), m_starts.end(), pos);
}

std::pair<RowIndex::Pos, bool> RowIndex::blockFrom(Pos from, qsizetype length) const
{
    const Pos limit = std::min(from + length, m_text.end());
    Pos breakAt = -1;
    bool afterCr = false;
    m_text.scan(from, [&](Pos pos, QStringView piece) {
        for (qsizetype i = 0; i < piece.size(); ++i) {
            const Pos at = pos + i;
            if (afterCr && piece[i] == u'\n') {
                breakAt = at - 1;
                return false;
            }
            if (at > limit)
                return false;
            afterCr = piece[i] == u'\r';
        }
        return true;
    });
    if (breakAt >= 0)
        return {breakAt, true};
    if (limit == m_text.end())
        return {limit, false};
    // Cut at the limit, but never inside a surrogate pair.
    const bool inPair = m_text.at(limit - 1).isHighSurrogate() && m_text.at(limit).isLowSurrogate();
    return {inPair ? limit - 1 : limit, false};
}

RowIndex::Wrapped RowIndex::wrap(Pos from, Pos until) const
{
    Wrapped rows;
    std::vector<qsizetype> breaks;
    QString buffer;
    Pos block = from;
    // Where a row may break depends on a few characters before it: the old
    // rows are taken up again only from the second row start after the
    // edit that they share with the new ones.
    int shared = 0;
    const auto resumes = [&](Pos rowStart) { return rowStart > until && isOldRowStart(rowStart) && ++shared == 2; };
    // The block `from` is in may already hold text before it; if it is full,
    // `from` begins a block of its own.
    qsizetype room = start(blockFirstRow(rowOf(from))) + m_blockLimit - from;
    if (room <= 0) {
        rows.restarts.push_back(from);
        room = m_blockLimit;
    }
    for (;;) {
        rows.starts.push_back(block);
        // A block cut at the limit with no row start inside is one row so
        // far: it is taken again, twice as long, until a row ends in it.
        Pos blockEnd = block;
        bool endsInBreak = false;
        for (qsizetype length = room;; length *= 2) {
            std::tie(blockEnd, endsInBreak) = blockFrom(block, length);
            breaks.clear();
            if (blockEnd > block)
                m_breaker(m_text.view(block, blockEnd, buffer), breaks);
            if (endsInBreak || blockEnd == m_text.end() || !breaks.empty())
                break;
        }

        Pos next = -1;  // none: the block ends the text
        if (endsInBreak) {
            next = blockEnd + 2;
        } else if (blockEnd < m_text.end()) {
            // Cut at the limit: its last row, which may go on, begins the next block.
            next = block + breaks.back();
            breaks.pop_back();
        }
        for (const qsizetype offset : breaks) {
            const Pos rowStart = block + offset;
            if (resumes(rowStart)) {
                rows.resumeAt = rowStart;
                return rows;
            }
            rows.starts.push_back(rowStart);
        }
        if (next < 0)
            return rows;
        const bool cut = !endsInBreak;
        if (cut)
            rows.restarts.push_back(next);
        if (resumes(next)) {
            rows.resumeAt = next;
            return rows;
        }
        block = next;
        room = m_blockLimit;
    }
}
