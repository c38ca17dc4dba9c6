#pragma once
// Where a text box draws a character and which row holds it, as a screen
// reader learns them: through the box's accessibility interface, whose
// factory the test installs.

#include "textbox/crlfbox.h"

#include <QAccessible>
#include <utility>

// In the box's viewport.
inline QRect characterRect(const CrLfBox *box, qint64 offset)
{
    const QRect global = QAccessible::queryAccessibleInterface(const_cast<CrLfBox *>(box))
                             ->textInterface()->characterRect(int(offset));
    return QRect(box->viewport()->mapFromGlobal(global.topLeft()), global.size());
}

// The row as shown: where it starts, and where the next one does.
inline std::pair<qint64, qint64> rowAround(const CrLfBox *box, qint64 offset)
{
    int from = 0;
    int to = 0;
    QAccessible::queryAccessibleInterface(const_cast<CrLfBox *>(box))
        ->textInterface()->textAtOffset(int(offset), QAccessible::LineBoundary, &from, &to);
    return {from, to};
}
