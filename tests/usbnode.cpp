#include "usbnode.h"

#include <QFile>
#include <QFileInfo>

UsbNode::UsbNode(int n)
    : m_path(QStringLiteral("/dev/ttyUSB%1").arg(n))
{
    const QFileInfo there(m_path);
    if (there.isSymLink() && there.symLinkTarget().startsWith(QLatin1String("/dev/pts/")))
        QFile::remove(m_path);
    else if (there.exists() || there.isSymLink())
        qFatal("%s is there already: not a machine to run this test on", qPrintable(m_path));
    if (!QFile::link(m_pty.device(), m_path))
        qFatal("cannot link %s (this test runs as root)", qPrintable(m_path));
}

UsbNode::~UsbNode()
{
    QFile::remove(m_path);
}
