#include "app/ConnectionPanel.h"
#include "core/SettingsFile.h"
#include "core/WindowTimer.h"
#include "link/PortLink.h"
#include "protocol/MeasurementDecoder.h"
#include "support/AppRig.h"
#include "support/Bytes.h"
#include "support/Pty.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QWheelEvent>
#include <QtTest>

#include <ctime>

namespace {

QByteArray fFrame(float phi, float hx, float hy, float hz, float step)
{
    return countedFrame('F', {phi, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, hx, hy, hz, step, 0});
}

// The program connected to a pseudo-terminal whose master side the test plays.
struct Wired
{
    Wired()
    {
        rig.app->Load();
        form().Combo1->setEditText(pty.slavePath());
    }
    Form1& form() { return rig.form(); }
    ConnectionPanel& panel() { return rig.app->connection(); }
    PortLink& link() { return rig.app->link(); }
    QStringList log() { return rig.logLines(); }
    QByteArray received(int waitMs = 100)
    {
        QTest::qWait(waitMs);
        return pty.readAvailable();
    }

    Pty pty;
    AppRig rig;
};

bool isGreen(QWidget* w)
{
    return w->palette().color(QPalette::Base) == QColor(0, 255, 0);
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT
private slots:
    void connectionOpensAndDisconnectionCloses()
    {
        Wired w;
        w.form().Command2->click();
        QVERIFY(w.rig.app->link().M().PortOpen());
        QVERIFY(w.form().Timer2->Enabled());
        QVERIFY(w.log().last().endsWith(" : Port " + w.pty.slavePath() + " opened."));
        QTRY_COMPARE_WITH_TIMEOUT(w.form().Text4->text(), QString("Connected"), 1000);
        QVERIFY(isGreen(w.form().Combo1));

        // Pressing it again reopens with only the "opened" line.
        const int before = w.log().size();
        w.form().Command2->click();
        QCOMPARE(w.log().size(), before + 1);
        QVERIFY(w.log().last().endsWith(" opened."));

        w.form().Check4->setChecked(true);
        w.form().Command3->click();
        QVERIFY(!w.link().M().PortOpen());
        QVERIFY(!w.form().Check4->isChecked());
        QVERIFY(!w.form().Timer2->Enabled());
        QVERIFY(w.log().last().endsWith(" : COM Port closed."));
        w.form().Command3->click();
        QVERIFY(w.log().last().endsWith(" : COM Port closed."));
        QVERIFY(w.rig.settingsFile().contains("\"AutoPortOpen\",\"0\"\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(w.form().Text4->text(), QString("Disconnected"), 1000);
        QVERIFY(!isGreen(w.form().Text4));
    }

    void connectionChecksTheBoxWhenStoredSoAndSendsNothing()
    {
        Wired w;
        w.rig.app->settings().WriteSetting("AutoPortOpen", "1");
        w.form().Command2->click();
        QVERIFY(w.form().Check4->isChecked());
        QCOMPARE(w.received(), QByteArray());
    }

    void invalidNumberAndMissingDeviceUncheckTheBox_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("number outside the table") << "COM200";
        QTest::newRow("missing device") << "/dev/skyvane-no-such-port";
        QTest::newRow("missing adapter") << "COM60";
    }
    void invalidNumberAndMissingDeviceUncheckTheBox()
    {
        QFETCH(QString, name);
        Wired w;
        w.form().Check4->setChecked(true);
        w.form().Combo1->setEditText(name);
        w.form().Command2->click();
        QVERIFY(!w.link().M().PortOpen());
        QVERIFY(!w.form().Check4->isChecked());
        QVERIFY(w.rig.settingsFile().contains("\"AutoPortOpen\",\"0\"\r\n"));
        QVERIFY(w.log().last().contains("Invalid port number"));
    }

    void badSpeedIsReportedBeforeAMissingPort_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing device") << "/dev/skyvane-no-such-port";
        QTest::newRow("number outside the table") << "COM200";
    }
    void badSpeedIsReportedBeforeAMissingPort()
    {
        QFETCH(QString, name);
        Wired w;
        w.form().Check4->setChecked(true);
        w.form().Combo1->setEditText(name);
        w.form().Combo2->setEditText("fast");
        w.form().Command2->click();
        QVERIFY(!w.link().M().PortOpen());
        QVERIFY(w.log().last().endsWith(" : Invalid port speed \"fast\"."));
        QVERIFY(w.form().Check4->isChecked());
        QVERIFY(w.rig.settingsFile().contains("\"AutoPortOpen\",\"1\"\r\n"));
    }

    void portNameWithoutNumberKeepsTheBox()
    {
        Wired w;
        w.form().Check4->setChecked(true);
        w.form().Combo1->setEditText("COM");
        w.form().Command2->click();
        QVERIFY(w.form().Check4->isChecked());
        QVERIFY(
            w.log().last().endsWith(" : Type mismatch: the port name \"COM\" has no port number."));
        QVERIFY(!w.form().Timer2->Enabled());
    }

    void reconnectionNeedsAllThreeConditions()
    {
        Wired w;
        w.form().Check4->setChecked(true);
        w.form().Check7->setChecked(false);
        w.panel().Timer13_Timer();
        QVERIFY(!w.link().M().PortOpen());
        w.form().Check7->setChecked(true);
        w.form().Check4->setChecked(false);
        w.panel().Timer13_Timer();
        QVERIFY(!w.link().M().PortOpen());
        w.form().Check4->setChecked(true);
        w.panel().Timer13_Timer();
        QVERIFY(w.link().M().PortOpen());
        const int lines = w.log().size();
        w.panel().Timer13_Timer();
        QCOMPARE(w.log().size(), lines);
    }

    void eachButtonSendsExactlyItsByte()
    {
        Wired w;
        w.form().Command2->click();
        w.pty.readAvailable();
        const struct
        {
            QPushButton* button;
            QByteArray bytes;
        } buttons[] = {{w.form().Command1, "R"},  {w.form().Command9, "G"},
                       {w.form().Command13, "3"}, {w.form().Command14, ">"},
                       {w.form().Command16, "4"}, {w.form().Command17, "5"},
                       {w.form().Command18, "6"}, {w.form().Command8, "C"}};
        for (const auto& b : buttons) {
            const int lines = w.log().size();
            b.button->click();
            QCOMPARE(w.pty.read(b.bytes.size()), b.bytes);
            QCOMPARE(w.log().size(), lines);
        }
    }

    void buttonsWithThePortClosedLogOnce()
    {
        Wired w;
        const int lines = w.log().size();
        w.form().Command1->click();
        QCOMPARE(w.log().size(), lines + 1);
        QVERIFY(w.log().last().endsWith(" : Send failed because the COM port is closed."));
    }

    void pollingFollowsTheChosenRate()
    {
        Wired w;
        w.form().Command2->click();
        QTest::qWait(300);
        QCOMPARE(w.pty.readAvailable(), QByteArray());
        w.form().Check7->setChecked(true);
        w.form().Combo3->setEditText("50ms");
        QCOMPARE(w.form().Timer12->Interval(), 50);
        QVERIFY(w.rig.settingsFile().contains("\"Rate\",\"50ms\"\r\n"));
        w.pty.readAvailable();
        const QByteArray polls = w.received(1000);
        QVERIFY2(polls.count('F') >= 14 && polls.count('F') <= 22, polls.constData());
        QCOMPARE(polls.count('F'), polls.size());

        // A half-typed rate keeps the interval in force; "0ms" stops the polling.
        w.form().Combo3->setEditText("1000m");
        QCOMPARE(w.form().Timer12->Interval(), 50);
        w.form().Combo3->setEditText("0ms");
        w.pty.readAvailable();
        QCOMPARE(w.received(300), QByteArray());
    }

    void framesUpdateTheBoxesAndSilenceShowsNoData()
    {
        Wired w;
        w.form().Command2->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.form().Text32->text(), QString("No Data"), 2000);
        w.pty.write(QByteArray("*Hello#") + fFrame(0.5f, 0.125f, 0.375f, -2.0f, 1.0f));
        QTRY_COMPARE_WITH_TIMEOUT(w.form().Text3->toPlainText(),
                                  QString("Hx : 0.12\nHy : 0.38\nHz : -2"), 1000);
        QCOMPARE(w.form().Text5->toPlainText(), QString::fromUtf8("On the left (Phi=-90°)"));
        QCOMPARE(w.form().Text32->text(), QString("Data OK"));
        QVERIFY(isGreen(w.form().Text32));
        QCOMPARE(w.rig.app->decoder().Phi(), 0.5f);
        QTest::qWait(700);
        QCOMPARE(w.form().Text32->text(), QString("Data OK"));
        QTRY_COMPARE_WITH_TIMEOUT(w.form().Text32->text(), QString("No Data"), 600);
        QVERIFY(!isGreen(w.form().Text32));
    }

