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
    void barBounds();
    void statusOnlyOnATerminal();
    void resultsAsTheyStand();
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

void CliProgressTest::barBounds()
{
    Captured captured;
    Terminal terminal(captured.err, stdout, false);
    ProgressBar bar(terminal);
    // Nothing to program: no percent at all.
    bar.show(0, 0);
    bar.show(3, -1);
    // Positions outside the image are held to 0 and 100 percent.
    bar.show(-5, 100);
    bar.show(250, 100);
    bar.show(100, 100);
    QCOMPARE(captured.text(), QByteArray("Programming: 0%\nProgramming: 100%\n"));
    // After clear() the same percent is shown again (the next download).
    bar.clear();
    bar.show(100, 100);
    QCOMPARE(captured.text(),
             QByteArray("Programming: 0%\nProgramming: 100%\nProgramming: 100%\n"));
}

void CliProgressTest::statusOnlyOnATerminal()
{
    Captured plain;
    Terminal elsewhere(plain.err, stdout, false);
    elsewhere.status(QStringLiteral("[#   ]  25%"));
    elsewhere.line(QStringLiteral("Device Reset."));
    elsewhere.clearStatus();
    elsewhere.error(QStringLiteral("download to COM3 interrupted"));
    QCOMPARE(plain.text(),
             QByteArray("Device Reset.\nskyvane-cli: download to COM3 interrupted\n"));

    Captured captured;
    Terminal terminal(captured.err, stdout, true);
    // Nothing shown yet: nothing to erase.
    terminal.clearStatus();
    terminal.status(QStringLiteral("A"));
    // The same status is not drawn again.
    terminal.status(QStringLiteral("A"));
    terminal.status(QStringLiteral("B"));
    terminal.error(QStringLiteral("lost"));
    terminal.clearStatus();
    terminal.line(QStringLiteral("after"));
    QCOMPARE(captured.text(), QByteArray("A\r\033[KB\r\033[Kskyvane-cli: lost\nB\r\033[Kafter\n"));
}

void CliProgressTest::resultsAsTheyStand()
{
    Captured err;
    Captured out;
    Terminal terminal(err.err, out.err, true);
    terminal.status(QStringLiteral("[#   ]  25%"));
    // Binary results pass whole, zero bytes too, and never disturb the status line.
    const QByteArray bytes("0,1\n\0\xff\r\n", 8);
    terminal.out(bytes);
    QCOMPARE(out.text(), bytes);
    QCOMPARE(err.text(), QByteArray("[#   ]  25%"));
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(CliProgressTest)
#include "tst_cli_progress.moc"
