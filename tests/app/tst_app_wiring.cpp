#include "ModalAnswer.h"
#include "app/ConstantsFileControl.h"
#include "app/ConstantsPanel.h"
#include "app/MainMenu.h"
#include "app/OutputControls.h"
#include "app/RecordingControl.h"
#include "app/ReplayControl.h"
#include "app/ReplayWindow.h"
#include "core/SettingsFolder.h"
#include "core/WindowTimer.h"
#include "display/CockpitView.h"
#include "plots/FieldWindow.h"
#include "plots/PlotsWindow.h"
#include "protocol/FrameReceiver.h"
#include "protocol/MeasurementStream.h"
#include "record/RecordingFormat.h"
#include "record/RecordingReader.h"
#include "session/BoardSession.h"
#include "support/AppRig.h"
#include "support/Bytes.h"
#include "support/FakeSerialControl.h"
#include "support/FileDialogAnswer.h"
#include "support/Files.h"
#include "support/LinkOver.h"
#include "support/MemoryLogger.h"
#include "support/PlatformSkip.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The program whose save dialogs also tell their titles and suggested paths.
struct Rig : AppRig
{
    using AppRig::AppRig;
    QString chooseSaveFile(const QString& title, const QString& suggested) override
    {
        saveTitles << title;
        suggestions << suggested;
        return saveAs;
    }
    bool logHas(const QString& text)
    {
        for (const QString& line : logLines()) {
            if (line.contains(text))
                return true;
        }
        return false;
    }
    QStringList saveTitles;
    QStringList suggestions;
};

// A suggested path: the name with its time stamp, in the documents folder (home without one).
bool suggestsInDocuments(const QString& path, const QString& prefix, const QString& suffix)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    const QRegularExpression name(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(QDir(folder).filePath(prefix)) + "\\d{8}-\\d{6}" +
        QRegularExpression::escape(suffix)));
    return name.match(path).hasMatch();
}

// A table of constants as the board sends it: "[", the count as a float, the values.
QByteArray constantsFrame(const std::vector<float>& values)
{
    return QByteArray("[") + floatBytes(float(values.size())) + floatsBytes(values);
}

void showAdvancedFrame(Rig& r)
{
    r.password = QStringLiteral("orvain_panel");
    r.form().Command15->click();
}

} // namespace

