// The input method: its preedit drawn at the caret, its commits and
// replacements, and what it asks of the box, as Qt's plain text box has
// them. "The text around the caret" is the block that holds it.

#include "textbox/crlfbox_p.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QTextCharFormat>

using Pos = CrLfBoxPrivate::Pos;
using Kind = CrLfBoxPrivate::Kind;
using Block = CrLfBoxPrivate::Block;

void CrLfBox::inputMethodEvent(QInputMethodEvent *event)
{
    const bool gettingInput = !event->commitString().isEmpty() || event->preeditString() != d->m_preedit
        || event->replacementLength() > 0;
    if (gettingInput)
        d->removeSelection();
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        const Pos from = d->clamped(d->m_caret + event->replacementStart());
        const Pos to = d->clamped(from + event->replacementLength());
        QString text = event->commitString();
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        d->edit(from, to, text, Kind::Typing, true);  // each commit a step of its own, as in Qt's box
    }

    QList<QTextLayout::FormatRange> formats;
    d->m_preeditCursor = int(event->preeditString().size());
    d->m_preeditHidesCaret = false;
    for (const QInputMethodEvent::Attribute &a : event->attributes()) {
        if (a.type == QInputMethodEvent::Selection) {
            const Pos blockStart = d->blockOf(d->m_caret).start;
            d->setCaret(d->clamped(blockStart + a.start + a.length), d->clamped(blockStart + a.start));
        } else if (a.type == QInputMethodEvent::Cursor) {
            d->m_preeditCursor = a.start;
            d->m_preeditHidesCaret = a.length == 0;
        } else if (a.type == QInputMethodEvent::TextFormat) {
            const QTextCharFormat format = qvariant_cast<QTextFormat>(a.value).toCharFormat();
            if (format.isValid())
                formats.append({a.start, a.length, format});
        }
    }
    if (gettingInput || !formats.isEmpty()) {
        d->m_preedit = event->preeditString();
        d->m_layouts.setPreedit(d->m_caret, d->m_preedit, formats);
    }
    updateMicroFocus();
    viewport()->update();
    if (!event->preeditString().isEmpty() || !event->commitString().isEmpty() || !event->attributes().isEmpty())
        d->ensureCaretVisible();
    event->accept();
}

void CrLfBoxPrivate::commitPreedit()
{
    if (!isPreediting())
        return;
    QGuiApplication::inputMethod()->commit();
    if (!isPreediting())
        return;
    m_preedit.clear();
    m_layouts.setPreedit(-1, QString(), {});
    q->viewport()->update();
}

QVariant CrLfBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const Block &block = d->blockOf(d->m_caret);
    const auto inBlock = [&](Pos pos) { return int(std::clamp(pos, block.start, block.end()) - block.start); };
    constexpr int around = 1024;  // the most of the text before and after the caret an input method gets
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return cursorRect().translated(viewport()->pos());
    case Qt::ImAnchorRectangle:
        return d->characterRect(d->m_anchor).translated(viewport()->pos());
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return inBlock(d->m_caret);
    case Qt::ImAnchorPosition:
        return inBlock(d->m_anchor);
    case Qt::ImAbsolutePosition:
        return int(cursorPosition());
    case Qt::ImSurroundingText:
        return block.source;
    case Qt::ImCurrentSelection:
        return selectedText();
    case Qt::ImTextBeforeCursor:
        return d->m_document.text().mid(d->m_caret - around, d->m_caret);
    case Qt::ImTextAfterCursor:
        return d->m_document.text().mid(d->m_caret, d->m_caret + around);
    case Qt::ImMaximumTextLength:
        return QVariant();
    case Qt::ImHints:
        return int(inputMethodHints());
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}
