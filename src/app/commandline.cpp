#include "app/commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

constexpr int portCount = 15;

// Qt's own options for a window (-style, -platform, ...), let through.
struct QtOption
{
    const char *name;
    bool takesValue;
};
const QtOption qtOptions[] = {{"platform", true},        {"platformpluginpath", true}, {"platformtheme", true},
                              {"plugin", true},          {"qwindowgeometry", true},    {"qwindowicon", true},
                              {"qwindowtitle", true},    {"reverse", false},           {"session", true},
                              {"display", true},         {"geometry", true},           {"style", true},
                              {"stylesheet", true},      {"widgetcount", false}};

} // namespace

std::optional<CommandLine> CommandLine::parse(const QStringList &arguments, int &exitCode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "CommandLine", "Exercises a GSM modem module over a serial port with AT commands, one button a command,\n"
                       "and shows every reply unchanged. See man vexmo-at."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QCoreApplication::translate("CommandLine",
                                                              "For this run, ComN is DEVICE (N from 1 to 15; "
                                                              "may be given for several ports)."),
                                  QStringLiteral("N=DEVICE"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QCoreApplication::translate("CommandLine",
                                                             "Append every byte received to FILE as it arrives, "
                                                             "exactly as it came."),
                                 QStringLiteral("FILE"));
    parser.addOption(port);
    parser.addOption(log);
    for (const QtOption &option : qtOptions) {
        QCommandLineOption qt(QLatin1String(option.name), QString(),
                              option.takesValue ? QStringLiteral("value") : QString());
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }

    const auto usageError = [&](const QString &error) {
        std::fprintf(stderr, "vexmo-at: %s\nUsage: vexmo-at [--port N=DEVICE]... [--log FILE]\n"
                             "Try 'vexmo-at --help' for more.\n",
                     qPrintable(error));
        exitCode = 2;
        return std::nullopt;
    };
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        exitCode = 0;
        return std::nullopt;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        exitCode = 0;
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QCoreApplication::translate("CommandLine", "unexpected argument '%1'")
                              .arg(parser.positionalArguments().first()));

    CommandLine line;
    for (const QString &value : parser.values(port)) {
        const qsizetype equals = value.indexOf(u'=');
        bool ok = false;
        const int n = value.left(equals).toInt(&ok);
        if (equals < 0 || !ok || n < 1 || n > portCount || equals + 1 == value.size())
            return usageError(QCoreApplication::translate("CommandLine", "--port wants N=DEVICE with N from 1 to "
                                                                         "15, not '%1'").arg(value));
        line.ports.insert(n, value.mid(equals + 1));
    }
    line.logFile = parser.value(log);
    return line;
}
