#pragma once
// The text of a multi-line box, character for character as it was received
// or typed: a line break is the pair CR LF, and every other character is
// itself. It is kept in chunks, so that appending at the end and dropping
// the oldest text cost what they touch, however long the text is.
//
// Positions are absolute: they count every character the text has ever
// held, so a position taken before the oldest text was dropped still names
// the same character afterwards.

#include <QString>
#include <algorithm>
#include <deque>

class TextChunks
{
public:
    using Pos = qint64;
    // A chunk takes appended text up to `chunkSize` characters; edits inside
    // may grow it to twice that before it is split.
    explicit TextChunks(qsizetype chunkSize = 32768) : m_chunkSize(std::max<qsizetype>(chunkSize, 1)) {}

    Pos begin() const { return m_begin; }
    Pos end() const { return m_begin + m_size; }
    qint64 size() const { return m_size; }

    QChar at(Pos pos) const;  // begin() <= pos < end()
    QString mid(Pos from, Pos to) const;
    // The characters from `from` up to `to`: a view into the chunk that holds
    // them, or, when they straddle chunks, into `buffer` filled with them.
    QStringView view(Pos from, Pos to, QString &buffer) const;
    // Hands the text from `from` on to f(position, piece), a chunk's piece
    // at a time, for as long as f returns true.
    template <typename F> void scan(Pos from, F &&f) const
    {
        if (from >= end())
            return;
        for (auto chunk = chunkAt(from); chunk != m_chunks.end(); ++chunk) {
            const qsizetype offset = std::max<Pos>(from - chunk->start, 0);
            if (!f(chunk->start + offset, QStringView(chunk->text).mid(offset)))
                return;
        }
    }

    void append(QStringView text);
    void insert(Pos pos, QStringView text);
    void remove(Pos from, Pos to);
    void dropFront(Pos newBegin);  // everything before newBegin goes
    void clear();                  // empty; positions go on from end()

private:
    struct Chunk
    {
        Pos start;
        QString text;
    };
    // The chunk holding pos; end() belongs to the last chunk.
    std::deque<Chunk>::iterator chunkAt(Pos pos);
    std::deque<Chunk>::const_iterator chunkAt(Pos pos) const;
    // Each chunk from this one on starts where the one before it ends.
    void restartFrom(std::deque<Chunk>::iterator chunk);

    qsizetype m_chunkSize;
    std::deque<Chunk> m_chunks;
    Pos m_begin = 0;
    qint64 m_size = 0;
};
