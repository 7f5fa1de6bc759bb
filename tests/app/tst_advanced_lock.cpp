#include "app/AdvancedLock.h"

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

class TestAdvancedLock : public QObject
{
    Q_OBJECT

    struct Rig
    {
        QPushButton button{QStringLiteral("Advanced...")};
        int width = 12495;
        int asked = 0;
        QStringList messages;
        QString answer;
        AdvancedLock lock{&button, [this](int w) { width = w; },
                          [this] {
                              ++asked;
                              return answer;
                          },
                          [this](const QString& m) { messages << m; }};
    };

private slots:
    void rightPasswordShowsThenHidesThenAsksAgain()
    {
        Rig r;
        r.answer = "orvain_panel";
        r.button.click();
        QCOMPARE(r.width, 16710);
        QCOMPARE(r.button.text(), QString("Basic"));
        QCOMPARE(r.asked, 1);
        r.button.click();
        QCOMPARE(r.width, 12495);
        QCOMPARE(r.button.text(), QString("Advanced..."));
        QCOMPARE(r.asked, 1);
        r.button.click();
        QCOMPARE(r.asked, 2);
        QCOMPARE(r.width, 16710);
        QVERIFY(r.messages.isEmpty());
    }

    void wrongAnswersAreRefused_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("case") << "Orvain_panel";
        QTest::newRow("leading blank") << " orvain_panel";
        QTest::newRow("trailing blank") << "orvain_panel ";
        QTest::newRow("cancel") << "";
        QTest::newRow("prefix") << "orvain_pane";
    }
    void wrongAnswersAreRefused()
    {
        QFETCH(QString, answer);
        Rig r;
        r.answer = answer;
        r.button.click();
        QCOMPARE(r.width, 12495);
        QCOMPARE(r.button.text(), QString("Advanced..."));
        QCOMPARE(r.messages, QStringList{"Wrong password"});
    }

    void programDoesNotCarryThePasswordInPlainText()
    {
        QFile program(qEnvironmentVariable("SKYVANE_BIN_DIR") + "/skyvane");
        QVERIFY(program.open(QIODevice::ReadOnly));
        const QByteArray bytes = program.readAll();
        auto utf16 = [](const QString& s) {
            return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
        };
        // Texts of the program are there in either form; the password in neither.
        QVERIFY(bytes.contains(utf16("Wrong password")));
        QVERIFY(!bytes.contains("orvain_panel"));
        QVERIFY(!bytes.contains(utf16("orvain_panel")));
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestAdvancedLock)
#include "tst_advanced_lock.moc"
