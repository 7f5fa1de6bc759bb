#include "NoiseSource.h"
#include "analysis/AllanAnalysis.h"
#include "analysis/ColumnSeries.h"
#include "analysis/SampleTiming.h"

#include <QTest>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

Measurement frame(char kind, QList<float> values)
{
    Measurement m;
    m.kind = kind;
    m.values = std::move(values);
    return m;
}

// A column of white noise sampled every `interval` seconds from `start`.
ColumnSeries series(const QByteArray& name, std::size_t n, double interval, double start = 0,
                    std::uint64_t seed = 1)
{
    ColumnSeries s;
    s.name = name;
    NoiseSource noise(seed);
    for (std::size_t i = 0; i < n; ++i) {
        s.seconds.push_back(start + double(i) * interval);
        s.values.push_back(noise.gaussian());
    }
    return s;
}

void append(ColumnSeries& to, const ColumnSeries& more)
{
    to.seconds.insert(to.seconds.end(), more.seconds.begin(), more.seconds.end());
    to.values.insert(to.values.end(), more.values.begin(), more.values.end());
}

} // namespace

class TestAllanAnalysis : public QObject
{
    Q_OBJECT
private slots:
    void columnsByName();
    void valuesThatAreNoSamples();
    void timingFigures();
    void longestStretchWithoutAGap();
    void refusedWithTheFigures();
    void anglesUnwrappedAsPhase();
    void csvLines();
};

// F's floats 14 to 16 and R's 4 to 6 are hx, hy, hz; f7 is F's seventh float; value1 G's
// fourth.
void TestAllanAnalysis::columnsByName()
{
    ColumnCollector hx("hx");
    QVERIFY(hx.known());
    QList<float> f(18, 0.0f);
    f[13] = 1.5f;
    f[6] = 7.0f;
    hx.add(0.5, frame('F', f));
    hx.add(0.6, frame('R', {0, 0, 0, 2.5f, 0, 0}));
    hx.add(0.7, frame('G', {0, 0, 0, 9, 9, 9, 9}));
    hx.add(0.8, frame('C', {0, 0, 0, 9, 9, 9, 9, 9}));
    QCOMPARE(hx.series().values, (std::vector<double>{1.5, 2.5}));
    QCOMPARE(hx.series().seconds, (std::vector<double>{0.5, 0.6}));

    ColumnCollector f7("f7");
    f7.add(1.0, frame('F', f));
    QCOMPARE(f7.series().values, (std::vector<double>{7.0}));
    ColumnCollector value1("value1");
    value1.add(1.0, frame('G', {0, 0, 0, 4, 5, 6, 7}));
    value1.add(1.1, frame('F', f));
    QCOMPARE(value1.series().values, (std::vector<double>{4.0}));

    QVERIFY(!ColumnCollector("time").known());
    QVERIFY(!ColumnCollector("kind").known());
    QVERIFY(!ColumnCollector("Hx").known());
    QVERIFY(!ColumnCollector("").known());
    QVERIFY(ColumnCollector("f19").known());
    QCOMPARE(columnNames('R', 6), (QList<QByteArray>{"phi", "theta", "psi", "hx", "hy", "hz"}));
}

// A frame too short for the column, a NaN, an infinity and the board's 1e9+ "no value" add
// nothing.
void TestAllanAnalysis::valuesThatAreNoSamples()
{
    ColumnCollector hz("hz");
    hz.add(0, frame('R', {0, 0, 0, 1, 2}));
    hz.add(1, frame('R', {0, 0, 0, 1, 2, std::nanf("")}));
    hz.add(2, frame('R', {0, 0, 0, 1, 2, INFINITY}));
    hz.add(3, frame('R', {0, 0, 0, 1, 2, 2e9f}));
    hz.add(4, frame('R', {0, 0, 0, 1, 2, -3}));
    QCOMPARE(hz.series().values, (std::vector<double>{-3.0}));
}

void TestAllanAnalysis::timingFigures()
{
    const std::vector<double> t{0, 0.01, 0.02, 0.035, 0.045, 0.055};
    const SampleTiming timing = sampleTiming(t);
    QCOMPARE(timing.samples, std::size_t(6));
    QVERIFY(std::fabs(timing.meanInterval - 0.011) < 1e-12);
    QVERIFY(std::fabs(timing.largestInterval - 0.015) < 1e-12);
    // Intervals 0.01 x4 and 0.015: deviation sqrt(mean of squares about 0.011) = 0.002.
    QVERIFY(std::fabs(timing.intervalDeviation - 0.002) < 1e-12);
    QVERIFY(std::fabs(timing.gapThreshold - 0.05) < 1e-12);
    QCOMPARE(timing.gaps, std::size_t(0));
    QCOMPARE(sampleTiming(std::vector<double>{3.0}).gapThreshold, 0.0);
}

