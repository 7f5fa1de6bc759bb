#pragma once

#include "support/BoardProcess.h"
#include "support/Files.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Runs build/bin/skyvane-cli as its own process, as a script would.
struct CliResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    // Standard error as lines, without the last line end.
    QList<QByteArray> errLines() const { return err.trimmed().split('\n'); }
};

inline QString CliProgram()
{
    return qEnvironmentVariable("SKYVANE_BIN_DIR") + QStringLiteral("/skyvane-cli");
}

// Waits for a started skyvane-cli and collects its result; one that does not finish in time
// is killed and reported as "(did not finish)".
inline CliResult FinishCli(QProcess& process, int timeoutMs)
{
    CliResult result;
    if (process.error() == QProcess::FailedToStart) {
        result.err = "(did not start)";
        return result;
    }
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(3000);
        result.err = "(did not finish)";
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

inline CliResult RunCli(const QStringList& args, int timeoutMs = 60000)
{
    QProcess process;
    process.start(CliProgram(), args);
    return FinishCli(process, timeoutMs);
}

// The virtual board recording every byte it receives and the rows it programs.
struct Board
{
    QTemporaryDir dir;
    std::unique_ptr<BoardProcess> process;

    explicit Board(const QStringList& extra = {})
    {
        process = std::make_unique<BoardProcess>(
            QStringList{"--record", received(), "--flash-out", flashOut()} + extra);
    }
    QString port() const { return process->portPath(); }
    QString received() const { return dir.filePath(QStringLiteral("received.bin")); }
    QString flashOut() const { return dir.filePath(QStringLiteral("flash.txt")); }
    QString file(const QString& name) const { return dir.filePath(name); }
};
