#pragma once

#include "analysis/AllanDeviation.h"
#include "analysis/ColumnSeries.h"
#include "analysis/NoiseTerms.h"
#include "analysis/SampleTiming.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The Allan deviation of one column of a recording, as the window and skyvane-cli show it.
// The samples are taken at the mean interval of the longest stretch without a gap (the whole
// column when it has none); the timing figures of the whole column go with it.
struct AllanResult
{
    QByteArray column;
    AllanInput input = AllanInput::Rate;
    SampleTiming timing;
    SampleStretch stretch;
    // Seconds (of the recording) where the stretch starts and ends.
    double stretchStart = 0;
    double stretchEnd = 0;
    std::vector<AllanPoint> curve;
    NoiseTerms terms;
    // Why there is no curve ("" when there is one).
    QString refusal;

    bool ok() const { return refusal.isEmpty(); }
    bool wholeColumn() const { return stretch.count == timing.samples; }
};

// Fewest samples of a stretch: enough for the first point (m = 1 needs four rates).
constexpr std::size_t MinimumAllanSamples = 5;

// Phase input of an angle column (phi, theta, psi) is unwrapped first: a step of more than
// half a turn is the angle going round.
AllanResult analyseAllan(const ColumnSeries& series, AllanInput input);

// "hx: 36000 samples, interval 0.0100 s mean, 0.0004 s deviation, largest 0.0310 s", and
// what the analysis used when the column has gaps.
QString allanTimingText(const AllanResult& result);
// A noise term as the outputs write it: "0.00123", "0.00045 at tau=3.16", "not reached".
QString noiseTermText(const NoiseTerm& term, bool withTau = false);

// The CSV of skyvane-cli allan and the window's export: the header row, then per column a
// comment line with its timing, one "column,tau,adev,count" row per tau, and the noise terms
// as "# N=...", "# B=... at tau=...", "# K=..." lines.
QByteArray allanCsvHeader();
QByteArray allanCsv(const AllanResult& result);
