#include "app/MessageLog.h"
#include "core/DateTimeStamp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QtTest>

class TestMessageLog : public QObject
{
    Q_OBJECT
private slots:
    void stampFormat()
    {
        const QDateTime when(QDate(2020, 10, 7), QTime(14, 5, 9));
        QCOMPARE(DateTimeStamp(when), QString("2020.10.07 - 14.05.09"));
        QCOMPARE(DateTimeStamp(when).size(), 21);
        QCOMPARE(DateTimeStamp(QDateTime(QDate(2021, 1, 2), QTime(0, 0, 0))),
                 QString("2021.01.02 - 00.00.00"));
    }

    void linesAreJoinedWithCrLfAndNoneAtTheEnd()
    {
        QPlainTextEdit box;
        MessageLog log(&box, [] { return QDateTime(QDate(2020, 10, 7), QTime(9, 5, 3)); });
        // An empty log has no line, not one empty line.
        QCOMPARE(log.lines(), QStringList());
        log.AddLog("Application started.");
        QCOMPARE(log.text(), QString("2020.10.07 - 09.05.03 : Application started."));
        log.AddLog("");
        log.AddLog("two\r\nlines");
        QCOMPARE(log.text(), QString("2020.10.07 - 09.05.03 : Application started.\r\n"
                                     "2020.10.07 - 09.05.03 : \r\n"
                                     "2020.10.07 - 09.05.03 : two\r\nlines"));
        QCOMPARE(log.lines().size(), 4);
        QCOMPARE(box.textCursor().position(), box.document()->characterCount() - 1);
    }

    void appendingStaysCheapForLongLogs()
    {
        QPlainTextEdit box;
        MessageLog log(&box);
        for (int i = 0; i < 20000; ++i)
            log.AddLog(QStringLiteral("line %1").arg(i));
        QCOMPARE(log.lines().size(), 20000);
        QVERIFY(log.lines().last().endsWith(" : line 19999"));
    }

    void onlyTheNewestLinesAreKept()
    {
        QPlainTextEdit box;
        MessageLog log(&box);
        // One message of 100004 lines, then one more line.
        QStringList many;
        for (int i = 0; i < 100004; ++i)
            many << QStringLiteral("line %1").arg(i);
        log.AddLog(many.join("\r\n"));
        log.AddLog("newest");
        const QStringList lines = log.lines();
        QCOMPARE(lines.size(), 100000);
        QCOMPARE(lines.first(), QString("line 5"));
        QCOMPARE(lines[99998], QString("line 100003"));
        QVERIFY(lines.last().endsWith(" : newest"));
        QVERIFY(log.text().startsWith("line 5\r\nline 6\r\n"));
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestMessageLog)
#include "tst_message_log.moc"
