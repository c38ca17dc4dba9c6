#pragma once
// The state of a CR LF box and what its public functions and event handlers
// are made of: the text (crlfbox.cpp), the caret (crlfboxcaret.cpp), rows on
// screen (crlfboxview.cpp), keys (crlfboxkeys.cpp), the mouse and drag and
// drop (crlfboxmouse.cpp) and the input method (crlfboxinputmethod.cpp).
//
// Positions here are the document's, absolute, so that they outlive the
// oldest text being dropped; the box's public positions count from 0, and
// at() and offsetOf() alone turn one into the other.

#include "textbox/blocklayouts.h"
#include "textbox/crlfbox.h"
#include "textdocument/crlfdocument.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <optional>

class QMimeData;

class CrLfBoxPrivate
{
public:
    using Pos = CrLfDocument::Pos;
    using Kind = EditHistory::Kind;
    using Block = BlockLayouts::Block;
    // How the caret moves, as Qt's text cursor names it.
    enum class Move {
        PreviousCharacter, NextCharacter, PreviousWord, NextWord, Up, Down,
        StartOfLine, EndOfLine, StartOfBlock, EndOfBlock, Start, End
    };
    static constexpr int margin = 4;  // around the text, as in Qt's own text boxes

    CrLfBoxPrivate(CrLfBox *box, qsizetype chunkSize, qsizetype blockLimit);

    using Range = std::pair<Pos, Pos>;
    Pos at(qint64 offset) const { return m_document.begin() + offset; }
    qint64 offsetOf(Pos pos) const { return pos - m_document.begin(); }
    std::pair<qint64, qint64> offsetsOf(Range range) const { return {offsetOf(range.first), offsetOf(range.second)}; }
    bool hasSelection() const { return m_anchor != m_caret; }

    // --- the text
    // A fresh edit never joins the undo step before it.
    void edit(Pos from, Pos to, const QString &text, Kind kind, bool fresh = false);
    void insert(const QString &text, Kind kind, bool fresh = false);  // in place of the selection
    void removeSelection();
    void textReplaced(Pos at, const QString &removed, qint64 inserted, Pos rowsFrom);
    void stepped(const CrLfDocument::Step &step);  // after undo or redo
    void trimToCapacity();
    void relayout();
    Pos clamped(Pos pos) const;  // inside the text, never between the CR and LF of a break

    // --- the caret and the selection
    void setCaret(Pos caret, Pos anchor, bool keepX = false);
    void setCaret(Pos caret) { setCaret(caret, caret); }
    void ensureCaretVisible();
    void setClipboardSelection() const;
    // The selection, for the clipboard or a drag: made into text only when asked for.
    QMimeData *selectionMimeData() const;
    void restartBlinking();
    // Sends the signals of what changed since they were last sent; within
    // an event, once it is handled, so that what it changed on the way
    // (a word selected, then deleted) is not told.
    void tell();
    class EventScope
    {
    public:
        explicit EventScope(CrLfBoxPrivate *d) : d(d) { ++d->m_eventDepth; }
        ~EventScope()
        {
            if (--d->m_eventDepth == 0)
                d->tell();
        }
        EventScope(const EventScope &) = delete;
        EventScope &operator=(const EventScope &) = delete;

    private:
        CrLfBoxPrivate *const d;
    };
    const Block &blockOf(Pos pos) const;
    const Block &blockOfRow(int row) const;
    Pos nextPosition(Pos pos, QTextLayout::CursorMode mode) const;
    Pos previousPosition(Pos pos, QTextLayout::CursorMode mode) const;
    // Where `op` takes the caret from `from`; nothing where it cannot go
    // (up from the first row, down from the last), and then nothing changes.
    std::optional<Pos> moved(Pos from, Move op);
    qreal xOf(Pos pos) const;
    // The row as shown, the word as a double-click takes it and a screen
    // reader reads it.
    Range rowAround(Pos pos) const;
    Range wordAround(Pos pos) const;
    static QString wordSeparators();

    // --- rows on screen
    int rowHeight() const { return m_layouts.rowHeight(); }
    int topRow() const;
    int rowY(int row) const;
    int pageRows() const;
    void updateScrollRange();
    Pos hitTest(const QPointF &point) const;
    // In the viewport: where the caret at `pos` is drawn, `preeditCursor`
    // letters into the input method's text; where the character is drawn.
    QRect caretRect(Pos pos, int preeditCursor) const;
    QRect characterRect(Pos pos) const;
    Pos positionInRow(int row, qreal x) const;  // x in the row's layout
    void paintBlock(QPainter &painter, const Block &block, const QRect &clip) const;

    // --- keys
    bool moveByKey(QKeyEvent *event);
    bool editByKey(QKeyEvent *event);
    void pageUpDown(Move op, bool select);

    // --- mouse
    void extendWordwise(Pos suggested, qreal mouseX);
    void extendLinewise(Pos suggested);
    void autoScroll();
    void startDrag();
    void insertFromMimeData(const QMimeData *source);
    void dropCaretAt(Pos pos);

    // --- the input method
    void commitPreedit();
    bool isPreediting() const { return !m_preedit.isEmpty(); }

    CrLfBox *const q;
    CrLfDocument m_document;
    BlockLayouts m_layouts;
    qint64 m_capacity = 0;
    Pos m_caret = 0;
    Pos m_anchor = 0;
    qreal m_x = -1;  // kept while the caret moves up and down
    bool m_caretShown = false;
    QBasicTimer m_blink;
    struct Told
    {
        qint64 caret = 0;
        qint64 anchor = 0;
        bool undo = false;
        bool redo = false;
    } m_told;  // as the signals last had it
    int m_eventDepth = 0;
    QElapsedTimer m_sinceInput;

    // The mouse: what a double or triple click selected, to extend it by
    // words or lines while dragging or Shift-clicking; none while empty.
    bool m_mousePressed = false;
    bool m_mightStartDrag = false;
    bool m_dragMovesText = true;
    QPoint m_pressPoint;
    Range m_clickedWord{-1, -1};
    Range m_clickedLine{-1, -1};
    QBasicTimer m_tripleClick;
    QPointF m_tripleClickPoint;
    QBasicTimer m_autoScroll;
    Pos m_dropCaret = -1;
    int m_pageCaretY = -1;  // the caret's height in view, kept over Page Up and Page Down

    // The input method's text, not yet part of the box's.
    QString m_preedit;
    int m_preeditCursor = 0;
    bool m_preeditHidesCaret = false;
};
