#pragma once
// "Save log as..." in the log's context menu, and Ctrl+S in the log: the
// log's text goes to a file without a character changed. What was received
// is written as the bytes it came as (one byte a character, Latin-1); a
// character only typing can bring, beyond Latin-1, is written in UTF-8.
//
// The file is written in the background, from the log as it stood when
// the user chose the file: the window answers while a full log goes to a
// slow disk, and the notice says when it is done, or what failed.

#include "textdocument/textchunks.h"

#include <QFutureWatcher>
#include <QObject>
#include <utility>

class CrLfBox;
class Notice;

class LogSaver : public QObject
{
    Q_OBJECT
public:
    LogSaver(CrLfBox *text2, Notice *notice, QObject *parent);

    // Writes the log as it stands to `path` in the background.
    void saveInBackground(const QString &path);
    bool isSaving() const { return m_saving.isRunning() || !m_queue.isEmpty(); }
    // Writes `text` to `path`, replacing the file whole or not at all: the
    // reason where it could not, empty where it did. Waits for the disk.
    static QString save(const QString &path, const TextChunks &text);

signals:
    void saved(const QString &path, const QString &failure);

private:
    void saveAs();
    void startNext();
    void finish();

    CrLfBox *m_text2;
    Notice *m_notice;
    QFutureWatcher<QString> m_saving;
    QString m_path;  // of the save under way
    QList<std::pair<QString, TextChunks>> m_queue;
};
