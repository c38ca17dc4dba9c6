#include "textbox/textmimedata.h"

namespace {

QString plainText()
{
    return QStringLiteral("text/plain");
}

} // namespace

TextMimeData::TextMimeData(const TextChunks &text, TextChunks::Pos from, TextChunks::Pos to)
    : m_text(text), m_from(from), m_to(to)
{
}

bool TextMimeData::hasFormat(const QString &mimeType) const
{
    return mimeType == plainText();
}

QStringList TextMimeData::formats() const
{
    return {plainText()};
}

QVariant TextMimeData::retrieveData(const QString &mimeType, QMetaType type) const
{
    if (mimeType != plainText())
        return QVariant();
    const QString text = m_text.mid(m_from, m_to);
    return type.id() == QMetaType::QByteArray ? QVariant(text.toUtf8()) : QVariant(text);
}
