#include "commands/commandline.h"

#include "serialdevice/mscomm.h"
#include "widgets/notice.h"

namespace CommandLine {

QString compose(const QString &fixed, const QString &parameter, bool quoted, const QString &ending)
{
    const QString quote = quoted ? QStringLiteral("\"") : QString();
    return fixed + quote + parameter + quote + ending;
}

bool send(MSComm *comm, const QString &line, Notice *notice, QWidget *pressed, const QString &failed)
{
    if (comm->output(line)) {
        // The bytes stay as they went; the user learns that they changed.
        if (const int changed = MSComm::unsendable(line)) {
            notice->showAt(pressed, changed == 1
                                      ? QObject::tr("1 character cannot be sent on the serial line and went out as ?")
                                      : QObject::tr("%1 characters cannot be sent on the serial line and went out as ?")
                                            .arg(changed));
        }
        return true;
    }
    if (!failed.isEmpty())
        notice->showAt(pressed, failed.arg(comm->errorString()));
    else if (!comm->portOpen())
        notice->showAt(pressed, QObject::tr("not connected: press Connect first"));
    else
        notice->showAt(pressed, QObject::tr("could not write to the port: %1").arg(comm->errorString()));
    return false;
}

} // namespace CommandLine
