#include "serialdevice/devicename.h"

#include <QFileInfo>

namespace {

constexpr int mostLinks = 40;  // as the kernel follows them

} // namespace

DeviceName DeviceName::of(const QString &path)
{
    DeviceName name;
    name.path = path;
    const QString node = QFileInfo(path).canonicalFilePath();
    name.node = node.isEmpty() ? path : node;
    QFileInfo step(path);
    for (int hops = 0; hops < mostLinks; ++hops) {
        if (step.absolutePath() == QLatin1String("/dev"))
            name.kernelName = step.fileName();
        if (!step.isSymLink())
            break;
        step = QFileInfo(step.symLinkTarget());
    }
    if (name.kernelName.isEmpty())
        name.kernelName = name.node.startsWith(QLatin1String("/dev/")) ? name.node.mid(5) : QFileInfo(name.node).fileName();
    return name;
}
