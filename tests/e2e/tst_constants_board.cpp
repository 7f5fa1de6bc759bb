#include "support/AppRig.h"
#include "support/BoardProcess.h"
#include "support/Files.h"

#include "app/MainMenu.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Session
{
    explicit Session(const QStringList& boardOptions, bool connect = true) : board(boardOptions)
    {
        rig.app->Load();
        rig.form().Combo1->setEditText(board.portPath());
        if (connect)
            rig.form().Command2->click();
    }
    Form1& form() { return rig.form(); }

    void pick(int row)
    {
        QListWidget* list = form().L;
        list->setCurrentRow(row);
        emit list->itemClicked(list->item(row));
    }

    BoardProcess board;
    AppRig rig;
};

} // namespace

class TestConstantsBoard : public QObject
{
    Q_OBJECT
private slots:
    void getConstantsFillsTheListWithinThePause_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("polling");
        QTest::newRow("whole reply") << QStringList{} << false;
        QTest::newRow("reply in pieces") << QStringList{"--constants-split", "150"} << false;
        QTest::newRow("while polling") << QStringList{} << true;
    }
    void getConstantsFillsTheListWithinThePause()
    {
        QFETCH(QStringList, options);
        QFETCH(bool, polling);
        Session s(options);
        QVERIFY(!s.board.portPath().isEmpty());
        s.form().Check7->setChecked(polling);
        s.form().Command10->click();
        QCOMPARE(s.form().L->count(), 30);
        QCOMPARE(s.form().L->item(0)->text().left(5), QString("K[0]\t"));
        QVERIFY(s.form().L->item(29)->text().startsWith("K[29]\t"));
    }

    void sendChangesTheBoardsValue()
    {
        Session s({});
        s.form().Command10->click();
        QCOMPARE(s.form().L->count(), 30);
        s.pick(5);
        QCOMPARE(s.form().Text7->property("Tag").toString(), QString("5"));
        s.form().Text7->setText("3.5");
        QTest::keyClick(s.form().Text7, Qt::Key_Return);
        QCOMPARE(s.form().Text7->text(), QString("3,5"));
        QCOMPARE(s.form().L->count(), 30);
        QCOMPARE(s.form().L->item(5)->text(), QString("K[5]\t3,5"));

        // The board keeps what was sent; a new read shows it again.
        s.form().Command10->click();
        QCOMPARE(s.form().L->item(5)->text(), QString("K[5]\t3,5"));

        s.pick(7);
        s.form().Text7->setText("-1,25E-03");
        s.form().Command7->click();
        QCOMPARE(s.form().L->item(7)->text(), QString("K[7]\t-0,00125"));
    }

    void saveAndReadFromFlashRestoreTheTable()
    {
        Session s({});
        s.form().Command10->click();
        const QString before = s.form().L->item(3)->text();
        s.form().Command13->click();
        s.pick(3);
        s.form().Text7->setText("42");
        s.form().Command7->click();
        QCOMPARE(s.form().L->item(3)->text(), QString("K[3]\t42"));
        s.form().Command14->click();
        s.form().Command10->click();
        QCOMPARE(s.form().L->item(3)->text(), before);
    }

    void sendWithThePortClosedLogsTwice()
    {
        Session s({}, false);
        s.form().L->addItem("K[2]\t0,5");
        s.pick(0);
        const int lines = s.rig.logLines().size();
        s.form().Text7->setText("1");
        s.form().Command7->click();
        const QStringList log = s.rig.logLines().mid(lines);
        QCOMPARE(log.size(), 2);
        for (const QString& line : log)
            QVERIFY(line.endsWith(" : Send failed because the COM port is closed."));
        QCOMPARE(s.form().L->count(), 0);
    }

    // Export, one value changed in the file, Import: the board takes exactly that entry.
    void exportEditImportThroughTheMenu()
    {
        Session s({});
        QTemporaryDir dir;
        s.rig.password = QStringLiteral("orvain_panel");
        s.form().Command15->click();
        s.form().Command10->click();
        QCOMPARE(s.form().L->count(), 30);
        const QString before = s.form().L->item(4)->text();

        s.rig.saveAs = dir.filePath("table.csv");
        s.rig.app->menu().exportConstants->trigger();
        QList<QByteArray> lines = readFile(s.rig.saveAs).split('\n');
        QCOMPARE(lines.size(), 1 + 1 + 30 + 1);
        QCOMPARE(lines[1], QByteArray("index,value"));
        QVERIFY(lines[10].startsWith("8,"));
        lines[10] = "8,12.75\r";
        s.rig.openPath = dir.filePath("edited.csv");
        QVERIFY(writeFile(s.rig.openPath, lines.join('\n')));

        s.rig.app->menu().importConstants->trigger();
        QCOMPARE(s.rig.shownDifferences.size(), 1);
        QCOMPARE(s.rig.shownDifferences[0].index, 8);
        QCOMPARE(s.form().L->item(8)->text(), QString("K[8]\t12,75"));
        QCOMPARE(s.form().L->item(4)->text(), before);
        QVERIFY(s.rig.logLines().last().endsWith("30 of 30 entries match."));
    }

    void silentBoardLeavesTheListEmpty()
    {
        Session s({"--no-constants-reply"});
        s.form().Command10->click();
        QCOMPARE(s.form().L->count(), 0);
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestConstantsBoard)
#include "tst_constants_board.moc"
