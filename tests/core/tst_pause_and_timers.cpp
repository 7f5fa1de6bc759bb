#include "core/Pause.h"
#include "core/WindowTimer.h"
#include "support/PlatformSkip.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtTest>

#include <ctime>

namespace {
double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}
} // namespace

class TestPauseAndTimers : public QObject
{
    Q_OBJECT
private slots:
    void timersTickDuringPause()
    {
        WindowTimer t("Timer12", 33, true);
        int ticks = 0;
        connect(&t, &WindowTimer::Timer, [&] { ++ticks; });
        QElapsedTimer clock;
        clock.start();
        PauseMs(300);
        QVERIFY(clock.elapsed() >= 299);
        QVERIFY2(ticks >= 5 && ticks <= 10, qPrintable(QString::number(ticks)));
    }

    void zeroPauseProcessesNothing()
    {
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        PauseMs(0);
        PauseMs(-5);
        QVERIFY(!ran);
        QCoreApplication::processEvents();
        QVERIFY(ran);
    }

    void pauseSleeps()
    {
        SKIP_UNDER_WINE("Wine does not report the CPU a process or thread used");
        const double before = cpuSeconds();
        PauseMs(500);
        const double used = cpuSeconds() - before;
        QVERIFY2(used < 0.1, qPrintable(QString::number(used)));
    }

    void nestedPausesBothEndAfterTheirTime()
    {
        QElapsedTimer inner;
        qint64 innerElapsed = -1;
        QTimer::singleShot(50, [&] {
            inner.start();
            PauseMs(100);
            innerElapsed = inner.elapsed();
        });
        QElapsedTimer outer;
        outer.start();
        PauseMs(80);
        QVERIFY(outer.elapsed() >= 79);
        QTRY_VERIFY(innerElapsed >= 99);
    }

    void intervalZeroNeverTicksAndRestartCountsAfresh()
    {
        WindowTimer t("Timer12", 0, true);
        int ticks = 0;
        connect(&t, &WindowTimer::Timer, [&] { ++ticks; });
        PauseMs(60);
        QCOMPARE(ticks, 0);
        QVERIFY(!t.isTicking());
        QVERIFY(t.Enabled());

        t.setInterval(100);
        PauseMs(70);
        t.setEnabled(false);
        t.setEnabled(true);
        PauseMs(70);
        QCOMPARE(ticks, 0);
        PauseMs(60);
        QCOMPARE(ticks, 1);

        t.setEnabled(false);
        t.setInterval(10);
        PauseMs(50);
        QCOMPARE(ticks, 1);
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestPauseAndTimers)
#include "tst_pause_and_timers.moc"
