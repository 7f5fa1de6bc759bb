#include "session/DownloadBackup.h"

#include "constants/ConstantsTableFile.h"
#include "core/FileWrite.h"
#include "core/Logger.h"
#include "firmware/FirmwareImage.h"
#include "session/BoardSession.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>

QString BackupFileName(const QString& adapter, const QString& folder)
{
    // Only what every file system takes: letters, digits, "-" and "_".
    QString tag = adapter;
    tag.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]+")), QStringLiteral("-"));
    tag = tag.mid(0, 40);
    while (tag.startsWith(QLatin1Char('-')))
        tag.remove(0, 1);
    while (tag.endsWith(QLatin1Char('-')))
        tag.chop(1);
    const QString suffix =
        (tag.isEmpty() ? QString() : QLatin1Char('-') + tag) + QStringLiteral(".csv");
    const QString name = QStringLiteral("skyvane-constants-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                         suffix;
    return folder.isEmpty() ? DocumentsFilePath(QStringLiteral("skyvane-constants-"), suffix)
                            : QDir(folder).filePath(name);
}

DownloadBackup::DownloadBackup(BoardSession& session, Logger& log, Setup setup)
    : m_session(session), m_log(log), m_setup(std::move(setup))
{}

DownloadResult DownloadBackup::run()
{
    // A second press while a download runs is refused by the download itself, untouched.
    if (m_session.firmware().download.isRunning() || !m_setup.firmwarePath)
        return m_session.runDownload();
    const QString path = m_setup.firmwarePath();
    return run(path, LoadFirmwareFile(path));
}

DownloadResult DownloadBackup::run(const QString& path, const FirmwareLoad& load)
{
    m_copy.clear();
    m_copyPath.clear();
    m_differing = -1;
    // A file that is refused never reaches the board: nothing to keep safe.
    const bool backingUp =
        m_setup.backupPath && load.ok && !m_session.firmware().download.isRunning();
    if (backingUp)
        backUp();
    DownloadResult result = m_session.runDownload(path, load);
    if (result.programmed() && !m_copyPath.isEmpty())
        compareAfter();
    return result;
}

QByteArray DownloadBackup::readTable(int waitMs)
{
    QEventLoop loop;
    QByteArray table;
    bool came = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&m_session.dispatch(), &FrameDispatch::constantsFrame, &loop,
                     [&](const QByteArray& payload) {
                         table = payload;
                         came = true;
                         loop.quit();
                     });
    QObject::connect(&m_session.port(), &SerialControl::closed, &loop, &QEventLoop::quit);
    m_session.link().SendCommand(QByteArrayLiteral("["));
    deadline.start(waitMs);
    loop.exec();
    return came ? table : QByteArray();
}

bool DownloadBackup::waitForFrame(int waitMs)
{
    QEventLoop loop;
    bool seen = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&m_session.dispatch(), &FrameDispatch::frameSeen, &loop, [&] {
        seen = true;
        loop.quit();
    });
    QObject::connect(&m_session.port(), &SerialControl::closed, &loop, &QEventLoop::quit);
    // The board is asked here ("F" only): nothing else may be polling it (skyvane-cli, or the
    // window with "Data communication" off).
    QTimer ask;
    ask.setInterval(FrameRequestMs);
    const auto request = [this] {
        if (m_session.receiving())
            m_session.link().SendCommand(QByteArrayLiteral("F"));
    };
    QObject::connect(&ask, &QTimer::timeout, &loop, request);
    request();
    ask.start();
    deadline.start(waitMs);
    loop.exec();
    return seen;
}

void DownloadBackup::backUp()
{
    if (!m_session.receiving()) {
        m_log.AddLog(QStringLiteral("The constants were not read before the download: the port "
                                    "is not read (closed, or a replay runs). The download goes "
                                    "on without a copy."));
        return;
    }
    const QList<float> table = ConstantsTableFile::tableOf(readTable(TableWaitMs));
    if (table.isEmpty()) {
        m_log.AddLog(QStringLiteral("The board sent no constants table before the download; "
                                    "the download goes on without a copy."));
        return;
    }
    const QString path = m_setup.backupPath();
    const QString port = m_setup.portName ? m_setup.portName() : QString();
    const QByteArray content =
        ConstantsTableFile::exportTable(table, QDateTime::currentDateTime(), port);
    if (const QString failure = WriteFileAtomically(path, content); !failure.isEmpty()) {
        m_log.AddLog(QStringLiteral("The constants could not be saved to %1: %2. The download "
                                    "goes on without a copy.")
                         .arg(path, failure));
        return;
    }
    m_copy = table;
    m_copyPath = path;
    m_log.AddLog(QStringLiteral("%1 constants saved to %2 before the download.")
                     .arg(table.size())
                     .arg(path));
}

void DownloadBackup::compareAfter()
{
    if (!waitForFrame(FrameWaitMs)) {
        m_log.AddLog(QStringLiteral("No frame came after the download, so the constants were not "
                                    "compared; the copy is %1.")
                         .arg(m_copyPath));
        return;
    }
    const QList<float> after = ConstantsTableFile::tableOf(readTable(TableWaitMs));
    if (after.isEmpty()) {
        m_log.AddLog(QStringLiteral("The board sent no constants table after the download; the "
                                    "copy is %1.")
                         .arg(m_copyPath));
        return;
    }
    const ConstantsTableFile::Compared compared = ConstantsTableFile::diff(after, m_copy);
    if (!compared.ok) {
        m_log.AddLog(QStringLiteral("After the download the board holds %1 constants, the copy "
                                    "%2; the copy is %3.")
                         .arg(after.size())
                         .arg(m_copy.size())
                         .arg(m_copyPath));
        return;
    }
    m_differing = int(compared.differences.size());
    if (m_differing == 0) {
        m_log.AddLog(QStringLiteral("After the download all %1 constants match the copy %2.")
                         .arg(m_copy.size())
                         .arg(m_copyPath));
        return;
    }
    m_log.AddLog(QStringLiteral("After the download %1 of %2 constants differ from the copy %3; "
                                "Import Constants restores them.")
                     .arg(m_differing)
                     .arg(m_copy.size())
                     .arg(m_copyPath));
}