    void vanishedPeerClosesThePortOnce()
    {
        Wired w;
        w.form().Command2->click();
        const int lines = w.log().size();
        const std::clock_t cpu = std::clock();
        w.pty.closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!w.link().M().PortOpen(), 1000);
        QTRY_COMPARE_WITH_TIMEOUT(w.form().Text4->text(), QString("Disconnected"), 1000);
        QTest::qWait(500);
        const double used = double(std::clock() - cpu) / CLOCKS_PER_SEC;
        QCOMPARE(w.log().size(), lines + 1);
        QVERIFY(w.log().last().contains(w.pty.slavePath()));
        QVERIFY2(
            w.log().last().contains(QRegularExpression(
                " lost: (the device is gone|reading from the device failed)\\. Port closed\\.$")),
            qPrintable(w.log().last()));
        QVERIFY(!w.form().Timer2->Enabled());
        QVERIFY2(used < 0.8, qPrintable(QString::number(used)));
    }

    void lostPortIsRetriedUntilItComesBack()
    {
        // An adapter's node that goes when it is pulled and comes back under the same name.
        QTemporaryDir dir;
        const QString node = dir.filePath("ttyUSB0");
        auto pty = std::make_unique<Pty>();
        QVERIFY(QFile::link(pty->slavePath(), node));
        AppRig rig;
        rig.app->Load();
        Form1& f = rig.form();
        ConnectionPanel& panel = rig.app->connection();
        SerialControl& port = rig.app->link().M();
        f.Combo1->setEditText(node);
        f.Check7->setChecked(true);
        f.Check4->setChecked(true);
        f.Command2->click();
        QVERIFY(port.PortOpen());

        pty->closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!port.PortOpen(), 1000);
        QVERIFY(QFile::remove(node));
        pty.reset();
        for (int tick = 0; tick < 2; ++tick) {
            panel.Timer13_Timer();
            QVERIFY(!port.PortOpen());
            QVERIFY(f.Check4->isChecked());
            QVERIFY(rig.logLines().last().contains("Invalid port number"));
        }
        QVERIFY(rig.settingsFile().contains("\"AutoPortOpen\",\"1\"\r\n"));

        pty = std::make_unique<Pty>();
        QVERIFY(QFile::link(pty->slavePath(), node));
        panel.Timer13_Timer();
        QVERIFY(port.PortOpen());
        QVERIFY(rig.logLines().last().endsWith(" : Port " + node + " opened."));
        // The polling goes on through the new port.
        QByteArray polls;
        QTRY_VERIFY_WITH_TIMEOUT((polls += pty->readAvailable()).contains('F'), 1000);
        pty->write(fFrame(0.25f, 1.0f, 2.0f, 3.0f, 0.0f));
        QTRY_COMPARE_WITH_TIMEOUT(f.Text3->toPlainText(), QString("Hx : 1\nHy : 2\nHz : 3"), 1000);
        QCOMPARE(f.Text32->text(), QString("Data OK"));

        // A name the user chose that names no port still ends the automatic connection.
        f.Combo1->setEditText(dir.filePath("ttyUSB9"));
        f.Command2->click();
        QVERIFY(!port.PortOpen());
        QVERIFY(!f.Check4->isChecked());
        QVERIFY(rig.settingsFile().contains("\"AutoPortOpen\",\"0\"\r\n"));
    }

    void checkingTheBoxWithTheMouseOpensThePort()
    {
        Wired w;
        QTest::mouseClick(w.form().Check4, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(w.form().Check4->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(w.link().M().PortOpen(), 1000);
        QVERIFY(w.rig.settingsFile().contains("\"AutoPortOpen\",\"1\"\r\n"));
    }

    void typedTextIsTakenAsTyped()
    {
        Wired w;
        // Typed as a user does: into the box that has the focus.
        w.form().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.form()));
        w.form().Combo3->setFocus();
        w.form().Combo3->lineEdit()->clear();
        QTest::keyClicks(w.form().Combo3, "1");
        QCOMPARE(w.form().Combo3->currentText(), QString("1"));
        QVERIFY(w.rig.settingsFile().contains("\"Rate\",\"1\"\r\n"));
        QCOMPARE(w.form().Timer12->Interval(), 1);
        QTest::keyClicks(w.form().Combo3, "00");
        QCOMPARE(w.form().Combo3->currentText(), QString("100"));
        QVERIFY(w.rig.settingsFile().contains("\"Rate\",\"100\"\r\n"));
        QTest::keyClicks(w.form().Combo3, "0m");
        // A half-typed rate is stored but keeps the interval in force.
        QVERIFY(w.rig.settingsFile().contains("\"Rate\",\"1000m\"\r\n"));
        QCOMPARE(w.form().Timer12->Interval(), 1000);
        QTest::keyClicks(w.form().Combo3, "s");
        QCOMPARE(w.form().Combo3->currentText(), QString("1000ms"));

        w.form().Combo1->setFocus();
        w.form().Combo1->lineEdit()->clear();
        QTest::keyClicks(w.form().Combo1, "COM");
        QCOMPARE(w.form().Combo1->currentText(), QString("COM"));
        QTest::keyClick(w.form().Combo1, Qt::Key_Return);
        QCOMPARE(w.form().Combo1->currentText(), QString("COM"));
    }

    void typedPortAndSpeedAreUsedButNotStored()
    {
        Wired w;
        Form1& f = w.form();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));

        // Texts that match list entries, typed, then "Connection" clicked: the focus leaving
        // the box ends the editing, which Qt reports like a choice.
        f.Combo2->setFocus();
        f.Combo2->lineEdit()->clear();
        QTest::keyClicks(f.Combo2, "9600");
        f.Combo1->setFocus();
        f.Combo1->lineEdit()->clear();
        QTest::keyClicks(f.Combo1, w.pty.slavePath());
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        QVERIFY(w.link().M().PortOpen());
        QCOMPARE(w.link().M().Settings(), QString("9600,n,8,1"));

        f.Combo1->setFocus();
        f.Combo1->lineEdit()->clear();
        QTest::keyClicks(f.Combo1, "COM4");
        QTest::keyClick(f.Combo1, Qt::Key_Return);
        QCOMPARE(f.Combo1->currentText(), QString("COM4"));

        const QByteArray stored = w.rig.settingsFile();
        QVERIFY2(!stored.contains("ComPort") && !stored.contains("ComSpeed"), stored.constData());
    }

    void choosingAListEntryStoresIt()
    {
        Wired w;
        Form1& f = w.form();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));

        // An arrow key steps to the next entry.
        f.Combo2->setFocus();
        f.Combo2->setCurrentIndex(2);
        QTest::keyClick(f.Combo2, Qt::Key_Down);
        QCOMPARE(f.Combo2->currentText(), QString("9600"));
        QVERIFY(w.rig.settingsFile().contains("\"ComSpeed\",\"9600\"\r\n"));

        // The wheel over the box.
        f.Combo1->setCurrentIndex(1);
        const QPoint centre = f.Combo1->rect().center();
        QWheelEvent wheel(centre, f.Combo1->mapToGlobal(centre), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.Combo1, &wheel);
        QCOMPARE(f.Combo1->currentText(), QString("COM3"));
        QVERIFY(w.rig.settingsFile().contains("\"ComPort\",\"COM3\"\r\n"));

        // A click on an entry of the open list, after typing in the box.
        QTest::keyClicks(f.Combo1, "x");
        f.Combo1->showPopup();
        QAbstractItemView* view = f.Combo1->view();
        QTRY_VERIFY(view->isVisible());
        // A release right after the list opened may belong to the click that opened it.
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        const QRect entry = view->visualRect(view->model()->index(4, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, entry.center());
        QTRY_COMPARE(f.Combo1->currentText(), QString("COM5"));
        QVERIFY(w.rig.settingsFile().contains("\"ComPort\",\"COM5\"\r\n"));
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
