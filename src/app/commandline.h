#pragma once
// What the command line asks of the program: help, the version, ports
// pointed at other devices for this run, and a file that keeps the session.

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

struct CommandLine
{
    QHash<int, QString> ports;  // --port N=DEVICE
    QString logFile;            // --log FILE

    // Reads the arguments (a QCoreApplication must exist). Help, the
    // version and a usage error are answered here, on the standard streams,
    // before any display is needed: then there is nothing, and `exitCode`
    // holds the status to end with.
    static std::optional<CommandLine> parse(const QStringList &arguments, int &exitCode);
};
