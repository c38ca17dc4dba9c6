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

#include <QAbstractScrollArea>
#include <memory>

class CrLfBoxPrivate;
class CrLfDocument;
class QMenu;

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
    qint64 length() const;
    // Appends at the very end, wherever the caret is, outside undo. A CR
    // that ended the text and an LF that starts this append make one break.
    void append(QStringView text);
    // Beyond this many characters the oldest whole lines go; 0: no limit.
    void setCapacity(qint64 characters);
    // Whether text dragged out of the box may leave it (as in Qt's boxes),
    // or is only ever copied.
    void setDragMovesText(bool moves);

    qint64 cursorPosition() const;
    // Puts the caret there with nothing selected, and brings it into view.
    void setCursorPosition(qint64 position);
    bool hasSelection() const;
    qint64 selectionStart() const;
    qint64 selectionEnd() const;
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
    bool isUndoAvailable() const;
    bool isRedoAvailable() const;

    const CrLfDocument &document() const;
    int rowCount() const;
    // In the viewport: where the caret is drawn, or would be at `position`,
    // and where a click at `point` would put it.
    QRect cursorRect() const;
    QRect cursorRect(qint64 position) const;
    qint64 cursorPositionAt(const QPoint &point) const;

    QMenu *createStandardContextMenu();

signals:
    // As Qt's plain text box sends them: each on a change only.
    void textChanged();
    void cursorPositionChanged();
    void selectionChanged();
    void copyAvailable(bool yes);
    void undoAvailable(bool available);
    void redoAvailable(bool available);

protected:
    bool event(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
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
    friend class CrLfBoxPrivate;
    friend class CrLfBoxAccessible;
    std::unique_ptr<CrLfBoxPrivate> d;
};
