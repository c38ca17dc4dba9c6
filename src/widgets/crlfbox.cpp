#include "widgets/crlfbox.h"

#include "widgets/crlfboxaccessible.h"
#include "widgets/style.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <cmath>

namespace {

constexpr int margin = 4;            // around the text, as in Qt's own text boxes
constexpr int blinkingMs = 10000;    // after this long without input the caret stops blinking

// Line breaks typed or pasted, in whatever form, become the pair CR LF.
QString withCrLf(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

} // namespace

// A row as it is drawn: its text with control characters in their shown
// form, greyed, and the boxes of C1 controls.
struct CrLfBox::RowLayout
{
    QString source;
    QTextLayout layout;
    std::vector<int> boxed;  // where the C1 controls stand
    bool used = false;
};

CrLfBox::CrLfBox(QWidget *parent)
    : QAbstractScrollArea(parent),
      m_widths(font()),
      m_rows(m_text, [this](char32_t c) { return m_widths.of(c); })
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);  // a row; the wheel moves the desktop's number of them
    QAccessible::installFactory(&CrLfBoxAccessible::create);
}

CrLfBox::~CrLfBox() = default;

QString CrLfBox::text() const
{
    return mid(0, length());
}

QString CrLfBox::mid(qint64 from, qint64 to) const
{
    return m_text.mid(m_text.begin() + from, m_text.begin() + to);
}

void CrLfBox::setText(const QString &text)
{
    clear();
    append(text);
    m_caret = m_anchor = m_text.begin();
    verticalScrollBar()->setValue(0);
}

void CrLfBox::clear()
{
    m_text.clear();
    m_rows.rewrap();
    m_caret = m_anchor = m_text.begin();
    m_undo.clear();
    m_redo.clear();
    updateScrollRange();
    viewport()->update();
}

void CrLfBox::append(QStringView text)
{
    if (text.isEmpty())
        return;
    const Pos oldEnd = m_text.end();
    m_text.append(text);
    m_rows.appended(oldEnd);
    trimToCapacity();
    updateScrollRange();
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTextInsertEvent inserted(this, int(std::max(oldEnd, m_text.begin()) - m_text.begin()),
                                            text.toString());
        QAccessible::updateAccessibility(&inserted);
    }
}

void CrLfBox::trimToCapacity()
{
    if (m_capacity <= 0 || m_text.size() <= m_capacity)
        return;
    // The oldest whole lines go, and a hundredth of the capacity more, so
    // that this happens once in a while and not at every append. A line
    // that never ends is cut at a row.
    const Pos needed = m_text.begin() + (m_text.size() - m_capacity) + m_capacity / 100;
    int cut = m_rows.rowOf(needed);
    if (m_rows.start(cut) < needed)
        ++cut;
    const int searchEnd = std::min(m_rows.count() - 1, cut + 10000);
    for (int row = cut; row <= searchEnd; ++row) {
        if (m_rows.endsInBreak(row - 1)) {
            cut = row;
            break;
        }
    }
    cut = std::min(cut, m_rows.count() - 1);
    const int top = verticalScrollBar()->value();
    m_text.dropFront(m_rows.start(cut));
    m_rows.droppedFront();
    m_caret = std::max(m_caret, m_text.begin());
    m_anchor = std::max(m_anchor, m_text.begin());
    m_undo.clear();
    m_redo.clear();
    updateScrollRange();
    verticalScrollBar()->setValue(top - cut);
}

void CrLfBox::setCursorPosition(qint64 position)
{
    m_anchor = m_caret = std::clamp(m_text.begin() + position, m_text.begin(), m_text.end());
    m_desiredX = -1;
    caretMoved();
    viewport()->update();
}

QString CrLfBox::selectedText() const
{
    return m_text.mid(std::min(m_anchor, m_caret), std::max(m_anchor, m_caret));
}

void CrLfBox::select(qint64 from, qint64 to)
{
    m_anchor = std::clamp(m_text.begin() + from, m_text.begin(), m_text.end());
    m_caret = std::clamp(m_text.begin() + to, m_text.begin(), m_text.end());
    caretMoved();
    viewport()->update();
}

void CrLfBox::selectAll()
{
    select(0, length());
}

void CrLfBox::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void CrLfBox::paste()
{
    replaceSelection(withCrLf(QGuiApplication::clipboard()->text()));
}

void CrLfBox::setUndoRedoEnabled(bool enabled)
{
    m_undoEnabled = enabled;
    m_undo.clear();
    m_redo.clear();
}

