// The input method: its preedit drawn at the caret, its commits and
// replacements, and what it asks of the box, as Qt's plain text box has
// them. "The text around the caret" is the block that holds it.

#include "textbox/crlfbox.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QTextCharFormat>

void CrLfBox::inputMethodEvent(QInputMethodEvent *event)
{
    const bool gettingInput = !event->commitString().isEmpty() || event->preeditString() != m_preedit
        || event->replacementLength() > 0;
    if (gettingInput)
        removeSelection();
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        const Pos from = clamped(m_caret + event->replacementStart());
        const Pos to = clamped(from + event->replacementLength());
        QString text = event->commitString();
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        edit(from, to, text, Kind::Typing, from != to);
    }

    QList<QTextLayout::FormatRange> formats;
    m_preeditCursor = int(event->preeditString().size());
    m_preeditHidesCaret = false;
    for (const QInputMethodEvent::Attribute &a : event->attributes()) {
        if (a.type == QInputMethodEvent::Selection) {
            const Pos blockStart = blockOf(m_caret).start;
            setCaret(clamped(blockStart + a.start + a.length), clamped(blockStart + a.start));
        } else if (a.type == QInputMethodEvent::Cursor) {
            m_preeditCursor = a.start;
            m_preeditHidesCaret = a.length == 0;
        } else if (a.type == QInputMethodEvent::TextFormat) {
            const QTextCharFormat format = qvariant_cast<QTextFormat>(a.value).toCharFormat();
            if (format.isValid())
                formats.append({a.start, a.length, format});
        }
    }
    if (gettingInput || !formats.isEmpty()) {
        m_preedit = event->preeditString();
        m_layouts.setPreedit(m_caret, m_preedit, formats);
    }
    updateMicroFocus();
    viewport()->update();
    if (!event->preeditString().isEmpty() || !event->commitString().isEmpty() || !event->attributes().isEmpty())
        ensureCaretVisible();
    event->accept();
}

void CrLfBox::commitPreedit()
{
    if (!isPreediting())
        return;
    QGuiApplication::inputMethod()->commit();
    if (!isPreediting())
        return;
    m_preedit.clear();
    m_layouts.setPreedit(-1, QString(), {});
    viewport()->update();
}

QVariant CrLfBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const Block &block = blockOf(m_caret);
    const auto inBlock = [&](Pos pos) { return int(std::clamp(pos, block.start, block.end()) - block.start); };
    constexpr int around = 1024;  // the most of the text before and after the caret an input method gets
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return cursorRect().translated(viewport()->pos());
    case Qt::ImAnchorRectangle:
        return characterRect(m_anchor - m_document.begin()).translated(viewport()->pos());
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return inBlock(m_caret);
    case Qt::ImAnchorPosition:
        return inBlock(m_anchor);
    case Qt::ImAbsolutePosition:
        return int(cursorPosition());
    case Qt::ImSurroundingText:
        return block.source;
    case Qt::ImCurrentSelection:
        return selectedText();
    case Qt::ImTextBeforeCursor:
        return m_document.text().mid(m_caret - around, m_caret);
    case Qt::ImTextAfterCursor:
        return m_document.text().mid(m_caret, m_caret + around);
    case Qt::ImMaximumTextLength:
        return QVariant();
    case Qt::ImHints:
        return int(inputMethodHints());
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}
