#include "session/transcript.h"

#include "session/refusalwords.h"
#include "session/sessionlog.h"
#include "serialdevice/mscomm.h"

#include <QDateTime>

Transcript::Transcript(MSComm *comm, SessionLog *file, QObject *parent)
    : QObject(parent), m_comm(comm), m_file(file)
{
    connect(comm, &MSComm::transmitted, this, [this](const QByteArray &bytes) { write("> " + escaped(bytes)); });
    connect(comm, &MSComm::received, this, [this](const QByteArray &bytes) { write("< " + escaped(bytes)); });
    connect(comm, &MSComm::opened, this, [this] { write("Connect " + port()); });
    connect(comm, &MSComm::closed, this, [this] { write("Disconnect " + port()); });
    connect(comm, &MSComm::refused, this, [this] {
        write("Connect " + port() + " refused: " + RefusalWords::reason(m_comm->refusal()).toUtf8());
    });
    connect(comm, &MSComm::linkLost, this, [this](const QString &reason) {
        write("Lost " + port() + ": " + reason.toUtf8());
    });
}

QByteArray Transcript::escaped(const QByteArray &bytes)
{
    QByteArray text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\')
            text += "\\\\";
        else if (byte == '\r')
            text += "\\r";
        else if (byte == '\n')
            text += "\\n";
        else if (byte >= 0x20 && byte < 0x7f)
            text += c;
        else
            text += "\\x" + QByteArray::number(byte, 16).rightJustified(2, '0');
    }
    return text;
}

QByteArray Transcript::port() const
{
    const DeviceName &device = m_comm->lastDevice();
    QByteArray named = "Com" + QByteArray::number(m_comm->commPort()) + ": " + device.path.toUtf8();
    if (device.node != device.path)
        named += " -> " + device.node.toUtf8();
    return named;
}

void Transcript::write(const QByteArray &what)
{
    const QByteArray at = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1();
    m_file->keep(at + ' ' + what + '\n');
}
