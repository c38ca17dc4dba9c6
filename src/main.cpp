#include "app/commandline.h"
#include "app/form1.h"
#include "widgets/lookup.h"

#include <QApplication>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

// What Qt says while it looks for a display, held back until it is known
// whether there is one.
QStringList &heldBack()
{
    static QStringList messages;
    return messages;
}

// Without a display Qt can only abort, with a message about reinstalling:
// say what is wrong in a line or two and end with status 1 instead.
void noDisplay(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtFatalMsg) {
        heldBack() << message;
        return;
    }
    if (!message.contains(QLatin1String("platform plugin"))) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        ::abort();
    }
    std::fputs("vexmo-at: no display to show the window on; run it on a desktop, or set DISPLAY or "
               "WAYLAND_DISPLAY\n", stderr);
    for (const QString &reason : heldBack()) {
        if (reason.contains(QLatin1String("display")))
            std::fprintf(stderr, "vexmo-at: %s\n", qPrintable(reason.trimmed()));
    }
    ::_exit(1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("vexmo-at"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VEXMO_VERSION));
    // The command line is read before a display is asked for: help, the
    // version and a usage error need none.
    std::optional<CommandLine> options;
    {
        const QCoreApplication reading(argc, argv);
        int exitCode = 0;
        options = CommandLine::parse(CommandLine::argumentsOf(argc, argv), exitCode);
        if (!options)
            return exitCode;
    }

    const QtMessageHandler previous = qInstallMessageHandler(&noDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString &message : heldBack())
        qWarning().noquote() << message;
    std::optional<Form1> form;
    try {
        form.emplace(*options);
    } catch (const Widgets::MissingControl &e) {
        std::fprintf(stderr, "vexmo-at: %s\n", e.what());
        return 1;
    }
    form->showCentred();
    return app.exec();
}
