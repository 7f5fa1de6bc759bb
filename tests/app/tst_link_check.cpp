#include "app/ConnectionPanel.h"
#include "app/LinkCheckDialog.h"
#include "app/MainMenu.h"
#include "link/AdapterPorts.h"
#include "link/LowLatency.h"
#include "session/BoardSession.h"
#include "session/DownloadBackup.h"
#include "support/AppRig.h"
#include "support/BoardProcess.h"
#include "support/FakeSerialControl.h"
#include "support/Files.h"
#include "support/HexLines.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

AdapterPort ftdi(const QString& name, const QString& serial)
{
    AdapterPort p;
    p.name = name;
    p.device = QStringLiteral("/dev/ttyUSB") + QString::number(name.mid(3).toInt() - 33);
    p.description = QStringLiteral("FT232R USB UART");
    p.identity.hasIds = true;
    p.identity.vendorId = 0x0403;
    p.identity.productId = 0x6001;
    p.identity.serialNumber = serial;
    return p;
}

// Chooses the port box's entry of that name from its open list, as the user does.
void chooseFromList(QComboBox* ports, const QString& name)
{
    ports->setFocus();
    ports->showPopup();
    QAbstractItemView* view = ports->view();
    QTRY_VERIFY(view->isVisible());
    view->setCurrentIndex(view->model()->index(ports->findText(name), 0));
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(!view->isVisible());
}

// Whether the message log holds the line (after its time stamp).
bool logged(AppRig& rig, const QString& message)
{
    for (const QString& line : rig.logLines()) {
        if (line.endsWith(QStringLiteral(" : ") + message))
            return true;
    }
    return false;
}

} // namespace

// Help > Check the Link..., the port box following its adapter, and Download Firmware keeping
// the constants, in the window.
class TestLinkCheck : public QObject
{
    Q_OBJECT
private slots:
    // The stored COM33 came back as COM34 after a replug: "Connection" opens COM34, logs the
    // one line and shows it; choosing a port from the list remembers its adapter, or forgets
    // the one remembered before.
    void adapterFollowedAcrossANewName()
    {
        QList<AdapterPort> present{ftdi("COM34", "A10K1234"), ftdi("COM7", "B20X9999")};
        SkyvaneApp::Options o;
        o.adapters = [&present] { return present; };
        FakeSerialControl port;
        AppRig rig(o,
                   "\"ComPort\",\"COM33\"\r\n\"ComAdapter\",\"0403:6001:A10K1234\"\r\n"
                   "\"AutoPortOpen\",\"0\"\r\n",
                   true, &port);
        rig.app->Load();
        Form1& f = rig.form();
        QCOMPARE(f.Combo1->currentText(), QString("COM33"));
        f.Command2->click();
        QVERIFY(port.PortOpen());
        QCOMPARE(port.CommPort(), 34);
        QCOMPARE(f.Combo1->currentText(), QString("COM34"));
        QVERIFY(logged(rig, "COM33 is now COM34: the same adapter (FT232R USB UART, A10K1234)."));
        QVERIFY(rig.settingsFile().contains("\"ComPort\",\"COM34\"\r\n"));
        // Where it is, it stays: no second line.
        f.Command2->click();
        QCOMPARE(port.CommPort(), 34);
        QCOMPARE(rig.logLines().filter("is now").size(), 1);

        // A typed name is the user's: it is not followed.
        present = {ftdi("COM35", "A10K1234")};
        f.Combo1->setEditText(QStringLiteral("COM12"));
        f.Command2->click();
        QCOMPARE(port.CommPort(), 12);

        present = {ftdi("COM7", "B20X9999")};
        chooseFromList(f.Combo1, QStringLiteral("COM7"));
        QVERIFY(rig.settingsFile().contains("\"ComAdapter\",\"0403:6001:B20X9999\"\r\n"));
        chooseFromList(f.Combo1, QStringLiteral("COM8"));
        QVERIFY(rig.settingsFile().contains("\"ComAdapter\",\"\"\r\n"));
    }

