#include "serial/sessionlog.h"

SessionLog::SessionLog(const QString &path, QObject *parent)
    : QObject(parent), m_file(path)
{
}

bool SessionLog::keep(const QByteArray &bytes)
{
    // Opened at the first call (with nothing, at start-up), and again after
    // a failure, so that a file that could not be written is taken up once
    // it can be.
    if (!m_file.isOpen() && !m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    if (m_file.write(bytes) == bytes.size())
        return true;
    m_file.close();
    return false;
}
