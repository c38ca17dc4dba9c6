#pragma once
// What the command line asks of the program: help, the version, ports
// pointed at other devices for this run, a file that keeps the session and
// one that keeps its transcript.

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

struct CommandLineOptions
{
    Q_DECLARE_TR_FUNCTIONS(CommandLineOptions)

public:
    QHash<int, QString> ports;  // --port N=DEVICE
    QByteArray logFile;         // --log FILE, byte for byte as given
    QByteArray transcriptFile;  // --transcript FILE, likewise

    // Reads the arguments, as argumentsOf() gives them. Help, the version
    // and a usage error are answered here, on the standard streams, before
    // any display is needed: then there is nothing, and `exitCode` holds the
    // status to end with.
    static std::optional<CommandLineOptions> parse(const QStringList &arguments, int &exitCode);

    // The arguments as text that keeps every byte: a byte that is not part
    // of valid UTF-8 becomes U+DC80 + byte (as Python's "surrogateescape"),
    // and bytesOf() gives it back.
    static QStringList argumentsOf(int argc, const char *const *argv);
    static QString escapedText(const QByteArray &bytes);
    static QByteArray bytesOf(const QString &text);
};
