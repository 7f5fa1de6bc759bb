#include "NoiseSource.h"
#include "analysis/AllanDeviation.h"
#include "analysis/NoiseTerms.h"

#include <QTest>

#include <cmath>
#include <vector>

namespace {

// The NBS-14 data set of NIST SP 1065 (frequency data at tau0 = 1).
const std::vector<double> Nbs14 = {892, 809, 823, 798, 671, 644, 883, 903, 677};

std::vector<double> whiteNoise(std::uint64_t seed, std::size_t n, double sigma)
{
    NoiseSource noise(seed);
    std::vector<double> y(n);
    for (double& v : y)
        v = sigma * noise.gaussian();
    return y;
}

// A rate whose value wanders: each step adds k * sqrt(tau0) of white noise.
std::vector<double> rateRandomWalk(std::uint64_t seed, std::size_t n, double k, double tau0)
{
    NoiseSource noise(seed);
    std::vector<double> y(n);
    double level = 0;
    for (double& v : y) {
        level += k * std::sqrt(tau0) * noise.gaussian();
        v = level;
    }
    return y;
}

bool sameDigits(double actual, double expected, int digits)
{
    return std::fabs(actual - expected) <= 0.5 * std::pow(10.0, -digits + 1) * std::fabs(expected);
}

} // namespace

class TestAllanDeviation : public QObject
{
    Q_OBJECT
private slots:
    void nbs14();
    void nbs14AsPhase();
    void factorsAboutTenADecade();
    void tooFewSamplesGiveNoCurve();
    void whiteNoiseFollowsMinusHalfWithinTheBand();
    void constantOffsetsCancel();
    void rateRandomWalkFollowsPlusHalf();
    void whiteAndWalkTogether();
};

// NIST SP 1065: overlapping Allan deviation 91.22945 at tau = 1 and 85.95287 at tau = 2.
void TestAllanDeviation::nbs14()
{
    const std::vector<AllanPoint> curve = overlappingAllan(Nbs14, 1.0, AllanInput::Rate);
    QCOMPARE(curve.size(), std::size_t(2));
    QCOMPARE(curve[0].m, 1LL);
    QCOMPARE(curve[0].tau, 1.0);
    QVERIFY2(sameDigits(curve[0].adev, 91.22945, 7),
             qPrintable(QString::number(curve[0].adev, 'g', 10)));
    QCOMPARE(curve[0].count, 8LL);
    QCOMPARE(curve[1].m, 2LL);
    QCOMPARE(curve[1].tau, 2.0);
    QVERIFY2(sameDigits(curve[1].adev, 85.95287, 7),
             qPrintable(QString::number(curve[1].adev, 'g', 10)));
    QCOMPARE(curve[1].count, 6LL);
    // The band: 1 -+ 1/sqrt(9/m).
    QVERIFY(sameDigits(curve[0].low, 91.22945 * (1 - 1 / 3.0), 6));
    QVERIFY(sameDigits(curve[1].high, 85.95287 * (1 + std::sqrt(2 / 9.0)), 6));
    // Rates at twice the interval: the same deviations at twice the tau.
    const std::vector<AllanPoint> slower = overlappingAllan(Nbs14, 2.0, AllanInput::Rate);
    QCOMPARE(slower[1].tau, 4.0);
    QVERIFY(sameDigits(slower[1].adev, 85.95287, 7));
}

// The same data integrated (phase, x[i+1] = x[i] + y[i] tau0) gives the same deviation.
void TestAllanDeviation::nbs14AsPhase()
{
    std::vector<double> phase{1000.0};
    for (double y : Nbs14)
        phase.push_back(phase.back() + y * 0.5);
    const std::vector<AllanPoint> curve = overlappingAllan(phase, 0.5, AllanInput::Phase);
    QCOMPARE(curve.size(), std::size_t(2));
    QVERIFY(sameDigits(curve[0].adev, 91.22945, 7));
    QVERIFY(sameDigits(curve[1].adev, 85.95287, 7));
    QCOMPARE(curve[1].tau, 1.0);
    QCOMPARE(curve[0].count, 8LL);
}

void TestAllanDeviation::factorsAboutTenADecade()
{
    const std::vector<long long> f = allanFactors(360000);
    QCOMPARE(f.front(), 1LL);
    QVERIFY(f.back() <= 90000);
    QVERIFY(f.back() > 90000 / 1.3);
    for (std::size_t i = 1; i < f.size(); ++i)
        QVERIFY(f[i] > f[i - 1]);
    // 1 to 90000 is almost five decades: about ten a decade, less at the start where the
    // rounding to whole factors merges some.
    QVERIFY(f.size() >= 40 && f.size() <= 50);
    QCOMPARE(allanFactors(9), (std::vector<long long>{1, 2}));
    QCOMPARE(allanFactors(4), (std::vector<long long>{1}));
    QVERIFY(allanFactors(3).empty());
}

void TestAllanDeviation::tooFewSamplesGiveNoCurve()
{
    QVERIFY(overlappingAllan(std::vector<double>{1, 2, 3}, 1.0, AllanInput::Rate).empty());
    QVERIFY(overlappingAllan(std::vector<double>{}, 1.0, AllanInput::Rate).empty());
    QVERIFY(overlappingAllan(std::vector<double>{1, 2, 3, 4}, 1.0, AllanInput::Phase).empty());
    QVERIFY(overlappingAllan(Nbs14, 0.0, AllanInput::Rate).empty());
    QVERIFY(overlappingAllan(Nbs14, std::nan(""), AllanInput::Rate).empty());
}