QRect CrLfBox::cursorRect() const
{
    QRect caret = characterRect(cursorPosition());
    caret.setWidth(1);
    return caret;
}

QRect CrLfBox::characterRect(qint64 position) const
{
    const Pos at = std::clamp(m_text.begin() + position, m_text.begin(), m_text.end());
    const int row = m_rows.rowOf(at) - verticalScrollBar()->value();
    const qreal x = xOf(at);
    const qreal right = at < m_rows.end(m_rows.rowOf(at)) ? xOf(nextUnit(at)) : x;
    return QRect(margin + qRound(x), margin + row * rowHeight(), qMax(1, qRound(right - x)), rowHeight());
}

qint64 CrLfBox::positionAt(const QPoint &point) const
{
    return hitTest(point) - m_text.begin();
}

std::pair<qint64, qint64> CrLfBox::wordAround(qint64 position) const
{
    Pos from = std::clamp(m_text.begin() + position, m_text.begin(), m_text.end());
    Pos to = from;
    while (from > m_text.begin() && isWordCharacter(m_text.at(from - 1)))
        --from;
    while (to < m_text.end() && isWordCharacter(m_text.at(to)))
        ++to;
    return {from - m_text.begin(), to - m_text.begin()};
}

std::pair<qint64, qint64> CrLfBox::rowAround(qint64 position) const
{
    const int row = m_rows.rowOf(m_text.begin() + position);
    return {m_rows.start(row) - m_text.begin(), m_rows.next(row) - m_text.begin()};
}

// --- editing

void CrLfBox::replaceSelection(const QString &text, bool typing)
{
    const Pos from = std::min(m_anchor, m_caret);
    const Pos to = std::max(m_anchor, m_caret);
    if (from == to && text.isEmpty())
        return;
    Edit edit{from, m_text.mid(from, to), text};
    replace(from, to, text);
    if (m_undoEnabled) {
        // Typing goes back a run at a time, not a character at a time.
        Edit *last = m_undo.empty() ? nullptr : &m_undo.back();
        if (typing && last && edit.removed.isEmpty() && last->removed.isEmpty()
            && last->at + last->inserted.size() == from)
            last->inserted += text;
        else
            m_undo.push_back(std::move(edit));
        m_redo.clear();
    }
}

void CrLfBox::replace(Pos from, Pos to, const QString &text)
{
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent updated(this, int(from - m_text.begin()), m_text.mid(from, to), text);
        QAccessible::updateAccessibility(&updated);
    }
    m_text.remove(from, to);
    m_text.insert(from, text);
    m_rows.edited(from, to - from, text.size());
    m_caret = m_anchor = from + text.size();
    m_desiredX = -1;
    updateScrollRange();
    caretMoved();
    restartBlinking();
    viewport()->update();
}

void CrLfBox::undo()
{
    step(m_undo, m_redo, true);
}

void CrLfBox::redo()
{
    step(m_redo, m_undo, false);
}

void CrLfBox::step(std::vector<Edit> &from, std::vector<Edit> &to, bool back)
{
    if (from.empty())
        return;
    Edit edit = std::move(from.back());
    from.pop_back();
    const QString &gone = back ? edit.inserted : edit.removed;
    replace(edit.at, edit.at + gone.size(), back ? edit.removed : edit.inserted);
    to.push_back(std::move(edit));
}

// --- the caret

CrLfBox::Pos CrLfBox::nextUnit(Pos pos) const
{
    if (pos >= m_text.end())
        return m_text.end();
    const QChar c = m_text.at(pos);
    const bool pair = pos + 1 < m_text.end()
        && ((c == u'\r' && m_text.at(pos + 1) == u'\n') || (c.isHighSurrogate() && m_text.at(pos + 1).isLowSurrogate()));
    return pos + (pair ? 2 : 1);
}

CrLfBox::Pos CrLfBox::previousUnit(Pos pos) const
{
    if (pos <= m_text.begin())
        return m_text.begin();
    const QChar c = m_text.at(pos - 1);
    const bool pair = pos - 2 >= m_text.begin()
        && ((c == u'\n' && m_text.at(pos - 2) == u'\r') || (c.isLowSurrogate() && m_text.at(pos - 2).isHighSurrogate()));
    return pos - (pair ? 2 : 1);
}

