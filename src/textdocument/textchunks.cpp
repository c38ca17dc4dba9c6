#include "textdocument/textchunks.h"

#include <algorithm>

auto TextChunks::chunkAt(Pos pos) -> std::deque<Chunk>::iterator
{
    auto after = std::upper_bound(m_chunks.begin(), m_chunks.end(), pos,
                                  [](Pos p, const Chunk &c) { return p < c.start; });
    return after == m_chunks.begin() ? after : after - 1;
}

auto TextChunks::chunkAt(Pos pos) const -> std::deque<Chunk>::const_iterator
{
    return const_cast<TextChunks *>(this)->chunkAt(pos);
}

QChar TextChunks::at(Pos pos) const
{
    const auto chunk = chunkAt(pos);
    return chunk->text.at(pos - chunk->start);
}

QString TextChunks::mid(Pos from, Pos to) const
{
    from = std::max(from, begin());
    to = std::min(to, end());
    QString out;
    if (from >= to)
        return out;
    out.reserve(to - from);
    for (auto chunk = chunkAt(from); chunk != m_chunks.end() && chunk->start < to; ++chunk) {
        const Pos first = std::max(from, chunk->start);
        const Pos last = std::min(to, chunk->start + chunk->text.size());
        out += QStringView(chunk->text).mid(first - chunk->start, last - first);
    }
    return out;
}

QStringView TextChunks::view(Pos from, Pos to, QString &buffer) const
{
    from = std::max(from, begin());
    to = std::min(to, end());
    if (from >= to)
        return {};
    const auto chunk = chunkAt(from);
    if (to <= chunk->start + chunk->text.size())
        return QStringView(chunk->text).mid(from - chunk->start, to - from);
    buffer = mid(from, to);
    return buffer;
}

void TextChunks::append(QStringView text)
{
    while (!text.isEmpty()) {
        if (m_chunks.empty() || m_chunks.back().text.size() >= m_chunkSize) {
            m_chunks.push_back({end(), QString()});
            m_chunks.back().text.reserve(m_chunkSize);
        }
        QString &last = m_chunks.back().text;
        const qsizetype room = std::max<qsizetype>(m_chunkSize - last.size(), 0);
        const QStringView piece = text.left(room);
        last += piece;
        m_size += piece.size();
        text = text.mid(piece.size());
    }
}

void TextChunks::insert(Pos pos, QStringView text)
{
    if (text.isEmpty())
        return;
    if (pos >= end()) {
        append(text);
        return;
    }
    auto chunk = chunkAt(pos);
    chunk->text.insert(pos - chunk->start, text);
    m_size += text.size();
    // A chunk grown far past its size by edits is cut into chunks of the
    // size, so that an edit never costs more than a few chunks' worth.
    if (chunk->text.size() > 2 * m_chunkSize) {
        std::deque<Chunk> pieces;
        for (qsizetype at = m_chunkSize; at < chunk->text.size(); at += m_chunkSize)
            pieces.push_back({0, chunk->text.mid(at, m_chunkSize)});
        chunk->text.truncate(m_chunkSize);
        chunk->text.squeeze();
        const auto index = chunk - m_chunks.begin();
        m_chunks.insert(chunk + 1, std::make_move_iterator(pieces.begin()), std::make_move_iterator(pieces.end()));
        chunk = m_chunks.begin() + index;
    }
    restartFrom(chunk);
}

void TextChunks::remove(Pos from, Pos to)
{
    from = std::max(from, begin());
    to = std::min(to, end());
    if (from >= to)
        return;
    auto chunk = chunkAt(from);
    const auto first = chunk - m_chunks.begin();
    qint64 left = to - from;
    m_size -= left;
    qsizetype offset = from - chunk->start;
    while (left > 0) {
        const qsizetype n = std::min<qint64>(left, chunk->text.size() - offset);
        chunk->text.remove(offset, n);
        left -= n;
        chunk = chunk->text.isEmpty() && m_chunks.size() > 1 ? m_chunks.erase(chunk) : chunk + 1;
        offset = 0;
    }
    // From the chunk before the first touched one, which may have gone.
    restartFrom(m_chunks.begin() + std::clamp<qsizetype>(first - 1, 0, qsizetype(m_chunks.size()) - 1));
}

void TextChunks::dropFront(Pos newBegin)
{
    newBegin = std::clamp(newBegin, begin(), end());
    while (m_chunks.size() > 1 && m_chunks[1].start <= newBegin)
        m_chunks.pop_front();
    if (!m_chunks.empty()) {
        Chunk &first = m_chunks.front();
        first.text.remove(0, newBegin - first.start);  // Qt moves the start, it copies nothing
        first.start = newBegin;
    }
    m_size -= newBegin - m_begin;
    m_begin = newBegin;
}

void TextChunks::clear()
{
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_begin = end();
    m_size = 0;
}

void TextChunks::restartFrom(std::deque<Chunk>::iterator chunk)
{
    if (chunk == m_chunks.begin())
        chunk->start = m_begin;
    for (auto next = chunk + 1; next != m_chunks.end(); chunk = next++)
        next->start = chunk->start + chunk->text.size();
}
