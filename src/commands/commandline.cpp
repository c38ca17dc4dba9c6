#include "commands/commandline.h"

#include "serial/mscomm.h"
#include "widgets/notice.h"

namespace CommandLine {

QString compose(const QString &fixed, const QString &parameter, bool quoted, const QString &ending)
{
    const QString quote = quoted ? QStringLiteral("\"") : QString();
    return fixed + quote + parameter + quote + ending;
}

bool send(MSComm *comm, const QString &line, Notice *notice, QWidget *pressed)
{
    if (comm->output(line))
        return true;
    if (!comm->portOpen())
        notice->show(pressed, QObject::tr("not connected: press Connect first"));
    else
        notice->show(pressed, QObject::tr("could not write to the port: %1").arg(comm->errorString()));
    return false;
}

} // namespace CommandLine
