#pragma once
// Command lines: a fixed text, optionally a parameter (between double quotes
// where the command wants them), and an ending, written in one write.

#include <QString>

class MSComm;
class Notice;
class QWidget;

namespace CommandLine {

inline const QString terminator = QStringLiteral("\r\n");
inline const QString ctrlZ = QStringLiteral("\x1a");

QString compose(const QString &fixed, const QString &parameter, bool quoted, const QString &ending);

// Writes the line; when it cannot (no port open, the write refused), says so
// next to the control that asked for it and returns false. `failed`, when
// given, is that notice, with %1 for the reason. Characters the line cannot
// carry are named in a notice too.
bool send(MSComm *comm, const QString &line, Notice *notice, QWidget *pressed, const QString &failed = QString());

} // namespace CommandLine
