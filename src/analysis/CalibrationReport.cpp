#include "analysis/CalibrationReport.h"

#include "analysis/SphereCoverage.h"

#include <QLocale>

#include <cmath>

namespace {

QByteArray jsonNumber(double v)
{
    return std::isfinite(v) ? QByteArray::number(v, 'g', QLocale::FloatingPointShortest)
                            : QByteArray("null");
}

QByteArray jsonVector(const Eigen::Vector3d& v)
{
    return '[' + jsonNumber(v.x()) + ',' + jsonNumber(v.y()) + ',' + jsonNumber(v.z()) + ']';
}

QString vectorText(const Eigen::Vector3d& v)
{
    return QStringLiteral("%1, %2, %3")
        .arg(reportNumber(v.x()), reportNumber(v.y()), reportNumber(v.z()));
}

} // namespace

QString reportNumber(double value)
{
    return QString::number(value, 'g', 6);
}

// Written by hand so that the keys come in the order a reader expects them.
QByteArray calibrationJson(const MagneticCalibration& c)
{
    QByteArray out = "{\"count\":" + QByteArray::number(c.count);
    if (c.fitted) {
        const Eigen::Matrix3d& s = c.softIron;
        out += ",\"offset\":" + jsonVector(c.offset) + ",\"soft_iron\":[" +
               jsonVector(s.row(0).transpose()) + ',' + jsonVector(s.row(1).transpose()) + ',' +
               jsonVector(s.row(2).transpose()) + "],\"field\":" + jsonNumber(c.field) +
               ",\"rms\":" + jsonNumber(c.rms) + ",\"rms_percent\":" + jsonNumber(c.rmsPercent);
    } else {
        out += ",\"offset\":null,\"soft_iron\":null,\"field\":null,\"rms\":null,"
               "\"rms_percent\":null";
    }
    out += ",\"coverage_percent\":" + jsonNumber(c.coveragePercent) + ",\"verdict\":\"" +
           verdictName(c.verdict).toLatin1() + "\"}\n";
    return out;
}

QString calibrationText(const MagneticCalibration& c)
{
    using M = MagneticCalibration;
    QStringList lines;
    lines << QStringLiteral("Points: %1 (a fit needs %2, a good one %3)")
                 .arg(c.count)
                 .arg(M::MinimumPoints)
                 .arg(M::GoodPoints);
    lines << QStringLiteral("Coverage: %1 of %2 directions, %3 % (good from %4 %)")
                 .arg(c.coveredCells)
                 .arg(SphereCoverage::Cells)
                 .arg(QString::number(c.coveragePercent, 'f', 1))
                 .arg(M::GoodCoveragePercent);
    if (c.fitted) {
        const Eigen::Matrix3d& s = c.softIron;
        lines << QStringLiteral("Hard iron h: %1").arg(vectorText(c.offset));
        lines << QStringLiteral("Soft iron S: %1").arg(vectorText(s.row(0).transpose()));
        lines << QStringLiteral("             %1").arg(vectorText(s.row(1).transpose()));
        lines << QStringLiteral("             %1").arg(vectorText(s.row(2).transpose()));
        lines << QStringLiteral("Field B: %1").arg(reportNumber(c.field));
        lines << QStringLiteral("Corrected = S * (raw - h): subtract h from the raw field, then "
                                "multiply by S.");
        lines << QStringLiteral("Corrected = S * raw - b, b = S * h: %1")
                     .arg(vectorText(c.subtracted()));
        lines << QStringLiteral("RMS residual: %1 (%2 % of B, good up to %3 %)")
                     .arg(reportNumber(c.rms), QString::number(c.rmsPercent, 'f', 2))
                     .arg(M::GoodResidualPercent);
        lines << QStringLiteral("Spread of |B|: %1 % before, %2 % after")
                     .arg(QString::number(c.spreadBeforePercent, 'f', 2),
                          QString::number(c.spreadAfterPercent, 'f', 2));
    }
    lines << QStringLiteral("Condition: %1").arg(reportNumber(c.condition));
    lines << c.advice;
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
