// Rows on screen: where each is drawn, what is under a point, painting, and
// what the box does as it is resized, restyled, focused and scrolled.

#include "textbox/crlfbox_p.h"

#include "widgets/style.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <cmath>

using Pos = CrLfBoxPrivate::Pos;
using Block = CrLfBoxPrivate::Block;

namespace {

constexpr int blinkingMs = 10000;  // after this long without input the caret stops blinking

} // namespace

// --- rows on screen

int CrLfBoxPrivate::topRow() const
{
    return q->verticalScrollBar()->value();
}

int CrLfBoxPrivate::rowY(int row) const
{
    const int top = topRow();
    return (row - top) * rowHeight() + (top == 0 ? margin : 0);
}

int CrLfBoxPrivate::pageRows() const
{
    // The rows that show whole above the bottom margin, as Qt counts them.
    return std::max(1, (q->viewport()->height() - 2 * margin - 1) / rowHeight());
}

void CrLfBoxPrivate::updateScrollRange()
{
    QScrollBar *bar = q->verticalScrollBar();
    bar->setPageStep(pageRows());
    bar->setRange(0, std::max(0, q->rowCount() - pageRows()));
}

CrLfBoxPrivate::Pos CrLfBoxPrivate::hitTest(const QPointF &point) const
{
    // Above the text its start, below it its end, as in Qt's boxes.
    const int row = topRow() + int(std::floor((point.y() - rowY(topRow())) / rowHeight()));
    if (row < 0)
        return m_document.begin();
    if (row >= m_document.rows().count())
        return m_document.end();
    return positionInRow(row, point.x() - margin);
}

CrLfBoxPrivate::Pos CrLfBoxPrivate::positionInRow(int row, qreal x) const
{
    const Block &block = blockOfRow(row);
    const QTextLine line = block.layout.lineAt(row - block.firstRow);
    const Pos pos = block.start + block.fromLayout(line.xToCursor(x));
    // Right of a wrapped row Qt puts the caret before the character the row
    // ends in, where its layout goes on; a line longer than a block goes on
    // in the next block.
    const Pos textEnd = m_document.end();
    const bool goesOn = line.lineNumber() == block.layout.lineCount() - 1 && !block.endsInBreak
        && block.end() < textEnd;
    if (goesOn && x >= line.naturalTextWidth() && !block.rightToLeft())
        return previousPosition(pos, QTextLayout::SkipCharacters);
    return pos;
}

qint64 CrLfBox::cursorPositionAt(const QPoint &point) const
{
    return d->offsetOf(d->hitTest(point));
}

QRect CrLfBox::cursorRect() const
{
    return d->caretRect(d->m_caret, d->isPreediting() ? d->m_preeditCursor : 0);
}

QRect CrLfBox::cursorRect(qint64 position) const
{
    return d->caretRect(d->clamped(d->at(position)), 0);
}

QRect CrLfBoxPrivate::caretRect(Pos pos, int preeditCursor) const
{
    const Block &block = blockOf(pos);
    const int offset = block.toLayout(int(pos - block.start)) + preeditCursor;
    const QTextLine line = block.layout.lineForTextPosition(offset);
    const int width = q->style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, q);
    return QRect(margin + qRound(line.cursorToX(offset)), rowY(block.firstRow) + qRound(line.y()), std::max(1, width),
                 rowHeight());
}

QRect CrLfBoxPrivate::characterRect(Pos pos) const
{
    const Pos at = clamped(pos);
    const Block &block = blockOf(at);
    const int offset = block.toLayout(int(at - block.start));
    const QTextLine line = block.layout.lineForTextPosition(offset);
    const qreal left = line.cursorToX(offset, QTextLine::Leading);
    const qreal right = at < block.end() ? line.cursorToX(offset, QTextLine::Trailing) : left;
    return QRect(margin + qRound(std::min(left, right)), rowY(block.firstRow) + qRound(line.y()),
                 std::max(1, qRound(std::abs(right - left))), rowHeight());
}

// --- painting

void CrLfBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const RowIndex &rows = d->m_document.rows();
    const int height = viewport()->height();
    for (int row = d->topRow(); row < rows.count() && d->rowY(row) < height;) {
        const Block &block = d->blockOfRow(row);
        d->paintBlock(painter, block, event->rect());
        row = std::max(row + 1, block.firstRow + block.layout.lineCount());  // on, whatever the layout made
    }
    d->m_layouts.sweep();
}

