#pragma once
// "Save log as..." in the log's context menu, and Ctrl+S in the log: the
// log's text goes to a file without a character changed. What was received
// is written as the bytes it came as (one byte a character, Latin-1); a
// character only typing can bring, beyond Latin-1, is written in UTF-8.

#include <QObject>

class CrLfBox;
class Notice;

class LogSaver : public QObject
{
    Q_OBJECT
public:
    LogSaver(CrLfBox *text2, Notice *notice, QObject *parent);

    // Writes the log to `path`, replacing the file whole or not at all;
    // false with the reason when it could not.
    bool saveTo(const QString &path, QString *error = nullptr) const;
    static QByteArray bytesOf(const QString &text);

private:
    void saveAs();
    static bool writeWhole(const QByteArray &path, const QByteArray &bytes, QString *error);
    static bool failWith(int cause, QString *error);

    CrLfBox *m_text2;
    Notice *m_notice;
};
