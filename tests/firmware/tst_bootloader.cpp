#include "core/WindowTimer.h"
#include "firmware/BootReply.h"
#include "firmware/Bootloader.h"
#include "support/LinkOver.h"
#include "support/MemoryLogger.h"
#include "support/PlatformSkip.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <ctime>

namespace {

// A bootloader over an open fake port, with the acknowledgement time-out running.
struct Bench
{
    MemoryLogger log;
    FakeLink link{log};
    WindowTimer ackTimeout{QStringLiteral("AckTimeout"), 500, true};
    Bootloader boot{link, log, ackTimeout};

    Bench() { link.port.setPortOpen(true); }
    // Bytes the board sends after ms milliseconds of the wait.
    void later(int ms, const QByteArray& bytes)
    {
        QTimer::singleShot(ms, &link.port, [this, bytes] { link.port.feed(bytes); });
    }
};

} // namespace

class BootloaderTest : public QObject
{
    Q_OBJECT
private slots:
    void versionReplies_data();
    void versionReplies();
    void versionKeepsTheLastKnownFamily();
    void versionWaitsForItsCode();
    void rowAcknowledgement();
    void statusReplies();
    void statusByteInALaterRead();
    void fReplyEndsTheWaitSilently();
    void plusBeforeAnUnknownLetterIsNoise();
    void staleBytesAreDroppedBeforeEachCommand();
    void replyTimeoutEndsTheWait();
    void waitingSleeps();
    void closedPortEndsTheWaitAtOnce();
    void stepsLogInOrder();
    void resetWithARefusedPort();
    void versionCheckDoesNotOpenThePort();
};

void BootloaderTest::versionReplies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("family");
    QTest::newRow("noise then 33E")
        << QByteArray("\x07\x41+V\x13", 5) << "Veltis Bootloader Version 1.9 (33E)."
        << "33E";
    QTest::newRow("Kortix") << QByteArray("+V\x12", 3)
                            << "Veltis Bootloader Version 1.8 (24F - Kortix)."
                            << "24F - Kortix";
    QTest::newRow("24F") << QByteArray("+V\x11", 3) << "Veltis Bootloader Version 1.7 (24F)."
                         << "24F";
    QTest::newRow("unknown code") << QByteArray("+V\x14", 3) << "Veltis Bootloader Version 2 ()."
                                  << "";
    QTest::newRow("code 5") << QByteArray("+V\x05", 3) << "Veltis Bootloader Version 0.5 ()."
                            << "";
}

void BootloaderTest::versionReplies()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, message);
    QFETCH(QString, family);
    Bench bench;
    bench.later(0, reply);
    const BootWait wait = bench.boot.WaitBootReply();
    QVERIFY(wait.replied(BootReply::Version));
    QCOMPARE(wait.reply.code, int(quint8(reply.back())));
    QCOMPARE(bench.log.lines, QStringList{message});
    QCOMPARE(bench.boot.BootFamily(), family);
}

void BootloaderTest::versionKeepsTheLastKnownFamily()
{
    Bench bench;
    bench.later(0, QByteArray("+V\x11", 3));
    bench.boot.WaitBootReply();
    bench.later(0, QByteArray("+V\x14", 3));
    bench.boot.WaitBootReply();
    QCOMPARE(bench.log.lines, (QStringList{"Veltis Bootloader Version 1.7 (24F).",
                                           "Veltis Bootloader Version 2 (24F)."}));
    QCOMPARE(BootVersionText(255), QStringLiteral("25.5"));
}

void BootloaderTest::versionWaitsForItsCode()
{
    Bench bench;
    QStringList seenBeforeCode{"<not reached>"};
    bench.later(0, "+V");
    QTimer::singleShot(40, &bench.link.port, [&] {
        seenBeforeCode = bench.log.lines;
        bench.link.port.feed("\x13");
    });
    bench.boot.WaitBootReply();
    QCOMPARE(seenBeforeCode, QStringList());
    QCOMPARE(bench.log.lines, QStringList{"Veltis Bootloader Version 1.9 (33E)."});
}

