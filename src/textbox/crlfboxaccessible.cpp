#include "textbox/crlfboxaccessible.h"

#include "textbox/crlfbox_p.h"

#include <QTextBoundaryFinder>

CrLfBoxAccessible::CrLfBoxAccessible(CrLfBox *box)
    : QAccessibleWidget(box, QAccessible::EditableText)
{
}

QAccessibleInterface *CrLfBoxAccessible::create(const QString &className, QObject *object)
{
    return className == QLatin1String("CrLfBox") ? new CrLfBoxAccessible(static_cast<CrLfBox *>(object)) : nullptr;
}

CrLfBox *CrLfBoxAccessible::box() const
{
    return static_cast<CrLfBox *>(widget());
}

void *CrLfBoxAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State CrLfBoxAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = true;
    s.multiLine = true;
    s.selectableText = true;
    return s;
}

QString CrLfBoxAccessible::text(QAccessible::Text t) const
{
    // The value is read in ranges through the text interface, not whole.
    return t == QAccessible::Value ? QString() : QAccessibleWidget::text(t);
}

void CrLfBoxAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    const bool selected = selectionIndex == 0 && box()->hasSelection();
    *startOffset = selected ? int(box()->selectionStart()) : 0;
    *endOffset = selected ? int(box()->selectionEnd()) : 0;
}

int CrLfBoxAccessible::selectionCount() const
{
    return box()->hasSelection() ? 1 : 0;
}

void CrLfBoxAccessible::addSelection(int startOffset, int endOffset)
{
    box()->select(startOffset, endOffset);
}

void CrLfBoxAccessible::removeSelection(int)
{
    box()->setCursorPosition(box()->cursorPosition());
}

void CrLfBoxAccessible::setSelection(int, int startOffset, int endOffset)
{
    box()->select(startOffset, endOffset);
}

int CrLfBoxAccessible::cursorPosition() const
{
    return int(box()->cursorPosition());
}

void CrLfBoxAccessible::setCursorPosition(int position)
{
    box()->setCursorPosition(position);
}

QString CrLfBoxAccessible::text(int startOffset, int endOffset) const
{
    return box()->mid(startOffset, endOffset);
}

std::pair<int, int> CrLfBoxAccessible::unitAround(int offset, QAccessible::TextBoundaryType boundary) const
{
    const CrLfBoxPrivate *d = box()->d.get();
    const int length = characterCount();
    offset = std::clamp(offset, 0, length);
    const auto offsets = [d](CrLfBoxPrivate::Range range) {
        return std::pair<int, int>(int(d->offsetOf(range.first)), int(d->offsetOf(range.second)));
    };
    switch (boundary) {
    case QAccessible::CharBoundary:
        return {offset, std::min(offset + 1, length)};
    case QAccessible::WordBoundary:
        // The word a double-click takes, as in Qt's box.
        return offsets(d->wordAround(d->clamped(d->at(offset))));
    case QAccessible::SentenceBoundary: {
        // Sentences as Unicode finds them, within the line.
        const auto [lineFrom, lineTo] = offsets(d->m_document.lineAround(d->at(offset)));
        const QString line = box()->mid(lineFrom, lineTo);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Sentence, line);
        finder.setPosition(offset - lineFrom);
        const qsizetype at = finder.position();
        const qsizetype from = finder.isAtBoundary() && at < line.size() ? at
                                                                         : std::max<qsizetype>(0, finder.toPreviousBoundary());
        finder.setPosition(from);
        const qsizetype to = finder.toNextBoundary();
        return {int(lineFrom + from), int(lineFrom + (to < 0 ? line.size() : to))};
    }
    case QAccessible::ParagraphBoundary:
        return offsets(d->m_document.lineAround(d->at(offset)));
    case QAccessible::NoBoundary:
        return {0, length};
    case QAccessible::LineBoundary:
        break;
    }
    return offsets(d->rowAround(d->at(offset)));  // a row as shown
}

QString CrLfBoxAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                                        int *endOffset) const
{
    std::tie(*startOffset, *endOffset) = unitAround(offset, boundary);
    return text(*startOffset, *endOffset);
}

QString CrLfBoxAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                                            int *endOffset) const
{
    // The unit before the one at `offset`. A line break belongs to the
    // line before it, so the character before a unit may still be its own.
    const std::pair<int, int> current = unitAround(offset, boundary);
    for (int pos = current.first - 1; pos >= 0;) {
        const std::pair<int, int> unit = unitAround(pos, boundary);
        if (unit != current && unit.second <= current.first)
            return textAtOffset(pos, boundary, startOffset, endOffset);
        pos = std::min(unit.first, pos) - 1;
    }
    *startOffset = *endOffset = -1;
    return QString();
}

QString CrLfBoxAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                                           int *endOffset) const
{
    // The unit after the one at `offset`: the line break after a word or a
    // line is still theirs, and is stepped over, so that a screen reader
    // going on unit by unit never hears the same one again.
    const std::pair<int, int> current = unitAround(offset, boundary);
    for (int pos = current.second; pos < characterCount();) {
        const std::pair<int, int> unit = unitAround(pos, boundary);
        if (unit != current && unit.first >= current.second)
            return textAtOffset(pos, boundary, startOffset, endOffset);
        pos = std::max(unit.second, pos + 1);
    }
    *startOffset = *endOffset = -1;
    return QString();
}

int CrLfBoxAccessible::characterCount() const
{
    return int(box()->length());
}

QRect CrLfBoxAccessible::characterRect(int offset) const
{
    const QRect rect = box()->d->characterRect(box()->d->at(offset));
    return QRect(box()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
}

int CrLfBoxAccessible::offsetAtPoint(const QPoint &point) const
{
    return int(box()->cursorPositionAt(box()->viewport()->mapFromGlobal(point)));
}

void CrLfBoxAccessible::scrollToSubstring(int startIndex, int)
{
    box()->setCursorPosition(startIndex);
}

QString CrLfBoxAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = offset;
    return QString();
}

void CrLfBoxAccessible::deleteText(int startOffset, int endOffset)
{
    box()->replaceRange(startOffset, endOffset, QString());
}

void CrLfBoxAccessible::insertText(int offset, const QString &text)
{
    box()->replaceRange(offset, offset, text);
}

void CrLfBoxAccessible::replaceText(int startOffset, int endOffset, const QString &text)
{
    box()->replaceRange(startOffset, endOffset, text);
}
