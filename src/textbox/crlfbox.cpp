#include "textbox/crlfbox_p.h"
#include "textbox/textmimedata.h"

#include "textdocument/heap.h"
#include "widgets/style.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>


using Pos = CrLfBoxPrivate::Pos;
using Kind = CrLfBoxPrivate::Kind;

CrLfBoxPrivate::CrLfBoxPrivate(CrLfBox *box, qsizetype chunkSize, qsizetype blockLimit)
    : q(box),
      m_document([this](QStringView block, std::vector<qsizetype> &starts) { m_layouts.breakRows(block, starts); },
                 chunkSize, blockLimit),
      m_layouts(box->font())
{
}

CrLfBox::CrLfBox(QWidget *parent, qsizetype chunkSize, qsizetype blockLimit)
    : QAbstractScrollArea(parent), d(std::make_unique<CrLfBoxPrivate>(this, chunkSize, blockLimit))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_KeyCompression);
    setInputMethodHints(Qt::ImhMultiLine);
    setAcceptDrops(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);  // a row; the wheel moves the desktop's number of them
    d->m_layouts.setGrey(Widgets::greyedText(palette()));
}

CrLfBox::~CrLfBox() = default;

// --- the text

qint64 CrLfBox::length() const
{
    return d->m_document.length();
}

void CrLfBox::setCapacity(qint64 characters)
{
    d->m_capacity = characters;
}

void CrLfBox::setDragMovesText(bool moves)
{
    d->m_dragMovesText = moves;
}

const CrLfDocument &CrLfBox::document() const
{
    return d->m_document;
}

int CrLfBox::rowCount() const
{
    return d->m_document.rows().count();
}

bool CrLfBox::isUndoAvailable() const
{
    return d->m_document.canUndo();
}

bool CrLfBox::isRedoAvailable() const
{
    return d->m_document.canRedo();
}

QString CrLfBox::text() const
{
    return mid(0, length());
}

QString CrLfBox::mid(qint64 from, qint64 to) const
{
    return d->m_document.text().mid(d->at(from), d->at(to));
}

void CrLfBox::setText(const QString &text)
{
    clear();
    append(text);
    d->setCaret(d->m_document.begin());
    verticalScrollBar()->setValue(0);
}

void CrLfBox::clear()
{
    const qint64 gone = length();
    if (QAccessible::isActive() && gone > 0) {
        QAccessibleTextRemoveEvent removed(this, 0, QString(gone, u' '));
        QAccessible::updateAccessibility(&removed);
    }
    d->m_document.clear();
    d->m_layouts.clear();
    d->m_caret = d->m_anchor = d->m_document.begin();
    d->m_x = -1;
    d->updateScrollRange();
    viewport()->update();
    emit textChanged();
    d->tell();
    if (gone > 1'000'000)
        Heap::giveBackFreePages();  // a full log leaves tens of megabytes
}

void CrLfBox::append(QStringView text)
{
    if (text.isEmpty())
        return;
    const Pos oldEnd = d->m_document.end();
    d->m_layouts.invalidateFrom(d->m_document.append(text));
    if (QAccessible::isActive()) {
        QAccessibleTextInsertEvent inserted(this, int(d->offsetOf(oldEnd)), text.toString());
        QAccessible::updateAccessibility(&inserted);
    }
    d->trimToCapacity();
    d->updateScrollRange();
    viewport()->update();
    emit textChanged();
    d->tell();  // the caret's offset moves where old lines went
}

void CrLfBoxPrivate::trimToCapacity()
{
    const int top = q->verticalScrollBar()->value();
    const CrLfDocument::Trimmed trimmed = m_document.trimTo(m_capacity);
    if (trimmed.characters == 0)
        return;
    if (QAccessible::isActive()) {
        QAccessibleTextRemoveEvent removed(q, 0, QString(trimmed.characters, u' '));
        QAccessible::updateAccessibility(&removed);
    }
    m_layouts.clear();  // every block's first row has moved
    m_caret = std::max(m_caret, m_document.begin());
    m_anchor = std::max(m_anchor, m_document.begin());
    updateScrollRange();
    q->verticalScrollBar()->setValue(top - trimmed.rows);
}