void BootloaderTest::rowAcknowledgement()
{
    Bench bench;
    bool timeoutBeforeLastByte = false;
    bench.later(0, QByteArray("+P\x01\x80", 4));
    QTimer::singleShot(40, &bench.link.port, [&] {
        timeoutBeforeLastByte = bench.ackTimeout.Enabled();
        bench.link.port.feed(QByteArray("\x00", 1));
    });
    const BootWait wait = bench.boot.WaitBootReply();
    // The wait went on over the short acknowledgement.
    QVERIFY(timeoutBeforeLastByte);
    QVERIFY(wait.replied(BootReply::Acknowledged));
    QCOMPARE(wait.reply.address, 98304u);
    QVERIFY(!bench.ackTimeout.Enabled());
    QVERIFY(bench.log.lines.isEmpty());

    QByteArray top("+P\xFF\xFF\xFF", 5);
    QCOMPARE(ParseBootReply(top).address, 16777215u);
}

void BootloaderTest::statusReplies()
{
    Bench bench;
    bench.later(0, QByteArray("+#\x00", 3));
    QVERIFY(bench.boot.WaitBootReply().replied(BootReply::Status));
    QVERIFY(bench.log.lines.isEmpty());
    bench.later(0, "+#\x01");
    const BootWait checksum = bench.boot.WaitBootReply();
    QVERIFY(checksum.replied(BootReply::Status));
    QCOMPARE(checksum.reply.code, 1);
    QCOMPARE(bench.log.lines, QStringList{"Checksum error !"});
    bench.later(0, QByteArray("+#\x00", 3));
    bench.boot.WaitBootReply();
    QCOMPARE(bench.log.lines.size(), 1);
    QVERIFY(bench.ackTimeout.Enabled());
}

void BootloaderTest::statusByteInALaterRead()
{
    // The report split at every point, each piece in a read of its own.
    const QByteArray report("xx+#\x01", 5);
    for (int split = 1; split < report.size(); ++split) {
        Bench bench;
        QStringList seenBeforeRest{"<not reached>"};
        bench.later(0, report.left(split));
        QTimer::singleShot(40, &bench.link.port, [&] {
            seenBeforeRest = bench.log.lines;
            bench.link.port.feed(report.mid(split));
        });
        const BootWait wait = bench.boot.WaitBootReply();
        QCOMPARE(seenBeforeRest, QStringList());
        QCOMPARE(bench.log.lines, QStringList{"Checksum error !"});
        QVERIFY(wait.replied(BootReply::Status));
    }
}

void BootloaderTest::fReplyEndsTheWaitSilently()
{
    Bench bench;
    bench.later(0, "xx+F");
    QVERIFY(bench.boot.WaitBootReply().replied(BootReply::FReply));
    QVERIFY(bench.log.lines.isEmpty());
    QCOMPARE(bench.link.port.PortOpen(), true);
}

void BootloaderTest::plusBeforeAnUnknownLetterIsNoise()
{
    // A "+" inside a stale frame's floats: it and the bytes up to the next "+" go; a "+" last
    // in a read waits for its letter.
    Bench bench;
    bench.later(0, QByteArray("F\x12\x2B\x5A\x00++", 7));
    bench.later(20, QByteArray("V\x13", 2));
    bench.boot.WaitBootReply();
    QCOMPARE(bench.log.lines, QStringList{"Veltis Bootloader Version 1.9 (33E)."});

    QByteArray buffer("+Z+\x01+P\x00\x01", 8);
    QCOMPARE(ParseBootReply(buffer).kind, BootReply::Incomplete);
    QCOMPARE(buffer, QByteArray("+P\x00\x01", 4));
}

void BootloaderTest::staleBytesAreDroppedBeforeEachCommand()
{
    // What the port holds before a command is sent is no reply to it: an erase reply, a row
    // acknowledgement and a status left over from earlier.
    Bench bench;
    bench.link.port.feed("+E");
    bench.later(0, QByteArray("+V\x11", 3));
    bench.boot.CheckBootloaderVersion();
    QCOMPARE(bench.log.lines, (QStringList{"Checking Bootloader version...",
                                           "Veltis Bootloader Version 1.7 (24F)."}));

    bench.log.lines.clear();
    bench.link.port.feed(QByteArray("+P\x00\x00\x80+#\x01", 8));
    bench.boot.SendBootCommand(QByteArray("+P\x00\x01\x00", 5));
    bench.later(0, QByteArray("+P\x00\x01\x00", 5));
    const BootWait ack = bench.boot.WaitBootReply();
    QVERIFY(ack.replied(BootReply::Acknowledged));
    QCOMPARE(ack.reply.address, 256u);
    QVERIFY(bench.log.lines.isEmpty());
    QVERIFY(bench.link.port.written.endsWith(QByteArray("+P\x00\x01\x00", 5)));
}

