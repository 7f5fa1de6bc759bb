#include "plots/FieldPlot.h"
#include "plots/FieldWindow.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <random>

namespace {

Measurement fFrame(float hx, float hy)
{
    Measurement m;
    m.kind = 'F';
    m.values = QList<float>(18, 0.0f);
    m.values[13] = hx;
    m.values[14] = hy;
    m.values[15] = 99.0f;
    return m;
}

Measurement rFrame(float hx, float hy)
{
    Measurement m;
    m.kind = 'R';
    m.values = {0.1f, 0.2f, 0.3f, hx, hy, 5.0f};
    return m;
}

void publishCircle(MeasurementStream& stream, QPointF centre, double radius, int n,
                   double noise = 0)
{
    std::mt19937 random(3);
    std::normal_distribution<double> jitter(0.0, noise > 0 ? noise : 1.0);
    for (int i = 0; i < n; ++i) {
        const double t = 2 * std::numbers::pi * (i + 0.5) / n;
        const double dx = noise > 0 ? jitter(random) : 0;
        const double dy = noise > 0 ? jitter(random) : 0;
        stream.publish(fFrame(float(centre.x() + radius * std::cos(t) + dx),
                              float(centre.y() + radius * std::sin(t) + dy)));
    }
}

QString text(const QWidget& window, const char* name)
{
    const auto* label = window.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("(no label %1)").arg(QLatin1String(name));
}

} // namespace

class TestFieldWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void subscribesWhileOpen();
    void burstIsOneRedraw();
    void framesWithoutFieldAreIgnored();
    void clearForgetsThePoints();
    void picture();
    void pictureWithoutPointsOrCircle();
    void theAxesShowOnlyWhereTheZeroIs();
    void decimalsFollowTheRadius();
    void aWindowDeletedWhileAFrameIsHandedRoundIsNotCalled();
};

void TestFieldWindow::subscribesWhileOpen()
{
    MeasurementStream stream;
    {
        FieldWindow window(stream);
        QCOMPARE(window.windowTitle(), QStringLiteral("Magnetic Field"));
        QCOMPARE(stream.listenerCount(), 1);
        QCOMPARE(text(window, "verdict"), QStringLiteral("Turn the board through every heading."));
        QCOMPARE(text(window, "centre"), QStringLiteral("\u2014"));
    }
    QCOMPARE(stream.listenerCount(), 0);
    stream.publish(fFrame(1, 2));
}

void TestFieldWindow::burstIsOneRedraw()
{
    MeasurementStream stream;
    FieldWindow window(stream);
    QSignalSpy refreshed(&window, &FieldWindow::refreshed);
    publishCircle(stream, QPointF(120, -45), 300, 500);
    QCOMPARE(refreshed.count(), 0);
    QVERIFY(refreshed.wait(1000));
    QTest::qWait(100);
    QCOMPARE(refreshed.count(), 1);

    QCOMPARE(text(window, "count"), QStringLiteral("500"));
    QCOMPARE(text(window, "centre"), QStringLiteral("120.0, -45.0"));
    QCOMPARE(text(window, "radius"), QStringLiteral("300.0"));
    QCOMPARE(text(window, "spread"), QStringLiteral("0.0 % of the radius"));
    QCOMPARE(text(window, "extentRatio"), QStringLiteral("1.00"));
    QCOMPARE(text(window, "coverage"), QStringLiteral("36 of 36 sectors"));
    QCOMPARE(text(window, "verdict"), QStringLiteral("Good: the points lie on the circle."));
}

void TestFieldWindow::framesWithoutFieldAreIgnored()
{
    MeasurementStream stream;
    FieldWindow window(stream);
    QSignalSpy refreshed(&window, &FieldWindow::refreshed);
    Measurement g;
    g.kind = 'G';
    g.values = QList<float>(7, 1.0f);
    Measurement c;
    c.kind = 'C';
    c.values = QList<float>(8, 1.0f);
    stream.publish(g);
    stream.publish(c);
    stream.publish(fFrame(std::numeric_limits<float>::quiet_NaN(), 1));
    stream.publish(rFrame(2e9f, 1));
    QTest::qWait(100);
    QCOMPARE(refreshed.count(), 0);
    QCOMPARE(window.figures().count, 0);

    // Half a small circle from R frames, centred on (0.5, 0.25), radius 0.4.
    for (int i = 0; i < 50; ++i) {
        const double t = std::numbers::pi * (i + 0.5) / 50;
        stream.publish(rFrame(float(0.5 + 0.4 * std::cos(t)), float(0.25 + 0.4 * std::sin(t))));
    }
    QVERIFY(refreshed.wait(1000));
    QCOMPARE(window.figures().count, 50);
    QCOMPARE(text(window, "centre"), QStringLiteral("0.5000, 0.2500"));
    QCOMPARE(text(window, "radius"), QStringLiteral("0.4000"));
    QCOMPARE(text(window, "coverage"), QStringLiteral("18 of 36 sectors"));
    QCOMPARE(text(window, "verdict"), QStringLiteral("Turn the board through every heading."));
}

