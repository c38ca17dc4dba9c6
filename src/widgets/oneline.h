#pragma once
// A single-line box holds one line, so that one press writes one line:
// text that brings line breaks (a paste, a drop) keeps its first line, and
// the box says what it left out. Its undo history stays within a sensible
// size: past half a million characters typed, pasted or deleted it starts
// afresh.

#include <QValidator>

class QLineEdit;

class OneLine : public QValidator
{
    Q_OBJECT
public:
    static constexpr qsizetype historyLimit = 500'000;

    // Keeps `box` to one line from now on.
    static OneLine *install(QLineEdit *box);

    State validate(QString &input, int &pos) const override;

protected:
    // A drop that must be cut to one line is a copy: what is left out stays
    // where it came from.
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // The lines after the first of what came into the box, left out.
    void leftOut(QLineEdit *box, const QString &lines);

private slots:
    void startHistoryAfresh();  // setting a box's text clears its undo history

private:
    explicit OneLine(QLineEdit *box);

    QLineEdit *m_box;
    mutable QString m_last;         // the text as last accepted
    mutable qsizetype m_grown = 0;  // characters that came or went since the history began
};