void CrLfBoxPrivate::edit(Pos from, Pos to, const QString &text, Kind kind, bool fresh)
{
    const QString removed = m_document.text().mid(from, to);
    textReplaced(from, removed, text.size(), m_document.replace(from, to, text, kind, fresh));
    setCaret(from + text.size());
}

void CrLfBoxPrivate::textReplaced(Pos at, const QString &removed, qint64 inserted, Pos rowsFrom)
{
    m_layouts.invalidateFrom(rowsFrom);
    // The word or line a double or triple click took moves with the text, as
    // a text cursor of Qt's does.
    const auto follow = [&](Pos &pos) {
        if (pos < at)
            return;
        pos = pos > at + removed.size() ? pos - removed.size() : at;
        pos += inserted;
    };
    for (std::pair<Pos, Pos> *range : {&m_clickedWord, &m_clickedLine}) {
        if (range->first >= 0) {
            follow(range->first);
            follow(range->second);
        }
    }
    if (QAccessible::isActive()) {
        const int offset = int(offsetOf(at));
        const QString added = m_document.text().mid(at, at + inserted);
        if (removed.isEmpty()) {
            QAccessibleTextInsertEvent event(q, offset, added);
            QAccessible::updateAccessibility(&event);
        } else if (added.isEmpty()) {
            QAccessibleTextRemoveEvent event(q, offset, removed);
            QAccessible::updateAccessibility(&event);
        } else {
            QAccessibleTextUpdateEvent event(q, offset, removed, added);
            QAccessible::updateAccessibility(&event);
        }
    }
    updateScrollRange();
    q->viewport()->update();
    emit q->textChanged();
}

void CrLfBoxPrivate::insert(const QString &text, Kind kind, bool fresh)
{
    const Pos from = std::min(m_anchor, m_caret);
    const Pos to = std::max(m_anchor, m_caret);
    if (from == to && text.isEmpty())
        return;
    // What replaces a selection begins a step of its own.
    edit(from, to, text, kind, fresh || from != to);
}

void CrLfBoxPrivate::removeSelection()
{
    if (hasSelection())
        insert(QString(), Kind::Other);
}

void CrLfBox::replaceRange(qint64 from, qint64 to, const QString &text)
{
    const Pos a = d->clamped(d->at(from));
    const Pos b = d->clamped(d->at(to));
    d->edit(std::min(a, b), std::max(a, b), text, Kind::Other);
}

CrLfBoxPrivate::Pos CrLfBoxPrivate::clamped(Pos pos) const
{
    pos = std::clamp(pos, m_document.begin(), m_document.end());
    const TextChunks &text = m_document.text();
    if (pos > text.begin() && pos < text.end() && text.at(pos - 1) == u'\r' && text.at(pos) == u'\n')
        --pos;
    return pos;
}

void CrLfBox::undo()
{
    if (d->m_document.canUndo())
        d->stepped(d->m_document.undo());
}

void CrLfBox::redo()
{
    if (d->m_document.canRedo())
        d->stepped(d->m_document.redo());
}

void CrLfBoxPrivate::stepped(const CrLfDocument::Step &step)
{
    textReplaced(step.at, step.removed, step.inserted.size(), step.rowsFrom);
    setCaret(step.at + step.inserted.size());
    ensureCaretVisible();
}

void CrLfBoxPrivate::relayout()
{
    m_layouts.setRoom(q->viewport()->width() - 2 * margin);
    m_document.relayout();
    updateScrollRange();
    q->viewport()->update();
}

// --- the caret and the selection

qint64 CrLfBox::cursorPosition() const
{
    return d->offsetOf(d->m_caret);
}

