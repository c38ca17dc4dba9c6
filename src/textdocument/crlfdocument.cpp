#include "textdocument/crlfdocument.h"

CrLfDocument::CrLfDocument(RowIndex::Breaker breaker, qsizetype chunkSize, qsizetype blockLimit)
    : m_text(chunkSize), m_rows(m_text, std::move(breaker), blockLimit)
{
}

CrLfDocument::Pos CrLfDocument::replace(Pos from, Pos to, const QString &text, EditHistory::Kind kind, bool fresh)
{
    const QString removed = m_text.mid(from, to);
    m_text.remove(from, to);
    m_text.insert(from, text);
    m_history.record(from, removed, text, kind, fresh);
    return m_rows.edited(from, removed.size(), text.size());
}

CrLfDocument::Pos CrLfDocument::append(QStringView text)
{
    const Pos oldEnd = m_text.end();
    m_text.append(text);
    return m_rows.appended(oldEnd);
}

void CrLfDocument::clear()
{
    m_text.clear();
    m_rows.rewrap();
    m_history.clear();
}

CrLfDocument::Trimmed CrLfDocument::trimTo(qint64 capacity)
{
    if (capacity <= 0 || m_text.size() <= capacity || m_rows.count() < 2)
        return {};
    const Pos needed = m_text.begin() + (m_text.size() - capacity) + capacity / 100;
    int cut = m_rows.rowOf(needed);
    if (m_rows.start(cut) < needed)
        ++cut;
    cut = std::clamp(cut, 1, m_rows.count() - 1);
    const int searchEnd = std::min(m_rows.count() - 1, cut + 10000);
    for (int row = cut; row <= searchEnd; ++row) {
        if (m_rows.endsInBreak(row - 1)) {
            cut = row;
            break;
        }
    }
    const Pos newBegin = m_rows.start(cut);
    const Trimmed trimmed{newBegin - m_text.begin(), cut};
    m_text.dropFront(newBegin);
    m_rows.droppedFront();
    // The history names positions that may be gone.
    m_history.clear();
    return trimmed;
}

CrLfDocument::Step CrLfDocument::undo()
{
    const EditHistory::Edit edit = m_history.undo();
    return apply(edit.at, edit.inserted, edit.removed);
}

CrLfDocument::Step CrLfDocument::redo()
{
    const EditHistory::Edit edit = m_history.redo();
    return apply(edit.at, edit.removed, edit.inserted);
}

CrLfDocument::Step CrLfDocument::apply(Pos at, const QString &gone, const QString &comes)
{
    m_text.remove(at, at + gone.size());
    m_text.insert(at, comes);
    return {at, gone, comes, m_rows.edited(at, gone.size(), comes.size())};
}

std::pair<CrLfDocument::Pos, CrLfDocument::Pos> CrLfDocument::lineAround(Pos pos) const
{
    int first = m_rows.rowOf(pos);
    while (first > 0 && !m_rows.isLineStart(m_rows.start(first)))
        --first;
    int last = m_rows.rowOf(pos);
    while (!m_rows.endsInBreak(last) && last + 1 < m_rows.count())
        ++last;
    return {m_rows.start(first), m_rows.end(last)};
}
