#include "core/WindowTimer.h"
#include "display/PictureBox.h"
#include "support/AppRig.h"
#include "support/FakeSerialControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class TestStartUp : public QObject
{
    Q_OBJECT
private slots:
    void firstRunGivesDefaults()
    {
        AppRig r;
        r.app->Load();
        Form1& f = r.form();
        QVERIFY(f.isVisible());
        QCOMPARE(f.windowTitle(), QString("VELTIS - Skyvane 6.0"));
        QCOMPARE(r.settingsFile(), QByteArray());
        QCOMPARE(f.Combo1->currentText(), QString("COM1"));
        QCOMPARE(f.Combo1->itemText(0), QString("COM1"));
        // Linux lists its COM-number table; Windows lists the ports the system has.
        if (QSysInfo::kernelType() == QStringLiteral("linux")) {
            QVERIFY(f.Combo1->count() >= 32);
            QCOMPARE(f.Combo1->itemText(31), QString("COM32"));
        }
        QCOMPARE(f.Combo2->currentText(), QString("115200"));
        QCOMPARE(f.Combo2->count(), 12);
        QCOMPARE(f.Combo2->itemText(0), QString("1200"));
        QCOMPARE(f.Combo2->itemText(11), QString("921600"));
        QCOMPARE(f.Combo3->currentText(), QString("33ms"));
        QCOMPARE(f.Combo3->count(), 4);
        QCOMPARE(f.Combo3->itemText(3), QString("1000ms"));
        QVERIFY(!f.Check4->isChecked());
        QVERIFY(!f.Check7->isChecked());
        QCOMPARE(f.Text1->text(), QString());
        const QStringList lines = r.logLines();
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines[0].endsWith(" : Application started."));
        QCOMPARE(lines[0].size(), 21 + 3 + 20);
        QCOMPARE(f.Text32->text(), QString("Data OK"));
        QCOMPARE(f.Text3->toPlainText(), QString("Hx : 0\nHy : 0\nHz : 0"));
        QCOMPARE(f.Timer12->Interval(), 33);
        QCOMPARE(r.settingsFile(), QByteArray());
    }

    void windowHasItsControlsInPlace()
    {
        AppRig r;
        Form1& f = r.form();
        const struct
        {
            const char* name;
            QRect twips;
        } placed[] = {
            {"Frame1", {0, 0, 4815, 1215}},          {"Combo3", {2280, 240, 975, 315}},
            {"Text2", {0, 6600, 4850, 1125}},        {"Cockpit", {4920, 0, 7455, 4815}},
            {"Route", {4920, 4800, 7455, 2895}},     {"Frame5", {12480, 0, 4095, 7695}},
            {"L", {120, 960, 3855, 4935}},           {"Command6", {2040, 8520, 2415, 375}},
            {"BootProgress", {120, 7485, 3855, 135}}};
        for (const auto& p : placed) {
            auto* w = f.findChild<QWidget*>(p.name);
            QVERIFY2(w, p.name);
            const QRect px(qRound(p.twips.x() / 15.0), qRound(p.twips.y() / 15.0),
                           qRound(p.twips.width() / 15.0), qRound(p.twips.height() / 15.0));
            QCOMPARE(w->geometry(), px);
        }
        QCOMPARE(f.findChild<QPushButton*>("Command15")->text(), QString("Advanced..."));
        QCOMPARE(f.findChild<QGroupBox*>("Frame6")->title(), QString("Calibration :"));
        QCOMPARE(f.Text4->text(), QString("Disconnected"));
        QCOMPARE(f.Text4->font().pointSize(), 12);
        QCOMPARE(f.Text4->font().families().value(0), QString("Courier"));
        // Where Courier is missing, a typewriter face stands in for it, not whatever comes first.
        QVERIFY(QFontInfo(f.Text4->font()).fixedPitch());
        QCOMPARE(f.Route->BackColor(), QColor(0x80, 0x80, 0x80));
        // Command6 and the advanced frame lie outside the basic window.
        QVERIFY(f.Command6->geometry().top() >= f.height());
        QVERIFY(f.Frame5->geometry().left() >= f.width());
        f.setOuterWidth(16710);
        QVERIFY(f.Frame5->geometry().right() < f.width());

        QCOMPARE(f.Timer1->Interval(), 500);
        QVERIFY(f.Timer1->Enabled());
        QCOMPARE(f.Timer2->Interval(), 1);
        QVERIFY(!f.Timer2->Enabled());
        QCOMPARE(f.Timer3->Interval(), 500);
        QVERIFY(!f.Timer3->Enabled());
        QCOMPARE(f.Timer11->Interval(), 1000);
        QCOMPARE(f.Timer13->Interval(), 10000);
        QVERIFY(f.Timer13->Enabled());
        // The data request and the "No Data" watchdog keep their time to the millisecond.
        QCOMPARE(f.Timer11->timerType(), Qt::PreciseTimer);
        QCOMPARE(f.Timer12->timerType(), Qt::PreciseTimer);
        f.Combo3->setEditText("100ms");
        QCOMPARE(f.Timer12->Interval(), 100);
        QCOMPARE(f.Timer12->timerType(), Qt::PreciseTimer);
    }

    void storedChoicesAreRestored()
    {
        AppRig r("\"ComPort\",\"COM40\"\r\n\"Rate\",\"100ms\"\r\n\"TrameAuto\",\"1\"\r\n"
                 "\"Firmware\",\"/opt/fw, new/board.kfw\"\r\n",
                 true);
        r.app->Load();
        Form1& f = r.form();
        QCOMPARE(f.Combo1->currentText(), QString("COM40"));
        QCOMPARE(f.Timer12->Interval(), 100);
        QVERIFY(f.Check7->isChecked());
        QCOMPARE(f.Text1->text(), QString("/opt/fw, new/board.kfw"));
        QCOMPARE(r.logLines().size(), 1);
        // The restored check box stores itself again, in its line.
        QVERIFY(r.settingsFile().contains("\"TrameAuto\",\"1\"\r\n"));
    }

    void handEditedValuesLeaveDefaults_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("yes") << QByteArray("yes");
        QTest::newRow("2") << QByteArray("2");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("minus") << QByteArray("-1");
    }
    void handEditedValuesLeaveDefaults()
    {
        QFETCH(QByteArray, value);
        AppRig r("\"AutoPortOpen\",\"" + value + "\"\r\n\"TrameAuto\",\"" + value +
                     "\"\r\n"
                     "\"Rate\",\"abc\"\r\n",
                 true);
        r.app->Load();
        QVERIFY(!r.form().Check4->isChecked());
        QVERIFY(!r.form().Check7->isChecked());
        QCOMPARE(r.form().Timer12->Interval(), 33);
        QVERIFY(r.logLines().last().endsWith("Application started."));
    }

    void automaticConnectionAtStartUp()
    {
        FakeSerialControl port;
        AppRig r("\"ComPort\",\"COM3\"\r\n\"AutoPortOpen\",\"1\"\r\n", true, &port);
        r.app->Load();
        QVERIFY(port.PortOpen());
        QCOMPARE(port.CommPort(), 3);
        QCOMPARE(port.Settings(), QString("115200,n,8,1"));
        const QStringList lines = r.logLines();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].endsWith(" : Port COM3 opened."));
        QVERIFY(lines[1].endsWith(" : Application started."));
    }

    void failedAutomaticConnectionIsLoggedFirst()
    {
        FakeSerialControl port;
        port.refuseOpen = true;
        port.refusal = {PortError::Busy, "Port /dev/ttyS2 is busy"};
        AppRig r("\"ComPort\",\"COM3\"\r\n\"AutoPortOpen\",\"1\"\r\n", true, &port);
        r.app->Load();
        QVERIFY(!port.PortOpen());
        const QStringList lines = r.logLines();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].endsWith(" : Port /dev/ttyS2 is busy"));
        QVERIFY(r.form().Check4->isChecked());
    }

    void closingTheWindowEndsTheProgram()
    {
        AppRig r;
        r.app->Load();
        r.form().close();
        QVERIFY(r.ended);
    }

    void lockUsesTheRealPasswordBox()
    {
        QTemporaryDir dir;
        SkyvaneApp::Options o;
        o.programFolder = dir.path();
        o.endProgram = [] {};
        SkyvaneApp app(o);
        app.Load();
        QString prompt;
        QString boxText;
        QMessageBox::Icon boxIcon = QMessageBox::Critical;
        QList<QAbstractButton*> boxButtons;
        QTimer::singleShot(100, [&] {
            auto* input = QApplication::activeModalWidget();
            QVERIFY(input);
            prompt = input->findChild<QLabel*>()->text();
            input->findChild<QLineEdit*>()->setText("orvain_panel ");
            QTest::keyClick(input, Qt::Key_Return);
            QTimer::singleShot(100, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box);
                boxText = box->text();
                boxIcon = box->icon();
                boxButtons = box->buttons();
                box->accept();
            });
        });
        app.form().Command15->click();
        QCOMPARE(prompt, QString("You need a password to show advanced settings."));
        QCOMPARE(boxText, QString("Wrong password"));
        QCOMPARE(boxIcon, QMessageBox::NoIcon);
        QCOMPARE(boxButtons.size(), 1);
        QCOMPARE(app.form().outerWidth(), 12495);
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"
