#include "analysis/CalibrationReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonArray vectorJson(const Eigen::Vector3d& v)
{
    return QJsonArray{v.x(), v.y(), v.z()};
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

QByteArray calibrationJson(const MagneticCalibration& c)
{
    QJsonObject o;
    o.insert(QStringLiteral("count"), c.count);
    if (c.fitted) {
        QJsonArray rows;
        for (int r = 0; r < 3; ++r)
            rows.append(QJsonArray{c.softIron(r, 0), c.softIron(r, 1), c.softIron(r, 2)});
        o.insert(QStringLiteral("offset"), vectorJson(c.offset));
        o.insert(QStringLiteral("soft_iron"), rows);
        o.insert(QStringLiteral("field"), c.field);
        o.insert(QStringLiteral("rms"), c.rms);
        o.insert(QStringLiteral("rms_percent"), c.rmsPercent);
    } else {
        for (const char* key : {"offset", "soft_iron", "field", "rms", "rms_percent"})
            o.insert(QLatin1String(key), QJsonValue::Null);
    }
    o.insert(QStringLiteral("coverage_percent"), c.coveragePercent);
    o.insert(QStringLiteral("verdict"), verdictName(c.verdict));
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
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
                 .arg(48)
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
