#include "NoiseSource.h"
#include "analysis/CalibrationReport.h"
#include "analysis/EllipsoidFit.h"
#include "analysis/FieldVector.h"
#include "analysis/MagneticCalibration.h"
#include "analysis/SphereCoverage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <Eigen/Dense>

#include <cmath>
#include <vector>

namespace {

using Vector = Eigen::Vector3d;
using Matrix = Eigen::Matrix3d;

const double Earth = 0.72;

Matrix softIron()
{
    Matrix a;
    a << 1.08, 0.06, -0.04, 0.06, 0.93, 0.03, -0.04, 0.03, 1.01;
    return a;
}

const Vector HardIron(0.15, -0.08, 0.22);

Vector randomDirection(NoiseSource& noise)
{
    return Vector(noise.gaussian(), noise.gaussian(), noise.gaussian()).normalized();
}

// Raw readings A * b + h + noise of a field b of strength Earth seen from the given directions.
std::vector<Vector> readings(const std::vector<Vector>& directions, double sigma,
                             std::uint64_t seed, const Matrix& a = softIron(),
                             const Vector& h = HardIron)
{
    NoiseSource noise(seed);
    std::vector<Vector> raw;
    for (const Vector& d : directions)
        raw.push_back(a * (Earth * d) + h +
                      sigma * Vector(noise.gaussian(), noise.gaussian(), noise.gaussian()));
    return raw;
}

std::vector<Vector> sphere(int n, std::uint64_t seed)
{
    NoiseSource noise(seed);
    std::vector<Vector> d;
    for (int i = 0; i < n; ++i)
        d.push_back(randomDirection(noise));
    return d;
}

// Directions of a board turned about its z axis only, tilted by the field's dip.
std::vector<Vector> circle(int n, double dipDegrees)
{
    std::vector<Vector> d;
    const double dip = dipDegrees * M_PI / 180;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * M_PI * i / n;
        d.push_back(
            Vector(std::cos(dip) * std::cos(a), std::cos(dip) * std::sin(a), std::sin(dip)));
    }
    return d;
}

double largest(const Eigen::MatrixXd& m)
{
    return m.cwiseAbs().maxCoeff();
}

} // namespace

class TestMagneticCalibration : public QObject
{
    Q_OBJECT
private slots:
    void knownIronRecovered();
    void bothConventionsAgree();
    void tooFewPointsInsufficient();
    void flatPointsInsufficient_data();
    void flatPointsInsufficient();
    void pointsOnOneSpotOrLine();
    void halfTheSpherePoor();
    void largeResidualPoor();
    void jsonKeys();
    void jsonWithoutAFit();
    void reportInWords();
    void coverageGridIsEqualArea();
    void missingTurnsNamed();
    void fieldOfFrames();
};

// Points all round the sphere with a noise of sigma per axis: the offset within 10 sigma /
// sqrt(n) per axis, S within 12 sigma / (B sqrt(n)) per entry (about five times the spread
// of these estimates over many noise series), B within 10 sigma / sqrt(n). S is the
// distortion's inverse scaled to keep volumes: det(A)^(1/3) A^-1, and B = det(A)^(1/3) Earth.
void TestMagneticCalibration::knownIronRecovered()
{
    const double sigma = 0.002;
    const int n = 1000;
    const MagneticCalibration c = calibrateMagnetometer(readings(sphere(n, 1), sigma, 2));
    QVERIFY(c.fitted);
    QCOMPARE(c.count, n);
    const double scale = std::cbrt(softIron().determinant());
    const Matrix expected = scale * softIron().inverse();
    const double root = std::sqrt(double(n));
    QVERIFY2(largest(c.offset - HardIron) < 10 * sigma / root,
             qPrintable(QString::number(largest(c.offset - HardIron))));
    QVERIFY2(largest(c.softIron - expected) < 12 * sigma / (Earth * root),
             qPrintable(QString::number(largest(c.softIron - expected))));
    QVERIFY(std::fabs(c.field - scale * Earth) < 10 * sigma / root);
    QVERIFY(std::fabs(c.softIron.determinant() - 1) < 1e-12);
    QCOMPARE(c.softIron, c.softIron.transpose());
    // The residual is the noise along the radius: sigma, in % of B.
    QVERIFY2(std::fabs(c.rms / sigma - 1) < 0.1, qPrintable(QString::number(c.rms)));
    QVERIFY(std::fabs(c.rmsPercent - 100 * c.rms / c.field) < 1e-12);
    QCOMPARE(c.coveragePercent, 100.0);
    QCOMPARE(c.verdict, CalibrationVerdict::Good);
    QVERIFY2(c.advice.startsWith(QStringLiteral("Good: residual 0.3 % of B, coverage 100 %, "
                                                "1000 points.")),
             qPrintable(c.advice));
    QVERIFY(c.spreadBeforePercent > 5);
    QVERIFY(c.spreadAfterPercent < 0.5);
    QCOMPARE(c.before.size(), std::size_t(n));
    QVERIFY(c.condition > 1 && c.condition < 20);

    // Without noise the fit is exact.
    const MagneticCalibration exact = calibrateMagnetometer(readings(sphere(50, 3), 0, 0));
    QVERIFY(largest(exact.offset - HardIron) < 1e-9);
    QVERIFY(largest(exact.softIron - expected) < 1e-9);
}

