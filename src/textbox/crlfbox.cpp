#include "textbox/crlfbox.h"

#include "widgets/style.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>

#ifdef __GLIBC__
#include <malloc.h>
#endif

CrLfBox::CrLfBox(QWidget *parent, qsizetype chunkSize, qsizetype blockLimit)
    : QAbstractScrollArea(parent),
      m_document([this](QStringView block, std::vector<qsizetype> &starts) { m_layouts.breakRows(block, starts); },
                 chunkSize, blockLimit),
      m_layouts(font())
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
    m_layouts.setGrey(Widgets::greyedText(palette()));
}

CrLfBox::~CrLfBox() = default;

// --- the text

QString CrLfBox::text() const
{
    return mid(0, length());
}

QString CrLfBox::mid(qint64 from, qint64 to) const
{
    return m_document.text().mid(m_document.begin() + from, m_document.begin() + to);
}

void CrLfBox::setText(const QString &text)
{
    clear();
    append(text);
    setCaret(m_document.begin());
    verticalScrollBar()->setValue(0);
}

void CrLfBox::clear()
{
    const qint64 gone = length();
    if (QAccessible::isActive() && gone > 0) {
        QAccessibleTextRemoveEvent removed(this, 0, QString(gone, u' '));
        QAccessible::updateAccessibility(&removed);
    }
    m_document.clear();
    m_layouts.clear();
    m_caret = m_anchor = m_document.begin();
    m_x = -1;
    updateScrollRange();
    viewport()->update();
#ifdef __GLIBC__
    // A full log leaves tens of megabytes free inside the heap; give them back.
    if (gone > 1'000'000)
        malloc_trim(0);
#endif
}

void CrLfBox::append(QStringView text)
{
    if (text.isEmpty())
        return;
    const Pos oldEnd = m_document.end();
    m_layouts.invalidateFrom(m_document.append(text));
    if (QAccessible::isActive()) {
        QAccessibleTextInsertEvent inserted(this, int(oldEnd - m_document.begin()), text.toString());
        QAccessible::updateAccessibility(&inserted);
    }
    trimToCapacity();
    updateScrollRange();
    viewport()->update();
}

void CrLfBox::trimToCapacity()
{
    const int top = verticalScrollBar()->value();
    const CrLfDocument::Trimmed trimmed = m_document.trimTo(m_capacity);
    if (trimmed.characters == 0)
        return;
    if (QAccessible::isActive()) {
        QAccessibleTextRemoveEvent removed(this, 0, QString(trimmed.characters, u' '));
        QAccessible::updateAccessibility(&removed);
    }
    m_layouts.clear();  // every block's first row has moved
    m_caret = std::max(m_caret, m_document.begin());
    m_anchor = std::max(m_anchor, m_document.begin());
    updateScrollRange();
    verticalScrollBar()->setValue(top - trimmed.rows);
}

void CrLfBox::edit(Pos from, Pos to, const QString &text, Kind kind, bool fresh)
{
    const QString removed = m_document.text().mid(from, to);
    textReplaced(from, removed, text.size(), m_document.replace(from, to, text, kind, fresh));
    setCaret(from + text.size());
}

void CrLfBox::textReplaced(Pos at, const QString &removed, qint64 inserted, Pos rowsFrom)
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
        const int offset = int(at - m_document.begin());
        const QString added = m_document.text().mid(at, at + inserted);
        if (removed.isEmpty()) {
            QAccessibleTextInsertEvent event(this, offset, added);
            QAccessible::updateAccessibility(&event);
        } else if (added.isEmpty()) {
            QAccessibleTextRemoveEvent event(this, offset, removed);
            QAccessible::updateAccessibility(&event);
        } else {
            QAccessibleTextUpdateEvent event(this, offset, removed, added);
            QAccessible::updateAccessibility(&event);
        }
    }
    updateScrollRange();
    viewport()->update();
}

