#include "textbox/crlfbox.h"

#include "textbox/crlfboxaccessible.h"
#include "widgets/style.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <cmath>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

constexpr int blinkingMs = 10000;   // after this long without input the caret stops blinking

} // namespace

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
    QAccessible::installFactory(&CrLfBoxAccessible::create);
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
    if (!m_document.canUndo())
        return;
    const CrLfDocument::Step step = m_document.undo();
    textReplaced(step.at, step.removed, step.inserted.size(), step.rowsFrom);
    setCaret(step.at + step.inserted.size());
    ensureCaretVisible();
}

void CrLfBox::redo()
{
    if (!m_document.canRedo())
        return;
    const CrLfDocument::Step step = m_document.redo();
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
    if (hadSelection || hasSelection())
        emit selectionChanged();
    if (caretMoved)
        emit cursorPositionChanged();
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

const CrLfBox::Block &CrLfBox::blockOfRow(int row) const
{
    return m_layouts.block(m_document, row);
}

const CrLfBox::Block &CrLfBox::blockOf(Pos pos) const
{
    return blockOfRow(m_document.rows().rowOf(pos));
}

CrLfBox::Pos CrLfBox::nextPosition(Pos pos, QTextLayout::CursorMode mode) const
{
    if (pos >= m_document.end())
        return m_document.end();
    const Block &block = blockOf(pos);
    if (pos >= block.end())
        return pos + 2;  // over the line break that ends the block
    const int next = block.layout.nextCursorPosition(block.toLayout(int(pos - block.start)), mode);
    return block.start + block.fromLayout(next);
}

CrLfBox::Pos CrLfBox::previousPosition(Pos pos, QTextLayout::CursorMode mode) const
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

qreal CrLfBox::xOf(Pos pos) const
{
    const Block &block = blockOf(pos);
    return block.lineAt(pos).cursorToX(block.toLayout(int(pos - block.start)));
}

std::optional<CrLfBox::Pos> CrLfBox::moved(Pos from, Move op)
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
        to = lineAround(from - m_document.begin()).first + m_document.begin();
        break;
    case Move::EndOfBlock:
        to = lineAround(from - m_document.begin()).second + m_document.begin();
        break;
    case Move::Start:
        to = m_document.begin();
        break;
    case Move::End:
        to = m_document.end();
        break;
    case Move::StartOfWord:
        to = wordAround(from - m_document.begin()).first + m_document.begin();
        break;
    case Move::EndOfWord:
        to = wordAround(from - m_document.begin()).second + m_document.begin();
        break;
    }
    return to;
}

void CrLfBox::ensureCaretVisible()
{
    // As Qt's plain text box scrolls: just enough to show the caret's row
    // whole, with the top margin only above the first row.
    const int row = m_document.rows().rowOf(m_caret);
    const int height = viewport()->height();
    const int y = rowY(row);
    QScrollBar *bar = verticalScrollBar();
    if (y + rowHeight() >= height) {
        // Qt leaves room for the top margin whenever the top row is in the
        // first line (looking that far back only).
        const RowIndex &rows = m_document.rows();
        int top = std::max(0, row + 1 - height / rowHeight());
        bool inFirstLine = top <= 64;
        for (int r = std::max(0, top - 64); r < top && inFirstLine; ++r)
            inFirstLine = !rows.endsInBreak(r);
        if ((row - top + 1) * rowHeight() + (inFirstLine ? margin : 0) > height)
            ++top;
        bar->setValue(top);
    } else if (y < 0) {
        bar->setValue(row);
    }
}

// --- rows on screen

int CrLfBox::topRow() const
{
    return verticalScrollBar()->value();
}

int CrLfBox::rowY(int row) const
{
    const int top = topRow();
    return (row - top) * rowHeight() + (top == 0 ? margin : 0);
}

int CrLfBox::pageRows() const
{
    // The rows that show whole above the bottom margin, as Qt counts them.
    return std::max(1, (viewport()->height() - 2 * margin - 1) / rowHeight());
}

void CrLfBox::updateScrollRange()
{
    QScrollBar *bar = verticalScrollBar();
    bar->setPageStep(pageRows());
    bar->setRange(0, std::max(0, rowCount() - pageRows()));
}