// corrected = S (raw - h) = S raw - b with b = S h, every corrected point on the sphere of B.
void TestMagneticCalibration::bothConventionsAgree()
{
    const std::vector<Vector> raw = readings(sphere(300, 4), 0.001, 5);
    const MagneticCalibration c = calibrateMagnetometer(raw);
    QVERIFY(c.fitted);
    QVERIFY(largest(c.subtracted() - c.softIron * c.offset) < 1e-15);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const Vector first = c.softIron * (raw[i] - c.offset);
        const Vector second = c.softIron * raw[i] - c.subtracted();
        QVERIFY(largest(first - second) < 1e-12);
        QVERIFY(std::fabs(first.norm() - c.field) < 0.01 * c.field);
        QCOMPARE(c.after[i], first.norm());
        QCOMPARE(c.before[i], raw[i].norm());
    }
}

void TestMagneticCalibration::tooFewPointsInsufficient()
{
    for (int n : {0, 1, 9, 19}) {
        const MagneticCalibration c = calibrateMagnetometer(readings(sphere(n, 6), 0, 0));
        QVERIFY(!c.fitted);
        QCOMPARE(c.verdict, CalibrationVerdict::Insufficient);
        QCOMPARE(c.count, n);
        QCOMPARE(c.softIron, Matrix::Identity());
        QCOMPARE(c.offset, Vector::Zero());
        QCOMPARE(c.field, 0.0);
        QVERIFY(c.after.empty());
        QVERIFY2(c.advice.startsWith(QStringLiteral("Insufficient: %1 points, a fit needs at "
                                                    "least 20.")
                                         .arg(n)),
                 qPrintable(c.advice));
    }
    // Twenty well spread points are enough for a fit (not for a good one).
    const MagneticCalibration twenty = calibrateMagnetometer(readings(sphere(20, 6), 0.001, 7));
    QVERIFY(twenty.fitted);
    QCOMPARE(twenty.verdict, CalibrationVerdict::Poor);
    QVERIFY2(twenty.advice.contains(QStringLiteral("20 points (at least 100)")),
             qPrintable(twenty.advice));
}

void TestMagneticCalibration::flatPointsInsufficient_data()
{
    QTest::addColumn<std::vector<Vector>>("raw");
    // A board turned about one axis only: its field points lie on a circle, in a plane.
    QTest::newRow("circle, no noise") << readings(circle(500, 34), 0, 0);
    QTest::newRow("circle, float rounding") << readings(circle(500, 34), 1e-7, 8);
    for (double sigma : {0.0005, 0.002, 0.01, 0.03})
        QTest::newRow(qPrintable(QStringLiteral("circle, noise %1").arg(sigma)))
            << readings(circle(500, 34), sigma, 9);
    // Turned about two axes: two circles, which do not pin an ellipsoid down either.
    std::vector<Vector> two = circle(300, 20);
    for (const Vector& d : circle(300, -5))
        two.push_back(Vector(d.z(), d.x(), d.y()));
    QTest::newRow("two circles") << readings(two, 0.002, 10);
    // Only a tenth of a turn of tilt about the circle.
    std::vector<Vector> band;
    NoiseSource noise(11);
    for (int i = 0; i < 1000; ++i) {
        const double a = 2 * M_PI * noise.uniform();
        const double dip = (34 + 10 * (2 * noise.uniform() - 1)) * M_PI / 180;
        band.push_back(
            Vector(std::cos(dip) * std::cos(a), std::cos(dip) * std::sin(a), std::sin(dip)));
    }
    QTest::newRow("narrow band") << readings(band, 0.002, 12);
}

// Points that do not determine the ellipsoid give no matrix, whatever their residual.
void TestMagneticCalibration::flatPointsInsufficient()
{
    QFETCH(std::vector<Vector>, raw);
    const MagneticCalibration c = calibrateMagnetometer(raw);
    QVERIFY(!c.fitted);
    QCOMPARE(c.verdict, CalibrationVerdict::Insufficient);
    QCOMPARE(c.softIron, Matrix::Identity());
    QCOMPARE(c.offset, Vector::Zero());
    QVERIFY(c.before.empty());
    QVERIFY2(c.advice.startsWith(QStringLiteral("Insufficient: the points do not pin the "
                                                "ellipsoid down")),
             qPrintable(c.advice));
    QVERIFY(c.coveragePercent < 50);
}

