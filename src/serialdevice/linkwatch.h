#pragma once
// Notices, without waking the program while nothing happens, that the
// device node behind an open port disappeared (a USB adapter pulled out).
// A hung-up line needs no watch of its own: its reads fail or return
// nothing, and the serial port reports either as an error.

#include <QFileSystemWatcher>
#include <QObject>

class LinkWatch : public QObject
{
    Q_OBJECT
public:
    explicit LinkWatch(QObject *parent = nullptr);

    void watch(const QString &devicePath);
    void stop();

signals:
    void lost(const QString &reason);

private:
    void checkNode();

    QFileSystemWatcher m_folder;
    QString m_devicePath;
};
