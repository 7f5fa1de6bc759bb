#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// The program started as an operator would run it, from a temporary program folder holding a
// copy of it and a Settings.ini that connects it to the given port at start-up and polls the
// board at the given rate. Its output goes to files in that folder. The program is ended
// when this object goes.
class ProgramRun
{
public:
    ProgramRun() = default;
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // rate is the text of the rate choice, e.g. "33ms"; without dataCommunication the port is
    // opened but the board is not polled; moreSettings are further lines of the settings file.
    // False (reason in error()) when the folder cannot be made or the program does not start.
    bool start(const QString& program, const QString& portPath, const QString& rate,
               bool dataCommunication = true,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
               const QByteArray& moreSettings = QByteArray());
    // Asks the process to end (SIGTERM, which the program does not handle), then kills it.
    void stop();
    // Sleeps until the program has ended on its own, at most timeoutMs.
    bool waitForEnd(int timeoutMs);

    qint64 pid() const { return m_pid; }
    bool running() const { return m_process.state() == QProcess::Running; }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    int exitCode() const { return m_process.exitCode(); }
    QString folder() const { return m_folder.path(); }
    QString error() const { return m_error; }
    // Everything the program wrote to its standard error so far.
    QByteArray standardError() const;

    // The Settings.ini of a program attached to portPath, polling at rate, as the demo writes it.
    static QByteArray settingsText(const QString& portPath, const QString& rate,
                                   bool dataCommunication);

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    qint64 m_pid = 0;
    QString m_error;
};