CrLfBox::Pos CrLfBox::nextWord(Pos pos) const
{
    while (pos < m_text.end() && isWordCharacter(m_text.at(pos)))
        ++pos;
    while (pos < m_text.end() && !isWordCharacter(m_text.at(pos)))
        pos = nextUnit(pos);
    return pos;
}

CrLfBox::Pos CrLfBox::previousWord(Pos pos) const
{
    while (pos > m_text.begin() && !isWordCharacter(m_text.at(pos - 1)))
        pos = previousUnit(pos);
    while (pos > m_text.begin() && isWordCharacter(m_text.at(pos - 1)))
        --pos;
    return pos;
}

CrLfBox::Pos CrLfBox::rowStep(Pos pos, int rows)
{
    if (m_desiredX < 0)
        m_desiredX = xOf(pos);
    const int row = std::clamp(m_rows.rowOf(pos) + rows, 0, m_rows.count() - 1);
    const RowLayout &row_ = layoutOf(row);
    const int column = row_.layout.lineAt(0).xToCursor(m_desiredX);
    return std::min(m_rows.start(row) + column, m_rows.end(row));
}

void CrLfBox::moveCaret(Pos to, bool select)
{
    m_caret = std::clamp(to, m_text.begin(), m_text.end());
    if (!select)
        m_anchor = m_caret;
    caretMoved();
    restartBlinking();
    viewport()->update();
}

bool CrLfBox::moveByKey(QKeyEvent *event)
{
    using K = QKeySequence;
    struct Move
    {
        K::StandardKey move;
        K::StandardKey select;
        std::function<Pos(CrLfBox *, Pos)> to;
        bool vertical;
    };
    static const std::vector<Move> moves = {
        {K::MoveToNextChar, K::SelectNextChar, [](CrLfBox *b, Pos p) { return b->nextUnit(p); }, false},
        {K::MoveToPreviousChar, K::SelectPreviousChar, [](CrLfBox *b, Pos p) { return b->previousUnit(p); }, false},
        {K::MoveToNextWord, K::SelectNextWord, [](CrLfBox *b, Pos p) { return b->nextWord(p); }, false},
        {K::MoveToPreviousWord, K::SelectPreviousWord, [](CrLfBox *b, Pos p) { return b->previousWord(p); }, false},
        {K::MoveToNextLine, K::SelectNextLine, [](CrLfBox *b, Pos p) { return b->rowStep(p, 1); }, true},
        {K::MoveToPreviousLine, K::SelectPreviousLine, [](CrLfBox *b, Pos p) { return b->rowStep(p, -1); }, true},
        {K::MoveToNextPage, K::SelectNextPage, [](CrLfBox *b, Pos p) { return b->rowStep(p, b->fullRows()); }, true},
        {K::MoveToPreviousPage, K::SelectPreviousPage, [](CrLfBox *b, Pos p) { return b->rowStep(p, -b->fullRows()); }, true},
        {K::MoveToStartOfLine, K::SelectStartOfLine, [](CrLfBox *b, Pos p) { return b->m_rows.start(b->m_rows.rowOf(p)); }, false},
        {K::MoveToEndOfLine, K::SelectEndOfLine, [](CrLfBox *b, Pos p) { return b->m_rows.end(b->m_rows.rowOf(p)); }, false},
        {K::MoveToStartOfDocument, K::SelectStartOfDocument, [](CrLfBox *b, Pos) { return b->m_text.begin(); }, false},
        {K::MoveToEndOfDocument, K::SelectEndOfDocument, [](CrLfBox *b, Pos) { return b->m_text.end(); }, false},
    };
    for (const Move &m : moves) {
        const bool select = event->matches(m.select);
        if (!select && !event->matches(m.move))
            continue;
        const qreal keptX = m.vertical ? m_desiredX : -1;
        moveCaret(m.to(this, m_caret), select);
        m_desiredX = m.vertical ? (keptX < 0 ? m_desiredX : keptX) : -1;
        return true;
    }
    return false;
}

void CrLfBox::caretMoved()
{
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent moved(this, int(cursorPosition()));
        QAccessible::updateAccessibility(&moved);
    }
    const int row = m_rows.rowOf(m_caret);
    QScrollBar *bar = verticalScrollBar();
    if (row < bar->value())
        bar->setValue(row);
    else if (row >= bar->value() + fullRows())
        bar->setValue(row - fullRows() + 1);
}

void CrLfBox::restartBlinking()
{
    m_sinceInput.start();
    m_caretShown = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        m_blink.start(flash / 2, this);
}

