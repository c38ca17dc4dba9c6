#pragma once
// A multi-line text box whose text reads exactly as it was received or
// typed: a line break is the pair CR LF, and every other character, control
// characters and U+00A0 included, is itself. Control characters show as
// greyed pictures while the text keeps them, and a copy gives the text
// itself. It holds millions of characters: the text is kept in chunks and
// its rows are found as it arrives; only the blocks in view are laid out.
//
// It edits as Qt's own plain text box does, on Qt's text engine: the caret
// steps over whole letters, words and rows as Qt's layouts give them, in
// the order of the text's direction; mouse, keys, undo, the input method,
// the X11 selection and screen readers behave as they do there.
//
// Positions count characters from the start of the text, from 0.

#include "textbox/blocklayouts.h"
#include "textbox/crlfdocument.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <optional>

class QMenu;
class QMimeData;

class CrLfBox : public QAbstractScrollArea
{
    Q_OBJECT
public:
    // The text is kept in chunks of `chunkSize` characters and laid out in
    // blocks of at most `blockLimit`; the defaults suit millions of characters.
    explicit CrLfBox(QWidget *parent = nullptr, qsizetype chunkSize = 32768, qsizetype blockLimit = 2048);
    ~CrLfBox() override;

    QString text() const;
    QString mid(qint64 from, qint64 to) const;  // the characters from `from` up to `to`
    void setText(const QString &text);          // and forgets undo, as Qt's setPlainText does
    void clear();
    qint64 length() const { return m_document.length(); }
    // Appends at the very end, wherever the caret is, outside undo. A CR
    // that ended the text and an LF that starts this append make one break.
    void append(QStringView text);
    // Beyond this many characters the oldest whole lines go; 0: no limit.
    void setCapacity(qint64 characters) { m_capacity = characters; }
    // Whether text dragged out of the box may leave it (as in Qt's boxes),
    // or is only ever copied.
    void setDragMovesText(bool moves) { m_dragMovesText = moves; }

    qint64 cursorPosition() const { return m_caret - m_document.begin(); }
    // Puts the caret there with nothing selected, and brings it into view.
    void setCursorPosition(qint64 position);
    bool hasSelection() const { return m_anchor != m_caret; }
    qint64 selectionStart() const { return std::min(m_anchor, m_caret) - m_document.begin(); }
    qint64 selectionEnd() const { return std::max(m_anchor, m_caret) - m_document.begin(); }
    QString selectedText() const;
    void select(qint64 from, qint64 to);  // the caret goes to `to`
    void selectAll();
    // As the user edits: what replaces [from, to), kept for undo.
    void replaceRange(qint64 from, qint64 to, const QString &text);
    void copy() const;
    void cut();
    void paste();
    void undo();
    void redo();
    bool isUndoAvailable() const { return m_document.canUndo(); }
    bool isRedoAvailable() const { return m_document.canRedo(); }

    const CrLfDocument &document() const { return m_document; }
    int rowCount() const { return m_document.rows().count(); }
    QRect cursorRect() const;  // in the viewport
    // For screen readers: where a character is drawn, which one is at a
    // point, the row as shown, the line between two breaks and the word
    // around a position.
    QRect characterRect(qint64 position) const;
    qint64 positionAt(const QPoint &point) const;
    std::pair<qint64, qint64> rowAround(qint64 position) const;
    std::pair<qint64, qint64> lineAround(qint64 position) const;
    std::pair<qint64, qint64> wordAround(qint64 position) const;

    QMenu *createStandardContextMenu();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void scrollContentsBy(int dx, int dy) override;

private:
    static constexpr int margin = 4;  // around the text, as in Qt's own text boxes
    using Pos = CrLfDocument::Pos;
    using Kind = EditHistory::Kind;
    using Block = BlockLayouts::Block;
    // How the caret moves, as Qt's text cursor names it.
    enum class Move {
        PreviousCharacter, NextCharacter, PreviousWord, NextWord, Up, Down,
        StartOfLine, EndOfLine, StartOfBlock, EndOfBlock, Start, End
    };

    // --- the text (crlfbox.cpp)
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
    void restartBlinking();
    const Block &blockOf(Pos pos) const;
    const Block &blockOfRow(int row) const;
    Pos nextPosition(Pos pos, QTextLayout::CursorMode mode) const;
    Pos previousPosition(Pos pos, QTextLayout::CursorMode mode) const;
    // Where `op` takes the caret from `from`; nothing where it cannot go
    // (up from the first row, down from the last), and then nothing changes.
    std::optional<Pos> moved(Pos from, Move op);
    qreal xOf(Pos pos) const;
    static QString wordSeparators();

    // --- rows on screen
    int rowHeight() const { return m_layouts.rowHeight(); }
    int topRow() const;
    int rowY(int row) const;
    int pageRows() const;
    void updateScrollRange();
    Pos hitTest(const QPointF &point) const;
    Pos positionInRow(int row, qreal x) const;  // x in the row's layout
    void paintBlock(QPainter &painter, const Block &block, const QRect &clip) const;

    // --- keys (crlfboxkeys.cpp)
    bool moveByKey(QKeyEvent *event);
    bool editByKey(QKeyEvent *event);
    void pageUpDown(Move op, bool select);

    // --- mouse (crlfboxmouse.cpp)
    void extendWordwise(Pos suggested, qreal mouseX);
    void extendLinewise(Pos suggested);
    void autoScroll();
    void startDrag();
    void insertFromMimeData(const QMimeData *source);
    void dropCaretAt(Pos pos);

    // --- the input method (crlfboxinputmethod.cpp)
    void commitPreedit();
    bool isPreediting() const { return !m_preedit.isEmpty(); }

    CrLfDocument m_document;
    BlockLayouts m_layouts;
    qint64 m_capacity = 0;
    Pos m_caret = 0;
    Pos m_anchor = 0;
    qreal m_x = -1;  // kept while the caret moves up and down
    bool m_caretShown = false;
    QBasicTimer m_blink;
    QElapsedTimer m_sinceInput;

    // The mouse: what a double or triple click selected, to extend it by
    // words or lines while dragging or Shift-clicking; none while empty.
    bool m_mousePressed = false;
    bool m_mightStartDrag = false;
    bool m_dragMovesText = true;
    QPoint m_pressPoint;
    std::pair<Pos, Pos> m_clickedWord{-1, -1};
    std::pair<Pos, Pos> m_clickedLine{-1, -1};
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