// Three stretches of 100 Hz samples parted by gaps of half a second and of 0.06 s: the longest
// is analysed at its own mean interval, and the figures say so.
void TestAllanAnalysis::longestStretchWithoutAGap()
{
    ColumnSeries s = series("f7", 300, 0.01, 0.0, 1);
    append(s, series("f7", 1000, 0.01, 3.49, 2));
    append(s, series("f7", 500, 0.01, 13.54, 3));
    const AllanResult r = analyseAllan(s, AllanInput::Rate);
    QVERIFY(r.ok());
    QCOMPARE(r.timing.samples, std::size_t(1800));
    QCOMPARE(r.timing.gaps, std::size_t(2));
    QVERIFY(std::fabs(r.timing.largestInterval - 0.5) < 1e-9);
    QVERIFY(!r.wholeColumn());
    QCOMPARE(r.stretch.first, std::size_t(300));
    QCOMPARE(r.stretch.count, std::size_t(1000));
    QVERIFY(std::fabs(r.stretch.meanInterval - 0.01) < 1e-9);
    QCOMPARE(r.stretchStart, 3.49);
    QVERIFY(std::fabs(r.curve.front().tau - 0.01) < 1e-9);
    // The largest factor of the grid up to a quarter of 1000.
    QCOMPARE(r.curve.back().m, 200LL);
    const QString text = allanTimingText(r);
    QVERIFY2(text.startsWith(QStringLiteral("f7: 1800 samples, interval ")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("largest 0.5 s")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("2 gaps longer than 0.05 s: analysed the longest "
                                          "stretch without one, 1000 samples from 3.49 s to "
                                          "13.48 s")),
             qPrintable(text));

    // Jitter below five intervals is no gap.
    ColumnSeries jitter = series("f7", 200, 0.01);
    jitter.seconds[100] += 0.02;
    const AllanResult whole = analyseAllan(jitter, AllanInput::Rate);
    QVERIFY(whole.wholeColumn());
    QVERIFY(!allanTimingText(whole).contains(QStringLiteral("gap")));
}

void TestAllanAnalysis::refusedWithTheFigures()
{
    const AllanResult few = analyseAllan(series("hx", 4, 0.01), AllanInput::Rate);
    QVERIFY(!few.ok());
    QVERIFY(few.curve.empty());
    QCOMPARE(few.refusal, QStringLiteral("4 samples, at least 5 are needed"));

    // Every stretch between the gaps too short.
    ColumnSeries gappy;
    gappy.name = "hx";
    for (int i = 0; i < 40; ++i) {
        gappy.seconds.push_back(i / 4 * 10.0 + (i % 4) * 0.01);
        gappy.values.push_back(i);
    }
    const AllanResult broken = analyseAllan(gappy, AllanInput::Rate);
    QVERIFY(!broken.ok());
    QVERIFY(broken.curve.empty());
    QVERIFY2(allanTimingText(broken).contains(QStringLiteral(
                 "largest 9.97 s; the longest stretch without a gap holds 4 samples")),
             qPrintable(allanTimingText(broken)));

    ColumnSeries still = series("hx", 10, 0.0);
    QCOMPARE(analyseAllan(still, AllanInput::Rate).refusal,
             QStringLiteral("the samples carry no time between them"));
}

// A heading that turns steadily through north wraps from 2 pi to 0; read as phase it is
// unwrapped, so a steady turn has no deviation at all. Other columns keep their jumps.
void TestAllanAnalysis::anglesUnwrappedAsPhase()
{
    ColumnSeries psi;
    psi.name = "psi";
    for (int i = 0; i < 400; ++i) {
        psi.seconds.push_back(i * 0.01);
        psi.values.push_back(std::fmod(i * 0.05, 2 * std::numbers::pi));
    }
    const AllanResult turning = analyseAllan(psi, AllanInput::Phase);
    QVERIFY(turning.ok());
    for (const AllanPoint& p : turning.curve)
        QVERIFY2(p.adev < 1e-9, qPrintable(QString::number(p.adev)));
    ColumnSeries other = psi;
    other.name = "f4";
    const AllanResult jumping = analyseAllan(other, AllanInput::Phase);
    QVERIFY(jumping.curve.front().adev > 1);
}

void TestAllanAnalysis::csvLines()
{
    const AllanResult r = analyseAllan(series("f8", 2000, 0.01), AllanInput::Rate);
    const QList<QByteArray> lines = (allanCsvHeader() + allanCsv(r)).split('\n');
    QCOMPARE(lines.first(), QByteArray("column,tau,adev,count"));
    QVERIFY(lines.at(1).startsWith("# f8: 2000 samples, interval 0.01 s mean"));
    QCOMPARE(lines.at(2),
             QByteArray("f8,0.01,") + QByteArray::number(r.curve[0].adev, 'g', 10) + ",1999");
    QCOMPARE(qsizetype(lines.size()), qsizetype(r.curve.size()) + 6);
    QVERIFY(lines.at(lines.size() - 4).startsWith("# N=0."));
    QCOMPARE(lines.at(lines.size() - 3), QByteArray("# B=not reached"));
    QCOMPARE(lines.at(lines.size() - 2), QByteArray("# K=not reached"));
    QCOMPARE(lines.last(), QByteArray());

    NoiseTerm b;
    b.reached = true;
    b.value = 0.00123456789;
    b.tau = 3.16227766;
    QCOMPARE(noiseTermText(b, true), QStringLiteral("0.00123457 at tau=3.16228"));
}

#include "support/TestMain.h"

QTEST_APPLESS_MAIN(TestAllanAnalysis)
#include "tst_allan_analysis.moc"
