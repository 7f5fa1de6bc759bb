#include "plots/FieldFit.h"
#include "plots/FieldSample.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

namespace {

constexpr double Pi = std::numbers::pi;

// n points on an ellipse (semi-axes a along x, b along y) around the centre, at angles spread
// evenly from `from` to `to` degrees, each end included.
void addArc(FieldFit& fit, QPointF centre, double a, double b, int n, double from = 0,
            double to = 360.0 * (1 - 1e-4))
{
    for (int i = 0; i < n; ++i) {
        const double t = (from + (to - from) * i / (n - 1)) * Pi / 180;
        fit.add(centre + QPointF(a * std::cos(t), b * std::sin(t)));
    }
}

bool closeRelative(double actual, double expected, double tolerance)
{
    return std::fabs(actual - expected) <= tolerance * std::fabs(expected);
}

Measurement frame(char kind, int floats, int hxIndex, float hx, float hy)
{
    Measurement m;
    m.kind = kind;
    m.values = QList<float>(floats, 0.0f);
    if (hxIndex >= 0) {
        m.values[hxIndex] = hx;
        m.values[hxIndex + 1] = hy;
    }
    return m;
}

} // namespace

class TestFieldFit : public QObject
{
    Q_OBJECT
private slots:
    void circleRecovered_data();
    void circleRecovered();
    void halfCircleCoverage();
    void ellipseRatio_data();
    void ellipseRatio();
    void noiseSpread();
    void tooFewOrCollinearPoints();
    void ringKeepsTheLatest();
    void longSessionStaysAccurate();
    void horizontalFieldOfFrames();
    void pointsAllInOnePlace();
    void aFullRingDropsItsOldest();
};

void TestFieldFit::circleRecovered_data()
{
    QTest::addColumn<QPointF>("centre");
    QTest::addColumn<double>("radius");
    QTest::newRow("raw counts") << QPointF(120, -45) << 300.0;
    QTest::newRow("gauss") << QPointF(-0.08, 0.031) << 0.42;
    QTest::newRow("offset larger than radius") << QPointF(2500, 1800) << 400.0;
}

void TestFieldFit::circleRecovered()
{
    QFETCH(QPointF, centre);
    QFETCH(double, radius);
    FieldFit fit;
    addArc(fit, centre, radius, radius, 500);
    const FieldFigures f = fit.figures();
    QVERIFY(f.circle.valid);
    QVERIFY(closeRelative(f.circle.centre.x(), centre.x(), 1e-3));
    QVERIFY(closeRelative(f.circle.centre.y(), centre.y(), 1e-3));
    QVERIFY(closeRelative(f.circle.radius, radius, 1e-3));
    QCOMPARE(f.count, 500);
    QCOMPARE(f.coverage, 36);
    QVERIFY(f.spreadPercent < 1e-3);
    QVERIFY(closeRelative(f.extentRatio, 1.0, 1e-3));
}

void TestFieldFit::halfCircleCoverage()
{
    FieldFit fit;
    // Half a turn, clear of the sector edges at 0 and 180 degrees.
    addArc(fit, QPointF(40, 60), 250, 250, 300, 0.5, 179.5);
    FieldFigures f = fit.figures();
    QVERIFY(f.circle.valid);
    QVERIFY(closeRelative(f.circle.radius, 250, 1e-3));
    QCOMPARE(f.coverage, 18);
    QCOMPARE(fieldVerdict(f), QStringLiteral("Turn the board through every heading."));

    // One point in the last sector (350..360 degrees) adds exactly one.
    const double t = 355 * Pi / 180;
    fit.add(QPointF(40 + 250 * std::cos(t), 60 + 250 * std::sin(t)));
    QCOMPARE(fit.figures().coverage, 19);
}

void TestFieldFit::ellipseRatio_data()
{
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<double>("rotation");
    QTest::newRow("1.5 along the axes") << 300.0 << 200.0 << 0.0;
    QTest::newRow("1.2 turned 30 degrees") << 240.0 << 200.0 << 30.0;
    QTest::newRow("2 turned 72 degrees") << 0.8 << 0.4 << 72.0;
}

