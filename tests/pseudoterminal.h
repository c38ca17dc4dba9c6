#pragma once
// A pseudo-terminal standing in for a modem: the program opens its device,
// the test reads and writes the other side.

#include <QByteArray>
#include <QString>
#include <termios.h>
#include <future>

class Pty
{
public:
    Pty();
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    QString device() const { return m_device; }

    void write(const QByteArray &bytes);
    // Waits, handling events, until `count` bytes have come from the program.
    QByteArray read(qsizetype count, int timeoutMs = 5000);
    // What has come so far, after letting events run for `settleMs`.
    QByteArray readAll(int settleMs = 50);
    // Writes at full speed from a thread of its own, while the test's own
    // thread runs the window; the future is ready when all is written.
    std::future<void> writeInBackground(const QByteArray &bytes);
    // Closes this side, as when a USB adapter is pulled out.
    void hangUp();
    termios settings() const;
    void setSettings(const termios &settings);

private:
    qsizetype take(QByteArray &into);

    int m_master = -1;
    QString m_device;
};

// Whether a program holds `device` for itself alone (TIOCEXCL).
bool isExclusive(const QString &device);
