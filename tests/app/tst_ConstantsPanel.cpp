#include "app/ConstantsPanel.h"

#include "core/WindowTimer.h"
#include "support/AppRig.h"
#include "support/Bytes.h"
#include "support/FakeSerialControl.h"
#include "support/LinkOver.h"
#include "support/MemoryLogger.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

namespace {

const QString closedPortLine = QStringLiteral("Send failed because the COM port is closed.");

// The panel's widgets in a window, an open fake port and the payload the receiver would hold.
struct Fixture
{
    Fixture()
    {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(L);
        layout->addWidget(Text7);
        layout->addWidget(Command7);
        link.port.setPortOpen(true);
        window.show();
    }

    void clickLine(int row)
    {
        const QRect rect = L->visualItemRect(L->item(row));
        QTest::mouseClick(L->viewport(), Qt::LeftButton, {}, rect.center());
    }

    QString tag() const { return Text7->property("Tag").toString(); }

    QWidget window;
    QListWidget* L = new QListWidget(&window);
    QLineEdit* Text7 = new QLineEdit(&window);
    QPushButton* Command7 = new QPushButton(QStringLiteral("Send"), &window);
    MemoryLogger log;
    FakeLink link{log};
    QByteArray payload;
    ConstantsPanel panel{L, Text7, Command7, link, log};
};

QStringList lines(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
}

} // namespace

class TestConstantsPanel : public QObject
{
    Q_OBJECT
private slots:
    void fillFromPayload();
    void requestWaitsForTheReply();
    void clickTakesTheLine();
    void keyboardSelectionTakesTheLine();
    void doubleClickSelectsTheValue();
    void typeAndEnterSends();
    void unchangedEntryGoesBackAsRead();
    void enterAnywhereSends();
    void enterElsewhereIsLeftAlone();
    void sendHiddenTakesEnterInTheBoxOnly();
    void linesAndTextsNotFromThePayloadAreRead();
    void enterSendsOnlyWhileTheFrameIsShown();
    void sendIndices_data();
    void sendIndices();
    void refusedInputs_data();
    void refusedInputs();
    void emptyTextSendsNothing();
    void closedPortSend();
};

void TestConstantsPanel::fillFromPayload()
{
    Fixture f;
    f.payload = hex("00 00 80 3F 00 00 00 3F 00 00 00 C0");
    f.panel.FillConstantsList(f.payload);
    QCOMPARE(lines(f.L), (QStringList{"K[0]\t1", "K[1]\t0,5", "K[2]\t-2"}));

    // Each fill replaces the list; a count of 0 leaves it empty.
    f.payload.clear();
    f.panel.FillConstantsList(f.payload);
    QCOMPARE(f.L->count(), 0);
}

void TestConstantsPanel::requestWaitsForTheReply()
{
    Fixture f;
    f.L->addItem(QStringLiteral("K[0]\t9"));
    bool emptiedBeforeTheReply = false;
    // The reply arrives during the wait, as the receive ticks would hand it over.
    QTimer::singleShot(100, [&] {
        emptiedBeforeTheReply = f.L->count() == 0;
        f.payload = hex("00 00 80 3F");
        f.panel.FillConstantsList(f.payload);
    });
    f.panel.RequestConstants();
    QCOMPARE(f.link.port.written, hex("5B"));
    QVERIFY(emptiedBeforeTheReply);
    QCOMPARE(lines(f.L), QStringList{"K[0]\t1"});
}

void TestConstantsPanel::clickTakesTheLine()
{
    Fixture f;
    f.L->addItems({"K[11]\t2", "K[12]\t0,125", "K[13]\t1.5"});
    QVERIFY(!f.Command7->isDefault());

    f.clickLine(1);
    QCOMPARE(f.tag(), QStringLiteral("12"));
    QCOMPARE(f.Text7->text(), QStringLiteral("0,125"));
    QVERIFY(f.Command7->isDefault());

    // A point in the value becomes a comma.
    f.clickLine(2);
    QCOMPARE(f.tag(), QStringLiteral("13"));
    QCOMPARE(f.Text7->text(), QStringLiteral("1,5"));

    // Clicking the chosen line again takes its value back after an edit.
    f.Text7->setText(QStringLiteral("77"));
    f.clickLine(2);
    QCOMPARE(f.Text7->text(), QStringLiteral("1,5"));
    QVERIFY(f.link.port.written.isEmpty());
}

