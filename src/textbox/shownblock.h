#pragma once
// A block of text as the box lays it out: every character in its place,
// control characters replaced by their pictures (greyed), C1 controls by a
// space widened to their box, and the characters that would end a line in
// Qt's text engine by a picture too, so that only the box decides where a
// row ends. One character shown for each character held, so that positions
// carry over unchanged.

#include <QTextLayout>
#include <vector>

struct ShownBlock
{
    QString text;
    QList<QTextLayout::FormatRange> formats;
    std::vector<int> boxed;  // where the C1 controls stand

    static ShownBlock of(QStringView source, const QFont &font, const QColor &grey);
};

// The text option of the box's layouts, as Qt's plain text box has it.
QTextOption shownBlockOption();
