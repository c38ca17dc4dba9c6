#include "app/applicationsetup.h"
#include "app/commandlineoptions.h"
#include "app/form1.h"

#include <QApplication>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

// What Qt says while it looks for a display, held back until it is known
// whether there is one.
struct HeldBack
{
    QStringList messages;
    QString reason;  // the first a window system plugin gave
};
HeldBack &heldBack()
{
    static HeldBack held;
    return held;
}

// The environment that chose the window system, as the user set it.
QString chosenBy()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return QStringLiteral("QT_QPA_PLATFORM=") + qEnvironmentVariable("QT_QPA_PLATFORM");
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set: run it on a desktop");
    QStringList set;
    for (const char *name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            set << QLatin1String(name) + QLatin1Char('=') + qEnvironmentVariable(name);
    }
    return set.join(QLatin1String(", "));
}

// While the application is made, the only fatal message is Qt giving up on
// every window system: it would abort, with advice about reinstalling.
// Instead the first reason a window system plugin gave (its category is
// qt.qpa.*) is said in one line, and the program ends with status 1.
void noDisplay(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    HeldBack &held = heldBack();
    if (type != QtFatalMsg) {
        held.messages << message;
        if (held.reason.isEmpty() && context.category && QByteArray(context.category).startsWith("qt.qpa"))
            held.reason = message.trimmed();
        return;
    }
    const QString reason = held.reason.isEmpty() ? message.section(u'\n', 0, 0).trimmed() : held.reason;
    std::fprintf(stderr, "vexmo-at: cannot show the window: %s (%s)\n", qPrintable(reason), qPrintable(chosenBy()));
    ::_exit(1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("vexmo-at"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VEXMO_VERSION));
    // The command line is read before a display is asked for: help, the
    // version and a usage error need none.
    int exitCode = 0;
    const std::optional<CommandLineOptions> options =
        CommandLineOptions::parse(CommandLineOptions::argumentsOf(argc, argv), exitCode);
    if (!options)
        return exitCode;

    const QtMessageHandler previous = qInstallMessageHandler(&noDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString &message : heldBack().messages)
        qWarning().noquote() << message;
    setUpApplication();
    Form1 form(*options);
    form.showCentred();
    return app.exec();
}