void TestFieldWindow::clearForgetsThePoints()
{
    MeasurementStream stream;
    FieldWindow window(stream);
    QSignalSpy refreshed(&window, &FieldWindow::refreshed);
    publishCircle(stream, QPointF(10, 20), 100, 200);
    QVERIFY(refreshed.wait(1000));
    QCOMPARE(text(window, "count"), QStringLiteral("200"));

    window.findChild<QPushButton*>(QStringLiteral("clear"))->click();
    QCOMPARE(text(window, "count"), QStringLiteral("0"));
    QCOMPARE(text(window, "centre"), QStringLiteral("\u2014"));
    QCOMPARE(text(window, "extentRatio"), QStringLiteral("\u2014"));
    QCOMPARE(text(window, "verdict"), QStringLiteral("Turn the board through every heading."));

    publishCircle(stream, QPointF(-30, 5), 50, 100);
    QVERIFY(refreshed.wait(1000));
    QCOMPARE(text(window, "count"), QStringLiteral("100"));
    QCOMPARE(text(window, "centre"), QStringLiteral("-30.00, 5.00"));
}

void TestFieldWindow::picture()
{
    MeasurementStream stream;
    FieldWindow window(stream);
    window.resize(900, 560);
    window.show();
    QSignalSpy refreshed(&window, &FieldWindow::refreshed);
    publishCircle(stream, QPointF(180, -95), 260, 3000, 4.0);
    QVERIFY(refreshed.wait(1000));

    auto* plot = window.findChild<FieldPlot*>(QStringLiteral("FieldPlot"));
    QVERIFY(plot);
    const QImage image = plot->grab().toImage();
    // The centre's cross sits in the middle of the plot (the points surround it evenly).
    const QColor middle = image.pixelColor(image.width() / 2, image.height() / 2);
    QVERIFY2(middle.red() > 150 && middle.green() < 120 && middle.blue() < 120,
             qPrintable(middle.name()));
    // Right of the centre, at the radius, lie the points and the circle; inside it is white.
    const int r = int(std::min(image.width(), image.height()) - 32) / 2;
    const QColor inside = image.pixelColor(image.width() / 2 + r / 2, image.height() / 2 + 3);
    QCOMPARE(inside, QColor(Qt::white));
    int inked = 0;
    for (int dx = -12; dx <= 12; ++dx) {
        const QColor c = image.pixelColor(image.width() / 2 + r + dx, image.height() / 2 + 3);
        if (c != QColor(Qt::white))
            ++inked;
    }
    QVERIFY2(inked >= 3, qPrintable(QString::number(inked)));

    const QString path = qEnvironmentVariable("SKYVANE_FIELD_PNG");
    if (!path.isEmpty())
        QVERIFY(window.grab().save(path));
}

