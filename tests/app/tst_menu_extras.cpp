#include "app/Form1.h"
#include "app/MainMenu.h"
#include "app/OutputControls.h"
#include "app/RecordingControl.h"
#include "app/ReplayControl.h"
#include "app/ReplayWindow.h"
#include "app/SkyvaneApp.h"
#include "core/WindowTimer.h"
#include "link/PortLink.h"
#include "output/RawMirror.h"
#include "protocol/FrameReceiver.h"
#include "protocol/MeasurementDecoder.h"
#include "record/RecordingFormat.h"
#include "session/BoardSession.h"
#include "support/AppRig.h"
#include "support/Bytes.h"
#include "support/FakeSerialControl.h"
#include "support/FileDialogAnswer.h"
#include "support/Files.h"
#include "support/PlatformSkip.h"

#include "session/BoardSession.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

namespace {

// An F frame of 18 floats with the angles and the field given.
QByteArray frameF(float phi, float theta, float psi)
{
    std::vector<float> v(18, 0.0f);
    v[0] = phi;
    v[1] = theta;
    v[2] = psi;
    v[13] = 0.5f;
    v[14] = -0.25f;
    return countedFrame('F', v);
}

bool logHas(AppRig& r, const QString& start)
{
    for (const QString& line : r.logLines()) {
        if (line.contains(start))
            return true;
    }
    return false;
}

} // namespace

class TestMenuExtras : public QObject
{
    Q_OBJECT

private slots:
    void menuBarSitsAboveTheClientArea()
    {
        AppRig r;
        Form1& f = r.form();
        MainMenu& m = r.app->menu();
        QStringList menus;
        for (QAction* a : f.MenuBar->actions())
            menus << a->text();
        QCOMPARE(menus, (QStringList{"&File", "&View", "&Help"}));
        const QList<QPair<QAction*, QString>> keys = {{m.record, "Ctrl+R"},
                                                      {m.replay, "Ctrl+O"},
                                                      {m.exportConstants, "Ctrl+E"},
                                                      {m.importConstants, "Ctrl+I"},
                                                      {m.quit, "Ctrl+Q"},
                                                      {m.plots, "Ctrl+P"},
                                                      {m.magneticField, "Ctrl+M"},
                                                      {m.forwardLiveData, "Ctrl+U"},
                                                      {m.mirrorRawStream, "Ctrl+Shift+M"},
                                                      {m.generateBin, "Ctrl+B"}};
        for (const auto& [action, key] : keys)
            QCOMPARE(action->shortcut(), QKeySequence(key));
        // The client area keeps its designed size; the window grows by the menu bar only.
        const int menuHeight = f.MenuBar->height();
        QVERIFY(menuHeight > 0);
        QCOMPARE(f.Client->geometry(), QRect(0, menuHeight, f.width(), 514));
        QCOMPARE(f.height(), menuHeight + 514);
        QCOMPARE(f.Frame1->parentWidget(), f.Client);
    }