void TestConstantsPanel::keyboardSelectionTakesTheLine()
{
    Fixture f;
    f.L->addItems({"K[0]\t1", "K[1]\t0,5"});
    f.L->setCurrentRow(1);
    QCOMPARE(f.tag(), QStringLiteral("1"));
    QCOMPARE(f.Text7->text(), QStringLiteral("0,5"));

    // Emptying the list leaves the chosen constant in place.
    f.L->clear();
    QCOMPARE(f.tag(), QStringLiteral("1"));
    QCOMPARE(f.Text7->text(), QStringLiteral("0,5"));
}

void TestConstantsPanel::doubleClickSelectsTheValue()
{
    Fixture f;
    f.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    f.L->addItem(QStringLiteral("K[4]\t-12,25"));
    const QRect rect = f.L->visualItemRect(f.L->item(0));
    // A double click is a click followed by the double-click event.
    QTest::mouseClick(f.L->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(f.L->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(f.Text7->text(), QStringLiteral("-12,25"));
    QVERIFY(f.Text7->hasFocus());
    QCOMPARE(f.Text7->selectionStart(), 0);
    QCOMPARE(f.Text7->selectedText(), QStringLiteral("-12,25"));
}

void TestConstantsPanel::typeAndEnterSends()
{
    Fixture f;
    f.L->addItem(QStringLiteral("K[12]\t0,125"));
    f.clickLine(0);
    QTimer::singleShot(100, [&] {
        f.payload = hex("00 00 60 40");
        f.panel.FillConstantsList(f.payload);
    });

    f.Text7->selectAll();
    QTest::keyClicks(f.Text7, QStringLiteral("3.5"));
    QTest::keyClick(f.Text7, Qt::Key_Return);

    QCOMPARE(f.link.port.written, hex("21 00 0C 00 00 60 40 5B"));
    QCOMPARE(f.Text7->text(), QStringLiteral("3,5"));
    QCOMPARE(f.tag(), QStringLiteral("12"));
    QCOMPARE(lines(f.L), QStringList{"K[0]\t3,5"});
    QVERIFY(f.log.lines.isEmpty());
}

void TestConstantsPanel::unchangedEntryGoesBackAsRead()
{
    Fixture f;
    // 12345678, 1.0000001 and a NaN: their texts read back as other floats, or as none.
    f.payload = hex("4E 61 3C 4B 01 00 80 3F 01 00 C0 7F");
    const auto fill = [&f] { f.panel.FillConstantsList(f.payload); };
    fill();
    QCOMPARE(lines(f.L), (QStringList{"K[0]\t1,234568E+07", "K[1]\t1", "K[2]\tNaN"}));

    f.clickLine(0);
    QTest::mouseClick(f.Command7, Qt::LeftButton);
    fill();
    f.clickLine(1);
    QTest::keyClick(f.Text7, Qt::Key_Return);
    fill();
    f.clickLine(2);
    QTest::keyClick(f.Text7, Qt::Key_Return);
    QCOMPARE(f.link.port.written, hex("21 00 00 4E 61 3C 4B 5B"
                                      "21 00 01 01 00 80 3F 5B"
                                      "21 00 02 01 00 C0 7F 5B"));
    QCOMPARE(f.Text7->text(), QStringLiteral("NaN"));
    QVERIFY(f.log.lines.isEmpty());

    // Once the operator types, the text is read, even when it is typed as it was shown.
    f.link.port.written.clear();
    fill();
    f.clickLine(1);
    f.Text7->selectAll();
    QTest::keyClicks(f.Text7, QStringLiteral("1"));
    QTest::keyClick(f.Text7, Qt::Key_Return);
    fill();
    f.clickLine(0);
    QTest::keyClick(f.Text7, Qt::Key_Backspace);
    QTest::keyClicks(f.Text7, QStringLiteral("7"));
    QCOMPARE(f.Text7->text(), QStringLiteral("1,234568E+07"));
    QTest::keyClick(f.Text7, Qt::Key_Return);
    QCOMPARE(f.link.port.written, hex("21 00 01 00 00 80 3F 5B"
                                      "21 00 00 50 61 3C 4B 5B"));

    // A text put in by other means than the list, or under another index, is read too.
    f.link.port.written.clear();
    fill();
    f.clickLine(0);
    f.Text7->setProperty("Tag", QStringLiteral("1"));
    QTest::keyClick(f.Text7, Qt::Key_Return);
    f.L->addItem(QStringLiteral("K[3]\t1"));
    f.clickLine(0);
    QTest::keyClick(f.Text7, Qt::Key_Return);
    QCOMPARE(f.link.port.written, hex("21 00 01 50 61 3C 4B 5B"
                                      "21 00 03 00 00 80 3F 5B"));
}

void TestConstantsPanel::enterAnywhereSends()
{
    Fixture f;
    f.L->addItem(QStringLiteral("K[12]\t0,125"));
    f.clickLine(0);
    QTest::keyClick(f.L, Qt::Key_Return);
    QCOMPARE(f.link.port.written, hex("21 00 0C 00 00 00 3E 5B"));
}

void TestConstantsPanel::enterElsewhereIsLeftAlone()
{
    Fixture f;
    QPushButton other(QStringLiteral("Other"), &f.window);
    other.show();
    f.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    f.L->addItem(QStringLiteral("K[12]\t0,125"));
    // Before a value was taken, "Send" is not the default button: Enter sends nothing.
    QTest::keyClick(f.L, Qt::Key_Return);
    QCOMPARE(f.link.port.written, QByteArray());

    f.clickLine(0);
    QVERIFY(f.Command7->isDefault());
    // Other keys, and Enter on another button that has the focus, are theirs.
    QTest::keyClick(f.L, Qt::Key_A);
    other.setFocus();
    QTest::keyClick(&other, Qt::Key_Return);
    QCOMPARE(f.link.port.written, QByteArray());
    // Enter on "Send" itself sends once.
    f.Command7->setFocus();
    QTest::keyClick(f.Command7, Qt::Key_Return);
    QCOMPARE(f.link.port.written, hex("21 00 0C 00 00 00 3E 5B"));
}

void TestConstantsPanel::sendHiddenTakesEnterInTheBoxOnly()
{
    Fixture f;
    f.L->addItem(QStringLiteral("K[12]\t0,125"));
    f.clickLine(0);
    f.Command7->hide();
    QTest::keyClick(f.L, Qt::Key_Return);
    QCOMPARE(f.link.port.written, QByteArray());
    QTest::keyClick(f.Text7, Qt::Key_Return);
    QCOMPARE(f.link.port.written, hex("21 00 0C 00 00 00 3E 5B"));
}

// Only a line as the payload gave it sends the entry's bytes as read; a line changed since,
// or a text put into the box by the program, is read as a number.
void TestConstantsPanel::linesAndTextsNotFromThePayloadAreRead()
{
    Fixture f;
    // 1 and 12345678 (shown as 1,234568E+07, which reads back as 12345680).
    f.payload = hex("00 00 80 3F 4E 61 3C 4B");
    f.panel.FillConstantsList(f.payload);
    f.L->item(0)->setText(QStringLiteral("K[0]\t3"));
    f.clickLine(0);
    QTest::keyClick(f.Text7, Qt::Key_Return);
    f.panel.FillConstantsList(f.payload);
    f.L->item(1)->setText(QStringLiteral("K[5]\t1,234568E+07"));
    f.clickLine(1);
    QTest::keyClick(f.Text7, Qt::Key_Return);
    f.panel.FillConstantsList(f.payload);
    f.clickLine(1);
    f.Text7->setText(QStringLiteral("2.5"));
    QTest::keyClick(f.Text7, Qt::Key_Return);
    QCOMPARE(f.link.port.written, hex("21 00 00 00 00 40 40 5B"
                                      "21 00 05 50 61 3C 4B 5B"
                                      "21 00 01 00 00 20 40 5B"));
    QCOMPARE(f.Text7->text(), QStringLiteral("2,5"));
    QVERIFY(f.log.lines.isEmpty());
}

void TestConstantsPanel::enterSendsOnlyWhileTheFrameIsShown()
{
    FakeSerialControl port;
    AppRig rig(QByteArray(), false, &port);
    rig.app->Load();
    Form1& f = rig.form();
    f.Timer12->setEnabled(false);
    port.setPortOpen(true);
    f.L->addItem(QStringLiteral("K[3]\t2"));
    f.L->setCurrentRow(0);
    QVERIFY(f.Command7->isDefault());

    QTest::keyClick(f.Combo2, Qt::Key_Return);
    QCOMPARE(port.written, QByteArray());

    rig.password = QStringLiteral("orvain_panel");
    f.Command15->click();
    QCOMPARE(f.outerWidth(), 16710);
    QTest::keyClick(f.Combo2, Qt::Key_Enter);
    QCOMPARE(port.written, hex("21 00 03 00 00 00 40 5B"));
}

void TestConstantsPanel::sendIndices_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("300") << "300"
                         << "1" << hex("21 01 2C 00 00 80 3F 5B");
    QTest::newRow("65535") << "65535"
                           << "-2" << hex("21 FF FF 00 00 00 C0 5B");
    QTest::newRow("0") << "0"
                       << "0,5" << hex("21 00 00 00 00 00 3F 5B");
    QTest::newRow("exponent") << "7"
                              << "1,5E+2" << hex("21 00 07 00 00 16 43 5B");
    QTest::newRow("too small for a float: 0") << "12"
                                              << "1E-50" << hex("21 00 0C 00 00 00 00 5B");
    QTest::newRow("too small for a float: -0") << "12"
                                               << "-1e-50" << hex("21 00 0C 00 00 00 80 5B");
}

void TestConstantsPanel::sendIndices()
{
    QFETCH(QString, tag);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    Fixture f;
    f.Text7->setProperty("Tag", tag);
    f.Text7->setText(text);
    QTest::mouseClick(f.Command7, Qt::LeftButton);
    QCOMPARE(f.link.port.written, bytes);
    QVERIFY(f.log.lines.isEmpty());
}

void TestConstantsPanel::refusedInputs_data()
{
    QTest::addColumn<QVariant>("tag");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("letters") << QVariant("12") << "abc"
                             << "abc"
                             << "Send refused: \"abc\" is not a number.";
    QTest::newRow("1,234.5") << QVariant("12") << "1,234.5"
                             << "1,234,5"
                             << "Send refused: \"1,234,5\" is not a number.";
    QTest::newRow("1.2.3") << QVariant("12") << "1.2.3"
                           << "1,2,3"
                           << "Send refused: \"1,2,3\" is not a number.";
    QTest::newRow("12abc") << QVariant("12") << "12abc"
                           << "12abc"
                           << "Send refused: \"12abc\" is not a number.";
    QTest::newRow("--1") << QVariant("12") << "--1"
                         << "--1"
                         << "Send refused: \"--1\" is not a number.";
    QTest::newRow("too large") << QVariant("12") << "1E+39"
                               << "1E+39"
                               << "Send refused: \"1E+39\" is outside the range of a 32-bit "
                                  "float.";
    QTest::newRow("spaces only") << QVariant("12") << "   "
                                 << "   "
                                 << "Send refused: no value was typed.";
    QTest::newRow("no constant chosen") << QVariant() << "3.5"
                                        << "3,5"
                                        << "Send refused: no constant is chosen; pick one in the "
                                           "list first.";
    QTest::newRow("tag not a number") << QVariant("K[x") << "1"
                                      << "1"
                                      << "Send refused: \"K[x\" is not a constant index (0 to "
                                         "65535).";
    QTest::newRow("tag 65536") << QVariant("65536") << "1"
                               << "1"
                               << "Send refused: \"65536\" is not a constant index (0 to 65535).";
    QTest::newRow("tag of six digits") << QVariant("000012") << "1"
                                       << "1"
                                       << "Send refused: \"000012\" is not a constant index (0 "
                                          "to 65535).";
    QTest::newRow("tag -1") << QVariant("-1") << "1"
                            << "1"
                            << "Send refused: \"-1\" is not a constant index (0 to 65535).";
}

void TestConstantsPanel::refusedInputs()
{
    QFETCH(QVariant, tag);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(QString, logLine);
    Fixture f;
    f.L->addItem(QStringLiteral("K[12]\t0,125"));
    if (tag.isValid())
        f.Text7->setProperty("Tag", tag);
    f.Text7->setText(text);

    QTest::mouseClick(f.Command7, Qt::LeftButton);
    QVERIFY(f.link.port.written.isEmpty());
    QCOMPARE(f.log.lines, QStringList{logLine});
    QCOMPARE(f.Text7->text(), shown);
    QCOMPARE(f.L->count(), 1);
}

void TestConstantsPanel::emptyTextSendsNothing()
{
    Fixture f;
    f.L->addItem(QStringLiteral("K[12]\t0,125"));
    f.Text7->setProperty("Tag", QStringLiteral("12"));
    QTest::mouseClick(f.Command7, Qt::LeftButton);
    QVERIFY(f.link.port.written.isEmpty());
    QVERIFY(f.log.lines.isEmpty());
    QCOMPARE(f.L->count(), 1);
}

void TestConstantsPanel::closedPortSend()
{
    Fixture f;
    f.link.port.setPortOpen(false);
    f.L->addItem(QStringLiteral("K[12]\t0,125"));
    f.clickLine(0);
    f.Text7->setText(QStringLiteral("2.5"));
    QTest::mouseClick(f.Command7, Qt::LeftButton);
    QVERIFY(f.link.port.written.isEmpty());
    QCOMPARE(f.log.lines, (QStringList{closedPortLine, closedPortLine}));
    QCOMPARE(f.L->count(), 0);
    QCOMPARE(f.Text7->text(), QStringLiteral("2,5"));
}

#include "support/TestMain.h"

QTEST_MAIN(TestConstantsPanel)
#include "tst_ConstantsPanel.moc"
