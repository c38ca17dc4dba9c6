#include "serialdevice/linkwatch.h"

#include <QFileInfo>

LinkWatch::LinkWatch(QObject *parent)
    : QObject(parent)
{
    connect(&m_folder, &QFileSystemWatcher::directoryChanged, this, &LinkWatch::checkNode);
}

void LinkWatch::watch(const QString &devicePath)
{
    m_devicePath = devicePath;
    m_folder.addPath(QFileInfo(devicePath).absolutePath());
}

void LinkWatch::stop()
{
    if (!m_folder.directories().isEmpty())
        m_folder.removePaths(m_folder.directories());
}

void LinkWatch::checkNode()
{
    if (!QFileInfo::exists(m_devicePath))
        emit lost(tr("the device is gone"));
}
