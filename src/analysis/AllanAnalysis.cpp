#include "analysis/AllanAnalysis.h"

#include <cmath>
#include <numbers>

namespace {

bool isAngleColumn(const QByteArray& name)
{
    return name == "phi" || name == "theta" || name == "psi";
}

void unwrapAngles(std::vector<double>& values)
{
    double turns = 0;
    double previous = values.empty() ? 0 : values.front();
    for (double& v : values) {
        const double raw = v;
        const double step = raw - previous;
        if (step > std::numbers::pi)
            turns -= 2 * std::numbers::pi;
        else if (step < -std::numbers::pi)
            turns += 2 * std::numbers::pi;
        previous = raw;
        v = raw + turns;
    }
}

QString seconds(double s)
{
    return QString::number(s, 'g', 4) + QStringLiteral(" s");
}

QByteArray number(double v)
{
    return QByteArray::number(v, 'g', 10);
}

} // namespace

AllanResult analyseAllan(const ColumnSeries& series, AllanInput input)
{
    AllanResult r;
    r.column = series.name;
    r.input = input;
    r.timing = sampleTiming(series.seconds);
    if (series.seconds.size() < MinimumAllanSamples) {
        r.refusal = QStringLiteral("%1 samples, at least %2 are needed")
                        .arg(series.seconds.size())
                        .arg(MinimumAllanSamples);
        return r;
    }
    r.stretch = longestStretch(series.seconds, r.timing.gapThreshold);
    if (r.stretch.count < MinimumAllanSamples) {
        r.refusal = QStringLiteral("the longest stretch without a gap holds %1 samples, at "
                                   "least %2 are needed")
                        .arg(r.stretch.count)
                        .arg(MinimumAllanSamples);
        return r;
    }
    if (!(r.stretch.meanInterval > 0)) {
        r.refusal = QStringLiteral("the samples carry no time between them");
        return r;
    }
    r.stretchStart = series.seconds[r.stretch.first];
    r.stretchEnd = series.seconds[r.stretch.first + r.stretch.count - 1];
    std::vector<double> values(series.values.begin() + std::ptrdiff_t(r.stretch.first),
                               series.values.begin() +
                                   std::ptrdiff_t(r.stretch.first + r.stretch.count));
    if (input == AllanInput::Phase && isAngleColumn(series.name))
        unwrapAngles(values);
    r.curve = overlappingAllan(values, r.stretch.meanInterval, input);
    r.terms = readNoiseTerms(r.curve);
    return r;
}

QString allanTimingText(const AllanResult& r)
{
    const SampleTiming& t = r.timing;
    QString text =
        QStringLiteral("%1: %2 samples, interval %3 mean, %4 deviation, largest %5")
            .arg(QString::fromUtf8(r.column))
            .arg(t.samples)
            .arg(seconds(t.meanInterval), seconds(t.intervalDeviation), seconds(t.largestInterval));
    if (!r.ok())
        return text + QStringLiteral("; ") + r.refusal;
    if (!r.wholeColumn())
        text += QStringLiteral("; %1 gaps longer than %2: analysed the longest stretch without "
                               "one, %3 samples from %4 to %5")
                    .arg(t.gaps)
                    .arg(seconds(t.gapThreshold))
                    .arg(r.stretch.count)
                    .arg(seconds(r.stretchStart), seconds(r.stretchEnd));
    return text;
}

QString noiseTermText(const NoiseTerm& term, bool withTau)
{
    if (!term.reached)
        return QStringLiteral("not reached");
    QString text = QString::number(term.value, 'g', 6);
    if (withTau)
        text += QStringLiteral(" at tau=") + QString::number(term.tau, 'g', 6);
    return text;
}

QByteArray allanCsvHeader()
{
    return "column,tau,adev,count\n";
}

QByteArray allanCsv(const AllanResult& r)
{
    QByteArray out = "# " + allanTimingText(r).toUtf8() + '\n';
    for (const AllanPoint& p : r.curve)
        out += r.column + ',' + number(p.tau) + ',' + number(p.adev) + ',' +
               QByteArray::number(p.count) + '\n';
    if (!r.ok())
        return out;
    out += "# N=" + noiseTermText(r.terms.randomWalk).toUtf8() + '\n';
    out += "# B=" + noiseTermText(r.terms.biasInstability, true).toUtf8() + '\n';
    out += "# K=" + noiseTermText(r.terms.rateRandomWalk).toUtf8() + '\n';
    return out;
}