// --- rows on screen

int CrLfBox::rowHeight() const
{
    if (m_rowHeight == 0)
        m_rowHeight = int(std::ceil(QFontMetricsF(font()).lineSpacing()));
    return m_rowHeight;
}

int CrLfBox::fullRows() const
{
    return std::max(1, (viewport()->height() - 2 * margin) / rowHeight());
}

void CrLfBox::updateScrollRange()
{
    QScrollBar *bar = verticalScrollBar();
    bar->setPageStep(fullRows());
    bar->setRange(0, std::max(0, m_rows.count() - fullRows()));
}

void CrLfBox::rewrap()
{
    m_widths = ControlGlyphs::Widths(font());
    m_rowHeight = 0;
    m_layouts.clear();
    m_rows.setRoom(viewport()->width() - 2 * margin);
    updateScrollRange();
    caretMoved();
    viewport()->update();
}

const CrLfBox::RowLayout &CrLfBox::layoutOf(int row) const
{
    const Pos start = m_rows.start(row);
    QString source = m_text.mid(start, m_rows.end(row));
    auto &cached = m_layouts[start];
    if (!cached || cached->source != source) {
        cached = std::make_unique<RowLayout>();
        QString shown = source;
        QList<QTextLayout::FormatRange> formats;
        QTextCharFormat greyed;
        greyed.setForeground(Widgets::greyedText(palette()));
        QTextCharFormat boxed = greyed;
        boxed.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        boxed.setFontLetterSpacing(ControlGlyphs::Widths::boxWidth(font())
                                   - QFontMetricsF(font()).horizontalAdvance(ControlGlyphs::shownAs(0x80)));
        for (int i = 0; i < shown.size(); ++i) {
            const char16_t c = shown.at(i).unicode();
            if (!ControlGlyphs::isControl(c))
                continue;
            shown[i] = ControlGlyphs::shownAs(c);
            const bool isBoxed = ControlGlyphs::isBoxed(c);
            if (isBoxed)
                cached->boxed.push_back(i);
            formats.append({i, 1, isBoxed ? boxed : greyed});
        }
        cached->source = std::move(source);
        QTextLayout &layout = cached->layout;
        layout.setText(shown);
        layout.setFont(font());
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        layout.setTextOption(option);
        layout.setFormats(formats);
        layout.setCacheEnabled(true);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(viewport()->width());
        line.setPosition(QPointF(0, 0));
        layout.endLayout();
    }
    cached->used = true;
    return *cached;
}

qreal CrLfBox::xOf(Pos pos) const
{
    const int row = m_rows.rowOf(pos);
    return layoutOf(row).layout.lineAt(0).cursorToX(int(pos - m_rows.start(row)));
}

CrLfBox::Pos CrLfBox::hitTest(const QPoint &point) const
{
    const int row = std::clamp(verticalScrollBar()->value() + (point.y() - margin) / rowHeight(), 0,
                               m_rows.count() - 1);
    const int column = layoutOf(row).layout.lineAt(0).xToCursor(point.x() - margin);
    return std::min(m_rows.start(row) + column, m_rows.end(row));
}

void CrLfBox::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const QColor grey = Widgets::greyedText(palette());
    const Pos selectionFrom = std::min(m_anchor, m_caret);
    const Pos selectionTo = std::max(m_anchor, m_caret);
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::HighlightedText));

    for (auto &entry : m_layouts)
        entry.second->used = false;
    const int top = verticalScrollBar()->value();
    const int last = std::min(m_rows.count() - 1, top + viewport()->height() / rowHeight() + 1);
    for (int row = top; row <= last; ++row) {
        const Pos start = m_rows.start(row);
        const RowLayout &shown = layoutOf(row);
        const QPointF origin(margin, margin + (row - top) * rowHeight());
        QList<QTextLayout::FormatRange> selection;
        const Pos from = std::max(selectionFrom, start);
        const Pos to = std::min(selectionTo, m_rows.end(row));
        if (from < to)
            selection.append({int(from - start), int(to - from), selected});
        shown.layout.draw(&painter, origin, selection);
        const QTextLine line = shown.layout.lineAt(0);
        for (const int i : shown.boxed) {
            const qreal x = line.cursorToX(i);
            const bool inSelection = start + i >= selectionFrom && start + i < selectionTo;
            ControlGlyphs::drawBox(&painter, font(), shown.source.at(i).unicode(),
                                   QRectF(origin.x() + x, origin.y(), line.cursorToX(i + 1) - x, rowHeight()),
                                   inSelection ? palette().color(QPalette::HighlightedText) : grey);
        }
    }
    // Only the rows in view keep a layout.
    for (auto entry = m_layouts.begin(); entry != m_layouts.end();)
        entry = entry->second->used ? std::next(entry) : m_layouts.erase(entry);

    if (m_caretShown && hasFocus())
        painter.fillRect(cursorRect(), palette().brush(QPalette::Text));
}

