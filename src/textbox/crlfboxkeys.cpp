// The keyboard, as Qt's plain text box takes it.

#include "textbox/crlfbox_p.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScrollBar>

using Kind = CrLfBoxPrivate::Kind;
using Move = CrLfBoxPrivate::Move;

namespace {

using K = QKeySequence;

bool isAcceptableInput(const QKeyEvent *event)
{
    // What Qt's boxes type: printable text, formatting characters, private
    // use; never a character made with Ctrl, which is a command or nothing.
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    const QChar c = text.at(0);
    if (c.category() == QChar::Other_Format)
        return true;
    if (event->modifiers() == Qt::ControlModifier
        || event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier))
        return false;
    return c.isPrint() || c.category() == QChar::Other_PrivateUse
        || (c.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate());
}

// Keys that the box takes before the window's shortcuts, as Qt's boxes do.
bool isEditingKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers m = event->modifiers();
    if (m == Qt::NoModifier || m == Qt::ShiftModifier || m == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Return: case Qt::Key_Enter: case Qt::Key_Delete: case Qt::Key_Home: case Qt::Key_End:
        case Qt::Key_Backspace: case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down:
        case Qt::Key_Tab:
            return true;
        default:
            return event->key() < Qt::Key_Escape;
        }
    }
    for (const K::StandardKey key : {K::Copy, K::Paste, K::Cut, K::Redo, K::Undo, K::MoveToNextWord,
                                     K::MoveToPreviousWord, K::MoveToStartOfDocument, K::MoveToEndOfDocument,
                                     K::SelectNextWord, K::SelectPreviousWord, K::SelectStartOfLine,
                                     K::SelectEndOfLine, K::SelectStartOfBlock, K::SelectEndOfBlock,
                                     K::SelectStartOfDocument, K::SelectAll, K::SelectEndOfDocument}) {
        if (event->matches(key))
            return true;
    }
    return false;
}

} // namespace

bool CrLfBox::event(QEvent *event)
{
    const CrLfBoxPrivate::EventScope scope(d.get());
    if (event->type() == QEvent::ShortcutOverride && isEditingKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::ContextMenu
        && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
        // The menu key opens the menu at the caret: the box's own, or the
        // one its owner makes (a custom context menu, as Qt's boxes offer).
        d->ensureCaretVisible();
        const QPoint at = cursorRect().center();
        if (contextMenuPolicy() == Qt::CustomContextMenu) {
            emit customContextMenuRequested(at);
            return true;
        }
        QContextMenuEvent atCaret(QContextMenuEvent::Keyboard, at, viewport()->mapToGlobal(at));
        contextMenuEvent(&atCaret);
        event->setAccepted(atCaret.isAccepted());
        return true;
    }
    return QAbstractScrollArea::event(event);
}

void CrLfBox::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(K::SelectAll)) {
        selectAll();
        d->setClipboardSelection();
    } else if (event->matches(K::Copy)) {
        copy();
    } else if (event->matches(K::MoveToNextPage) || event->matches(K::SelectNextPage)) {
        d->pageUpDown(Move::Down, event->matches(K::SelectNextPage));
    } else if (event->matches(K::MoveToPreviousPage) || event->matches(K::SelectPreviousPage)) {
        d->pageUpDown(Move::Up, event->matches(K::SelectPreviousPage));
    } else {
        if (!d->moveByKey(event) && !d->editByKey(event)) {
            if (!isAcceptableInput(event)) {
                event->ignore();
                return;
            }
            d->insert(event->text(), Kind::Typing);
        }
        d->setClipboardSelection();
        d->ensureCaretVisible();
    }
    d->restartBlinking();
    event->accept();
}

bool CrLfBoxPrivate::moveByKey(QKeyEvent *event)
{
    struct KeyMove
    {
        K::StandardKey key;
        Move op;
        bool select;
    };
    static const KeyMove moves[] = {
        {K::MoveToNextChar, Move::NextCharacter, false},     {K::MoveToPreviousChar, Move::PreviousCharacter, false},
        {K::SelectNextChar, Move::NextCharacter, true},      {K::SelectPreviousChar, Move::PreviousCharacter, true},
        {K::MoveToNextWord, Move::NextWord, false},          {K::MoveToPreviousWord, Move::PreviousWord, false},
        {K::SelectNextWord, Move::NextWord, true},           {K::SelectPreviousWord, Move::PreviousWord, true},
        {K::MoveToNextLine, Move::Down, false},              {K::MoveToPreviousLine, Move::Up, false},
        {K::SelectNextLine, Move::Down, true},               {K::SelectPreviousLine, Move::Up, true},
        {K::MoveToStartOfLine, Move::StartOfLine, false},    {K::MoveToEndOfLine, Move::EndOfLine, false},
        {K::SelectStartOfLine, Move::StartOfLine, true},     {K::SelectEndOfLine, Move::EndOfLine, true},
        {K::MoveToStartOfBlock, Move::StartOfBlock, false},  {K::MoveToEndOfBlock, Move::EndOfBlock, false},
        {K::SelectStartOfBlock, Move::StartOfBlock, true},   {K::SelectEndOfBlock, Move::EndOfBlock, true},
        {K::MoveToStartOfDocument, Move::Start, false},      {K::MoveToEndOfDocument, Move::End, false},
        {K::SelectStartOfDocument, Move::Start, true},       {K::SelectEndOfDocument, Move::End, true},
    };
    const auto found = std::find_if(std::begin(moves), std::end(moves),
                                    [event](const KeyMove &m) { return event->matches(m.key); });
    if (found == std::end(moves))
        return false;
    Move op = found->op;
    const RowIndex &rows = m_document.rows();
    const int row = rows.rowOf(m_caret);
    // Selecting up from the first row or down from the last goes to the end.
    if (found->select && op == Move::Up && row == 0)
        op = Move::Start;
    if (found->select && op == Move::Down && row == rows.count() - 1)
        op = Move::End;
    // In a right-to-left block the arrows follow the text: → goes back.
    if (blockOf(m_caret).rightToLeft()) {
        const std::pair<Move, Move> swapped[] = {{Move::NextCharacter, Move::PreviousCharacter},
                                                 {Move::NextWord, Move::PreviousWord}};
        for (const auto &[a, b] : swapped)
            op = op == a ? b : op == b ? a : op;
    }

    std::optional<Pos> to;
    if (!found->select && hasSelection() && (op == Move::PreviousCharacter || op == Move::NextCharacter))
        to = op == Move::PreviousCharacter ? std::min(m_caret, m_anchor) : std::max(m_caret, m_anchor);
    else
        to = moved(m_caret, op);
    if (to)
        setCaret(*to, found->select ? m_anchor : *to, op == Move::Up || op == Move::Down);
    return true;
}

