#include "support/program/ProgramRun.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

ProgramRun::~ProgramRun()
{
    stop();
}

QByteArray ProgramRun::settingsText(const QString& portPath, const QString& rate,
                                    bool dataCommunication)
{
    return "\"ComPort\",\"" + portPath.toLocal8Bit() +
           "\"\r\n\"ComSpeed\",\"115200\"\r\n\"AutoPortOpen\",\"1\"\r\n\"TrameAuto\",\"" +
           (dataCommunication ? "1" : "0") + "\"\r\n\"Rate\",\"" + rate.toLatin1() + "\"\r\n";
}

bool ProgramRun::start(const QString& program, const QString& portPath, const QString& rate,
                       bool dataCommunication, const QProcessEnvironment& environment,
                       const QByteArray& moreSettings)
{
    if (!m_folder.isValid()) {
        m_error = QStringLiteral("no temporary folder: %1").arg(m_folder.errorString());
        return false;
    }
    // The program keeps its settings next to itself, so it runs from a copy in the folder.
    const QString copy = m_folder.filePath(QFileInfo(program).fileName());
    if (!QFile::copy(program, copy)) {
        m_error = QStringLiteral("cannot copy %1 to %2").arg(program, copy);
        return false;
    }
    QFile settings(m_folder.filePath(QStringLiteral("Settings.ini")));
    if (!settings.open(QIODevice::WriteOnly) ||
        settings.write(settingsText(portPath, rate, dataCommunication) + moreSettings) < 0) {
        m_error = QStringLiteral("cannot write %1").arg(settings.fileName());
        return false;
    }
    settings.close();

    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(m_folder.path());
    m_process.setStandardOutputFile(m_folder.filePath(QStringLiteral("stdout.txt")));
    m_process.setStandardErrorFile(m_folder.filePath(QStringLiteral("stderr.txt")));
    m_process.start(copy, {});
    if (!m_process.waitForStarted(5000)) {
        m_error = QStringLiteral("%1 did not start: %2").arg(copy, m_process.errorString());
        return false;
    }
    m_pid = m_process.processId();
    return true;
}

bool ProgramRun::waitForEnd(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    QEventLoop loop;
    QObject::connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return m_process.state() == QProcess::NotRunning;
}

void ProgramRun::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QByteArray ProgramRun::standardError() const
{
    QFile file(m_folder.filePath(QStringLiteral("stderr.txt")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
