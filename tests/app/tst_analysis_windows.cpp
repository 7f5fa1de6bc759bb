#include "app/Form1.h"
#include "app/MainMenu.h"
#include "plots/AllanWindow.h"
#include "plots/PlotsWindow.h"
#include "protocol/MeasurementStream.h"
#include "session/BoardSession.h"
#include "support/AppRig.h"
#include "support/Files.h"

#include <QAction>
#include <QMenuBar>
#include <QTest>

#include <cmath>

// View > Allan Deviation (Ctrl+D): one window that opens recordings through the program's
// dialogs, takes the plots' frames and reports to the message log.
class TestAnalysisWindows : public QObject
{
    Q_OBJECT
private slots:
    void ctrlDIsTheAllanDeviationsAlone()
    {
        AppRig r;
        QAction* entry = r.app->menu().allanDeviation;
        QCOMPARE(entry->text(), QStringLiteral("&Allan Deviation"));
        QCOMPARE(entry->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
        int sameKeys = 0;
        for (QAction* action : r.form().findChildren<QAction*>())
            sameKeys += action->shortcut() == QKeySequence(QStringLiteral("Ctrl+D")) ? 1 : 0;
        QCOMPARE(sameKeys, 1);
        bool inView = false;
        for (QAction* menu : r.form().MenuBar->actions())
            if (menu->text() == QStringLiteral("&View") && menu->menu())
                inView = menu->menu()->actions().contains(entry);
        QVERIFY(inView);
    }

    void opensOnceWithTheProgramsDialogs()
    {
        AppRig r;
        QVERIFY(!r.app->allan());
        r.app->menu().allanDeviation->trigger();
        AllanWindow* w = r.app->allan();
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Allan Deviation"));
        r.app->menu().allanDeviation->trigger();
        QCOMPARE(r.app->allan(), w);

        // Ctrl+O in the window asks the program's open dialog; a refusal is logged.
        QTemporaryDir dir;
        r.openPath = dir.filePath(QStringLiteral("missing.csv"));
        for (QAction* a : w->actions())
            if (a->shortcut() == QKeySequence(QStringLiteral("Ctrl+O")))
                a->trigger();
        QVERIFY2(r.logLines().last().contains(
                     QStringLiteral("Allan deviation: recording %1 refused: cannot read")
                         .arg(r.openPath)),
                 qPrintable(r.logLines().last()));
        QVERIFY(writeFile(r.openPath,
                          "time,kind,phi,theta,psi,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13,hx,"
                          "hy,hz,code,f18\n0.000000,F,1\n"));
        for (QAction* a : w->actions())
            if (a->shortcut() == QKeySequence(QStringLiteral("Ctrl+O")))
                a->trigger();
        QCOMPARE(w->windowTitle(), QStringLiteral("Allan Deviation — missing.csv"));
    }

    // The plots' frames, stamped by the plots' clock, once three minutes are held.
    void takesThePlotsFrames()
    {
        AppRig r;
        r.app->menu().plots->trigger();
        double now = 0;
        r.app->plots()->setClock([&now] { return now; });
        r.app->menu().allanDeviation->trigger();
        AllanWindow* w = r.app->allan();
        MeasurementStream& stream = r.app->session().stream();
        for (int i = 0; i < 2000; ++i) {
            now = i * 0.1;
            Measurement m;
            m.kind = 'F';
            m.values = QList<float>(18, 0.0f);
            m.values[6] = float(std::sin(i * 1.3));
            stream.publish(m);
        }
        QCOMPARE(w->takePlotsFrames(), QString());
        QCOMPARE(w->windowTitle(), QStringLiteral("Allan Deviation — Plots history"));
        QVERIFY(w->setColumnChecked("f7", true));
        QCOMPARE(w->results().front().timing.samples, std::size_t(2000));
    }

    // Without the plots open there are no frames: the window says why.
    void withoutThePlots()
    {
        AppRig r;
        r.app->menu().allanDeviation->trigger();
        QVERIFY(r.app->allan()->takePlotsFrames().startsWith(
            QStringLiteral("The plots hold 0 s of frames")));
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestAnalysisWindows)
#include "tst_analysis_windows.moc"