void CrLfBox::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    rewrap();
}

void CrLfBox::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        rewrap();
    else if (event->type() == QEvent::PaletteChange)
        m_layouts.clear();  // they hold the grey
}

void CrLfBox::scrollContentsBy(int, int)
{
    viewport()->update();
}

// --- input

void CrLfBox::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::Cut)) {
        copy();
        replaceSelection(QString());
    } else if (event->matches(QKeySequence::Paste)) {
        paste();
    } else if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (event->matches(QKeySequence::Undo)) {
        undo();
    } else if (event->matches(QKeySequence::Redo)) {
        redo();
    } else if (moveByKey(event)) {
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        replaceSelection(QStringLiteral("\r\n"));
    } else if (event->key() == Qt::Key_Backspace || event->matches(QKeySequence::Delete)) {
        if (!hasSelection())
            m_anchor = event->key() == Qt::Key_Backspace ? previousUnit(m_caret) : nextUnit(m_caret);
        replaceSelection(QString());
    } else if (!event->text().isEmpty() && !ControlGlyphs::isControl(event->text().at(0).unicode())) {
        replaceSelection(event->text(), true);
    } else {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CrLfBox::mousePressEvent(QMouseEvent *event)
{
    const Pos at = hitTest(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        moveCaret(at, event->modifiers() & Qt::ShiftModifier);
        m_desiredX = -1;
    } else if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        moveCaret(at, false);
        replaceSelection(withCrLf(QGuiApplication::clipboard()->text(QClipboard::Selection)));
    }
}

void CrLfBox::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint point = event->position().toPoint();
    // Dragging past the top or bottom edge scrolls a row at a time.
    if (point.y() < 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - 1);
    else if (point.y() > viewport()->height())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + 1);
    moveCaret(hitTest(point), true);
}

void CrLfBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && hasSelection() && QGuiApplication::clipboard()->supportsSelection())
        QGuiApplication::clipboard()->setText(selectedText(), QClipboard::Selection);
}

void CrLfBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const auto [from, to] = wordAround(hitTest(event->position().toPoint()) - m_text.begin());
    m_anchor = m_text.begin() + from;
    moveCaret(m_text.begin() + to, true);
}

void CrLfBox::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    if (m_undoEnabled) {
        menu.addAction(tr("&Undo"), this, &CrLfBox::undo)->setEnabled(!m_undo.empty());
        menu.addAction(tr("&Redo"), this, &CrLfBox::redo)->setEnabled(!m_redo.empty());
        menu.addSeparator();
    }
    menu.addAction(tr("Cu&t"), this, [this] {
        copy();
        replaceSelection(QString());
    })->setEnabled(hasSelection());
    menu.addAction(tr("&Copy"), this, &CrLfBox::copy)->setEnabled(hasSelection());
    menu.addAction(tr("&Paste"), this, &CrLfBox::paste)->setEnabled(!QGuiApplication::clipboard()->text().isEmpty());
    menu.addSeparator();
    menu.addAction(tr("Select All"), this, &CrLfBox::selectAll)->setEnabled(length() > 0);
    menu.exec(event->globalPos());
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
    if (event->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    // Blinking stops after a while, caret shown, so an idle window sleeps.
    m_caretShown = !m_caretShown || m_sinceInput.hasExpired(blinkingMs);
    if (m_caretShown && m_sinceInput.hasExpired(blinkingMs))
        m_blink.stop();
    viewport()->update(cursorRect());
}

void CrLfBox::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty())
        replaceSelection(event->commitString(), true);
    event->accept();
}

QVariant CrLfBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const int row = m_rows.rowOf(m_caret);
    const Pos start = m_rows.start(row);
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return cursorRect().translated(viewport()->pos());
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return int(m_caret - start);
    case Qt::ImAnchorPosition:
        return int(std::clamp(m_anchor, start, m_rows.end(row)) - start);
    case Qt::ImSurroundingText:
        return m_text.mid(start, m_rows.end(row));
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}