CrLfBox::Pos CrLfBox::hitTest(const QPointF &point) const
{
    // Above the text its start, below it its end, as in Qt's boxes.
    const int row = topRow() + int(std::floor((point.y() - rowY(topRow())) / rowHeight()));
    if (row < 0)
        return m_document.begin();
    if (row >= m_document.rows().count())
        return m_document.end();
    return positionInRow(row, point.x() - margin);
}

CrLfBox::Pos CrLfBox::positionInRow(int row, qreal x) const
{
    const Block &block = blockOfRow(row);
    const QTextLine line = block.layout.lineAt(row - block.firstRow);
    const Pos pos = block.start + block.fromLayout(line.xToCursor(x));
    // Right of a wrapped row Qt puts the caret before the character the row
    // ends in, where its layout goes on; a line longer than a block goes on
    // in the next block.
    const bool goesOn = line.lineNumber() == block.layout.lineCount() - 1 && !block.endsInBreak
        && block.end() < m_document.end();
    if (goesOn && x >= line.naturalTextWidth() && !block.rightToLeft())
        return previousPosition(pos, QTextLayout::SkipCharacters);
    return pos;
}

qint64 CrLfBox::positionAt(const QPoint &point) const
{
    return hitTest(point) - m_document.begin();
}

QRect CrLfBox::cursorRect() const
{
    const Block &block = blockOf(m_caret);
    int offset = block.toLayout(int(m_caret - block.start));
    if (isPreediting())
        offset += m_preeditCursor;
    const QTextLine line = block.layout.lineForTextPosition(offset);
    const int width = style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this);
    return QRect(margin + qRound(line.cursorToX(offset)), rowY(block.firstRow) + qRound(line.y()), std::max(1, width),
                 rowHeight());
}

QRect CrLfBox::characterRect(qint64 position) const
{
    const Pos at = clamped(m_document.begin() + position);
    const Block &block = blockOf(at);
    const int offset = block.toLayout(int(at - block.start));
    const QTextLine line = block.layout.lineForTextPosition(offset);
    const qreal left = line.cursorToX(offset, QTextLine::Leading);
    const qreal right = at < block.end() ? line.cursorToX(offset, QTextLine::Trailing) : left;
    return QRect(margin + qRound(std::min(left, right)), rowY(block.firstRow) + qRound(line.y()),
                 std::max(1, qRound(std::abs(right - left))), rowHeight());
}

std::pair<qint64, qint64> CrLfBox::rowAround(qint64 position) const
{
    const RowIndex &rows = m_document.rows();
    const int row = rows.rowOf(m_document.begin() + position);
    return {rows.start(row) - m_document.begin(), rows.next(row) - m_document.begin()};
}

std::pair<qint64, qint64> CrLfBox::lineAround(qint64 position) const
{
    const RowIndex &rows = m_document.rows();
    int first = rows.rowOf(m_document.begin() + position);
    while (first > 0 && !rows.isLineStart(rows.start(first)))
        --first;
    int last = rows.rowOf(m_document.begin() + position);
    while (!rows.endsInBreak(last) && last + 1 < rows.count())
        ++last;
    return {rows.start(first) - m_document.begin(), rows.end(last) - m_document.begin()};
}

std::pair<qint64, qint64> CrLfBox::wordAround(qint64 position) const
{
    // As Qt's boxes take the word under the cursor: back to where a word
    // begins, then on to where it ends. Words are runs of letters or of
    // punctuation, as Qt's layouts step over them.
    const Pos at = clamped(m_document.begin() + position);
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
    return {block.start + from - m_document.begin(), block.start + to - m_document.begin()};
}

QString CrLfBox::wordSeparators()
{
    // The characters that Qt's text engine takes for punctuation between words.
    return QStringLiteral(".,?!@#$:;-<>[](){}=/+%&^*'\"`~|\\");
}

// --- painting

void CrLfBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const RowIndex &rows = m_document.rows();
    const int height = viewport()->height();
    for (int row = topRow(); row < rows.count() && rowY(row) < height;) {
        const Block &block = blockOfRow(row);
        paintBlock(painter, block, event->rect());
        row = block.firstRow + block.layout.lineCount();
    }
    m_layouts.sweep();
}

