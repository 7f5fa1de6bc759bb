// The analyses' figures, each the median of several runs, against the targets they are held to:
//  (a) the Allan deviation of a one-hour recording at 100 Hz (360 000 samples of one column):
//      timing, gap stretch, the overlapping deviation at about 10 factors a decade and the
//      noise terms, as the window does when a column is ticked; target 100 ms, so a tick
//      answers at once;
//  (b) the column itself gathered from the 360 000 frames, which the window and skyvane-cli do
//      first;
//  (c) the 3D magnetometer calibration of 10 000 points (ellipsoid fit, residual, coverage,
//      spread, verdict); target 10 ms, so the field view's four fits a second of its 20 000
//      points stay under a tenth of a core; and of those 20 000 points.
// Runs anywhere: bench_analysis [--runs N].

#include "analysis/AllanAnalysis.h"
#include "analysis/ColumnSeries.h"
#include "analysis/MagneticCalibration.h"
#include "common/Figures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <Eigen/Dense>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

// Normal deviates of a fixed sequence (splitmix64 and Box-Muller).
class Normal
{
public:
    explicit Normal(std::uint64_t seed) : m_state(seed) {}
    double next()
    {
        const double u1 = (double(bits() >> 11) + 1.0) / 9007199254740992.0;
        const double u2 = double(bits() >> 11) / 9007199254740992.0;
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
    }

private:
    std::uint64_t bits()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t m_state;
};

double milliseconds(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// A gyro at rest for an hour at 100 Hz with the host's jitter: white noise and a wandering bias.
ColumnSeries gyroHour()
{
    ColumnSeries s;
    s.name = "f7";
    Normal noise(1);
    double bias = 0;
    const std::size_t n = 360000;
    s.seconds.reserve(n);
    s.values.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        bias += 5e-4 * std::sqrt(0.01) * noise.next();
        s.seconds.push_back(0.01 * double(i) + 0.001 * std::fabs(noise.next()));
        s.values.push_back(0.01 * noise.next() + bias);
    }
    return s;
}

std::vector<Eigen::Vector3d> tumblingField(std::size_t n)
{
    Normal noise(2);
    Eigen::Matrix3d a;
    a << 1.08, 0.06, -0.04, 0.06, 0.93, 0.03, -0.04, 0.03, 1.01;
    std::vector<Eigen::Vector3d> points;
    for (std::size_t i = 0; i < n; ++i) {
        const Eigen::Vector3d d =
            Eigen::Vector3d(noise.next(), noise.next(), noise.next()).normalized();
        points.push_back(a * (0.72 * d) + Eigen::Vector3d(0.15, -0.08, 0.22) +
                         0.002 * Eigen::Vector3d(noise.next(), noise.next(), noise.next()));
    }
    return points;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    int runs = 7;
    if (const qsizetype at = args.indexOf(QStringLiteral("--runs")); at > 0)
        runs = std::max(1, args.value(at + 1).toInt());
    PrintCommand(
        {QStringLiteral("bench_analysis"), QStringLiteral("--runs"), QString::number(runs)});

    const ColumnSeries hour = gyroHour();
    std::vector<double> allanMs;
    AllanResult result;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer clock;
        clock.start();
        result = analyseAllan(hour, AllanInput::Rate);
        allanMs.push_back(milliseconds(clock));
    }
    std::printf("Allan deviation of %zu samples (%zu points, N %s, B %s, K %s): median %.1f ms, "
                "slowest %.1f ms (target 100 ms)\n",
                hour.values.size(), result.curve.size(),
                qPrintable(noiseTermText(result.terms.randomWalk)),
                qPrintable(noiseTermText(result.terms.biasInstability, true)),
                qPrintable(noiseTermText(result.terms.rateRandomWalk)), Percentile(allanMs, 50),
                Percentile(allanMs, 100));

    std::vector<Measurement> frames(hour.values.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        frames[i].kind = 'F';
        frames[i].values = QList<float>(18, 0.0f);
        frames[i].values[6] = float(hour.values[i]);
    }
    std::vector<double> columnMs;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer clock;
        clock.start();
        ColumnCollector column("f7");
        column.reserve(frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i)
            column.add(hour.seconds[i], frames[i]);
        columnMs.push_back(milliseconds(clock));
        if (column.series().values.size() != frames.size())
            return 1;
    }
    std::printf("the column gathered from %zu frames: median %.1f ms\n", frames.size(),
                Percentile(columnMs, 50));

    for (std::size_t n : {std::size_t(10000), std::size_t(20000)}) {
        const std::vector<Eigen::Vector3d> points = tumblingField(n);
        std::vector<double> fitMs;
        MagneticCalibration c;
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer clock;
            clock.start();
            c = calibrateMagnetometer(points);
            fitMs.push_back(milliseconds(clock));
        }
        std::printf("3D calibration of %zu points (%s, residual %.2f %%): median %.2f ms, "
                    "slowest %.2f ms%s\n",
                    n, qPrintable(verdictName(c.verdict)), c.rmsPercent, Percentile(fitMs, 50),
                    Percentile(fitMs, 100), n == 10000 ? " (target 10 ms)" : "");
    }
    return 0;
}
