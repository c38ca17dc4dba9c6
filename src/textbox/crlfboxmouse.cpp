// The mouse, drag and drop and the context menu, as Qt's plain text box
// takes them.

#include "textbox/crlfbox_p.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>

using Pos = CrLfBoxPrivate::Pos;

namespace {

// Line breaks pasted or dropped, in whatever form, become the pair CR LF.
QString withCrLf(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (const QChar other : {QChar(u'\r'), QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator)})
        text.replace(other, QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

} // namespace

bool CrLfBox::viewportEvent(QEvent *event)
{
    const CrLfBoxPrivate::EventScope scope(d.get());
    return QAbstractScrollArea::viewportEvent(event);
}

void CrLfBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPointF point = event->position();
    d->m_pressPoint = point.toPoint();
    d->m_mousePressed = true;
    d->m_mightStartDrag = false;
    d->commitPreedit();
    if (d->m_tripleClick.isActive()
        && (point - d->m_tripleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        // A third click takes the whole line with its line break.
        const auto [from, to] = d->m_document.lineAround(d->m_caret);
        const Pos end = d->nextPosition(to, QTextLayout::SkipCharacters);
        d->setCaret(end, from);
        d->m_clickedLine = {from, end};
        d->m_tripleClick.stop();
    } else {
        const Pos at = d->hitTest(point);
        if (event->modifiers() == Qt::ShiftModifier) {
            if (d->m_clickedLine.first != d->m_clickedLine.second)
                d->extendLinewise(at);
            else if (d->m_clickedWord.first != d->m_clickedWord.second)
                d->extendWordwise(at, point.x());
            else
                d->setCaret(at, d->m_anchor);
        } else if (hasSelection() && at >= std::min(d->m_anchor, d->m_caret) && at <= std::max(d->m_anchor, d->m_caret)) {
            d->m_mightStartDrag = true;  // a press in the selection may drag it
            return;
        } else {
            d->setCaret(at);
            d->m_clickedWord = d->m_clickedLine = {-1, -1};
        }
    }
    d->ensureCaretVisible();
}

void CrLfBox::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPointF point = event->position();
    if (d->m_mightStartDrag) {
        if ((point.toPoint() - d->m_pressPoint).manhattanLength() > QApplication::startDragDistance())
            d->startDrag();
        return;
    }
    const Pos at = d->hitTest(point);
    if (d->m_clickedLine.first != d->m_clickedLine.second)
        d->extendLinewise(at);
    else if (d->m_clickedWord.first != d->m_clickedWord.second)
        d->extendWordwise(at, point.x());
    else if (d->m_mousePressed)
        d->setCaret(at, d->m_anchor);
    // Held below or above the box, the button keeps it scrolling.
    if (event->source() == Qt::MouseEventNotSynthesized) {
        if (viewport()->rect().contains(point.toPoint()))
            d->m_autoScroll.stop();
        else if (!d->m_autoScroll.isActive())
            d->m_autoScroll.start(100, this);
    }
}

void CrLfBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (d->m_mightStartDrag && event->button() == Qt::LeftButton) {
        d->m_mousePressed = d->m_mightStartDrag = false;
        d->setCaret(d->hitTest(event->position()));
    }
    if (d->m_mousePressed) {
        d->m_mousePressed = false;
        d->setClipboardSelection();
    } else if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        d->setCaret(d->hitTest(event->position()));
        if (const QMimeData *source = QGuiApplication::clipboard()->mimeData(QClipboard::Selection))
            d->insertFromMimeData(source);
    }
    if (d->m_autoScroll.isActive()) {
        d->m_autoScroll.stop();
        d->ensureCaretVisible();
    }
}

void CrLfBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    d->m_mightStartDrag = false;
    d->commitPreedit();
    d->setCaret(d->hitTest(event->position()));
    const RowIndex &rows = d->m_document.rows();
    const int row = rows.rowOf(d->m_caret);
    if (rows.end(row) > rows.start(row)) {
        const auto [from, to] = d->wordAround(d->m_caret);
        d->setCaret(to, from);
    }
    d->m_clickedWord = hasSelection() ? CrLfBoxPrivate::Range{d->m_anchor, d->m_caret} : CrLfBoxPrivate::Range{-1, -1};
    d->m_tripleClickPoint = event->position();
    d->m_tripleClick.start(QApplication::doubleClickInterval(), this);
    d->setClipboardSelection();
}

void CrLfBoxPrivate::extendWordwise(Pos suggested, qreal mouseX)
{
    // Dragging after a double click takes whole words, keeping the first
    // one, as Qt's boxes do.
    const auto [first, last] = m_clickedWord;
    if (suggested >= first && suggested <= last) {
        setCaret(last, first);
        return;
    }
    const auto [wordStart, wordEnd] = wordAround(clamped(suggested));
    const RowIndex &rows = m_document.rows();
    if (wordEnd == wordStart || rows.rowOf(wordStart) != rows.rowOf(wordEnd))
        return;
    const qreal startX = margin + xOf(wordStart);
    const qreal endX = margin + xOf(wordEnd);
    if (mouseX < startX || mouseX > endX)
        return;
    const Pos anchor = suggested < last ? last : first;
    setCaret(mouseX - startX < endX - mouseX ? wordStart : wordEnd, anchor);
    setClipboardSelection();
}