void TestFieldFit::ellipseRatio()
{
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(double, rotation);
    FieldFit fit;
    const double r = rotation * Pi / 180;
    for (int i = 0; i < 2000; ++i) {
        const double t = 2 * Pi * i / 2000;
        const double x = a * std::cos(t);
        const double y = b * std::sin(t);
        fit.add(QPointF(10 + x * std::cos(r) - y * std::sin(r),
                        -5 + x * std::sin(r) + y * std::cos(r)));
    }
    // The extent is measured every 5 degrees, so a turned ellipse reads a little off.
    QVERIFY2(closeRelative(fit.figures().extentRatio, a / b, 5e-3),
             qPrintable(QString::number(fit.figures().extentRatio)));

    // An ellipse is no circle: its distances from the centre vary by several percent.
    QCOMPARE(fieldVerdict(fit.figures()),
             QStringLiteral("Poor: the points stray from the circle."));

    // Lingering at one heading piles up points there but does not change the extent.
    for (int i = 0; i < 5000; ++i)
        fit.add(QPointF(10 + a * std::cos(r), -5 + a * std::sin(r)));
    QVERIFY(closeRelative(fit.figures().extentRatio, a / b, 5e-3));
}

void TestFieldFit::noiseSpread()
{
    FieldFit fit;
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 3.0);
    std::uniform_real_distribution<double> angle(0, 2 * Pi);
    for (int i = 0; i < 20000; ++i) {
        const double t = angle(random);
        fit.add(QPointF(-70 + 200 * std::cos(t) + noise(random),
                        30 + 200 * std::sin(t) + noise(random)));
    }
    const FieldFigures f = fit.figures();
    // Round noise of 3 units on a radius of 200: the distances scatter by 3, i.e. 1.5 %.
    QVERIFY2(std::fabs(f.spreadPercent - 1.5) < 0.05, qPrintable(QString::number(f.spreadPercent)));
    QVERIFY(closeRelative(f.circle.radius, 200, 1e-3));
    QVERIFY(std::fabs(f.circle.centre.x() + 70) < 0.2 && std::fabs(f.circle.centre.y() - 30) < 0.2);
    QCOMPARE(f.coverage, 36);
    QCOMPARE(fieldVerdict(f), QStringLiteral("Good: the points lie on the circle."));
}

void TestFieldFit::tooFewOrCollinearPoints()
{
    FieldFit fit;
    QVERIFY(!fit.figures().circle.valid);
    QCOMPARE(fit.figures().extentRatio, 0.0);
    fit.add(QPointF(1, 1));
    fit.add(QPointF(2, 2));
    QVERIFY(!fit.circle().valid);
    fit.add(QPointF(3, 3));
    fit.add(QPointF(4, 4));
    const FieldFigures f = fit.figures();
    QVERIFY(!f.circle.valid);
    QCOMPARE(f.coverage, 0);
    QCOMPARE(f.extentRatio, 0.0);
    QCOMPARE(fieldVerdict(f), QStringLiteral("Turn the board through every heading."));

    fit.add(QPointF(4, 1));
    QVERIFY(fit.circle().valid);
    fit.clear();
    QCOMPARE(fit.figures().count, 0);
    QVERIFY(!fit.circle().valid);
}

void TestFieldFit::ringKeepsTheLatest()
{
    // A fit over a small ring only knows the latest circle.
    FieldFit fit(100);
    addArc(fit, QPointF(0, 0), 50, 50, 100);
    addArc(fit, QPointF(300, -200), 80, 80, 100);
    const FieldFigures f = fit.figures();
    QCOMPARE(f.count, 100);
    QVERIFY(closeRelative(f.circle.centre.x(), 300, 1e-6));
    QVERIFY(closeRelative(f.circle.centre.y(), -200, 1e-6));
    QVERIFY(closeRelative(f.circle.radius, 80, 1e-6));
}