void CrLfBoxPrivate::paintBlock(QPainter &painter, const Block &block, const QRect &clip) const
{
    const QPointF origin(margin, rowY(block.firstRow));
    const bool active = q->isActiveWindow() || !q->window()->isVisible();
    const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;

    // The selection, and the line break after the block when it is selected.
    QList<QTextLayout::FormatRange> selection;
    const Pos from = std::max(std::min(m_anchor, m_caret), block.start);
    const Pos to = std::min(std::max(m_anchor, m_caret), block.end());
    const bool breakSelected = block.endsInBreak && std::min(m_anchor, m_caret) <= block.end()
        && std::max(m_anchor, m_caret) > block.end();
    QTextCharFormat selected;
    selected.setBackground(q->palette().brush(group, QPalette::Highlight));
    selected.setForeground(q->palette().brush(group, QPalette::HighlightedText));
    if (from < to || breakSelected) {
        const int start = block.toLayout(int(from - block.start));
        selection.append({start, block.toLayout(int(to - block.start)) - start + (breakSelected ? 1 : 0), selected});
    }
    block.layout.draw(&painter, origin, selection, clip);

    // The boxes of C1 controls over the spaces that stand for them, in the
    // rows that need painting only: a block may hold thousands.
    const QColor grey = Widgets::greyedText(q->palette());
    for (int l = 0; l < block.layout.lineCount(); ++l) {
        const QTextLine line = block.layout.lineAt(l);
        const qreal top = origin.y() + line.y();
        if (top + rowHeight() <= clip.top() || top > clip.bottom())
            continue;
        const int rowStart = block.fromLayout(line.textStart());
        const int rowEnd = block.fromLayout(line.textStart() + line.textLength());
        for (auto it = std::lower_bound(block.boxed.begin(), block.boxed.end(), rowStart);
             it != block.boxed.end() && *it < rowEnd; ++it) {
            const int offset = block.toLayout(*it);
            const qreal left = line.cursorToX(offset, QTextLine::Leading);
            const qreal right = line.cursorToX(offset, QTextLine::Trailing);
            const Pos at = block.start + *it;
            const bool inSelection = at >= std::min(m_anchor, m_caret) && at < std::max(m_anchor, m_caret);
            ControlGlyphs::drawBox(&painter, q->font(), block.source.at(*it).unicode(),
                                   QRectF(origin.x() + std::min(left, right), top, std::abs(right - left),
                                          rowHeight()),
                                   inSelection ? q->palette().color(group, QPalette::HighlightedText) : grey);
        }
    }

    const bool caretHere = m_caret >= block.start
        && (m_caret < block.end() || (m_caret == block.end() && (block.endsInBreak || m_caret == m_document.end())));
    if (caretHere && q->hasFocus() && m_caretShown && !m_preeditHidesCaret) {
        int offset = block.toLayout(int(m_caret - block.start));
        if (isPreediting())
            offset += m_preeditCursor;
        painter.setPen(q->palette().color(QPalette::Text));
        block.layout.drawCursor(&painter, origin, offset,
                                q->style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, q));
    }
    if (m_dropCaret >= block.start && m_dropCaret <= block.end()) {
        painter.setPen(q->palette().color(QPalette::Text));
        block.layout.drawCursor(&painter, origin, block.toLayout(int(m_dropCaret - block.start)));
    }
}

void CrLfBox::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (event->oldSize().width() != event->size().width())
        d->relayout();
    d->updateScrollRange();
}

void CrLfBox::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        d->m_layouts.setFont(font());
        d->relayout();
    } else if (event->type() == QEvent::PaletteChange) {
        d->m_layouts.setGrey(Widgets::greyedText(palette()));
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
    d->restartBlinking();
    viewport()->update();
}

void CrLfBox::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    d->m_blink.stop();
    viewport()->update();
}

void CrLfBox::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == d->m_blink.timerId()) {
        // Blinking stops after a while, caret shown, so an idle window sleeps.
        const bool idle = d->m_sinceInput.hasExpired(blinkingMs);
        d->m_caretShown = !d->m_caretShown || idle;
        if (idle)
            d->m_blink.stop();
        viewport()->update(cursorRect().adjusted(-4, 0, 4, 0));
    } else if (event->timerId() == d->m_tripleClick.timerId()) {
        d->m_tripleClick.stop();
    } else if (event->timerId() == d->m_autoScroll.timerId()) {
        d->autoScroll();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}