void CrLfBoxPrivate::extendLinewise(Pos suggested)
{
    // Dragging after a triple click takes whole lines, keeping the first one.
    const auto [first, last] = m_clickedLine;
    if (suggested >= first && suggested <= last) {
        setCaret(last, first);
        return;
    }
    const auto [from, to] = m_document.lineAround(suggested);
    if (suggested < last)
        setCaret(from, last);
    else
        setCaret(nextPosition(to, QTextLayout::SkipCharacters), first);
    setClipboardSelection();
}

void CrLfBoxPrivate::autoScroll()
{
    const QPoint global = QCursor::pos();
    const QPoint point = q->viewport()->mapFromGlobal(global);
    QMouseEvent move(QEvent::MouseMove, point, q->viewport()->mapTo(q->window(), point), global, Qt::LeftButton,
                     Qt::LeftButton, QGuiApplication::keyboardModifiers());
    q->mouseMoveEvent(&move);
    // The farther from the box, the faster, as in Qt's boxes.
    const QRect visible = q->viewport()->rect();
    const int deltaY = std::max(point.y() - visible.top(), visible.bottom() - point.y()) - visible.height();
    const int deltaX = std::max(point.x() - visible.left(), visible.right() - point.x()) - visible.width();
    int delta = std::max(deltaX, deltaY);
    if (delta < 0)
        return;
    delta = std::max(delta, 7);
    m_autoScroll.start(4900 / (delta * delta), q);
    if (deltaY > 0)
        q->verticalScrollBar()->triggerAction(point.y() < visible.center().y() ? QAbstractSlider::SliderSingleStepSub
                                                                           : QAbstractSlider::SliderSingleStepAdd);
}

void CrLfBoxPrivate::insertFromMimeData(const QMimeData *source)
{
    if (!source->hasText())
        return;
    const QString text = withCrLf(source->text());
    insert(text, text.endsWith(QLatin1String("\r\n")) ? Kind::Other : Kind::Typing, true);
}

void CrLfBoxPrivate::startDrag()
{
    m_mousePressed = m_mightStartDrag = false;
    auto *drag = new QDrag(q);
    drag->setMimeData(selectionMimeData());
    const Qt::DropAction action = m_dragMovesText ? drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction)
                                                  : drag->exec(Qt::CopyAction, Qt::CopyAction);
    if (action == Qt::MoveAction && drag->target() != q->viewport() && drag->target() != q)
        removeSelection();
}

void CrLfBoxPrivate::dropCaretAt(Pos pos)
{
    m_dropCaret = pos;
    q->viewport()->update();
}

void CrLfBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CrLfBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (!event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    d->dropCaretAt(d->hitTest(event->position()));
    event->acceptProposedAction();
}

void CrLfBox::dragLeaveEvent(QDragLeaveEvent *)
{
    d->dropCaretAt(-1);
}

void CrLfBox::dropEvent(QDropEvent *event)
{
    d->dropCaretAt(-1);
    if (!event->mimeData()->hasText())
        return;
    Pos at = d->hitTest(event->position());
    if (event->dropAction() == Qt::MoveAction && event->source() == this) {
        // Moved within the box: the text leaves its place first.
        const Pos from = std::min(d->m_anchor, d->m_caret);
        const Pos to = std::max(d->m_anchor, d->m_caret);
        at = at >= to ? at - (to - from) : std::min(at, from);
        d->removeSelection();
    }
    d->setCaret(at);
    d->insertFromMimeData(event->mimeData());
    event->acceptProposedAction();
    d->ensureCaretVisible();
}

QMenu *CrLfBox::createStandardContextMenu()
{
    // Qt's own menu for a text box: its entries, shortcuts, icons and names;
    // the shortcut of an action added to the box shows as Qt shows it.
    auto *menu = new QMenu(this);
    const auto add = [&](const QString &caption, QKeySequence::StandardKey key, const char *name, bool enabled,
                         auto slot) {
        QString text = caption;
        if (key != QKeySequence::UnknownKey && !QCoreApplication::testAttribute(Qt::AA_DontShowShortcutsInContextMenus))
            text += QLatin1Char('\t') + QKeySequence(key).toString(QKeySequence::NativeText);
        QAction *action = menu->addAction(text, this, slot);
        action->setEnabled(enabled);
        action->setObjectName(QLatin1String(name));
        const QIcon icon = QIcon::fromTheme(QLatin1String(name == QLatin1String("select-all") ? "edit-select-all" : name));
        if (!icon.isNull())
            action->setIcon(icon);
    };
    add(tr("&Undo"), QKeySequence::Undo, "edit-undo", isUndoAvailable(), &CrLfBox::undo);
    add(tr("&Redo"), QKeySequence::Redo, "edit-redo", isRedoAvailable(), &CrLfBox::redo);
    menu->addSeparator();
    add(tr("Cu&t"), QKeySequence::Cut, "edit-cut", hasSelection(), &CrLfBox::cut);
    add(tr("&Copy"), QKeySequence::Copy, "edit-copy", hasSelection(), &CrLfBox::copy);
    const QMimeData *clipboard = QGuiApplication::clipboard()->mimeData();
    add(tr("&Paste"), QKeySequence::Paste, "edit-paste", clipboard && clipboard->hasText(), &CrLfBox::paste);
    add(tr("Delete"), QKeySequence::UnknownKey, "edit-delete", hasSelection(), [this] { d->removeSelection(); });
    menu->addSeparator();
    add(tr("Select All"), QKeySequence::SelectAll, "select-all", length() > 0, [this] {
        selectAll();
        d->setClipboardSelection();
    });
    // Then what the box's owner gave it to do (Save log as...).
    if (!actions().isEmpty()) {
        menu->addSeparator();
        menu->addActions(actions());
    }
    return menu;
}

void CrLfBox::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
