#pragma once
// Multi-line text boxes as the program sees them: a line break reads as the
// pair CR LF, writing CR LF makes a line break, and every other character,
// control characters and U+00A0 included, passes through unchanged.
// Control characters show as visible symbols while the text keeps them.

#include <QString>

class QPlainTextEdit;

namespace CrLfText {

QString text(const QPlainTextEdit *box);
void setText(QPlainTextEdit *box, const QString &text);
// Appends at the very end of the box, wherever the user's caret is. A CR
// that ended the previous append and an LF that starts this one make one
// line break together.
void append(QPlainTextEdit *box, const QString &text);

} // namespace CrLfText
