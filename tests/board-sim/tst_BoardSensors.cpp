#include "support/Bytes.h"
#include "support/StartBoard.h"

#include <QProcess>
#include <QTest>

#include <cmath>

namespace {

QList<float> floatsOf(const QByteArray& frame, qsizetype count)
{
    QList<float> values;
    for (qsizetype i = 0; i < count; ++i)
        values.append(floatAt(frame, 2 + 4 * i));
    return values;
}

struct Stats
{
    double mean = 0;
    double deviation = 0;
};

Stats stats(const QList<double>& v)
{
    Stats s;
    for (double x : v)
        s.mean += x;
    s.mean /= double(v.size());
    for (double x : v)
        s.deviation += (x - s.mean) * (x - s.mean);
    s.deviation = std::sqrt(s.deviation / double(v.size()));
    return s;
}

} // namespace

// What the board's sensors add to its motion: hard and soft iron, noise, a wandering rate, and
// the tumble that turns the field through every direction.
class TestBoardSensors : public QObject
{
    Q_OBJECT
private slots:
    // raw = A * field + h: level and heading north, the field (0.6, 0, 0.4) becomes
    // (2 * 0.6 + 1, 0.5 * 0.6 + 2, 0.4 + 3) with A = [2 0 0; 0.5 1 0; 0 0 1], h = (1, 2, 3).
    void ironDistortsTheField()
    {
        START_BOARD(board, "--fixed", "0,0,0", "--hard-iron", "1,2,3", "--soft-iron",
                    "2,0,0,0.5,1,0,0,0,1");
        const QList<float> v = floatsOf(board.ask("F", 74), 18);
        for (int first : {9, 13}) {
            QCOMPARE(v[first], 2.2f);
            QCOMPARE(v[first + 1], 2.3f);
            QCOMPARE(v[first + 2], 3.4f);
        }
        // The other sensors stay as they were.
        QCOMPARE(v[3], 0.0f);
        QCOMPARE(v[5], 1.0f);
        QCOMPARE(v[6], 0.0f);

        START_BOARD(r, "--fixed", "0,0,0", "--frame", "R", "--hard-iron", "1,2,3");
        const QList<float> w = floatsOf(r.ask("F", 26), 6);
        QCOMPARE(w[3], 1.6f);
        QCOMPARE(w[4], 2.0f);
        QCOMPARE(w[5], 3.4f);
    }

    // Tumbling, the field keeps its strength and its angle to gravity (field . gravity is
    // the earth field's down part, 0.4) while pointing every way in the board's axes.
    void tumbleTurnsTheFieldWithTheBoard()
    {
        START_BOARD(board, "--tumble");
        double lowestZ = 1, highestZ = -1, lowestX = 1, highestX = -1;
        for (int i = 0; i < 60; ++i) {
            const QList<float> v = floatsOf(board.ask("F", 74), 18);
            const double hx = v[13], hy = v[14], hz = v[15];
            QVERIFY(std::fabs(std::sqrt(hx * hx + hy * hy + hz * hz) - std::hypot(0.6, 0.4)) <
                    1e-5);
            QVERIFY(std::fabs(hx * v[3] + hy * v[4] + hz * v[5] - 0.4) < 1e-5);
            lowestZ = std::min(lowestZ, hz);
            highestZ = std::max(highestZ, hz);
            lowestX = std::min(lowestX, hx);
            highestX = std::max(highestX, hx);
            QTest::qWait(20);
        }
        QVERIFY2(lowestZ < -0.3 && highestZ > 0.3, qPrintable(QString::number(lowestZ)));
        QVERIFY2(lowestX < -0.3 && highestX > 0.3, qPrintable(QString::number(lowestX)));
    }

    // White noise of sigma on every sensor value: the field and the rates scatter by sigma
    // about their still values. With a rate walk the rates' mean wanders off zero.
    void noiseAndRateWalk()
    {
        START_BOARD(board, "--fixed", "0,0,0", "--sensor-noise", "0.01");
        QList<double> hx, rate;
        for (int i = 0; i < 400; ++i) {
            const QList<float> v = floatsOf(board.ask("F", 74), 18);
            hx << v[13];
            rate << v[6];
        }
        const Stats field = stats(hx);
        QVERIFY2(std::fabs(field.mean - 0.6) < 0.003, qPrintable(QString::number(field.mean)));
        QVERIFY2(std::fabs(field.deviation / 0.01 - 1) < 0.15,
                 qPrintable(QString::number(field.deviation)));
        const Stats still = stats(rate);
        QVERIFY(std::fabs(still.mean) < 0.003);
        QVERIFY(std::fabs(still.deviation / 0.01 - 1) < 0.15);

        START_BOARD(walking, "--fixed", "0,0,0", "--rate-walk", "1");
        QList<double> wandering;
        for (int i = 0; i < 40; ++i) {
            wandering << floatsOf(walking.ask("F", 74), 18)[7];
            QTest::qWait(10);
        }
        // No white noise: each step is small, but over the run the rate moves away.
        double largestStep = 0;
        for (qsizetype i = 1; i < wandering.size(); ++i)
            largestStep = std::max(largestStep, std::fabs(wandering[i] - wandering[i - 1]));
        QVERIFY(stats(wandering).deviation > 0.01);
        QVERIFY2(largestStep < 2.0, qPrintable(QString::number(largestStep)));
    }

    void badOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("two numbers") << QStringList{"--hard-iron", "1,2"}
                                     << "--hard-iron needs 3 numbers X,Y,Z, not \"1,2\"";
        QTest::newRow("no number") << QStringList{"--hard-iron", "1,x,3"}
                                   << "--hard-iron needs 3 numbers X,Y,Z, not \"1,x,3\"";
        QTest::newRow("eight numbers")
            << QStringList{"--soft-iron", "1,0,0,0,1,0,0,0"}
            << "--soft-iron needs 9 numbers A11,A12,A13,A21,...,A33, not \"1,0,0,0,1,0,0,0\"";
        QTest::newRow("negative noise") << QStringList{"--sensor-noise", "-1"}
                                        << "--sensor-noise needs a number of 0 or more, not \"-1\"";
        QTest::newRow("walk of nan") << QStringList{"--rate-walk", "nan"}
                                     << "--rate-walk needs a number of 0 or more, not \"nan\"";
    }

    void badOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QProcess bad;
        bad.start(BoardProcess::program(), arguments);
        QVERIFY(bad.waitForFinished(5000));
        QCOMPARE(bad.exitCode(), 2);
        QCOMPARE(bad.readAllStandardOutput(), QByteArray());
        QCOMPARE(QString::fromUtf8(bad.readAllStandardError()).trimmed(),
                 QStringLiteral("board-sim: ") + message);
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestBoardSensors)
#include "tst_BoardSensors.moc"
