#include "widgets/crlftext.h"

#include "widgets/style.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

constexpr QChar cr(u'\r');
constexpr QChar lf(u'\n');
const QString crlf = QStringLiteral("\r\n");

// A character shown by a symbol carries its own code in this property, so
// reading gives back the character and not a symbol the user typed.
constexpr int controlCode = QTextFormat::UserProperty;

bool isControl(QChar c)
{
    const ushort u = c.unicode();
    return u < 0x20 || (u >= 0x7f && u <= 0x9f);
}

// The Unicode Control Pictures for C0 and DEL; C1 has none, so it shows the
// replacement character.
QChar symbolFor(QChar c)
{
    const ushort u = c.unicode();
    if (u < 0x20)
        return QChar(0x2400 + u);
    if (u == 0x7f)
        return QChar(0x2421);
    return QChar(0xfffd);
}

QTextCharFormat controlFormat(QChar c, const QColor &grey)
{
    QTextCharFormat format;
    format.setProperty(controlCode, int(c.unicode()));
    format.setForeground(grey);
    return format;
}

bool endsWithShownCr(const QTextDocument *doc)
{
    QTextCursor end(const_cast<QTextDocument *>(doc));
    end.movePosition(QTextCursor::End);
    return end.charFormat().property(controlCode).toInt() == cr.unicode()
        && doc->characterAt(end.position() - 1) == symbolFor(cr);
}

} // namespace

namespace CrLfText {

QString text(const QPlainTextEdit *box)
{
    const QTextDocument *doc = box->document();
    QString out;
    out.reserve(doc->characterCount());
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block != doc->begin())
            out += crlf;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QString piece = fragment.text();
            const QVariant code = fragment.charFormat().property(controlCode);
            if (code.isValid()) {
                // Text typed next to a symbol takes on its format; only the
                // symbol itself stands for the control character.
                const QChar control(code.toInt());
                for (QChar &c : piece) {
                    if (c == symbolFor(control))
                        c = control;
                }
            }
            out += piece.replace(QChar::LineSeparator, crlf);  // Shift+Enter
        }
    }
    return out;
}

void setText(QPlainTextEdit *box, const QString &text)
{
    box->clear();
    append(box, text);
}

void append(QPlainTextEdit *box, const QString &text)
{
    QTextDocument *doc = box->document();
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();

    const QTextCharFormat plain;
    const QColor grey = Widgets::greyedText(box->palette());
    qsizetype i = 0;
    if (text.startsWith(lf) && endsWithShownCr(doc)) {
        cursor.deletePreviousChar();
        cursor.insertBlock(QTextBlockFormat(), plain);
        i = 1;
    }
    qsizetype runStart = i;
    auto flush = [&](qsizetype end) {
        if (end > runStart)
            cursor.insertText(text.mid(runStart, end - runStart), plain);
    };
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!isControl(c))
            continue;
        flush(i);
        if (c == cr && i + 1 < text.size() && text.at(i + 1) == lf) {
            cursor.insertBlock(QTextBlockFormat(), plain);
            ++i;
        } else {
            cursor.insertText(QString(symbolFor(c)), controlFormat(c, grey));
        }
        runStart = i + 1;
    }
    flush(text.size());
    cursor.endEditBlock();
}

} // namespace CrLfText
