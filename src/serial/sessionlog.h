#pragma once
// A session kept in a file: every byte received is appended as it arrives,
// exactly as it came, whatever the log box keeps (Clear text and its
// capacity do not touch the file). Each read is written at once, unbuffered,
// so that a killed program loses at most what was still on its way.

#include <QFile>
#include <QObject>

class SessionLog : public QObject
{
    Q_OBJECT
public:
    SessionLog(const QString &path, QObject *parent);

    QString path() const { return m_file.fileName(); }
    // Appends what arrived; false when the file cannot take it, and then
    // errorString() says why.
    bool keep(const QByteArray &bytes);
    QString errorString() const { return m_file.errorString(); }

private:
    QFile m_file;
};