    void aboutShowsTheProgramsVersion()
    {
        AppRig r;
        // main() sets the version the build wrote, with the commit of a clone.
        QCoreApplication::setApplicationVersion(QStringLiteral("6.0+git20261208.824a07f"));
        QString title;
        QString text;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            text = box->text();
            box->accept();
        });
        answer.start(10);
        r.app->menu().about->trigger();
        answer.stop();
        QCoreApplication::setApplicationVersion(QString());
        QCOMPARE(title, QString("About Skyvane"));
        QVERIFY2(text.startsWith("<b>Skyvane 6.0+git20261208.824a07f</b><p>Tool for the VELTIS "),
                 qPrintable(text));
    }

    void generateBinEntryRunsTheButtonsHandler()
    {
        // The entry opens the button's own dialog ("*.hex") and writes the same copy.
        AppRig r;
        QTemporaryDir dir;
        const QString hex = dir.filePath("fw.hex");
        QVERIFY(writeFile(hex, QByteArray("\x01\x02\x03\x04\x05", 5)));
        QString title;
        QTimer answer;
        answer.setInterval(50);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QFileDialog*>(widget);
                if (!dialog || !dialog->isVisible())
                    continue;
                answer.stop();
                title = dialog->windowTitle();
                TypeFileName(dialog, hex);
                return;
            }
        });
        answer.start();
        QCOMPARE(r.app->menu().generateBin->text(), QString("&Generate bin file..."));
        r.app->menu().generateBin->trigger();
        QCOMPARE(title, QString("Generate bin file"));
        QCOMPARE(readFile(hex + ".bin"), QByteArray("\x6F\x70\xAF\x03\x05", 5));
    }

    void recordingThenReplayShowsTheSameValues()
    {
        QTemporaryDir dir;
        AppRig r;
        r.saveAs = dir.filePath("session.csv");
        MainMenu& m = r.app->menu();
        m.record->trigger();
        QVERIFY(r.app->recording().isRecording());
        QCOMPARE(m.record->text(), QString("Stop &Recording"));
        QVERIFY(logHas(r, "Recording to " + r.saveAs));

        FrameReceiver& receiver = r.app->receiver();
        receiver.ReceiveFrames(frameF(0.25f, -0.125f, 1.5f));
        receiver.ReceiveFrames(frameF(0.5f, 0.0625f, 2.0f));
        receiver.ReceiveFrames(countedFrame('G', {0.75f, 0.0f, 1.0f, 1, 2, 3, 4}));
        m.record->trigger();
        QVERIFY(!r.app->recording().isRecording());
        QCOMPARE(m.record->text(), QString("&Record..."));
        QVERIFY(logHas(r, "Recording stopped: 3 frames"));
        const QList<QByteArray> lines = readFile(r.saveAs).split('\n');
        QVERIFY(lines[0].startsWith("# "));
        QCOMPARE(lines.size(), 4 + 1 + 3 + 1);
        QVERIFY(lines[5].contains(",F,0.25,-0.125,1.5,"));
        QVERIFY(lines[7].contains(",G,0.75,0,1,1,2,3,4"));

        // Replay: the decoder and the status box follow the recording, the session leaves Live.
        receiver.ReceiveFrames(frameF(9.0f, 0.0f, 0.0f));
        QCOMPARE(r.app->decoder().Phi(), 9.0f);
        r.openPath = r.saveAs;
        m.replay->trigger();
        QVERIFY(r.app->replay().isReplaying());
        QCOMPARE(r.app->session().mode(), BoardSession::Mode::Replay);
        ReplayWindow* window = r.app->replay().window();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QString("Replay"));
        QTRY_COMPARE(r.app->decoder().Phi(), 0.75f);
        QCOMPARE(r.form().Text32->text(), QString("Replay"));
        window->close();
        QTRY_VERIFY(!r.app->replay().isReplaying());
        QCOMPARE(r.app->session().mode(), BoardSession::Mode::Live);
        QVERIFY(logHas(r, "Replay ended"));
    }

    // Every frame, live or replayed, reaches a UDP socket; the entry shows that it runs and
    // stops it; the address is offered again next time, also after a restart.
    void forwardLiveDataSendsEveryFrame()
    {
        QTemporaryDir dir;
        QUdpSocket receiver;
        QVERIFY(receiver.bind(QHostAddress::LocalHost, 0));
        const QString address = QStringLiteral("127.0.0.1:%1").arg(receiver.localPort());
        {
            AppRig r;
            MainMenu& m = r.app->menu();
            QCOMPARE(m.forwardLiveData->text(), QString("&Forward Live Data..."));
            r.answer = address;
            m.forwardLiveData->trigger();
            QCOMPARE(r.offered, QStringList{"127.0.0.1:9870"});
            QVERIFY(r.app->forwarding().isForwarding());
            QCOMPARE(m.forwardLiveData->text(), "Stop &Forwarding (" + address + ")");
            QVERIFY(logHas(r, "Forwarding live data to " + address + " (UDP JSON)."));

            r.app->receiver().ReceiveFrames(frameF(0.25f, -0.125f, 1.5f));
            QVERIFY(receiver.waitForReadyRead(3000));
            const QJsonObject o =
                QJsonDocument::fromJson(receiver.receiveDatagram().data()).object();
            QCOMPARE(o.value("kind").toString(), QString("F"));
            QCOMPARE(o.value("phi").toDouble(), 0.25);
            QCOMPARE(o.value("hx").toDouble(), 0.5);

            // A replayed frame goes out too.
            r.openPath = dir.filePath("one.csv");
            QVERIFY(
                writeFile(r.openPath, RecordingFormat::headerRow() + "\n0.0,G,1,2,3,4,5,6,7\n"));
            m.replay->trigger();
            QVERIFY(receiver.waitForReadyRead(3000));
            const QJsonObject g =
                QJsonDocument::fromJson(receiver.receiveDatagram().data()).object();
            QCOMPARE(g.value("kind").toString(), QString("G"));
            QCOMPARE(g.value("value4").toDouble(), 7.0);
            r.app->replay().window()->close();

            m.forwardLiveData->trigger();
            QVERIFY(!r.app->forwarding().isForwarding());
            QCOMPARE(m.forwardLiveData->text(), QString("&Forward Live Data..."));
            QVERIFY(logHas(r, "Forwarding to " + address + " stopped: 2 datagrams sent."));

            r.answer.clear();
            m.forwardLiveData->trigger();
            QCOMPARE(r.offered.last(), address);
            QVERIFY(!r.app->forwarding().isForwarding());
            QVERIFY(
                r.settingsFile().contains("\"ForwardAddress\",\"" + address.toUtf8() + "\"\r\n"));
        }
    }

    // The port's bytes reach the mirror's link as they arrive.
    void mirrorRawStreamCopiesThePortsBytes()
    {
        SKIP_UNLESS_LINUX("the mirror offered first is a pseudo-terminal");
        QTemporaryDir dir;
        FakeSerialControl port;
        AppRig r(QByteArray(), false, &port);
        MainMenu& m = r.app->menu();
        r.answer = dir.filePath("mirror");
        m.mirrorRawStream->trigger();
        QCOMPARE(r.offered, QStringList{"/tmp/skyvane-mirror"});
        QVERIFY(r.app->mirroring().isMirroring());
        QCOMPARE(m.mirrorRawStream->text(), "Stop &Mirroring (" + r.answer + ")");
        QFile reader(r.answer);
        QVERIFY(reader.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        r.app->link().M().setPortOpen(true);
        r.form().Timer2->setEnabled(true);
        const QByteArray bytes = frameF(0.25f, 0, 0) + "*Hi#";
        port.feed(bytes);
        QTRY_COMPARE(r.app->mirroring().mirror().mirrored(), bytes.size());
        QCOMPARE(reader.read(bytes.size()), bytes);
        m.mirrorRawStream->trigger();
        QVERIFY(!QFileInfo(r.answer).isSymLink());
        QVERIFY(logHas(r, "Mirror " + r.answer + " closed: " + QString::number(bytes.size()) +
                              " bytes mirrored, 0 dropped."));
    }

    void malformedRecordingIsRefused()
    {
        QTemporaryDir dir;
        AppRig r;
        r.openPath = dir.filePath("bad.csv");
        QVERIFY(writeFile(r.openPath, "not a recording\n"));
        r.app->menu().replay->trigger();
        QVERIFY(!r.app->replay().isReplaying());
        QVERIFY(logHas(r, "Replay refused: " + r.openPath));
    }

    void constantsFileEntriesFollowThePanelAndSendOnlyTheDifference()
    {
        QTemporaryDir dir;
        FakeSerialControl port;
        AppRig r(QByteArray(), false, &port);
        MainMenu& m = r.app->menu();
        QVERIFY(!m.exportConstants->isEnabled());
        // A table arrives: still off while the advanced frame is hidden.
        r.app->receiver().ReceiveFrames(hex("5B 00 00 00 40") + floatsBytes({1.0f, 2.5f}));
        QVERIFY(!m.exportConstants->isEnabled());
        r.password = QStringLiteral("orvain_panel");
        r.form().Command15->click();
        QVERIFY(m.exportConstants->isEnabled());
        QVERIFY(m.importConstants->isEnabled());

        r.saveAs = dir.filePath("table.csv");
        m.exportConstants->trigger();
        const QByteArray exported = readFile(r.saveAs);
        QVERIFY(exported.startsWith("# "));
        QVERIFY(exported.endsWith("0,1\r\n1,2.5\r\n") || exported.endsWith("0,1\n1,2.5\n"));

        // The file changes entry 1 only: exactly its update command goes out.
        r.openPath = dir.filePath("changed.csv");
        QVERIFY(writeFile(r.openPath, "# edited\n0,1\n1,3.5\n"));
        r.app->link().M().setPortOpen(true);
        port.written.clear();
        m.importConstants->trigger();
        QCOMPARE(r.shownDifferences.size(), 1);
        QCOMPARE(port.written, hex("21 00 01 00 00 60 40") + QByteArray("["));
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestMenuExtras)
#include "tst_menu_extras.moc"
