#include "ProgressBar.h"
#include "Terminal.h"

#include <QTest>

#include <cstdio>

namespace {

// Standard error captured in memory.
struct Captured
{
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* err = open_memstream(&data, &size);

    ~Captured()
    {
        std::fclose(err);
        std::free(data);
    }
    QByteArray text()
    {
        std::fflush(err);
        return QByteArray(data, qsizetype(size));
    }
};

} // namespace

class CliProgressTest : public QObject
{
    Q_OBJECT
private slots:
    void barOnATerminal();
    void percentLinesElsewhere();
};

void CliProgressTest::barOnATerminal()
{
    Captured captured;
    Terminal terminal(captured.err, stdout, true);
    ProgressBar bar(terminal);
    bar.clear();
    bar.show(126, 1260);
    bar.show(127, 1260);
    terminal.line(QStringLiteral("Programmation failed."));
    bar.clear();
    const QByteArray tenPercent = "[####                                    ]  10%";
    QCOMPARE(captured.text(),
             tenPercent + "\r\033[KProgrammation failed.\n" + tenPercent + "\r\033[K");
    QCOMPARE(ProgressBar::barText(100),
             QStringLiteral("[########################################] 100%"));
    QCOMPARE(ProgressBar::barText(0),
             QStringLiteral("[                                        ]   0%"));
}

void CliProgressTest::percentLinesElsewhere()
{
    Captured captured;
    Terminal terminal(captured.err, stdout, false);
    ProgressBar bar(terminal);
    bar.show(126, 4863);
    bar.show(127, 4863);
    bar.show(4862, 4863);
    terminal.line(QStringLiteral("done"));
    bar.clear();
    QCOMPARE(captured.text(), QByteArray("Programming: 2%\nProgramming: 99%\ndone\n"));
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(CliProgressTest)
#include "tst_cli_progress.moc"