    // Ctrl+L's entry shows "Check the Link" with the doctor's report of the open port, copies
    // it, looks for the speed on request, and keeps "Low latency".
    void checkTheLink()
    {
        BoardProcess board({}, BoardProcess::ShowErrors);
        QVERIFY2(board.error().isEmpty(), qPrintable(board.error()));
        AppRig rig;
        rig.app->Load();
        Form1& f = rig.form();
        QCOMPARE(rig.app->menu().checkLink->shortcut(), QKeySequence("Ctrl+L"));
        QCOMPARE(rig.app->session().port().lowLatency(), LowLatencyChoice::Ftdi);
        f.Combo1->setEditText(board.portPath());
        f.Command2->click();
        QVERIFY(rig.app->session().port().PortOpen());

        rig.app->menu().checkLink->trigger();
        LinkCheckDialog* dialog = rig.app->linkCheck();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QString("Check the Link"));
        QVERIFY(dialog->isVisible());
        const QString report = dialog->reportText();
        QVERIFY2(report.startsWith("Check the Link: " + board.portPath() +
                                   " at 115200 Bd, "
                                   "polled every 33 ms"),
                 qPrintable(report));
        QVERIFY2(report.contains("over 100 polls"), qPrintable(report));
        QVERIFY(report.contains("frames lost: 0 of 100"));
        // The port stays open as it was.
        QVERIFY(rig.app->session().port().PortOpen());

        dialog->findChild<QPushButton*>("copy")->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), report);

        dialog->findChild<QPushButton*>("findSpeed")->click();
        QVERIFY2(dialog->reportText().contains("ok       the board answers at 115200 Bd, the "
                                               "speed chosen"),
                 qPrintable(dialog->reportText()));

        QCheckBox* lowLatency = dialog->findChild<QCheckBox*>("lowLatency");
        QVERIFY(lowLatency->isChecked());
        lowLatency->click();
        QCOMPARE(rig.app->session().port().lowLatency(), LowLatencyChoice::Off);
        QVERIFY(rig.settingsFile().contains("\"LowLatency\",\"0\"\r\n"));
        lowLatency->click();
        QCOMPARE(rig.app->session().port().lowLatency(), LowLatencyChoice::On);
        QVERIFY(rig.settingsFile().contains("\"LowLatency\",\"1\"\r\n"));
        dialog->findChild<QPushButton*>("close")->click();
        QVERIFY(!dialog->isVisible());

        // The setting is read at the next start.
        AppRig again(rig.settingsFile(), true);
        QCOMPARE(again.app->session().port().lowLatency(), LowLatencyChoice::On);
    }

    // "Download Firmware" keeps the board's constants in the documents folder, and Import
    // Constants offers that copy first.
    void downloadKeepsTheConstants()
    {
        BoardProcess board({QStringLiteral("--erase-constants")}, BoardProcess::ShowErrors);
        QVERIFY2(board.error().isEmpty(), qPrintable(board.error()));
        QTemporaryDir documents;
        SkyvaneApp::Options o;
        o.documentsFolder = documents.path();
        AppRig rig(o);
        rig.app->Load();
        Form1& f = rig.form();
        const QString firmware = documents.filePath(QStringLiteral("fw.kfw"));
        QVERIFY(writeFile(firmware, TwoSegmentFile()));
        f.Text1->setText(firmware);
        f.Combo1->setEditText(board.portPath());
        f.Command2->click();
        rig.password = QStringLiteral("orvain_panel");
        f.Command15->click();

        f.Command4->click();
        const QString copy = rig.app->download().copyPath();
        QVERIFY2(!copy.isEmpty(), qPrintable(rig.logLines().join("\n")));
        QVERIFY(copy.startsWith(documents.path() + "/skyvane-constants-"));
        QVERIFY(logged(rig, QString("30 constants saved to %1 before the download.").arg(copy)));
        QVERIFY(logged(rig, "Application Launched."));
        QVERIFY2(
            logged(rig,
                   QString("After the download all 30 constants match the copy %1.").arg(copy)),
            qPrintable(rig.logLines().join("\n")));

        QVERIFY(rig.app->menu().importConstants->isEnabled());
        rig.app->menu().importConstants->trigger();
        QCOMPARE(rig.openOffered, QStringList{copy});
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestLinkCheck)
#include "tst_link_check.moc"