// White rate noise of deviation sigma per sample: sigma(tau) = sigma / sqrt(m), the -1/2 line,
// N = sigma * sqrt(tau0). The band holds for about nine points in ten (it is about 1.5
// standard deviations of the estimate for this noise); neighbouring points share their data,
// so that share is counted over many noise series.
void TestAllanDeviation::whiteNoiseFollowsMinusHalfWithinTheBand()
{
    const double sigma = 0.5;
    const double tau0 = 0.01;
    int inside = 0, points = 0;
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        const std::vector<AllanPoint> curve =
            overlappingAllan(whiteNoise(seed, 20000, sigma), tau0, AllanInput::Rate);
        QCOMPARE(curve.size(), allanFactors(20000).size());
        for (const AllanPoint& p : curve) {
            const double expected = sigma / std::sqrt(double(p.m));
            ++points;
            inside += expected >= p.low && expected <= p.high ? 1 : 0;
            // Never far out: three bands at the very most.
            QVERIFY2(std::fabs(p.adev - expected) <= 3.5 * (p.high - p.adev),
                     qPrintable(QStringLiteral("seed %1 m %2").arg(seed).arg(p.m)));
        }
        const NoiseTerms terms = readNoiseTerms(curve);
        QVERIFY(terms.randomWalk.reached);
        QCOMPARE(terms.randomWalk.tau, 1.0);
        QVERIFY2(std::fabs(terms.randomWalk.value / (sigma * std::sqrt(tau0)) - 1) < 0.08,
                 qPrintable(QString::number(terms.randomWalk.value)));
        QVERIFY2(!terms.biasInstability.reached, qPrintable(QString::number(seed)));
        QVERIFY2(!terms.rateRandomWalk.reached, qPrintable(QString::number(seed)));
    }
    const double share = double(inside) / points;
    QVERIFY2(share >= 0.8 && share <= 0.97, qPrintable(QString::number(share)));
}

// A constant rate (a bias, the field's mean) changes nothing, however large against the noise.
void TestAllanDeviation::constantOffsetsCancel()
{
    std::vector<double> y = whiteNoise(7, 50000, 1e-3);
    const std::vector<AllanPoint> plain = overlappingAllan(y, 0.01, AllanInput::Rate);
    for (double& v : y)
        v += 1e4;
    const std::vector<AllanPoint> offset = overlappingAllan(y, 0.01, AllanInput::Rate);
    QCOMPARE(plain.size(), offset.size());
    for (std::size_t i = 0; i < plain.size(); ++i)
        QVERIFY2(std::fabs(offset[i].adev / plain[i].adev - 1) < 1e-6,
                 qPrintable(QStringLiteral("m %1: %2 against %3")
                                .arg(plain[i].m)
                                .arg(offset[i].adev)
                                .arg(plain[i].adev)));
}

// Rate random walk: sigma(tau) = K sqrt(tau / 3), the +1/2 line read at 3 s.
void TestAllanDeviation::rateRandomWalkFollowsPlusHalf()
{
    const double k = 2e-3;
    const double tau0 = 0.1;
    for (std::uint64_t seed = 1; seed <= 10; ++seed) {
        const std::vector<AllanPoint> curve =
            overlappingAllan(rateRandomWalk(seed, 100000, k, tau0), tau0, AllanInput::Rate);
        const NoiseTerms terms = readNoiseTerms(curve);
        QVERIFY(terms.rateRandomWalk.reached);
        QCOMPARE(terms.rateRandomWalk.tau, 3.0);
        QVERIFY2(
            std::fabs(terms.rateRandomWalk.value / k - 1) < 0.25,
            qPrintable(QStringLiteral("seed %1: K %2").arg(seed).arg(terms.rateRandomWalk.value)));
        QVERIFY(!terms.randomWalk.reached);
        QVERIFY(!terms.biasInstability.reached);
    }
}

// White noise falling, the walk rising: N and K each from its own part of the curve, and the
// bottom between them as B (sigma_min / 0.664) with its tau.
void TestAllanDeviation::whiteAndWalkTogether()
{
    const double sigma = 0.01, k = 5e-4, tau0 = 0.01;
    std::vector<double> y = whiteNoise(11, 400000, sigma);
    const std::vector<double> walk = rateRandomWalk(12, y.size(), k, tau0);
    for (std::size_t i = 0; i < y.size(); ++i)
        y[i] += walk[i];
    const std::vector<AllanPoint> curve = overlappingAllan(y, tau0, AllanInput::Rate);
    const NoiseTerms terms = readNoiseTerms(curve);
    QVERIFY(terms.randomWalk.reached);
    QVERIFY2(std::fabs(terms.randomWalk.value / (sigma * std::sqrt(tau0)) - 1) < 0.1,
             qPrintable(QString::number(terms.randomWalk.value)));
    QVERIFY(terms.rateRandomWalk.reached);
    QVERIFY2(std::fabs(terms.rateRandomWalk.value / k - 1) < 0.3,
             qPrintable(QString::number(terms.rateRandomWalk.value)));
    QVERIFY(terms.biasInstability.reached);
    // Both lines cross where N / sqrt(tau) = K sqrt(tau / 3): tau = sqrt(3) N / K, about 3.5 s.
    const double crossing = std::sqrt(3.0) * sigma * std::sqrt(tau0) / k;
    QVERIFY2(terms.biasInstability.tau > crossing / 3 && terms.biasInstability.tau < crossing * 3,
             qPrintable(QString::number(terms.biasInstability.tau)));
    double lowest = curve.front().adev;
    for (const AllanPoint& p : curve)
        lowest = std::min(lowest, p.adev);
    QCOMPARE(terms.biasInstability.value, lowest / 0.664);
}

#include "support/TestMain.h"

QTEST_APPLESS_MAIN(TestAllanDeviation)
#include "tst_allan_deviation.moc"
