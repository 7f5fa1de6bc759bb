#include "analysis/MagneticCalibration.h"

#include "analysis/SphereCoverage.h"

#include <Eigen/Eigenvalues>

#include <cmath>

namespace {

// Mean and standard deviation in % of the mean.
double spreadPercent(const std::vector<double>& values)
{
    if (values.empty())
        return 0;
    double mean = 0;
    for (double v : values)
        mean += v;
    mean /= double(values.size());
    double squares = 0;
    for (double v : values)
        squares += (v - mean) * (v - mean);
    return mean > 0 ? 100.0 * std::sqrt(squares / double(values.size())) / mean : 0;
}

QString percentText(double value)
{
    return QString::number(value, 'f', value < 10 ? 1 : 0) + QStringLiteral(" %");
}

QString turnAdvice(const QStringList& turns)
{
    return QStringLiteral("Turn the board through the missing directions: %1.")
        .arg(turns.join(QStringLiteral(", ")));
}

// No calibration: nothing of a fit the points do not determine is kept.
void insufficient(MagneticCalibration& c, const QString& why)
{
    c.fitted = false;
    c.offset.setZero();
    c.softIron.setIdentity();
    c.field = c.rms = c.rmsPercent = 0;
    c.spreadBeforePercent = c.spreadAfterPercent = 0;
    c.before.clear();
    c.after.clear();
    c.verdict = CalibrationVerdict::Insufficient;
    c.advice = QStringLiteral("Insufficient: %1").arg(why);
}

} // namespace

MagneticCalibration calibrateMagnetometer(std::span<const Eigen::Vector3d> raw)
{
    MagneticCalibration c;
    c.count = int(raw.size());

    // Coverage before any fit: directions seen from the points' mean.
    Eigen::Vector3d mean = Eigen::Vector3d::Zero();
    for (const Eigen::Vector3d& p : raw)
        mean += p;
    if (!raw.empty())
        mean /= double(raw.size());
    SphereCoverage rawCoverage;
    for (const Eigen::Vector3d& p : raw)
        rawCoverage.add(p - mean);
    c.coveredCells = rawCoverage.covered();
    c.coveragePercent = rawCoverage.percent();
    c.missingTurns = rawCoverage.missingTurns();

    if (c.count < MagneticCalibration::MinimumPoints) {
        insufficient(c, QStringLiteral("%1 points, a fit needs at least %2. Turn the board "
                                       "slowly through every direction.")
                            .arg(c.count)
                            .arg(MagneticCalibration::MinimumPoints));
        return c;
    }
    const QString flat = QStringLiteral(
        "the points do not pin the ellipsoid down (they lie near a plane, or on too small a "
        "part of the sphere). Tilt the board as you turn it: nose down, left side down, "
        "upside down.");
    const EllipsoidFit fit = fitEllipsoid(raw);
    c.condition = fit.condition;
    if (!fit.valid) {
        insufficient(c, fit.condition > MaximumEllipsoidCondition
                            ? flat
                            : QStringLiteral("the points fit no ellipsoid. Turn the board away "
                                             "from anything magnetic and start again."));
        return c;
    }

    const Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> axes(fit.shape);
    const Eigen::Vector3d& lambda = axes.eigenvalues();
    c.field = std::pow(lambda.prod(), -1.0 / 6.0);
    const Eigen::Matrix3d root =
        axes.eigenvectors() * lambda.cwiseSqrt().asDiagonal() * axes.eigenvectors().transpose();
    // Symmetric to the last bit, as it is in exact arithmetic.
    c.softIron = c.field * (root + root.transpose()) / 2;
    c.offset = fit.centre;
    c.fitted = true;

    SphereCoverage coverage;
    double squares = 0;
    c.before.reserve(raw.size());
    c.after.reserve(raw.size());
    for (const Eigen::Vector3d& p : raw) {
        const Eigen::Vector3d corrected = c.softIron * (p - c.offset);
        const double length = corrected.norm();
        c.before.push_back(p.norm());
        c.after.push_back(length);
        squares += (length - c.field) * (length - c.field);
        coverage.add(corrected);
    }
    c.rms = std::sqrt(squares / double(raw.size()));
    c.rmsPercent = 100.0 * c.rms / c.field;
    c.sensitivity = c.condition * c.rms / c.field;
    if (!(c.sensitivity <= MagneticCalibration::MaximumSensitivity)) {
        insufficient(c, flat);
        return c;
    }
    c.coveredCells = coverage.covered();
    c.coveragePercent = coverage.percent();
    c.missingTurns = coverage.missingTurns();
    c.spreadBeforePercent = spreadPercent(c.before);
    c.spreadAfterPercent = spreadPercent(c.after);

    QStringList faults;
    if (c.count < MagneticCalibration::GoodPoints)
        faults << QStringLiteral("%1 points (at least %2)")
                      .arg(c.count)
                      .arg(MagneticCalibration::GoodPoints);
    if (c.coveragePercent < MagneticCalibration::GoodCoveragePercent)
        faults << QStringLiteral("coverage %1 (at least %2)")
                      .arg(percentText(c.coveragePercent),
                           percentText(MagneticCalibration::GoodCoveragePercent));
    if (c.rmsPercent > MagneticCalibration::GoodResidualPercent)
        faults << QStringLiteral("residual %1 of B (at most %2)")
                      .arg(percentText(c.rmsPercent),
                           percentText(MagneticCalibration::GoodResidualPercent));
    if (faults.isEmpty()) {
        c.verdict = CalibrationVerdict::Good;
        c.advice = QStringLiteral("Good: residual %1 of B, coverage %2, %3 points.")
                       .arg(percentText(c.rmsPercent), percentText(c.coveragePercent))
                       .arg(c.count);
        return c;
    }
    c.verdict = CalibrationVerdict::Poor;
    QString advice = QStringLiteral("Poor: %1.").arg(faults.join(QStringLiteral(", ")));
    if (!c.missingTurns.isEmpty())
        advice += QLatin1Char(' ') + turnAdvice(c.missingTurns);
    else if (c.rmsPercent > MagneticCalibration::GoodResidualPercent)
        advice += QStringLiteral(" Keep the board away from iron and cables that move with it, "
                                 "and turn it slowly.");
    else
        advice += QStringLiteral(" Keep turning the board slowly.");
    c.advice = advice;
    return c;
}

QString verdictName(CalibrationVerdict verdict)
{
    switch (verdict) {
    case CalibrationVerdict::Good:
        return QStringLiteral("good");
    case CalibrationVerdict::Poor:
        return QStringLiteral("poor");
    case CalibrationVerdict::Insufficient:
        break;
    }
    return QStringLiteral("insufficient");
}
