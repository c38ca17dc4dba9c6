#pragma once
// A single-line box holds one line, so that one press writes one line:
// text that brings line breaks (a paste, a drop, an input method) keeps
// its first line, and the box says what it left out. Its undo history
// stays within a sensible size: past half a million characters typed,
// pasted or deleted it starts afresh.

#include <QObject>

class QLineEdit;

class OneLine : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype historyLimit = 500'000;

    // Keeps `box` to one line from now on.
    static OneLine *install(QLineEdit *box);

protected:
    // A drop that must be cut to one line is a copy: what is left out stays
    // where it came from.
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // The lines after the first of what came into the box, left out.
    void leftOut(QLineEdit *box, const QString &lines);

private slots:
    void edited(const QString &text);
    void changed();
    void startHistoryAfresh();  // setting a box's text clears its undo history

private:
    explicit OneLine(QLineEdit *box);

    QLineEdit *m_box;
    QString m_last;          // the text before the change under way
    qsizetype m_grown = 0;  // characters that came or went since the history began
    bool m_toldAlready = false;
};