void CrLfBox::insert(const QString &text, Kind kind, bool fresh)
{
    const Pos from = std::min(m_anchor, m_caret);
    const Pos to = std::max(m_anchor, m_caret);
    if (from == to && text.isEmpty())
        return;
    // What replaces a selection begins a step of its own.
    edit(from, to, text, kind, fresh || from != to);
}

void CrLfBox::removeSelection()
{
    if (hasSelection())
        insert(QString(), Kind::Other);
}

void CrLfBox::replaceRange(qint64 from, qint64 to, const QString &text)
{
    const Pos a = clamped(m_document.begin() + from);
    const Pos b = clamped(m_document.begin() + to);
    edit(std::min(a, b), std::max(a, b), text, Kind::Other);
}

CrLfBox::Pos CrLfBox::clamped(Pos pos) const
{
    pos = std::clamp(pos, m_document.begin(), m_document.end());
    const TextChunks &text = m_document.text();
    if (pos > text.begin() && pos < text.end() && text.at(pos - 1) == u'\r' && text.at(pos) == u'\n')
        --pos;
    return pos;
}

void CrLfBox::undo()
{
    if (m_document.canUndo())
        stepped(m_document.undo());
}

void CrLfBox::redo()
{
    if (m_document.canRedo())
        stepped(m_document.redo());
}

void CrLfBox::stepped(const CrLfDocument::Step &step)
{
    textReplaced(step.at, step.removed, step.inserted.size(), step.rowsFrom);
    setCaret(step.at + step.inserted.size());
    ensureCaretVisible();
}

void CrLfBox::relayout()
{
    m_layouts.setRoom(viewport()->width() - 2 * margin);
    m_document.relayout();
    updateScrollRange();
    viewport()->update();
}

// --- the caret and the selection

void CrLfBox::setCursorPosition(qint64 position)
{
    setCaret(clamped(m_document.begin() + position));
    ensureCaretVisible();
}

QString CrLfBox::selectedText() const
{
    return m_document.text().mid(std::min(m_anchor, m_caret), std::max(m_anchor, m_caret));
}

void CrLfBox::select(qint64 from, qint64 to)
{
    setCaret(clamped(m_document.begin() + to), clamped(m_document.begin() + from));
    ensureCaretVisible();
}

void CrLfBox::selectAll()
{
    setCaret(m_document.end(), m_document.begin());
}

void CrLfBox::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void CrLfBox::cut()
{
    if (!hasSelection())
        return;
    copy();
    removeSelection();
    ensureCaretVisible();
}

void CrLfBox::paste()
{
    if (const QMimeData *source = QGuiApplication::clipboard()->mimeData())
        insertFromMimeData(source);
    ensureCaretVisible();
}

void CrLfBox::setCaret(Pos caret, Pos anchor, bool keepX)
{
    caret = clamped(caret);
    anchor = clamped(anchor);
    if (!keepX)
        m_x = -1;
    if (caret == m_caret && anchor == m_anchor)
        return;
    const bool hadSelection = hasSelection();
    const bool caretMoved = caret != m_caret;
    m_caret = caret;
    m_anchor = anchor;
    if (QAccessible::isActive()) {
        if (caretMoved) {
            QAccessibleTextCursorEvent moved(this, int(cursorPosition()));
            QAccessible::updateAccessibility(&moved);
        }
        if (hadSelection || hasSelection()) {
            QAccessibleTextSelectionEvent selected(this, int(m_anchor - m_document.begin()), int(cursorPosition()));
            QAccessible::updateAccessibility(&selected);
        }
    }
    m_pageCaretY = -1;
    updateMicroFocus();
    restartBlinking();
    viewport()->update();
}

void CrLfBox::setClipboardSelection() const
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void CrLfBox::restartBlinking()
{
    m_sinceInput.start();
    m_caretShown = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash >= 2)
        m_blink.start(flash / 2, this);
}
