#include "textdocument/edithistory.h"

void EditHistory::record(Pos at, const QString &removed, const QString &inserted, Kind kind, bool fresh)
{
    for (const Edit &gone : m_redo)
        m_characters -= sizeOf(gone);
    m_redo.clear();
    if (!fresh && !m_undo.empty()) {
        Edit &last = m_undo.back();
        const qint64 before = sizeOf(last);
        if (mergeInto(last, at, removed, inserted, kind)) {
            m_characters += sizeOf(last) - before;
            keepWithinLimit();
            return;
        }
    }
    m_undo.push_back({at, removed, inserted, kind});
    m_characters += sizeOf(m_undo.back());
    keepWithinLimit();
}

bool EditHistory::mergeInto(Edit &last, Pos at, const QString &removed, const QString &inserted, Kind kind)
{
    if (kind != last.kind)
        return false;
    switch (kind) {
    case Kind::Typing:
        if (last.at + last.inserted.size() != at)
            return false;
        last.inserted += inserted;
        return true;
    case Kind::Backspace:
        if (at + removed.size() != last.at)
            return false;
        last.at = at;
        last.removed.prepend(removed);
        return true;
    case Kind::Delete:
        if (at != last.at)
            return false;
        last.removed += removed;
        return true;
    case Kind::Other:
        break;
    }
    return false;
}

EditHistory::Edit EditHistory::undo()
{
    Edit edit = std::move(m_undo.back());
    m_undo.pop_back();
    m_redo.push_back(edit);
    return edit;
}

EditHistory::Edit EditHistory::redo()
{
    Edit edit = std::move(m_redo.back());
    m_redo.pop_back();
    m_undo.push_back(edit);
    // Typing after a redo starts a step of its own.
    m_undo.back().kind = Kind::Other;
    return edit;
}

void EditHistory::clear()
{
    m_undo.clear();
    m_redo.clear();
    m_undo.shrink_to_fit();
    m_redo.shrink_to_fit();
    m_characters = 0;
}

void EditHistory::keepWithinLimit()
{
    while (m_characters > m_limit && !m_undo.empty()) {
        m_characters -= sizeOf(m_undo.front());
        m_undo.pop_front();
    }
}
