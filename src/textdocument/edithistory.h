#pragma once
// What undo takes back and redo brings again, in the steps Qt's own text
// boxes take: a run of typing is one step, as is a run of Backspace or of
// Delete; a line break, a cut or a deleted selection is a step of its own;
// a paste, or typing over a selection, begins a step that the typing right
// after it joins. The history keeps at most
// `limit` characters of removed and inserted text, dropping its oldest
// steps, so that it never holds more than a sensible share of memory.

#include <QString>
#include <deque>

class EditHistory
{
public:
    using Pos = qint64;
    enum class Kind { Typing, Backspace, Delete, Other };
    struct Edit
    {
        Pos at;
        QString removed;
        QString inserted;
        Kind kind;
    };

    explicit EditHistory(qint64 limit = 2'000'000) : m_limit(limit) {}

    // A change made by the user: `removed` at `at` gave way to `inserted`.
    // A fresh change never joins the step before it.
    void record(Pos at, const QString &removed, const QString &inserted, Kind kind, bool fresh = false);
    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    // The step to take back (or bring again), moved to the other side.
    Edit undo();
    Edit redo();
    void clear();
    qint64 characters() const { return m_characters; }

private:
    static qint64 sizeOf(const Edit &edit) { return edit.removed.size() + edit.inserted.size(); }
    static bool mergeInto(Edit &last, Pos at, const QString &removed, const QString &inserted, Kind kind);
    void keepWithinLimit();

    std::deque<Edit> m_undo;
    std::deque<Edit> m_redo;
    qint64 m_limit;
    qint64 m_characters = 0;
};
