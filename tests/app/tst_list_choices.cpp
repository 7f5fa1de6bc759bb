#include "app/ConnectionPanel.h"
#include "support/AppRig.h"
#include "support/FakeSerialControl.h"
#include "support/PlatformSkip.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QtTest>

namespace {

// The program loaded over a port in memory, its window active.
struct Loaded
{
    Loaded()
    {
        rig.app->Load();
        form().activateWindow();
    }
    Form1& form() { return rig.form(); }
    bool stored(const QByteArray& line) { return rig.settingsFile().contains(line + "\r\n"); }

    FakeSerialControl port;
    AppRig rig{QByteArray(), false, &port};
};

} // namespace

class TestListChoices : public QObject
{
    Q_OBJECT
private slots:
    // The page keys step through the speeds like the arrows, and the entry reached is kept.
    void pageKeysStepAndStore()
    {
        Loaded w;
        QVERIFY(QTest::qWaitForWindowActive(&w.form()));
        QComboBox* speeds = w.form().Combo2;
        speeds->setFocus();
        speeds->setCurrentIndex(3);
        QTest::keyClick(speeds, Qt::Key_PageDown);
        QCOMPARE(speeds->currentText(), QString("19200"));
        QVERIFY(w.stored("\"ComSpeed\",\"19200\""));
        QTest::keyClick(speeds, Qt::Key_PageUp);
        QTest::keyClick(speeds, Qt::Key_PageUp);
        QCOMPARE(speeds->currentText(), QString("4800"));
        QVERIFY(w.stored("\"ComSpeed\",\"4800\""));
        QTest::keyClick(speeds, Qt::Key_Up);
        QCOMPARE(speeds->currentText(), QString("2400"));
        QVERIFY(w.stored("\"ComSpeed\",\"2400\""));
    }

    // Enter on an entry of the open list chooses it.
    void enterInTheOpenListStores()
    {
        SKIP_UNDER_WINE("Wine's drop-down lists do not take keys and clicks as Windows' do");
        Loaded w;
        QVERIFY(QTest::qWaitForWindowActive(&w.form()));
        QComboBox* ports = w.form().Combo1;
        ports->setFocus();
        ports->setCurrentIndex(0);
        ports->showPopup();
        QAbstractItemView* view = ports->view();
        QTRY_VERIFY(view->isVisible());
        view->setCurrentIndex(view->model()->index(6, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(!view->isVisible());
        QCOMPARE(ports->currentText(), QString("COM7"));
        QVERIFY(w.stored("\"ComPort\",\"COM7\""));
    }

    // A box that does not take typing steps on any key.
    void lettersStepAListThatTakesNoTyping()
    {
        Loaded w;
        QVERIFY(QTest::qWaitForWindowActive(&w.form()));
        QComboBox* speeds = w.form().Combo2;
        speeds->setEditable(false);
        speeds->setFocus();
        speeds->setCurrentIndex(0);
        QTest::keyClick(speeds, Qt::Key_9);
        QCOMPARE(speeds->currentText(), QString("9600"));
        QVERIFY(w.stored("\"ComSpeed\",\"9600\""));
    }

    // After a step, what the box does next decides whether its next activation is a choice
    // from the list: focus leaving, a click in the box, input from an input method and typed
    // letters make it the end of typing instead.
    void eventsAfterAStep_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<bool>("stored");
        QTest::newRow("nothing") << "nothing" << true;
        QTest::newRow("focus out") << "focus out" << false;
        QTest::newRow("mouse press") << "mouse press" << false;
        QTest::newRow("input method") << "input method" << false;
        QTest::newRow("letter") << "letter" << false;
        QTest::newRow("enter in the closed list") << "enter" << false;
    }
    void eventsAfterAStep()
    {
        SKIP_UNDER_WINE("Wine's drop-down lists do not take keys and clicks as Windows' do");
        QFETCH(QString, event);
        QFETCH(bool, stored);
        Loaded w;
        QVERIFY(QTest::qWaitForWindowActive(&w.form()));
        QComboBox* ports = w.form().Combo1;
        ports->setFocus();
        ports->setCurrentIndex(1);
        QTest::keyClick(ports, Qt::Key_Down);
        QVERIFY(w.stored("\"ComPort\",\"COM3\""));

        if (event == "focus out") {
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(ports, &out);
        } else if (event == "mouse press") {
            const QPointF at(ports->rect().center());
            QMouseEvent press(QEvent::MouseButtonPress, at, ports->mapToGlobal(at), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(ports, &press);
        } else if (event == "input method") {
            QInputMethodEvent input(QString(), {});
            input.setCommitString(QStringLiteral("9"));
            QApplication::sendEvent(ports, &input);
        } else if (event == "letter") {
            QTest::keyClick(ports, Qt::Key_X);
        } else if (event == "enter") {
            QTest::keyClick(ports, Qt::Key_Return);
        }
        // Qt reports the end of an edit whose text names an entry as that entry activated.
        ports->setEditText(QStringLiteral("COM9"));
        emit ports->activated(8);
        QCOMPARE(w.stored("\"ComPort\",\"COM9\""), stored);
        QCOMPARE(w.stored("\"ComPort\",\"COM3\""), !stored);
    }

    // Checking "Automatic Connection" with the port already open does not open it again.
    void checkingTheBoxWithThePortOpenLeavesIt()
    {
        Loaded w;
        w.form().Combo1->setEditText(QStringLiteral("COM2"));
        w.form().Command2->click();
        QVERIFY(w.port.PortOpen());
        QCOMPARE(w.port.openCount, 1);
        QTest::mouseClick(w.form().Check4, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(w.form().Check4->isChecked());
        // The box's mouse-up handling is queued: it has run once the posted events have.
        QCoreApplication::processEvents();
        QCOMPARE(w.port.openCount, 1);
        QVERIFY(w.port.PortOpen());
        // Unchecked with the mouse: nothing opens or closes.
        QTest::mouseClick(w.form().Check4, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!w.form().Check4->isChecked());
        QCoreApplication::processEvents();
        QCOMPARE(w.port.openCount, 1);
        QVERIFY(w.port.PortOpen());
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestListChoices)
#include "tst_list_choices.moc"