void CrLfBox::paintBlock(QPainter &painter, const Block &block, const QRect &clip) const
{
    const QPointF origin(margin, rowY(block.firstRow));
    const bool active = isActiveWindow() || !window()->isVisible();
    const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;

    // The selection, and the line break after the block when it is selected.
    QList<QTextLayout::FormatRange> selection;
    const Pos from = std::max(std::min(m_anchor, m_caret), block.start);
    const Pos to = std::min(std::max(m_anchor, m_caret), block.end());
    const bool breakSelected = block.endsInBreak && std::min(m_anchor, m_caret) <= block.end()
        && std::max(m_anchor, m_caret) > block.end();
    QTextCharFormat selected;
    selected.setBackground(palette().brush(group, QPalette::Highlight));
    selected.setForeground(palette().brush(group, QPalette::HighlightedText));
    if (from < to || breakSelected) {
        const int start = block.toLayout(int(from - block.start));
        selection.append({start, block.toLayout(int(to - block.start)) - start + (breakSelected ? 1 : 0), selected});
    }
    block.layout.draw(&painter, origin, selection, clip);

    // The boxes of C1 controls over the spaces that stand for them.
    const QColor grey = Widgets::greyedText(palette());
    for (const int i : block.boxed) {
        const int offset = block.toLayout(i);
        const QTextLine line = block.layout.lineForTextPosition(offset);
        const qreal left = line.cursorToX(offset, QTextLine::Leading);
        const qreal right = line.cursorToX(offset, QTextLine::Trailing);
        const Pos at = block.start + i;
        const bool inSelection = at >= std::min(m_anchor, m_caret) && at < std::max(m_anchor, m_caret);
        ControlGlyphs::drawBox(&painter, font(), block.source.at(i).unicode(),
                               QRectF(origin.x() + std::min(left, right), origin.y() + line.y(),
                                      std::abs(right - left), rowHeight()),
                               inSelection ? palette().color(group, QPalette::HighlightedText) : grey);
    }

    const bool caretHere = m_caret >= block.start
        && (m_caret < block.end() || (m_caret == block.end() && (block.endsInBreak || m_caret == m_document.end())));
    if (caretHere && hasFocus() && m_caretShown && !m_preeditHidesCaret) {
        int offset = block.toLayout(int(m_caret - block.start));
        if (isPreediting())
            offset += m_preeditCursor;
        painter.setPen(palette().color(QPalette::Text));
        block.layout.drawCursor(&painter, origin, offset,
                                style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this));
    }
    if (m_dropCaret >= block.start && m_dropCaret <= block.end()) {
        painter.setPen(palette().color(QPalette::Text));
        block.layout.drawCursor(&painter, origin, block.toLayout(int(m_dropCaret - block.start)));
    }
}

void CrLfBox::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (event->oldSize().width() != event->size().width())
        relayout();
    updateScrollRange();
}

void CrLfBox::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_layouts.setFont(font());
        relayout();
    } else if (event->type() == QEvent::PaletteChange) {
        m_layouts.setGrey(Widgets::greyedText(palette()));
    }
}

void CrLfBox::scrollContentsBy(int, int)
{
    viewport()->update();
    if (QGuiApplication::focusObject() == this)
        QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImAnchorRectangle);
}

void CrLfBox::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    restartBlinking();
    viewport()->update();
}

void CrLfBox::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_blink.stop();
    viewport()->update();
}

void CrLfBox::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_blink.timerId()) {
        // Blinking stops after a while, caret shown, so an idle window sleeps.
        const bool idle = m_sinceInput.hasExpired(blinkingMs);
        m_caretShown = !m_caretShown || idle;
        if (idle)
            m_blink.stop();
        viewport()->update(cursorRect().adjusted(-4, 0, 4, 0));
    } else if (event->timerId() == m_tripleClick.timerId()) {
        m_tripleClick.stop();
    } else if (event->timerId() == m_autoScroll.timerId()) {
        autoScroll();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}
