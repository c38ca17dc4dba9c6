#include "textbox/shownblock.h"

#include "textbox/controlglyphs.h"

#include <QFontMetricsF>

namespace {

// Qt's text engine breaks a line at these whatever the width.
QChar pictureOfSeparator(char16_t c)
{
    return c == 0x2028 ? QChar(0x2424) : QChar(0x00b6);
}

} // namespace

ShownBlock ShownBlock::of(QStringView source, const QFont &font, const QColor &grey)
{
    ShownBlock shown;
    shown.text = source.toString();
    QTextCharFormat greyed;
    greyed.setForeground(grey);
    QTextCharFormat boxed;  // made when first needed
    bool lastBoxed = false;
    for (qsizetype i = 0; i < shown.text.size(); ++i) {
        const char16_t c = shown.text.at(i).unicode();
        const bool separator = c == 0x2028 || c == 0x2029;
        if (!ControlGlyphs::isControl(c) && !separator)
            continue;
        shown.text[i] = separator ? pictureOfSeparator(c) : ControlGlyphs::shownAs(c);
        const bool asBoxed = ControlGlyphs::isBoxed(c);
        if (asBoxed) {
            if (shown.boxed.empty()) {
                boxed = greyed;
                boxed.setFontLetterSpacingType(QFont::AbsoluteSpacing);
                boxed.setFontLetterSpacing(ControlGlyphs::Widths::boxWidth(font)
                                           - QFontMetricsF(font).horizontalAdvance(ControlGlyphs::shownAs(0x80)));
            }
            shown.boxed.push_back(int(i));
        }
        // A run of the same kind is one range: each range is an item of its
        // own for Qt's engine, and garbage holds thousands of them.
        if (!shown.formats.isEmpty() && shown.formats.last().start + shown.formats.last().length == i
            && lastBoxed == asBoxed) {
            ++shown.formats.last().length;
        } else {
            shown.formats.append({int(i), 1, asBoxed ? boxed : greyed});
        }
        lastBoxed = asBoxed;
    }
    return shown;
}

QTextOption shownBlockOption()
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}
