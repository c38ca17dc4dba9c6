#pragma once
// The text of a CR LF box with its rows and its undo history: what the box
// shows and edits, without the box. Positions are those of TextChunks:
// absolute, so that they outlive the oldest text being dropped.

#include "textdocument/edithistory.h"
#include "textdocument/rowindex.h"
#include "textdocument/textchunks.h"

class CrLfDocument
{
public:
    using Pos = TextChunks::Pos;

    explicit CrLfDocument(RowIndex::Breaker breaker, qsizetype chunkSize = 32768, qsizetype blockLimit = 2048);

    const TextChunks &text() const { return m_text; }
    const RowIndex &rows() const { return m_rows; }
    Pos begin() const { return m_text.begin(); }
    Pos end() const { return m_text.end(); }
    qint64 length() const { return m_text.size(); }

    // Each change returns where its rows first differ from before.
    // The user's edit: [from, to) gives way to `text`, kept for undo.
    Pos replace(Pos from, Pos to, const QString &text, EditHistory::Kind kind, bool fresh = false);
    // Text added at the end that undo leaves alone (what the modem sends).
    Pos append(QStringView text);
    void clear();
    void relayout() { m_rows.rewrap(); }
    // The line around `pos`, from the break before it to the one after,
    // the latter included.
    std::pair<Pos, Pos> lineAround(Pos pos) const;

    // Beyond `capacity` characters the oldest whole lines go, and a
    // hundredth of the capacity more, so that this happens once in a while
    // and not at every append; a line that never ends is cut at a row.
    struct Trimmed
    {
        qint64 characters = 0;
        int rows = 0;
    };
    Trimmed trimTo(qint64 capacity);

    bool canUndo() const { return m_history.canUndo(); }
    bool canRedo() const { return m_history.canRedo(); }
    // Takes the newest step back (or again): what changed. The caret goes
    // after what came back, as in Qt's boxes.
    struct Step
    {
        Pos at;
        QString removed;
        QString inserted;
        Pos rowsFrom;
    };
    Step undo();
    Step redo();

private:
    // `gone` at `at` gives way to `comes`, outside the history.
    Step apply(Pos at, const QString &gone, const QString &comes);

    TextChunks m_text;
    RowIndex m_rows;
    EditHistory m_history;
};
