#include "widgets/oneline.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QRegularExpression>

namespace {

const QRegularExpression &lineBreak()
{
    static const QRegularExpression expression(QStringLiteral("[\r\n\u0085\u2028\u2029]"));
    return expression;
}

} // namespace

OneLine::OneLine(QLineEdit *box)
    : QValidator(box), m_box(box), m_last(box->text())
{
}

OneLine *OneLine::install(QLineEdit *box)
{
    auto *oneLine = new OneLine(box);
    box->setValidator(oneLine);
    box->installEventFilter(oneLine);
    return oneLine;
}

QValidator::State OneLine::validate(QString &input, int &pos) const
{
    // What came in is what the old text does not hold at either end.
    qsizetype prefix = 0;
    while (prefix < input.size() && prefix < m_last.size() && input[prefix] == m_last[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < input.size() - prefix && suffix < m_last.size() - prefix
           && input[input.size() - 1 - suffix] == m_last[m_last.size() - 1 - suffix])
        ++suffix;
    const QString came = input.mid(prefix, input.size() - prefix - suffix);
    const qsizetype went = m_last.size() - prefix - suffix;
    const qsizetype cut = came.indexOf(lineBreak());
    if (cut >= 0) {
        const QString kept = came.left(cut);
        const QString left = came.mid(cut).trimmed();
        input = input.left(prefix) + kept + input.right(suffix);
        pos = int(prefix + kept.size());
        if (!left.isEmpty())
            emit const_cast<OneLine *>(this)->leftOut(m_box, left);
    }
    // The box keeps every character that came or went for undo (a few tens
    // of bytes each); past the limit its history starts afresh (setting the
    // text clears it), so pastes cannot pile up. An edit that leaves the
    // text as it was replaced it with itself, whole for all one can tell.
    m_grown += input == m_last ? 2 * input.size() : came.size() + went;
    if (m_grown > historyLimit) {
        m_grown = 0;
        // Not while the box is in the middle of its change.
        QMetaObject::invokeMethod(const_cast<OneLine *>(this), "startHistoryAfresh", Qt::QueuedConnection);
    }
    m_last = input;
    return Acceptable;
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