bool CrLfBoxPrivate::editByKey(QKeyEvent *event)
{
    const TextChunks &text = m_document.text();
    const auto removeTo = [this](Pos to) {
        if (!hasSelection())
            setCaret(to, m_caret);
        removeSelection();
    };
    if ((event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier))
        || event->matches(K::Backspace)) {
        if (hasSelection() || m_caret == m_document.begin()) {
            removeSelection();
            return true;
        }
        // One character back: a line break whole, a surrogate pair whole,
        // but the accent apart from its letter, as in Qt's boxes.
        Pos from = m_caret - 1;
        const bool lineBreak = from > text.begin() && text.at(from) == u'\n' && text.at(from - 1) == u'\r';
        if (lineBreak || (from > text.begin() && text.at(from).isLowSurrogate() && text.at(from - 1).isHighSurrogate()))
            --from;
        edit(from, m_caret, QString(), lineBreak ? Kind::Other : Kind::Backspace);
    } else if (event->matches(K::InsertParagraphSeparator) || event->matches(K::InsertLineSeparator)) {
        insert(QStringLiteral("\r\n"), Kind::Other, true);
    } else if (event->matches(K::Undo)) {
        q->undo();
    } else if (event->matches(K::Redo)) {
        q->redo();
    } else if (event->matches(K::Cut)) {
        q->cut();
    } else if (event->matches(K::Paste)) {
        const bool selection = event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier)
            && event->key() == Qt::Key_Insert && QGuiApplication::clipboard()->supportsSelection();
        if (const QMimeData *source = QGuiApplication::clipboard()->mimeData(
                selection ? QClipboard::Selection : QClipboard::Clipboard))
            insertFromMimeData(source);
    } else if (event->matches(K::Delete)) {
        if (hasSelection() || m_caret == m_document.end()) {
            removeSelection();
            return true;
        }
        // A whole letter, accents and all; a line break whole.
        const Pos to = nextPosition(m_caret, QTextLayout::SkipCharacters);
        const bool lineBreak = text.at(m_caret) == u'\r' && to == m_caret + 2;
        edit(m_caret, to, QString(), lineBreak ? Kind::Other : Kind::Delete);
    } else if (event->matches(K::DeleteEndOfWord)) {
        removeTo(nextPosition(m_caret, QTextLayout::SkipWords));
    } else if (event->matches(K::DeleteStartOfWord)) {
        removeTo(previousPosition(m_caret, QTextLayout::SkipWords));
    } else if (event->matches(K::DeleteEndOfLine)) {
        const Pos lineEnd = m_document.lineAround(m_caret).second;
        Pos to = lineEnd;
        if (m_caret + 1 == lineEnd)
            to = nextPosition(m_caret, QTextLayout::SkipCharacters);
        setCaret(to, m_anchor);
        removeSelection();
    } else {
        return false;
    }
    return true;
}

void CrLfBoxPrivate::pageUpDown(Move op, bool select)
{
    // As Qt's plain text box pages: the view moves a page, and the caret
    // row by row to where it stood in the view, or to the first or last
    // row when the view can go no further.
    ensureCaretVisible();
    const RowIndex &rows = m_document.rows();
    const int height = q->viewport()->height();
    const int keptY = m_pageCaretY >= 0 ? m_pageCaretY : rowY(rows.rowOf(m_caret));
    int targetY = keptY;
    QScrollBar *bar = q->verticalScrollBar();
    if (op == Move::Down) {
        // The last row shows whole only with the bottom margin below it.
        int row = topRow();
        while (row < rows.count() && rowY(row) + rowHeight() + (row + 1 == rows.count() ? margin : 0) <= height)
            ++row;
        if (row >= rows.count())
            targetY = height;
        else
            bar->setValue(row);
    } else {
        const int top = topRow();
        if (top == 0)
            targetY = 0;
        const int above = top * rowHeight() - (top == 0 ? margin : 0) - height;
        bar->setValue(std::max(0, (above + rowHeight() - 1) / rowHeight()));
    }
    if (m_x < 0)
        m_x = xOf(m_caret);
    std::optional<Pos> caret;
    for (std::optional<Pos> to = moved(m_caret, op); to; to = moved(*caret, op)) {
        caret = to;
        const int y = rowY(rows.rowOf(*caret));
        if (op == Move::Down ? y >= targetY : y <= targetY)
            break;
    }
    if (caret)
        setCaret(*caret, select ? m_anchor : *caret, true);
    m_pageCaretY = keptY;
    if (select)
        setClipboardSelection();
    ensureCaretVisible();
}