class TestAppWiring : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // View > Plots makes its window once; its export asks through the program's prompts and
    // a failure goes to the log.
    void plotsWindowIsMadeOnceAndReportsToTheLog()
    {
        QTemporaryDir dir;
        Rig r;
        QVERIFY(!r.app->plots());
        r.app->menu().plots->trigger();
        PlotsWindow* plots = r.app->plots();
        QVERIFY(plots);
        QVERIFY(plots->isVisible());
        QCOMPARE(plots->windowTitle(), QString("Plots"));
        plots->hide();
        r.app->menu().plots->trigger();
        QCOMPARE(r.app->plots(), plots);
        QVERIFY(plots->isVisible());

        r.saveAs = dir.filePath("missing/plots.png");
        plots->exportShown();
        QCOMPARE(r.saveTitles, QStringList{"Export Plots"});
        QVERIFY2(suggestsInDocuments(r.suggestions.value(0), "skyvane-plots-", ".png"),
                 qPrintable(r.suggestions.value(0)));
        QVERIFY(r.logLines().last().contains(" : Plots export failed: cannot write " + r.saveAs +
                                             ": "));
        QVERIFY(!QFile::exists(r.saveAs));
    }

    // View > Magnetic Field shows one window; closed, it goes, and the entry makes a new one.
    void fieldWindowGoesWhenClosed()
    {
        Rig r;
        QVERIFY(!r.app->field());
        r.app->menu().magneticField->trigger();
        QPointer<FieldWindow> first = r.app->field();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QCOMPARE(first->windowTitle(), QString("Magnetic Field"));
        r.app->menu().magneticField->trigger();
        QCOMPARE(r.app->field(), first.data());
        first->close();
        QTRY_VERIFY(!first);
        QVERIFY(!r.app->field());
        r.app->menu().magneticField->trigger();
        QVERIFY(r.app->field());
        QVERIFY(r.app->field()->isVisible());
        // The open window goes with the program.
        QPointer<FieldWindow> second = r.app->field();
        r.app.reset();
        QVERIFY(!second);
    }

    void quitClosesTheWindow()
    {
        Rig r;
        r.app->Load();
        QVERIFY(!r.ended);
        r.app->menu().quit->trigger();
        QVERIFY(r.ended);
        QVERIFY(!r.form().isVisible());
    }

    // "..." opens the firmware dialog; the package chosen goes to the box and the settings,
    // a cancelled dialog leaves both.
    void firmwareButtonTakesTheChosenPackage()
    {
        QTemporaryDir dir;
        const QString package = dir.filePath("board.kfw");
        QVERIFY(writeFile(package, "package"));
        Rig r;
        QStringList filters;
        ModalAnswer<QFileDialog> choose([&](QFileDialog* d) {
            filters = d->nameFilters();
            TypeFileName(d, package);
        });
        r.form().Command5->click();
        QCOMPARE(choose.title(), QString("Firmware package"));
        QCOMPARE(filters, QStringList{"Firmware (*.kfw)"});
        QCOMPARE(r.form().Text1->text(), package);
        QVERIFY(r.settingsFile().contains("\"Firmware\",\"" + package.toUtf8() + "\"\r\n"));

        ModalAnswer<QFileDialog> cancel([](QFileDialog* d) { static_cast<QDialog*>(d)->reject(); });
        r.form().Command5->click();
        QVERIFY(cancel.answered());
        QCOMPARE(r.form().Text1->text(), package);
    }

    // Timer3 runs once: the set-up of the horizon is repeated and the timer turns itself off.
    void timer3TurnsItselfOff()
    {
        Rig r;
        const long long setUps = r.form().Cockpit->setUps();
        r.form().Timer3->setEnabled(true);
        QTRY_VERIFY(!r.form().Timer3->Enabled());
        // Its one tick set OpenGL up again.
        QCOMPARE(r.form().Cockpit->setUps(), setUps + 1);
    }

    // A program folder that cannot hold the settings: they go to the fallback folder, which
    // the program made from its folder alone names, with one log line.
    void programFolderAloneFallsBackForSettings()
    {
        QTemporaryDir dir;
        const QString notAFolder = dir.filePath("skyvane");
        QVERIFY(writeFile(notAFolder, "a program, not a folder"));
        const QString fallback = QDir(SettingsFallbackFolder()).filePath("Settings.ini");
        QFile::remove(fallback);
        {
            SkyvaneApp app(notAFolder);
            app.form().Check7->setChecked(true);
            // The plots keep their own export dialog.
            app.menu().plots->trigger();
            QVERIFY(app.plots() && app.plots()->isVisible());
            const QStringList lines = app.log().lines();
            QCOMPARE(lines.size(), 1);
            QVERIFY2(lines[0].endsWith(" : Settings cannot be written in " +
                                       QDir::toNativeSeparators(notAFolder) +
                                       "; they are kept in " + QDir::toNativeSeparators(fallback) +
                                       "."),
                     qPrintable(lines[0]));
        }
        QCOMPARE(readFile(fallback), QByteArray("\"TrameAuto\",\"1\"\r\n"));
        QFile::remove(fallback);
    }

    // A stored speed and a stored "0" are restored over what the boxes held.
    void storedSpeedAndClearedBoxesAreRestored()
    {
        Rig r("\"ComSpeed\",\"9600\"\r\n\"TrameAuto\",\"0\"\r\n\"AutoPortOpen\",\"0\"\r\n", true);
        for (QCheckBox* box : {r.form().Check4, r.form().Check7}) {
            box->blockSignals(true);
            box->setChecked(true);
            box->blockSignals(false);
        }
        r.app->Load();
        QCOMPARE(r.form().Combo2->currentText(), QString("9600"));
        QVERIFY(!r.form().Check7->isChecked());
        QVERIFY(!r.form().Check4->isChecked());
        QVERIFY(r.logLines().last().endsWith(" : Application started."));
    }

    // Record...: the suggested name, a cancelled dialog, and a file that takes no byte.
    void recordingThatCannotWriteEndsAtOnce()
    {
        SKIP_UNLESS_LINUX("a full disk is /dev/full");
        Rig r;
        MainMenu& m = r.app->menu();
        MeasurementStream& stream = r.app->session().stream();
        const int listening = stream.listenerCount();
        m.record->trigger();
        QVERIFY(!r.app->recording().isRecording());
        QCOMPARE(r.saveTitles, QStringList{"Record to"});
        QVERIFY2(suggestsInDocuments(r.suggestions.value(0), "skyvane-", ".csv"),
                 qPrintable(r.suggestions.value(0)));
        QCOMPARE(r.logLines(), QStringList());

        r.saveAs = QStringLiteral("/dev/full");
        m.record->trigger();
        QVERIFY(!r.app->recording().isRecording());
        QCOMPARE(m.record->text(), QString("&Record..."));
        QCOMPARE(r.logLines().size(), 1);
        QVERIFY2(r.logLines()[0].endsWith(" : Recording stopped: cannot write /dev/full: No space "
                                          "left on device"),
                 qPrintable(r.logLines()[0]));
        // The failed recording let go of the measurements: nothing more listens than before.
        QCOMPARE(stream.listenerCount(), listening);
        r.app->receiver().ReceiveFrames(countedFrame('G', {0.75f, 0.0f, 1.0f, 1, 2, 3, 4}));
        QCOMPARE(r.logLines().size(), 1);

        r.saveAs = QStringLiteral("/nonexistent-folder/flight.csv");
        m.record->trigger();
        QVERIFY(!r.app->recording().isRecording());
        QVERIFY(r.logLines().last().contains(
            " : Recording stopped: cannot write /nonexistent-folder/flight.csv: "));
    }

    // Closing the window ends the program only after the frames the port still held are
    // recorded, the recording is written and closed, and the mirror's link is removed, each
    // with its closing line.
    void closingWritesTheRecordingAndRemovesTheMirror()
    {
        SKIP_UNLESS_LINUX("the mirror is a pseudo-terminal");
        QTemporaryDir dir;
        FakeSerialControl port;
        Rig r(QByteArray(), false, &port);
        QVERIFY(r.app->session().OpenPort(QStringLiteral("COM3"), QStringLiteral("115200")));
        r.saveAs = dir.filePath("close.csv");
        r.app->menu().record->trigger();
        r.answer = dir.filePath("mirror");
        r.app->menu().mirrorRawStream->trigger();
        QVERIFY(QFileInfo(r.answer).isSymLink());
        r.app->receiver().ReceiveFrames(countedFrame('G', {0.25f, 0.0f, 1.0f, 1, 2, 3, 4}));
        // Bytes the port holds but nobody has read yet.
        port.queue(countedFrame('G', {0.5f, 0.0f, 1.0f, 1, 2, 3, 4}));

        r.form().close();
        QVERIFY(r.ended);
        QVERIFY(!QFileInfo(r.answer).exists() && !QFileInfo(r.answer).isSymLink());
        QVERIFY(r.logHas(" : Recording stopped: 2 frames, "));
        QVERIFY(r.logHas(" : Mirror " + r.answer + " closed: "));
        const RecordingReader::Result read = RecordingReader::read(r.saveAs);
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.recording.frames.size(), 2);
        QCOMPARE(read.recording.frames[1].measurement.values.value(0), 0.5f);
    }

    // A recording running when the program ends is closed with its line, and lets go of the
    // measurements.
    void recordingEndsWithItsControl()
    {
        QTemporaryDir dir;
        QAction action(QStringLiteral("&Record..."));
        MeasurementStream stream;
        MemoryLogger log;
        const QString path = dir.filePath("end.csv");
        {
            RecordingControl control(
                &action, stream, log, [&path](const QString&) { return path; },
                [] { return RecordingFormat::Info{}; });
            action.trigger();
            QVERIFY(control.isRecording());
            QCOMPARE(stream.listenerCount(), 1);
            Measurement m;
            m.kind = 'G';
            m.values = {1, 2, 3, 4, 5, 6, 7};
            stream.publish(m);
        }
        QCOMPARE(stream.listenerCount(), 0);
        QCOMPARE(log.lines.size(), 2);
        QVERIFY2(log.lines[1].startsWith("Recording stopped: 1 frames, "),
                 qPrintable(log.lines[1]));
        QVERIFY(readFile(path).contains(",G,1,2,3,4,5,6,7"));
    }

    // Replay...: cancelled, nothing happens; a second file plays in the same window; the
    // window goes with the program.
    void replayReusesItsWindow()
    {
        QTemporaryDir dir;
        Rig r;
        MainMenu& m = r.app->menu();
        m.replay->trigger();
        QVERIFY(!r.app->replay().isReplaying());
        QCOMPARE(r.logLines(), QStringList());

        r.openPath = dir.filePath("one.csv");
        QVERIFY(writeFile(r.openPath, RecordingFormat::headerRow() + "\n0.0,G,1,2,3,4,5,6,7\n"));
        m.replay->trigger();
        QPointer<ReplayWindow> window = r.app->replay().window();
        QVERIFY(window);
        const QString two = dir.filePath("two.csv");
        QVERIFY(writeFile(two, RecordingFormat::headerRow() +
                                   "\n0.0,G,1,2,3,4,5,6,7\n0.05,G,2,2,3,4,5,6,7\n"));
        r.openPath = two;
        m.replay->trigger();
        QCOMPARE(r.app->replay().window(), window.data());
        QVERIFY(r.app->replay().isReplaying());
        QVERIFY(r.logLines().last().endsWith(" : Replaying " + two + " (2 frames)."));
        QVERIFY(!r.logHas("Replay ended"));

        r.app.reset();
        QVERIFY(!window);
    }

    // Export and Import Constants: cancelled dialogs, a file that cannot be written or read.
    void constantsFileFailuresAreLogged()
    {
        QTemporaryDir dir;
        FakeSerialControl port;
        Rig r(QByteArray(), false, &port);
        MainMenu& m = r.app->menu();
        // The frame shown first, the table read after: the entries follow the table.
        showAdvancedFrame(r);
        QVERIFY(!m.exportConstants->isEnabled());
        r.app->receiver().ReceiveFrames(constantsFrame({1.0f, 2.5f}));
        QVERIFY(m.exportConstants->isEnabled());
        QVERIFY(m.importConstants->isEnabled());
        const int lines = int(r.logLines().size());

        m.exportConstants->trigger();
        QCOMPARE(r.saveTitles, QStringList{"Export Constants"});
        QVERIFY2(suggestsInDocuments(r.suggestions.value(0), "constants-", ".csv"),
                 qPrintable(r.suggestions.value(0)));
        QCOMPARE(r.logLines().size(), lines);

        r.saveAs = dir.filePath("missing/table.csv");
        m.exportConstants->trigger();
        QCOMPARE(r.logLines().size(), lines + 1);
        QVERIFY2(
            r.logLines().last().contains(" : Constants cannot be written to " + r.saveAs + ": "),
            qPrintable(r.logLines().last()));
        QVERIFY(!QFile::exists(r.saveAs));

        r.saveAs = dir.filePath("table.csv");
        m.exportConstants->trigger();
        QVERIFY(r.logLines().last().endsWith(" : 2 constants exported to " + r.saveAs + "."));

        r.app->link().M().setPortOpen(true);
        port.written.clear();
        m.importConstants->trigger();
        QCOMPARE(port.written, QByteArray());
        QCOMPARE(r.logLines().size(), lines + 2);

        r.openPath = dir.filePath("none.csv");
        m.importConstants->trigger();
        QCOMPARE(port.written, QByteArray());
        QFile missing(r.openPath);
        QVERIFY(!missing.open(QIODevice::ReadOnly));
        // The system's own words for a missing file.
        QVERIFY2(r.logLines().last().endsWith(" : Import refused: " + r.openPath +
                                              " cannot be read: " + missing.errorString() +
                                              ". Nothing was sent."),
                 qPrintable(r.logLines().last()));
    }

    // Without a table there is nothing to export: no dialog, no file.
    void exportWithoutATableAsksNothing()
    {
        MemoryLogger log;
        FakeLink link(log);
        QWidget window;
        QListWidget list(&window);
        QLineEdit text(&window);
        QPushButton send(&window);
        ConstantsPanel panel(&list, &text, &send, link, log);
        QAction exportAction;
        QAction importAction;
        int asked = 0;
        ConstantsFileControl::Dialogs dialogs;
        dialogs.chooseExport = [&asked](const QString&) {
            ++asked;
            return QString();
        };
        ConstantsFileControl control(
            &exportAction, &importAction, panel, link, log, [] { return QStringLiteral("COM1"); },
            dialogs);
        control.update(true);
        QVERIFY(!exportAction.isEnabled());
        control.exportFile();
        QCOMPARE(asked, 0);
        QCOMPARE(log.lines, QStringList());
    }

    // Forward and mirror entries: a refused address or path is not kept and the entry stays.
    void refusedForwardAndMirrorAreNotKept()
    {
        QTemporaryDir dir;
        Rig r("\"ForwardAddress\",\"127.0.0.1:9999\"\r\n\"MirrorPath\",\"" +
                  dir.filePath("kept").toUtf8() + "\"\r\n",
              true);
        MainMenu& m = r.app->menu();
        r.answer = QStringLiteral("no port here");
        m.forwardLiveData->trigger();
        QCOMPARE(r.offered, QStringList{"127.0.0.1:9999"});
        QVERIFY(!r.app->forwarding().isForwarding());
        QCOMPARE(m.forwardLiveData->text(), QString("&Forward Live Data..."));
        QVERIFY(r.logLines().last().contains(" : Forwarding refused: "));
        QVERIFY(r.settingsFile().contains("\"ForwardAddress\",\"127.0.0.1:9999\"\r\n"));

        r.answer = dir.filePath("missing/mirror");
        m.mirrorRawStream->trigger();
        QCOMPARE(r.offered.last(), dir.filePath("kept"));
        QVERIFY(!r.app->mirroring().isMirroring());
        QCOMPARE(m.mirrorRawStream->text(), QString("&Mirror Raw Stream..."));
        QVERIFY(r.logLines().last().contains(" : Mirror refused: "));
        QVERIFY(!r.settingsFile().contains("missing/mirror"));

        // Cancelled: nothing starts, nothing is logged.
        const int lines = int(r.logLines().size());
        r.answer.clear();
        m.mirrorRawStream->trigger();
        QVERIFY(!r.app->mirroring().isMirroring());
        QCOMPARE(r.logLines().size(), lines);
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestAppWiring)
#include "tst_app_wiring.moc"