void TestMagneticCalibration::pointsOnOneSpotOrLine()
{
    const std::vector<Vector> spot(200, Vector(0.3, 0.2, 0.1));
    const MagneticCalibration still = calibrateMagnetometer(spot);
    QVERIFY(!still.fitted);
    QCOMPARE(still.verdict, CalibrationVerdict::Insufficient);
    QVERIFY(!fitEllipsoid(spot).valid);

    std::vector<Vector> line;
    for (int i = 0; i < 200; ++i)
        line.push_back(Vector(0.1, 0.2, 0.3) + i * 0.01 * Vector(1, -1, 2));
    QVERIFY(!calibrateMagnetometer(line).fitted);
    QVERIFY(!fitEllipsoid(line).valid);
    QVERIFY(std::isinf(fitEllipsoid(line).condition) || fitEllipsoid(line).condition > 1e4);
}

// The upper half of the directions: a calibration, but a poor one that asks for the rest.
void TestMagneticCalibration::halfTheSpherePoor()
{
    std::vector<Vector> upper;
    NoiseSource noise(13);
    while (upper.size() < 800) {
        const Vector d = randomDirection(noise);
        // Clear of the equator, so the fit's own small tilt leaves the lower half empty.
        if (d.z() > 0.1)
            upper.push_back(d);
    }
    const MagneticCalibration c =
        calibrateMagnetometer(readings(upper, 0.001, 14, Matrix::Identity()));
    QVERIFY(c.fitted);
    QCOMPARE(c.verdict, CalibrationVerdict::Poor);
    QCOMPARE(c.coveredCells, 24);
    QCOMPARE(c.coveragePercent, 50.0);
    QVERIFY2(c.advice.startsWith(QStringLiteral("Poor: coverage 50 % (at least 85 %). Turn the "
                                                "board through the missing directions: "
                                                "upside down")),
             qPrintable(c.advice));
    QVERIFY(!c.missingTurns.contains(QStringLiteral("level")));
}

// All round the sphere, but with a residual of 4 % of B: poor for the residual, not for
// the coverage.
void TestMagneticCalibration::largeResidualPoor()
{
    const MagneticCalibration c = calibrateMagnetometer(readings(sphere(2000, 15), 0.03, 16));
    QVERIFY(c.fitted);
    QCOMPARE(c.verdict, CalibrationVerdict::Poor);
    QVERIFY(c.rmsPercent > 3.0);
    QVERIFY2(c.advice.startsWith(QStringLiteral("Poor: residual 4.")), qPrintable(c.advice));
    QVERIFY2(c.advice.contains(QStringLiteral("of B (at most 3.0 %). Keep the board away")),
             qPrintable(c.advice));
}

void TestMagneticCalibration::jsonKeys()
{
    const MagneticCalibration c = calibrateMagnetometer(readings(sphere(400, 17), 0.001, 18));
    const QByteArray json = calibrationJson(c);
    QVERIFY(json.endsWith("}\n"));
    QVERIFY2(json.startsWith("{\"count\":400,\"offset\":["), json.constData());
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(json, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QStringList keys = o.keys();
    keys.sort();
    QCOMPARE(keys, (QStringList{"count", "coverage_percent", "field", "offset", "rms",
                                "rms_percent", "soft_iron", "verdict"}));
    QCOMPARE(o.value("count").toInt(), 400);
    QCOMPARE(o.value("offset").toArray().size(), 3);
    QCOMPARE(o.value("offset").toArray().at(2).toDouble(), c.offset.z());
    const QJsonArray rows = o.value("soft_iron").toArray();
    QCOMPARE(rows.size(), 3);
    // Row-major: the second row's third number is S(1, 2).
    QCOMPARE(rows.at(1).toArray().at(2).toDouble(), c.softIron(1, 2));
    QCOMPARE(rows.at(2).toArray().at(0).toDouble(), c.softIron(2, 0));
    QCOMPARE(o.value("field").toDouble(), c.field);
    QCOMPARE(o.value("rms").toDouble(), c.rms);
    QCOMPARE(o.value("rms_percent").toDouble(), c.rmsPercent);
    QCOMPARE(o.value("coverage_percent").toDouble(), c.coveragePercent);
    QCOMPARE(o.value("verdict").toString(), QStringLiteral("good"));
}

void TestMagneticCalibration::jsonWithoutAFit()
{
    const QByteArray json = calibrationJson(calibrateMagnetometer(readings(sphere(5, 19), 0, 0)));
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    QCOMPARE(o.size(), 8);
    QCOMPARE(o.value("count").toInt(), 5);
    for (const char* key : {"offset", "soft_iron", "field", "rms", "rms_percent"})
        QVERIFY2(o.value(QLatin1String(key)).isNull(), key);
    QVERIFY(o.value("coverage_percent").isDouble());
    QCOMPARE(o.value("verdict").toString(), QStringLiteral("insufficient"));
}

void TestMagneticCalibration::reportInWords()
{
    const MagneticCalibration c = calibrateMagnetometer(readings(sphere(400, 20), 0.001, 21));
    const QString text = calibrationText(c);
    QVERIFY2(text.contains(QStringLiteral("Corrected = S * (raw - h): subtract h from the raw "
                                          "field, then multiply by S.")),
             qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Corrected = S * raw - b, b = S * h: ") +
                          reportNumber(c.subtracted().x())));
    QVERIFY(text.contains(QStringLiteral("Hard iron h: ") + reportNumber(c.offset.x())));
    QVERIFY(text.contains(QStringLiteral("Points: 400 (a fit needs 20, a good one 100)")));
    QVERIFY(text.contains(QStringLiteral("(good from 85 %)")));
    QVERIFY(text.trimmed().endsWith(c.advice));
    const QString none = calibrationText(calibrateMagnetometer({}));
    QVERIFY(!none.contains(QStringLiteral("Soft iron")));
    QVERIFY(none.contains(QStringLiteral("Insufficient: 0 points")));
}

