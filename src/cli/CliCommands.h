#pragma once

#include <QStringList>

class Terminal;

// One function per command; args holds the command's own arguments after a first element that
// stands for the program. Each returns the process's exit code (CliExit.h).
int runPorts(Terminal& terminal, const QStringList& args);
int runSend(Terminal& terminal, const QStringList& args);
int runFlash(Terminal& terminal, const QStringList& args);
int runRecord(Terminal& terminal, const QStringList& args);
int runStream(Terminal& terminal, const QStringList& args);
int runConstants(Terminal& terminal, const QStringList& args);
int runEncode(Terminal& terminal, const QStringList& args);
int runAllan(Terminal& terminal, const QStringList& args);
int runMagfit(Terminal& terminal, const QStringList& args);
int runDoctor(Terminal& terminal, const QStringList& args);
