// The mouse, drag and drop and the context menu, as Qt's plain text box
// takes them.

#include "textbox/crlfbox.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>

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

void CrLfBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPointF point = event->position();
    m_pressPoint = point.toPoint();
    m_mousePressed = true;
    m_mightStartDrag = false;
    commitPreedit();
    if (m_tripleClick.isActive()
        && (point - m_tripleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        // A third click takes the whole line with its line break.
        const auto [from, to] = lineAround(cursorPosition());
        const Pos end = nextPosition(m_document.begin() + to, QTextLayout::SkipCharacters);
        setCaret(end, m_document.begin() + from);
        m_clickedLine = {m_document.begin() + from, end};
        m_tripleClick.stop();
    } else {
        const Pos at = hitTest(point);
        if (event->modifiers() == Qt::ShiftModifier) {
            if (m_clickedLine.first != m_clickedLine.second)
                extendLinewise(at);
            else if (m_clickedWord.first != m_clickedWord.second)
                extendWordwise(at, point.x());
            else
                setCaret(at, m_anchor);
        } else if (hasSelection() && at >= std::min(m_anchor, m_caret) && at <= std::max(m_anchor, m_caret)) {
            m_mightStartDrag = true;  // a press in the selection may drag it
            return;
        } else {
            setCaret(at);
            m_clickedWord = m_clickedLine = {-1, -1};
        }
    }
    ensureCaretVisible();
}

void CrLfBox::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPointF point = event->position();
    if (m_mightStartDrag) {
        if ((point.toPoint() - m_pressPoint).manhattanLength() > QApplication::startDragDistance())
            startDrag();
        return;
    }
    const Pos at = hitTest(point);
    if (m_clickedLine.first != m_clickedLine.second)
        extendLinewise(at);
    else if (m_clickedWord.first != m_clickedWord.second)
        extendWordwise(at, point.x());
    else if (m_mousePressed)
        setCaret(at, m_anchor);
    // Held below or above the box, the button keeps it scrolling.
    if (event->source() == Qt::MouseEventNotSynthesized) {
        if (viewport()->rect().contains(point.toPoint()))
            m_autoScroll.stop();
        else if (!m_autoScroll.isActive())
            m_autoScroll.start(100, this);
    }
}

void CrLfBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_mightStartDrag && event->button() == Qt::LeftButton) {
        m_mousePressed = m_mightStartDrag = false;
        setCaret(hitTest(event->position()));
    }
    if (m_mousePressed) {
        m_mousePressed = false;
        setClipboardSelection();
    } else if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        setCaret(hitTest(event->position()));
        if (const QMimeData *source = QGuiApplication::clipboard()->mimeData(QClipboard::Selection))
            insertFromMimeData(source);
    }
    if (m_autoScroll.isActive()) {
        m_autoScroll.stop();
        ensureCaretVisible();
    }
}

void CrLfBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_mightStartDrag = false;
    commitPreedit();
    setCaret(hitTest(event->position()));
    const RowIndex &rows = m_document.rows();
    const int row = rows.rowOf(m_caret);
    if (rows.end(row) > rows.start(row)) {
        const auto [from, to] = wordAround(cursorPosition());
        setCaret(m_document.begin() + to, m_document.begin() + from);
    }
    m_clickedWord = hasSelection() ? std::pair{m_anchor, m_caret} : std::pair<Pos, Pos>{-1, -1};
    m_tripleClickPoint = event->position();
    m_tripleClick.start(QApplication::doubleClickInterval(), this);
    setClipboardSelection();
}

void CrLfBox::extendWordwise(Pos suggested, qreal mouseX)
{
    // Dragging after a double click takes whole words, keeping the first
    // one, as Qt's boxes do.
    const auto [first, last] = m_clickedWord;
    if (suggested >= first && suggested <= last) {
        setCaret(last, first);
        return;
    }
    const auto [from, to] = wordAround(suggested - m_document.begin());
    const Pos wordStart = m_document.begin() + from;
    const Pos wordEnd = m_document.begin() + to;
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

void CrLfBox::extendLinewise(Pos suggested)
{
    // Dragging after a triple click takes whole lines, keeping the first one.
    const auto [first, last] = m_clickedLine;
    if (suggested >= first && suggested <= last) {
        setCaret(last, first);
        return;
    }
    const auto [from, to] = lineAround(suggested - m_document.begin());
    if (suggested < last)
        setCaret(m_document.begin() + from, last);
    else
        setCaret(nextPosition(m_document.begin() + to, QTextLayout::SkipCharacters), first);
    setClipboardSelection();
}

void CrLfBox::autoScroll()
{
    const QPoint global = QCursor::pos();
    const QPoint point = viewport()->mapFromGlobal(global);
    QMouseEvent move(QEvent::MouseMove, point, viewport()->mapTo(window(), point), global, Qt::LeftButton,
                     Qt::LeftButton, QGuiApplication::keyboardModifiers());
    mouseMoveEvent(&move);
    // The farther from the box, the faster, as in Qt's boxes.
    const QRect visible = viewport()->rect();
    const int deltaY = std::max(point.y() - visible.top(), visible.bottom() - point.y()) - visible.height();
    const int deltaX = std::max(point.x() - visible.left(), visible.right() - point.x()) - visible.width();
    int delta = std::max(deltaX, deltaY);
    if (delta < 0)
        return;
    delta = std::max(delta, 7);
    m_autoScroll.start(4900 / (delta * delta), this);
    if (deltaY > 0)
        verticalScrollBar()->triggerAction(point.y() < visible.center().y() ? QAbstractSlider::SliderSingleStepSub
                                                                           : QAbstractSlider::SliderSingleStepAdd);
}

void CrLfBox::insertFromMimeData(const QMimeData *source)
{
    if (!source->hasText())
        return;
    const QString text = withCrLf(source->text());
    insert(text, text.endsWith(QLatin1String("\r\n")) ? Kind::Other : Kind::Typing, true);
}

void CrLfBox::startDrag()
{
    m_mousePressed = m_mightStartDrag = false;
    auto *data = new QMimeData;
    data->setText(selectedText());
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    const Qt::DropAction action = m_dragMovesText ? drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction)
                                                  : drag->exec(Qt::CopyAction, Qt::CopyAction);
    if (action == Qt::MoveAction && drag->target() != viewport() && drag->target() != this)
        removeSelection();
}

void CrLfBox::dropCaretAt(Pos pos)
{
    m_dropCaret = pos;
    viewport()->update();
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
    dropCaretAt(hitTest(event->position()));
    event->acceptProposedAction();
}

void CrLfBox::dragLeaveEvent(QDragLeaveEvent *)
{
    dropCaretAt(-1);
}

void CrLfBox::dropEvent(QDropEvent *event)
{
    dropCaretAt(-1);
    if (!event->mimeData()->hasText())
        return;
    Pos at = hitTest(event->position());
    if (event->dropAction() == Qt::MoveAction && event->source() == this) {
        // Moved within the box: the text leaves its place first.
        const Pos from = std::min(m_anchor, m_caret);
        const Pos to = std::max(m_anchor, m_caret);
        at = at >= to ? at - (to - from) : std::min(at, from);
        removeSelection();
    }
    setCaret(at);
    insertFromMimeData(event->mimeData());
    event->acceptProposedAction();
    ensureCaretVisible();
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
    add(tr("Delete"), QKeySequence::UnknownKey, "edit-delete", hasSelection(), &CrLfBox::removeSelection);
    menu->addSeparator();
    add(tr("Select All"), QKeySequence::SelectAll, "select-all", length() > 0, [this] {
        selectAll();
        setClipboardSelection();
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