// Uniform directions fall evenly into the 48 cells; each cell's centre lies in that cell.
void TestMagneticCalibration::coverageGridIsEqualArea()
{
    std::array<int, SphereCoverage::Cells> counts{};
    NoiseSource noise(22);
    const int n = 480000;
    for (int i = 0; i < n; ++i)
        ++counts[std::size_t(SphereCoverage::cellOf(randomDirection(noise)))];
    for (int cell = 0; cell < SphereCoverage::Cells; ++cell) {
        // 10000 expected in each, a standard deviation of 99.
        QVERIFY2(
            std::abs(counts[std::size_t(cell)] - 10000) < 500,
            qPrintable(QStringLiteral("cell %1: %2").arg(cell).arg(counts[std::size_t(cell)])));
        QCOMPARE(SphereCoverage::cellOf(SphereCoverage::cellCentre(cell)), cell);
    }
    SphereCoverage coverage;
    coverage.add(Vector(0, 0, 0));
    coverage.add(Vector(NAN, 0, 1));
    QCOMPARE(coverage.covered(), 0);
    coverage.add(Vector(0, 0, 5));
    coverage.add(Vector(0, 0, -5));
    QCOMPARE(coverage.covered(), 2);
    QCOMPARE(coverage.percent(), 100.0 * 2 / 48);
}

// The field along the board's +x comes with the nose down, along -y with the left side down.
void TestMagneticCalibration::missingTurnsNamed()
{
    SphereCoverage all;
    for (int cell = 0; cell < SphereCoverage::Cells; ++cell)
        all.add(SphereCoverage::cellCentre(cell));
    QVERIFY(all.missingTurns().isEmpty());

    SphereCoverage noNose;
    for (int cell = 0; cell < SphereCoverage::Cells; ++cell) {
        const Vector d = SphereCoverage::cellCentre(cell);
        if (d.x() < 0.7 && d.y() > -0.7)
            noNose.add(d);
    }
    const QStringList turns = noNose.missingTurns();
    QCOMPARE(turns.size(), 2);
    QVERIFY(turns.contains(QStringLiteral("nose down")));
    QVERIFY(turns.contains(QStringLiteral("left side down")));

    SphereCoverage levelOnly;
    levelOnly.add(Vector(0, 0, 1));
    QCOMPARE(levelOnly.missingTurns().size(), 6);
    QVERIFY(!levelOnly.missingTurns().contains(QStringLiteral("level")) ||
            levelOnly.missingTurns().indexOf(QStringLiteral("level")) == 5);
}

void TestMagneticCalibration::fieldOfFrames()
{
    Measurement f;
    f.kind = 'F';
    f.values = QList<float>(18, 0.0f);
    f.values[13] = 0.5f;
    f.values[14] = -0.25f;
    f.values[15] = 0.125f;
    QCOMPARE(*fieldVector(f), Vector(0.5, -0.25, 0.125));
    Measurement r;
    r.kind = 'R';
    r.values = {0, 0, 0, 1, 2, 3};
    QCOMPARE(*fieldVector(r), Vector(1, 2, 3));
    r.values[5] = std::nanf("");
    QVERIFY(!fieldVector(r));
    r.values[5] = -2e9f;
    QVERIFY(!fieldVector(r));
    r.values.removeLast();
    QVERIFY(!fieldVector(r));
    Measurement g;
    g.kind = 'G';
    g.values = QList<float>(18, 1.0f);
    QVERIFY(!fieldVector(g));
}

#include "support/TestMain.h"

QTEST_APPLESS_MAIN(TestMagneticCalibration)
#include "tst_magnetic_calibration.moc"
