#include "app/commandlineoptions.h"

#include "serialdevice/portmap.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

constexpr char16_t escapedBase = 0xdc00;  // + a byte that is not UTF-8

// Qt's own options for a window, let through, and listed by --help-all.
struct QtOption
{
    const char *name;
    const char *value;  // nullptr: takes none
    const char *description;
};
const QtOption qtOptions[] = {
    {"platform", "name[:options]", "The window system plugin: xcb, wayland, offscreen (as QT_QPA_PLATFORM)."},
    {"platformpluginpath", "path", "Where window system plugins are looked for."},
    {"platformtheme", "name", "The desktop theme plugin (as QT_QPA_PLATFORMTHEME)."},
    {"plugin", "name", "An input plugin to load as well."},
    {"qwindowgeometry", "geometry", "The window's place and size, as X11's -geometry."},
    {"qwindowicon", "file", "The window's icon."},
    {"qwindowtitle", "title", "The window's title."},
    {"reverse", nullptr, "Lays the window out right to left."},
    {"session", "id", "The desktop session to restore into."},
    {"display", "name", "The X11 display (as DISPLAY)."},
    {"geometry", "geometry", "The window's place and size on X11."},
    {"style", "name", "Accepted but not used: the window is always drawn in Fusion, whose sizes it was made for."},
    {"stylesheet", "file", "A Qt style sheet for the window's controls."},
    {"widgetcount", nullptr, "Prints how many widgets were left when the program ends."},
};

void addQtOptions(QCommandLineParser &parser, bool shown)
{
    for (const QtOption &option : qtOptions) {
        QCommandLineOption qt(QLatin1String(option.name), CommandLineOptions::tr(option.description),
                              option.value ? QLatin1String(option.value) : QString());
        if (!shown)
            qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
}

// A relative name is a file of the current folder where there is one, and
// otherwise a device in /dev, as serial port names go (ttyUSB0).
QString deviceNamed(const QString &name)
{
    const QFileInfo given(name);
    if (given.isAbsolute() || given.exists() || given.isSymLink())
        return given.absoluteFilePath();
    return QStringLiteral("/dev/") + name;
}

} // namespace

QString CommandLineOptions::escapedText(const QByteArray &bytes)
{
    QString text;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = uchar(bytes.at(i));
        const qsizetype length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xe ? 3 : (lead >> 3) == 0x1e ? 4 : 0;
        const QByteArray sequence = bytes.mid(i, length);
        const QString decoded = QString::fromUtf8(sequence);  // U+FFFD where not valid
        if (length > 0 && decoded.toUtf8() == sequence) {  // valid, a real U+FFFD included
            text += decoded;
            i += length;
            continue;
        }
        text += QChar(char16_t(escapedBase + lead));
        ++i;
    }
    return text;
}

QByteArray CommandLineOptions::bytesOf(const QString &text)
{
    QByteArray bytes;
    qsizetype runFrom = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const char16_t c = i < text.size() ? text.at(i).unicode() : 0;
        const bool escaped = i < text.size() && c >= escapedBase + 0x80 && c <= escapedBase + 0xff
                             && (i == 0 || !text.at(i - 1).isHighSurrogate());
        if (!escaped && i < text.size())
            continue;
        bytes += QStringView(text).mid(runFrom, i - runFrom).toUtf8();
        if (escaped)
            bytes += char(c - escapedBase);
        runFrom = i + 1;
    }
    return bytes;
}

QStringList CommandLineOptions::argumentsOf(int argc, const char *const *argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << escapedText(QByteArray(argv[i]));
    return arguments;
}

std::optional<CommandLineOptions> CommandLineOptions::parse(const QStringList &arguments, int &exitCode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Exercises a GSM modem module over a serial port with AT commands, one button a command,\n"
           "and shows every reply unchanged. See man vexmo-at."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption port(
        QStringLiteral("port"),
        tr("For this run, ComN is DEVICE (N from 1 to %1; may be given once for each of several ports). "
           "A relative DEVICE not in the current folder is one in /dev.").arg(PortMap::portCount),
        QStringLiteral("N=DEVICE"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 tr("Append every byte received to FILE as it arrives, exactly as it came. "
                                    "A new FILE is readable by you alone."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption transcript(
        QStringLiteral("transcript"),
        tr("Append a line to FILE for each write to the port and each read from it, with the time to the "
           "millisecond, > for sent and < for received, and for each Connect and Disconnect. "
           "A new FILE is readable by you alone."),
        QStringLiteral("FILE"));
    parser.addOption(port);
    parser.addOption(log);
    parser.addOption(transcript);

    const auto usageError = [&](const QString &error) {
        std::fprintf(stderr, "vexmo-at: %s\nUsage: vexmo-at [--port N=DEVICE]... [--log FILE] [--transcript FILE]\n"
                             "Try 'vexmo-at --help' for more.\n",
                     bytesOf(error).constData());
        exitCode = 2;
        return std::nullopt;
    };
    const bool allHelp = arguments.contains(QStringLiteral("--help-all"))
                         || arguments.contains(QStringLiteral("-help-all"));
    addQtOptions(parser, allHelp);
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help) || allHelp) {
        // Qt names the program in the usage line only once an application
        // object exists, and none does yet: help needs no display.
        std::printf("Usage: vexmo-at [options]\n%s", qPrintable(parser.helpText().section(u'\n', 1)));
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
        return usageError(tr("unexpected argument '%1'").arg(parser.positionalArguments().first()));

    CommandLineOptions line;
    for (const QString &value : parser.values(port)) {
        const qsizetype equals = value.indexOf(u'=');
        bool ok = false;
        const int n = value.left(equals).toInt(&ok);
        if (equals < 0 || !ok || n < 1 || n > PortMap::portCount || equals + 1 == value.size())
            return usageError(tr("--port wants N=DEVICE with N from 1 to %1, not '%2'").arg(PortMap::portCount).arg(value));
        if (line.ports.contains(n))
            return usageError(tr("--port %1 is given twice ('%2' and '%3')").arg(n).arg(line.ports.value(n), value.mid(equals + 1)));
        const QString device = value.mid(equals + 1);
        if (bytesOf(device) != device.toUtf8())
            return usageError(tr("--port %1: the serial port opens only names that are UTF-8 text, not '%2'; "
                                 "make a link with such a name").arg(n).arg(device));
        line.ports.insert(n, deviceNamed(device));
    }
    for (const auto &[option, file] : {std::pair{&log, &line.logFile}, std::pair{&transcript, &line.transcriptFile}}) {
        const QStringList files = parser.values(*option);
        const QString name = QStringLiteral("--") + option->names().constFirst();
        if (files.size() > 1)
            return usageError(tr("%1 is given twice ('%2' and '%3')").arg(name, files.at(0), files.at(1)));
        if (!files.isEmpty() && files.first().isEmpty())
            return usageError(tr("%1 wants the name of a FILE, not an empty one").arg(name));
        if (!files.isEmpty())
            *file = bytesOf(files.first());
    }
    if (!line.logFile.isEmpty() && line.logFile == line.transcriptFile)
        return usageError(tr("--log and --transcript want two files, not '%1' twice").arg(escapedText(line.logFile)));
    return line;
}
