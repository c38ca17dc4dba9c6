#pragma once
// A single-line box that holds one line, so that one press writes one line:
// text that brings line breaks (a paste, a drop, an input method's commit)
// is cut to its first line before it reaches the box, and the box says what
// it left out. Its undo history stays within a sensible size: past half a
// million characters pasted, dropped or replaced it starts afresh.

#include <QLineEdit>

class OneLine : public QLineEdit
{
    Q_OBJECT
public:
    static constexpr qsizetype historyLimit = 500'000;

    explicit OneLine(const QString &text, QWidget *parent = nullptr);

signals:
    // The lines after the first of what came into the box, left out.
    void leftOut(OneLine *box, const QString &lines);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    // The first line of `text`, to be kept; the rest is told as left out.
    QString keepFirstLine(const QString &text);
    void pasteFirstLine(const QString &text);
    // Counts what came or went for undo, and starts the history afresh
    // once it holds too much.
    void grew(qsizetype characters);

    qsizetype m_grown = 0;  // characters that came or went since the history began
};