void TestFieldFit::longSessionStaysAccurate()
{
    // A million points through the 20 000 ring: the sums are added to and taken from all the
    // time, and the board's offset moves far from where the session started.
    FieldFit fit;
    QCOMPARE(fit.points().capacity(), 20000);
    for (int i = 0; i < 1000000; ++i) {
        const double t = 2 * Pi * i / 997.0;
        const QPointF centre = i < 500000 ? QPointF(0, 0) : QPointF(5e4, -3e4);
        fit.add(centre + QPointF(150 * std::cos(t), 150 * std::sin(t)));
    }
    const FieldCircle c = fit.circle();
    QCOMPARE(fit.points().size(), 20000);
    QVERIFY(c.valid);
    QVERIFY(std::fabs(c.centre.x() - 5e4) < 1e-3 * 150);
    QVERIFY(std::fabs(c.centre.y() + 3e4) < 1e-3 * 150);
    QVERIFY(closeRelative(c.radius, 150, 1e-6));
}

void TestFieldFit::horizontalFieldOfFrames()
{
    // Hx and Hy: floats 14 and 15 of an F frame, 4 and 5 of an R frame (counted from 1).
    QCOMPARE(horizontalField(frame('F', 18, 13, 1.5f, -2.5f)), QPointF(1.5, -2.5));
    QCOMPARE(horizontalField(frame('R', 6, 3, 0.25f, 7.0f)), QPointF(0.25, 7.0));
    QCOMPARE(horizontalField(frame('F', 15, 13, 3.0f, 4.0f)), QPointF(3.0, 4.0));
    QVERIFY(!horizontalField(frame('F', 14, -1, 0, 0)));
    QVERIFY(!horizontalField(frame('R', 4, -1, 0, 0)));
    QVERIFY(!horizontalField(frame('G', 7, 3, 1.0f, 1.0f)));
    QVERIFY(!horizontalField(frame('C', 8, 3, 1.0f, 1.0f)));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QVERIFY(!horizontalField(frame('F', 18, 13, nan, 1.0f)));
    QVERIFY(!horizontalField(frame('R', 6, 3, 1.0f, -inf)));
    QVERIFY(!horizontalField(frame('R', 6, 3, 1.1e9f, 1.0f)));
    QCOMPARE(horizontalField(frame('R', 6, 3, -1e9f, 1.0f)), QPointF(-1e9, 1.0));
}

// A board that never turned: every point the same, no circle and no extent.
void TestFieldFit::pointsAllInOnePlace()
{
    FieldFit fit;
    for (int i = 0; i < 50; ++i)
        fit.add(QPointF(12.5, -3.0));
    const FieldFigures f = fit.figures();
    QCOMPARE(f.count, 50);
    QVERIFY(!f.circle.valid);
    QCOMPARE(f.extentRatio, 0.0);
    QCOMPARE(f.coverage, 0);
    QCOMPARE(f.spreadPercent, 0.0);
}

void TestFieldFit::aFullRingDropsItsOldest()
{
    FieldPoints ring(3);
    QVERIFY(!ring.add(QPointF(1, 1)));
    QVERIFY(!ring.add(QPointF(2, 2)));
    QVERIFY(!ring.add(QPointF(3, 3)));
    QVERIFY(ring.add(QPointF(4, 4)));
    QPointF dropped;
    QVERIFY(ring.add(QPointF(5, 5), &dropped));
    QCOMPARE(dropped, QPointF(2, 2));
    QCOMPARE(ring.size(), 3);
    QCOMPARE(ring.at(0), QPointF(3, 3));
    QCOMPARE(ring.at(2), QPointF(5, 5));
    QCOMPARE(FieldPoints(0).capacity(), 1);
    ring.clear();
    QVERIFY(ring.isEmpty());
    ring.add(QPointF(7, 7));
    QCOMPARE(ring.at(0), QPointF(7, 7));
}

#include "support/TestMain.h"

QTEST_APPLESS_MAIN(TestFieldFit)
#include "tst_field_fit.moc"