bool CrLfBox::hasSelection() const
{
    return d->hasSelection();
}

qint64 CrLfBox::selectionStart() const
{
    return d->offsetOf(std::min(d->m_anchor, d->m_caret));
}

qint64 CrLfBox::selectionEnd() const
{
    return d->offsetOf(std::max(d->m_anchor, d->m_caret));
}

void CrLfBox::setCursorPosition(qint64 position)
{
    d->setCaret(d->clamped(d->at(position)));
    d->ensureCaretVisible();
}

QString CrLfBox::selectedText() const
{
    return d->m_document.text().mid(std::min(d->m_anchor, d->m_caret), std::max(d->m_anchor, d->m_caret));
}

void CrLfBox::select(qint64 from, qint64 to)
{
    d->setCaret(d->clamped(d->at(to)), d->clamped(d->at(from)));
    d->ensureCaretVisible();
}

void CrLfBox::selectAll()
{
    d->setCaret(d->m_document.end(), d->m_document.begin());
}

void CrLfBox::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setMimeData(d->selectionMimeData());
}

void CrLfBox::cut()
{
    if (!hasSelection())
        return;
    copy();
    d->removeSelection();
    d->ensureCaretVisible();
}

void CrLfBox::paste()
{
    if (const QMimeData *source = QGuiApplication::clipboard()->mimeData())
        d->insertFromMimeData(source);
    d->ensureCaretVisible();
}

void CrLfBoxPrivate::setCaret(Pos caret, Pos anchor, bool keepX)
{
    caret = clamped(caret);
    anchor = clamped(anchor);
    if (!keepX)
        m_x = -1;
    if (caret == m_caret && anchor == m_anchor) {
        tell();
        return;
    }
    const bool hadSelection = hasSelection();
    const bool caretMoved = caret != m_caret;
    m_caret = caret;
    m_anchor = anchor;
    if (QAccessible::isActive()) {
        if (caretMoved) {
            QAccessibleTextCursorEvent moved(q, int(offsetOf(m_caret)));
            QAccessible::updateAccessibility(&moved);
        }
        if (hadSelection || hasSelection()) {
            QAccessibleTextSelectionEvent selected(q, int(offsetOf(m_anchor)), int(offsetOf(m_caret)));
            QAccessible::updateAccessibility(&selected);
        }
    }
    m_pageCaretY = -1;
    q->updateMicroFocus();
    restartBlinking();
    q->viewport()->update();
    tell();
}

void CrLfBoxPrivate::tell()
{
    if (m_eventDepth > 0)
        return;
    const Told was = std::exchange(m_told, Told{offsetOf(m_caret), offsetOf(m_anchor), m_document.canUndo(), m_document.canRedo()});
    const bool had = was.caret != was.anchor;
    const bool has = hasSelection();
    if (m_told.caret != was.caret)
        emit q->cursorPositionChanged();
    if (had != has)
        emit q->copyAvailable(has);
    // A selection that changed, or went, as Qt's text control has it.
    if (had != has || (has && (m_told.caret != was.caret || m_told.anchor != was.anchor)))
        emit q->selectionChanged();
    if (m_told.undo != was.undo)
        emit q->undoAvailable(m_told.undo);
    if (m_told.redo != was.redo)
        emit q->redoAvailable(m_told.redo);
}

void CrLfBoxPrivate::setClipboardSelection() const
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setMimeData(selectionMimeData(), QClipboard::Selection);
}

QMimeData *CrLfBoxPrivate::selectionMimeData() const
{
    return new TextMimeData(m_document.text(), std::min(m_anchor, m_caret), std::max(m_anchor, m_caret));
}

void CrLfBoxPrivate::restartBlinking()
{
    m_sinceInput.start();
    m_caretShown = true;
    const int flash = QApplication::cursorFlashTime();
    if (q->hasFocus() && flash >= 2)
        m_blink.start(flash / 2, q);
}
