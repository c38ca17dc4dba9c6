#include "session/replyexplainer.h"

#include "replies/explain.h"
#include "textbox/crlfbox.h"
#include "textdocument/crlfdocument.h"
#include "widgets/notice.h"

#include <QMenu>

ReplyExplainer::ReplyExplainer(CrLfBox *text2, Notice *notice, QObject *parent)
    : QObject(parent), m_text2(text2), m_notice(notice)
{
    text2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(text2, &QWidget::customContextMenuRequested, this, &ReplyExplainer::showMenu);
}

void ReplyExplainer::showMenu(const QPoint &at)
{
    QMenu *menu = m_text2->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const CrLfDocument &log = m_text2->document();
    const auto [lineStart, lineEnd] = log.lineAround(log.begin() + m_text2->cursorPositionAt(at));
    const qint64 from = lineStart - log.begin();
    const qint64 to = lineEnd - log.begin();
    if (const auto explained = Replies::explain(m_text2->mid(from, to))) {
        // Over the log's own entries: it is what this menu is about.
        QAction *first = menu->actions().value(0);
        QAction *explain = new QAction(tr("What does %1 mean?").arg(explained->reply), menu);
        explain->setObjectName(QStringLiteral("explain-reply"));
        menu->insertAction(first, explain);
        menu->insertSeparator(first);
        const QRect line = m_text2->cursorRect(to).united(m_text2->cursorRect(from));
        connect(explain, &QAction::triggered, this, [this, text = explained->reply + u'\n' + explained->text, line] {
            m_notice->showAt(m_text2->viewport(), line, text, Notice::ToRead);
        });
    }
    menu->popup(m_text2->viewport()->mapToGlobal(at));
}