void BootloaderTest::replyTimeoutEndsTheWait()
{
    Bench bench;
    bench.boot.setReplyTimeout(200);
    // Bytes that are no reply do not restart the time-out.
    bench.later(50, "xx+");
    bench.later(100, "Zx");
    QElapsedTimer wall;
    wall.start();
    const BootWait missed = bench.boot.WaitBootReply();
    QVERIFY(wall.elapsed() >= 195);
    QVERIFY2(wall.elapsed() < 1500, qPrintable(QString::number(wall.elapsed())));
    QCOMPARE(missed.ending, BootWait::TimedOut);
    QCOMPARE(bench.log.lines, QStringList{"No reply from the bootloader within 0.2 s."});

    // A reply within the time ends the wait as before.
    bench.log.lines.clear();
    bench.later(20, "+E");
    QVERIFY(bench.boot.WaitBootReply().replied(BootReply::Erased));
    QCOMPARE(bench.log.lines, QStringList{"Flash Erased successfully."});
}

void BootloaderTest::waitingSleeps()
{
    SKIP_UNDER_WINE("Wine does not report the CPU a process or thread used");
    Bench bench;
    QTimer::singleShot(300, &bench.link.port, [&] { bench.link.port.drop(); });
    QElapsedTimer wall;
    wall.start();
    const std::clock_t cpuStart = std::clock();
    bench.boot.WaitBootReply();
    const double cpuMs = double(std::clock() - cpuStart) * 1000 / CLOCKS_PER_SEC;
    QVERIFY(wall.elapsed() >= 290);
    // A polling loop would burn the whole 300 ms; a sleeping wait uses next to nothing.
    QVERIFY2(cpuMs < 100, qPrintable(QString::number(cpuMs)));
}

void BootloaderTest::closedPortEndsTheWaitAtOnce()
{
    Bench bench;
    bench.link.port.drop();
    QCOMPARE(bench.boot.WaitBootReply().ending, BootWait::PortClosed);
    QVERIFY(bench.log.lines.isEmpty());
}

void BootloaderTest::stepsLogInOrder()
{
    Bench bench;
    bench.link.port.drop();
    bench.link.port.openCount = 0;
    bench.later(0, "+E");
    // The port is closed: EnsurePortOpen opens it and the erase reply arrives.
    QVERIFY(bench.boot.EraseFlash().replied(BootReply::Erased));
    bench.later(0, "+R");
    QVERIFY(bench.boot.RunApplication().replied(BootReply::Running));
    QCOMPARE(bench.log.lines, (QStringList{"Connection established.", "Erasing Flash Memory...",
                                           "Flash Erased successfully.", "Connection established.",
                                           "Running Application...", "Application Launched."}));
    QCOMPARE(bench.link.port.written, QByteArray("+E+R"));
    QCOMPARE(bench.link.port.openCount, 1);

    bench.log.lines.clear();
    QVERIFY(bench.boot.ResetDevice());
    QCOMPARE(bench.log.lines, (QStringList{"Connection established.", "Device Reset."}));
    QCOMPARE(bench.link.port.written, QByteArray("+E+RG"));
}

void BootloaderTest::resetWithARefusedPort()
{
    Bench bench;
    bench.link.port.drop();
    bench.link.port.refuseOpen = true;
    QElapsedTimer wall;
    wall.start();
    QVERIFY(!bench.boot.ResetDevice());
    QVERIFY(wall.elapsed() >= 95);
    QCOMPARE(bench.log.lines, (QStringList{"Connection refused.", "Device Reset."}));
    QCOMPARE(bench.link.port.written, QByteArray());

    bench.log.lines.clear();
    QCOMPARE(bench.boot.EraseFlash().ending, BootWait::Refused);
    QCOMPARE(bench.boot.RunApplication().ending, BootWait::Refused);
    QCOMPARE(bench.log.lines.mid(3), (QStringList{"Connection refused.", "Running Application...",
                                                  "Send failed because the COM port is closed."}));
    QCOMPARE(bench.log.lines.mid(0, 3),
             (QStringList{"Connection refused.", "Erasing Flash Memory...",
                          "Send failed because the COM port is closed."}));
}

void BootloaderTest::versionCheckDoesNotOpenThePort()
{
    Bench bench;
    bench.link.port.drop();
    bench.link.port.openCount = 0;
    QCOMPARE(bench.boot.CheckBootloaderVersion().ending, BootWait::PortClosed);
    QCOMPARE(bench.log.lines, (QStringList{"Checking Bootloader version...",
                                           "Send failed because the COM port is closed."}));
    QCOMPARE(bench.link.port.openCount, 0);
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(BootloaderTest)
#include "tst_bootloader.moc"
