#pragma once
// Where the rows of a multi-line box begin: its text cut at each line break
// (CR LF) and wrapped at word boundaries to the box's width, or anywhere in
// a word too long for a row. Appending costs what arrived plus the last
// row; an edit costs the line it touches.

#include "widgets/textchunks.h"

#include <deque>
#include <functional>

class WrappedRows
{
public:
    using Pos = TextChunks::Pos;
    using Width = std::function<qreal(char32_t)>;

    WrappedRows(const TextChunks &text, Width width);

    // The room for text in a row; 0 or less wraps only at line breaks.
    void setRoom(qreal room);

    int count() const { return int(m_starts.size()); }
    Pos start(int row) const { return m_starts[size_t(row)]; }
    Pos next(int row) const;  // where the row after it starts
    Pos end(int row) const;   // after its last shown character
    bool endsInBreak(int row) const;
    int rowOf(Pos pos) const;

    // After the text changed: text was added at its end (which was oldEnd),
    // `removed` characters at `at` were replaced by `inserted` others, the
    // oldest text went up to a row start, or everything changed.
    void appended(Pos oldEnd);
    void edited(Pos at, qint64 removed, qint64 inserted);
    void droppedFront();
    void rewrap();

private:
    struct Wrapped
    {
        std::deque<Pos> starts;
        Pos resumeAt = -1;  // where the rows before the change go on, if they do
    };
    // The rows from `from`, a row start, on: up to the first line break
    // that begins at or after `until`, after which the old rows go on, or
    // to the end of the text.
    Wrapped wrap(Pos from, Pos until) const;

    const TextChunks &m_text;
    Width m_width;
    qreal m_room = 0;
    std::deque<Pos> m_starts;
};
