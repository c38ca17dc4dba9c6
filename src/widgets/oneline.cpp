#include "widgets/oneline.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QRegularExpression>
#include <utility>

namespace {

const QRegularExpression &lineBreak()
{
    static const QRegularExpression expression(QStringLiteral("[\r\n\u0085\u2028\u2029]"));
    return expression;
}

// What came in is what the old text does not hold at either end.
struct Change
{
    qsizetype prefix = 0;
    qsizetype suffix = 0;
    QString came;
    qsizetype went = 0;
};

Change changeFrom(const QString &before, const QString &after)
{
    Change c;
    while (c.prefix < after.size() && c.prefix < before.size() && after[c.prefix] == before[c.prefix])
        ++c.prefix;
    while (c.suffix < after.size() - c.prefix && c.suffix < before.size() - c.prefix
           && after[after.size() - 1 - c.suffix] == before[before.size() - 1 - c.suffix])
        ++c.suffix;
    c.came = after.mid(c.prefix, after.size() - c.prefix - c.suffix);
    c.went = before.size() - c.prefix - c.suffix;
    return c;
}

} // namespace

OneLine::OneLine(QLineEdit *box)
    : QObject(box), m_box(box), m_last(box->text())
{
    // textEdited comes before textChanged: it sees the text as it was.
    connect(box, &QLineEdit::textEdited, this, &OneLine::edited);
    connect(box, &QLineEdit::textChanged, this, &OneLine::changed);
}

OneLine *OneLine::install(QLineEdit *box)
{
    auto *oneLine = new OneLine(box);
    box->installEventFilter(oneLine);
    return oneLine;
}

void OneLine::edited(const QString &text)
{
    const Change change = changeFrom(m_last, text);
    const qsizetype cut = change.came.indexOf(lineBreak());
    if (cut < 0)
        return;
    // Set as Qt sets a validator's correction: the undo history starts
    // afresh, so that no undo brings the other lines back.
    const QString kept = change.came.left(cut);
    m_box->setText(text.left(change.prefix) + kept + text.right(change.suffix));
    m_box->setCursorPosition(int(change.prefix + kept.size()));
    m_toldAlready = true;  // the change under way is told once more, with its uncut text
    const QString left = change.came.mid(cut).trimmed();
    if (!left.isEmpty())
        emit leftOut(m_box, left);
}

void OneLine::changed()
{
    // The box's own text, not the signal's: a text cut to one line during
    // the change is told before the change itself.
    if (std::exchange(m_toldAlready, false))
        return;
    const QString text = m_box->text();
    const Change change = changeFrom(m_last, text);
    // The box keeps every character that came or went for undo (a few tens
    // of bytes each); past the limit its history starts afresh, so pastes
    // cannot pile up. An edit that leaves the text as it was replaced it
    // with itself, whole for all one can tell.
    m_grown += text == m_last ? 2 * text.size() : change.came.size() + change.went;
    m_last = text;
    if (m_grown > historyLimit) {
        m_grown = 0;
        // Not while the box is in the middle of its change.
        QMetaObject::invokeMethod(this, "startHistoryAfresh", Qt::QueuedConnection);
    }
}

void OneLine::startHistoryAfresh()
{
    const int cursor = m_box->cursorPosition();
    m_box->setText(m_box->text());
    m_box->setCursorPosition(cursor);
}

bool OneLine::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_box || event->type() != QEvent::Drop)
        return false;
    auto *drop = static_cast<QDropEvent *>(event);
    if (drop->possibleActions() == Qt::CopyAction || !drop->mimeData()->text().contains(lineBreak()))
        return false;
    // The box takes what it is offered; offered a copy alone, it copies,
    // and the source keeps its text.
    QDropEvent copy(drop->position(), Qt::CopyAction, drop->mimeData(), drop->buttons(), drop->modifiers());
    QCoreApplication::sendEvent(m_box, &copy);
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    return true;
}