namespace {

// Columns of the image drawn almost top to bottom in the axes' grey.
int axisColumns(const QImage& image)
{
    int columns = 0;
    for (int x = 0; x < image.width(); ++x) {
        int grey = 0;
        for (int y = 0; y < image.height(); ++y)
            grey += image.pixelColor(x, y) == QColor(190, 190, 190);
        columns += grey > image.height() * 3 / 4;
    }
    return columns;
}

int countColour(const QImage& image, const QRect& area, const QColor& colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

} // namespace

void TestFieldWindow::pictureWithoutPointsOrCircle()
{
    MeasurementStream stream;
    FieldWindow window(stream);
    window.resize(900, 560);
    auto* plot = window.findChild<FieldPlot*>(QStringLiteral("FieldPlot"));
    QVERIFY(plot);
    // No points: white, the line of text in the middle, no axes.
    QImage image = plot->grab().toImage();
    const QRect middle(0, image.height() / 2 - 20, image.width(), 40);
    const int ink = image.width() * image.height() - countColour(image, image.rect(), Qt::white);
    QVERIFY2(ink > 20, qPrintable(QString::number(ink)));
    QCOMPARE(middle.width() * middle.height() - countColour(image, middle, Qt::white), ink);
    QCOMPARE(axisColumns(image), 0);

    // Two points: no circle yet, the points in their blue, nothing in the circle's red.
    stream.publish(fFrame(-50, 10));
    stream.publish(fFrame(50, 20));
    QSignalSpy refreshed(&window, &FieldWindow::refreshed);
    QVERIFY(refreshed.wait(1000));
    QVERIFY(!window.figures().circle.valid);
    image = plot->grab().toImage();
    QCOMPARE(countColour(image, image.rect(), QColor(30, 70, 160)), 2 * 4);
    QCOMPARE(countColour(image, image.rect(), QColor(200, 30, 30)), 0);
}

void TestFieldWindow::theAxesShowOnlyWhereTheZeroIs()
{
    MeasurementStream stream;
    FieldWindow window(stream);
    window.resize(900, 560);
    auto* plot = window.findChild<FieldPlot*>(QStringLiteral("FieldPlot"));
    QSignalSpy refreshed(&window, &FieldWindow::refreshed);
    // Around the zero: the vertical axis through the middle.
    publishCircle(stream, QPointF(0, 0), 100, 360);
    QVERIFY(refreshed.wait(1000));
    QCOMPARE(axisColumns(plot->grab().toImage()), 1);
    // Far from it: neither axis is in view.
    window.clear();
    publishCircle(stream, QPointF(5000, -8000), 100, 360);
    QVERIFY(refreshed.wait(1000));
    const QImage farView = plot->grab().toImage();
    QCOMPARE(axisColumns(farView), 0);
    QCOMPARE(axisColumns(farView.transformed(QTransform().rotate(90))), 0);
    // Nor on the other side.
    window.clear();
    publishCircle(stream, QPointF(-5000, 8000), 100, 360);
    QVERIFY(refreshed.wait(1000));
    const QImage other = plot->grab().toImage();
    QCOMPARE(axisColumns(other), 0);
    QCOMPARE(axisColumns(other.transformed(QTransform().rotate(90))), 0);
    // Around the zero both axes show.
    window.clear();
    publishCircle(stream, QPointF(0, 0), 100, 360);
    QVERIFY(refreshed.wait(1000));
    QCOMPARE(axisColumns(plot->grab().toImage().transformed(QTransform().rotate(90))), 1);
}

// About four significant digits whatever the units: none for a radius of a million, six at
// most for a tiny one.
void TestFieldWindow::decimalsFollowTheRadius()
{
    MeasurementStream stream;
    FieldWindow window(stream);
    QSignalSpy refreshed(&window, &FieldWindow::refreshed);
    publishCircle(stream, QPointF(2e6, -1e6), 1e6, 360);
    QVERIFY(refreshed.wait(1000));
    QCOMPARE(text(window, "radius"), QStringLiteral("1000000"));
    QCOMPARE(text(window, "centre"), QStringLiteral("2000000, -1000000"));
    window.clear();
    publishCircle(stream, QPointF(0.001, 0.0005), 0.0002, 360);
    QVERIFY(refreshed.wait(1000));
    QCOMPARE(text(window, "radius"), QStringLiteral("0.000200"));
    QCOMPARE(text(window, "centre"), QStringLiteral("0.001000, 0.000500"));
    // A circle of 100 whose points stray by 10: a poor fit.
    window.clear();
    publishCircle(stream, QPointF(0, 0), 100, 2000, 10.0);
    QVERIFY(refreshed.wait(1000));
    QCOMPARE(text(window, "verdict"), QStringLiteral("Poor: the points stray from the circle."));
}

// A listener ahead of the window may close it while a frame is handed round: the window is
// not called after it is gone, and the listeners after it still are.
void TestFieldWindow::aWindowDeletedWhileAFrameIsHandedRoundIsNotCalled()
{
    MeasurementStream stream;
    std::unique_ptr<FieldWindow> window;
    int after = 0;
    stream.subscribe([&window](const Measurement&) { window.reset(); });
    window = std::make_unique<FieldWindow>(stream);
    stream.subscribe([&after](const Measurement&) { ++after; });
    stream.publish(fFrame(1, 2));
    QVERIFY(!window);
    QCOMPARE(after, 1);
    QCOMPARE(stream.listenerCount(), 2);
}

#include "support/TestMain.h"

QTEST_MAIN(TestFieldWindow)
#include "tst_field_window.moc"
