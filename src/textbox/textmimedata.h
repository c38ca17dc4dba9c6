#pragma once
// What the box gives the clipboard, the X11 selection and a drag: a piece of
// its text, made into a string only when another program (or a paste) asks
// for it. The piece is kept as the chunks the box stores it in, which the
// box's later edits leave as they were, so that copying the whole of a full
// log costs the window nothing until the text is wanted.

#include "textdocument/textchunks.h"

#include <QMimeData>

class TextMimeData : public QMimeData
{
    Q_OBJECT
public:
    TextMimeData(const TextChunks &text, TextChunks::Pos from, TextChunks::Pos to);

    bool hasFormat(const QString &mimeType) const override;
    QStringList formats() const override;

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override;

private:
    TextChunks m_text;
    TextChunks::Pos m_from;
    TextChunks::Pos m_to;
};
