#pragma once
// Where the rows of a CR LF text begin. A line (the text between two CR LF
// pairs) is broken into rows by a Breaker, which lays out one block at a
// time: a whole line, or, for a line longer than a block may be, a piece of
// it that begins at a row start. A view lays out the same blocks to draw
// them; rows are found greedily, so that a block laid out from any of its
// row starts on gives the rows it had, and what is drawn and what is
// indexed here agree however the rows were found.
//
// Rows are found as text arrives, at the cost of what arrived and the last
// row, and again where the text is edited, from the row before the edit up
// to the first row start that the old rows share; nowhere else.

#include "textdocument/textchunks.h"

#include <QStringView>
#include <deque>
#include <functional>
#include <vector>

class RowIndex
{
public:
    using Pos = TextChunks::Pos;
    // Appends to `starts`, in order, the offsets in `block` after 0 at which
    // its rows begin; nothing for a block that fits in one row.
    using Breaker = std::function<void(QStringView block, std::vector<qsizetype> &starts)>;

    RowIndex(const TextChunks &text, Breaker breaker, qsizetype blockLimit = 2048);

    int count() const { return int(m_starts.size()); }
    Pos start(int row) const { return m_starts[size_t(row)]; }
    Pos next(int row) const;  // where the row after it starts, or the end of the text
    Pos end(int row) const;   // after its last character, before a CR LF that ends it
    bool endsInBreak(int row) const;
    int rowOf(Pos pos) const;  // the row holding pos; the end of the text is in the last row
    bool isLineStart(Pos pos) const;

    // The rows laid out together: from a line start or a restart inside a
    // line up to the next one.
    bool startsBlock(int row) const;
    int blockFirstRow(int row) const;
    int blockLastRow(int row) const;

    // After the text changed: text was added at its end (which was oldEnd),
    // `removed` characters at `at` were replaced by `inserted` others, the
    // oldest text went up to a row start, or everything changed (the width,
    // the font). Each returns where the rows first differ from before.
    Pos appended(Pos oldEnd);
    Pos edited(Pos at, qint64 removed, qint64 inserted);
    void droppedFront();
    void rewrap();

private:
    struct Wrapped
    {
        std::deque<Pos> starts;
        std::deque<Pos> restarts;
        Pos resumeAt = -1;  // where the old rows go on, if they do
    };
    // The rows from `from`, a row start, on: up to the first row start after
    // `until` that the old rows have too, or to the end of the text. Blocks
    // are cut, at a row start, where they would grow past the limit.
    Wrapped wrap(Pos from, Pos until) const;
    // The block from `from`, of at most `length` characters: its end
    // (before a CR LF) and whether a CR LF ends it; a block cut at the
    // length ends in neither.
    std::pair<Pos, bool> blockFrom(Pos from, qsizetype length) const;
    bool isOldRowStart(Pos pos) const;
    // The line that holds `row` becomes one block if it is short enough;
    // the block that holds it is cut at row starts if it is too long.
    void mergeBlocks(int row);
    void limitBlock(int row);
    // Replaces the rows from row `first` on by `rows`, up to where they resume.
    Pos splice(int first, Wrapped rows);

    const TextChunks &m_text;
    Breaker m_breaker;
    qsizetype m_blockLimit;
    std::deque<Pos> m_starts;
    std::deque<Pos> m_restarts;  // row starts inside a line that begin a block
};
