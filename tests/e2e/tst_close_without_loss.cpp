// The program as an operator runs it, recording and mirroring at 2 ms polling, closed with its
// window's close button: the recording holds every frame the board sent up to the close and
// the mirror's link is gone.

#include "record/RecordingReader.h"
#include "support/BoardProcess.h"
#include "support/Files.h"
#include "support/program/ProgramRun.h"
#include "support/program/WindowClose.h"
#include "support/program/XKeys.h"
#include "support/program/XServer.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/types.h>

namespace {

const QString Window = QStringLiteral("VELTIS - Skyvane");

// The recording the program made in the documents folder of home.
QString recordingIn(const QString& home)
{
    const QFileInfoList files = QDir(home + QStringLiteral("/Documents"))
                                    .entryInfoList({QStringLiteral("skyvane-*.csv")}, QDir::Files);
    return files.size() == 1 ? files.first().filePath() : QString();
}

} // namespace

class TestCloseWithoutLoss : public QObject
{
    Q_OBJECT
private slots:
    void closeKeepsEveryFrameAndRemovesTheMirror()
    {
        // Keys go to the window that has the focus: on a server of its own no other test's
        // window can take it.
        PrivateXServer server;
        QString error;
        QVERIFY2(server.start(error), qPrintable(error));
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral("Documents")));
        const QString heard = home.filePath(QStringLiteral("heard.bin"));
        // The board keeps every frame for the program, however far behind its reading falls.
        BoardProcess board({"--number-frames", "--record", heard, "--backlog", "0"});
        QVERIFY2(board.error().isEmpty(), qPrintable(board.error()));

        // A home of the test's own: the documents folder the recording is offered in, and no
        // settings of the user's.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(".config"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        const QString mirror = home.filePath(QStringLiteral("mirror"));
        ProgramRun program;
        QVERIFY2(program.start(QString::fromLocal8Bit(qgetenv("SKYVANE_BIN_DIR")) + "/skyvane",
                               board.portPath(), QStringLiteral("2ms"), true, environment,
                               "\"MirrorPath\",\"" + mirror.toLocal8Bit() + "\"\r\n"),
                 qPrintable(program.error()));

        // File > Record... takes the name offered; File > Mirror Raw Stream... the path stored.
        QVERIFY2(PressKeys(program.pid(), Window, QStringLiteral("ctrl+r"), error),
                 qPrintable(error + (program.running() ? " (running)" : " (ended)") + ": " +
                            QString::fromLocal8Bit(program.standardError().right(2000))));
        QVERIFY2(
            PressKeys(program.pid(), QStringLiteral("Record to"), QStringLiteral("Return"), error),
            qPrintable(error));
        // The recording has begun (the dialog is gone) before the next keys go to the window.
        QTRY_VERIFY_WITH_TIMEOUT(!recordingIn(home.path()).isEmpty(), 10000);
        QVERIFY2(PressKeys(program.pid(), Window, QStringLiteral("ctrl+shift+m"), error),
                 qPrintable(error));
        QVERIFY2(PressKeys(program.pid(), QStringLiteral("Mirror Raw Stream"),
                           QStringLiteral("Return"), error),
                 qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(mirror).isSymLink(), 10000);
        const QString recording = recordingIn(home.path());
        // Some rows have been written: the recording's flush has run at least once.
        QTRY_VERIFY_WITH_TIMEOUT(readFile(recording).count('\n') > 100, 10000);

        // The board stops where it is: what it has sent stays in the line for the program, and
        // the requests it has read are the frames it made, less the one it may have been
        // answering. The window closes at once, before the program has read them all.
        QCOMPARE(::kill(pid_t(board.pid()), SIGSTOP), 0);
        const qint64 sent = readFile(heard).count('F');
        QVERIFY2(CloseWindow(program.pid(), Window, error), qPrintable(error));
        QVERIFY(program.waitForEnd(10000));
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
                 qPrintable(QStringLiteral("exit code %1: ").arg(program.exitCode()) +
                            QString::fromLocal8Bit(program.standardError().right(3000))));
        QCOMPARE(::kill(pid_t(board.pid()), SIGCONT), 0);

        const RecordingReader::Result read = RecordingReader::read(recording);
        QVERIFY2(read.ok(), qPrintable(read.error));
        const QList<RecordedFrame>& frames = read.recording.frames;
        QVERIFY(frames.size() > 100);
        // The board numbers its frames in their last float: the recording holds a run of them
        // without a gap...
        const float first = frames.first().measurement.values.value(17);
        for (qsizetype i = 1; i < frames.size(); ++i)
            QVERIFY2(frames[i].measurement.values.value(17) == first + float(i),
                     qPrintable(QStringLiteral("frame %1 at row %2 of %3, after %4 at %5 us")
                                    .arg(frames[i].measurement.values.value(17))
                                    .arg(i)
                                    .arg(frames.size())
                                    .arg(frames[i - 1].measurement.values.value(17))
                                    .arg(frames[i - 1].microseconds)));
        // ...up to the last the board sent.
        const qint64 last = qint64(frames.last().measurement.values.value(17));
        QVERIFY2(last >= sent - 1,
                 qPrintable(
                     QStringLiteral("last recorded frame %1, board sent %2").arg(last).arg(sent)));
        QVERIFY(last <= sent);
        QCOMPARE(frames.last().measurement.values.size(), 18);
        QVERIFY(!QFileInfo(mirror).exists() && !QFileInfo(mirror).isSymLink());
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestCloseWithoutLoss)
#include "tst_close_without_loss.moc"
