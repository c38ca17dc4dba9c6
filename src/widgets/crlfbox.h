#pragma once
// A multi-line text box whose text reads exactly as it was received or
// typed: a line break is the pair CR LF, and every other character, control
// characters and U+00A0 included, is itself. Control characters show as
// greyed symbols while the text keeps them, and a copy gives the text
// itself. The text is kept in chunks and wrapped into rows as it arrives,
// so the box holds millions of characters, appending costs what arrives
// however the text breaks its lines, and only the rows in view are laid out.
//
// Positions count characters from the start of the text, from 0.

#include "widgets/controlglyphs.h"
#include "widgets/textchunks.h"
#include "widgets/wrappedrows.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <memory>
#include <unordered_map>
#include <vector>

class QTextLayout;

class CrLfBox : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit CrLfBox(QWidget *parent = nullptr);
    ~CrLfBox() override;

    QString text() const;
    QString mid(qint64 from, qint64 to) const;  // the characters from `from` up to `to`
    void setText(const QString &text);
    void clear();
    qint64 length() const { return m_text.size(); }
    // Appends at the very end, wherever the caret is. A CR that ended the
    // text and an LF that starts this append make one line break.
    void append(QStringView text);
    // Beyond this many characters the oldest whole lines go; 0: no limit.
    void setCapacity(qint64 characters) { m_capacity = characters; }

    qint64 cursorPosition() const { return m_caret - m_text.begin(); }
    // Puts the caret there with nothing selected, and brings it into view.
    void setCursorPosition(qint64 position);
    bool hasSelection() const { return m_anchor != m_caret; }
    qint64 selectionStart() const { return std::min(m_anchor, m_caret) - m_text.begin(); }
    qint64 selectionEnd() const { return std::max(m_anchor, m_caret) - m_text.begin(); }
    QString selectedText() const;
    void select(qint64 from, qint64 to);  // the caret goes to `to`
    void selectAll();
    void copy() const;
    void paste();
    QRect cursorRect() const;  // in the viewport
    int rowCount() const { return m_rows.count(); }
    // For screen readers: where a character is drawn, which one is at a
    // point, and the row as shown and the word around a position.
    QRect characterRect(qint64 position) const;
    qint64 positionAt(const QPoint &point) const;
    std::pair<qint64, qint64> rowAround(qint64 position) const;
    std::pair<qint64, qint64> wordAround(qint64 position) const;  // also what a double click selects
    void setUndoRedoEnabled(bool enabled);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void scrollContentsBy(int dx, int dy) override;

private:
    using Pos = TextChunks::Pos;
    struct Edit
    {
        Pos at;
        QString removed;
        QString inserted;
    };
    struct RowLayout;

    // Editing, as the user does it: the selection gives way to `text`.
    void replaceSelection(const QString &text, bool typing = false);
    void replace(Pos from, Pos to, const QString &text);
    void undo();
    void redo();
    // Takes the newest edit of `from` back (or again) and keeps it in `to`.
    void step(std::vector<Edit> &from, std::vector<Edit> &to, bool back);
    void trimToCapacity();

    // The caret and the selection.
    void moveCaret(Pos to, bool select);
    Pos nextUnit(Pos pos) const;
    Pos previousUnit(Pos pos) const;
    Pos nextWord(Pos pos) const;
    Pos previousWord(Pos pos) const;
    Pos rowStep(Pos pos, int rows);
    bool moveByKey(QKeyEvent *event);
    void caretMoved();  // brings the caret into view and tells screen readers
    void restartBlinking();

    // Rows on screen.
    int rowHeight() const;
    int fullRows() const;
    void updateScrollRange();
    void rewrap();
    const RowLayout &layoutOf(int row) const;
    Pos hitTest(const QPoint &point) const;
    qreal xOf(Pos pos) const;

    TextChunks m_text;
    ControlGlyphs::Widths m_widths;
    WrappedRows m_rows;
    mutable int m_rowHeight = 0;  // measured when first needed: loading a font takes time
    qint64 m_capacity = 0;
    Pos m_caret = 0;
    Pos m_anchor = 0;
    qreal m_desiredX = -1;  // kept while moving up and down
    bool m_caretShown = false;
    bool m_undoEnabled = true;
    std::vector<Edit> m_undo;
    std::vector<Edit> m_redo;
    QBasicTimer m_blink;
    QElapsedTimer m_sinceInput;
    mutable std::unordered_map<Pos, std::unique_ptr<RowLayout>> m_layouts;
};
