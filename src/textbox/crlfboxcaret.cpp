// Where the caret goes: over letters, words, rows and lines as Qt's layouts
// of the blocks give them, and into view as Qt's plain text box scrolls.

#include "textbox/crlfbox_p.h"

#include <QScrollBar>

const CrLfBoxPrivate::Block &CrLfBoxPrivate::blockOfRow(int row) const
{
    return m_layouts.block(m_document, row);
}

const CrLfBoxPrivate::Block &CrLfBoxPrivate::blockOf(Pos pos) const
{
    return blockOfRow(m_document.rows().rowOf(pos));
}

CrLfBoxPrivate::Pos CrLfBoxPrivate::nextPosition(Pos pos, QTextLayout::CursorMode mode) const
{
    if (pos >= m_document.end())
        return m_document.end();
    const Block &block = blockOf(pos);
    if (pos >= block.end())
        return pos + 2;  // over the line break that ends the block
    const int next = block.layout.nextCursorPosition(block.toLayout(int(pos - block.start)), mode);
    return block.start + block.fromLayout(next);
}

CrLfBoxPrivate::Pos CrLfBoxPrivate::previousPosition(Pos pos, QTextLayout::CursorMode mode) const
{
    if (pos <= m_document.begin())
        return m_document.begin();
    const Block &block = blockOf(pos);
    if (pos > block.start) {
        const int previous = block.layout.previousCursorPosition(block.toLayout(int(pos - block.start)), mode);
        return block.start + block.fromLayout(previous);
    }
    if (m_document.rows().isLineStart(pos))
        return pos - 2;  // over the line break that ends the line before
    const Block &before = blockOf(pos - 1);  // a line laid out in more than one block
    const int previous = before.layout.previousCursorPosition(before.toLayout(int(pos - before.start)), mode);
    return before.start + before.fromLayout(previous);
}

qreal CrLfBoxPrivate::xOf(Pos pos) const
{
    const Block &block = blockOf(pos);
    return block.lineAt(pos).cursorToX(block.toLayout(int(pos - block.start)));
}

std::optional<CrLfBoxPrivate::Pos> CrLfBoxPrivate::moved(Pos from, Move op)
{
    const RowIndex &rows = m_document.rows();
    const int row = rows.rowOf(from);
    Pos to = from;
    switch (op) {
    case Move::PreviousCharacter:
        to = previousPosition(from, QTextLayout::SkipCharacters);
        break;
    case Move::NextCharacter:
        to = nextPosition(from, QTextLayout::SkipCharacters);
        break;
    case Move::PreviousWord:
        to = previousPosition(from, QTextLayout::SkipWords);
        break;
    case Move::NextWord:
        to = nextPosition(from, QTextLayout::SkipWords);
        break;
    case Move::Up:
    case Move::Down: {
        const int target = row + (op == Move::Up ? -1 : 1);
        if (target < 0 || target >= rows.count())
            return std::nullopt;
        if (m_x < 0)
            m_x = xOf(from);
        to = positionInRow(target, m_x);
        // The end of a wrapped row is where the next row starts: the caret
        // stays in the row it went to, before the row's last letter, or it
        // would never leave the row it was in.
        if (rows.rowOf(to) != target)
            to = std::max(previousPosition(to, QTextLayout::SkipCharacters), rows.start(target));
        break;
    }
    case Move::StartOfLine:
        to = rows.start(row);
        break;
    case Move::EndOfLine:
        // Before the blank at which a wrapped row ends, as Qt's boxes do.
        to = rows.end(row);
        if (!rows.endsInBreak(row) && row + 1 < rows.count() && to > rows.start(row)
            && m_document.text().at(to - 1).isSpace())
            --to;
        break;
    case Move::StartOfBlock:
        to = m_document.lineAround(from).first;
        break;
    case Move::EndOfBlock:
        to = m_document.lineAround(from).second;
        break;
    case Move::Start:
        to = m_document.begin();
        break;
    case Move::End:
        to = m_document.end();
        break;
    }
    return to;
}

void CrLfBoxPrivate::ensureCaretVisible()
{
    // As Qt's plain text box scrolls: just enough to show the caret's row
    // whole, with the top margin only above the first row.
    const int row = m_document.rows().rowOf(m_caret);
    const int height = q->viewport()->height();
    const int y = rowY(row);
    QScrollBar *bar = q->verticalScrollBar();
    if (y + rowHeight() >= height) {
        // Qt leaves room for the top margin whenever the top row is in the
        // first line, however long that line is (a log's first break is
        // seldom far).
        const RowIndex &rows = m_document.rows();
        int top = std::max(0, row + 1 - height / rowHeight());
        bool inFirstLine = true;
        for (int r = 0; r < top && inFirstLine; ++r)
            inFirstLine = !rows.endsInBreak(r);
        if ((row - top + 1) * rowHeight() + (inFirstLine ? margin : 0) > height)
            ++top;
        bar->setValue(top);
    } else if (y < 0) {
        bar->setValue(row);
    }
}

CrLfBoxPrivate::Range CrLfBoxPrivate::rowAround(Pos pos) const
{
    const RowIndex &rows = m_document.rows();
    const int row = rows.rowOf(pos);
    return {rows.start(row), rows.next(row)};
}

CrLfBoxPrivate::Range CrLfBoxPrivate::wordAround(Pos at) const
{
    // As Qt's boxes take the word under the cursor: back to where a word
    // begins, then on to where it ends. Words are runs of letters or of
    // punctuation, as Qt's layouts step over them.
    const Block &block = blockOf(at);
    const QString shown = block.layout.text();
    const auto space = [&](int i) { return shown.at(i).isSpace(); };
    const auto separator = [&](int i) { return wordSeparators().contains(shown.at(i)); };
    const auto step = [&](int offset, bool forward) {
        const int inLayout = block.toLayout(offset);
        return block.fromLayout(forward ? block.layout.nextCursorPosition(inLayout, QTextLayout::SkipWords)
                                        : block.layout.previousCursorPosition(inLayout, QTextLayout::SkipWords));
    };
    const int length = int(shown.size());
    int from = int(at - block.start);
    if (from > 0 && !(from == length && (space(from - 1) || separator(from - 1))))
        from = step(from < length ? from + 1 : from, false);
    int to = from;
    if (from < length) {
        to = step(from, true);
        while (to > from && space(to - 1))
            --to;
    }
    return {block.start + from, block.start + to};
}

QString CrLfBoxPrivate::wordSeparators()
{
    // The characters that Qt's text engine takes for punctuation between words.
    return QStringLiteral(".,?!@#$:;-<>[](){}=/+%&^*'\"`~|\\");
}
