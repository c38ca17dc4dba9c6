#include "widgets/oneline.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>

namespace {

const QRegularExpression &lineBreak()
{
    static const QRegularExpression expression(QStringLiteral("[\r\n\u0085\u2028\u2029]"));
    return expression;
}

} // namespace

OneLine::OneLine(const QString &text, QWidget *parent)
    : QLineEdit(text, parent)
{
}

QString OneLine::keepFirstLine(const QString &text)
{
    const qsizetype cut = text.indexOf(lineBreak());
    if (cut < 0)
        return text;
    const QString left = text.mid(cut).trimmed();
    if (!left.isEmpty())
        emit leftOut(this, left);
    return text.left(cut);
}

void OneLine::pasteFirstLine(const QString &text)
{
    if (isReadOnly())
        return;
    const QString kept = keepFirstLine(text);
    const qsizetype replaced = selectedText().size();
    insert(kept);
    grew(kept.size() + replaced);
}

void OneLine::grew(qsizetype characters)
{
    // The box keeps every character that came or went for undo (a few tens
    // of bytes each); past the limit its history starts afresh, as setting
    // its text does, so that pastes cannot pile up.
    m_grown += characters;
    if (m_grown <= historyLimit)
        return;
    m_grown = 0;
    const int cursor = cursorPosition();
    setText(text());
    setCursorPosition(cursor);
}

void OneLine::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        pasteFirstLine(QGuiApplication::clipboard()->text());
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void OneLine::mouseReleaseEvent(QMouseEvent *event)
{
    // The middle button pastes the X11 selection, as Qt's box does.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection() && !isReadOnly()) {
        deselect();
        pasteFirstLine(QGuiApplication::clipboard()->text(QClipboard::Selection));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void OneLine::contextMenuEvent(QContextMenuEvent *event)
{
    // Qt's own menu, its Paste taking the first line. Qt 6.4 names none of
    // its actions: Paste is known by Qt's own words for it, in any language.
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QString pasteText = QCoreApplication::translate("QLineEdit", "&Paste");
    for (QAction *action : menu->actions()) {
        if (action->text().section(u'\t', 0, 0) != pasteText)
            continue;
        action->setObjectName(QStringLiteral("edit-paste"));  // as later Qt names it
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, [this] { pasteFirstLine(QGuiApplication::clipboard()->text()); });
    }
    menu->popup(event->globalPos());
}

void OneLine::dropEvent(QDropEvent *event)
{
    const QString text = event->mimeData()->text();
    if (!text.contains(lineBreak())) {
        QLineEdit::dropEvent(event);
        return;
    }
    // A drop cut to one line is a copy: what is left out stays where it
    // came from, and so does the line that was kept.
    QMimeData kept;
    kept.setText(keepFirstLine(text));
    QDropEvent copy(event->position(), Qt::CopyAction, &kept, event->buttons(), event->modifiers());
    QLineEdit::dropEvent(&copy);
    grew(kept.text().size());
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void OneLine::inputMethodEvent(QInputMethodEvent *event)
{
    const QString commit = event->commitString();
    if (!commit.contains(lineBreak())) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent cut(event->preeditString(), event->attributes());
    cut.setCommitString(keepFirstLine(commit), event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&cut);
    event->accept();
}
