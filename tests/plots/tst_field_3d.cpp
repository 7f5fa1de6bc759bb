#include "analysis/CalibrationReport.h"
#include "plots/Field3DPanel.h"
#include "plots/FieldWindow.h"
#include "plots/MagnitudePlot.h"
#include "record/RecordingFormat.h"
#include "support/Files.h"

#include <QAction>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <Eigen/Dense>

#include <cmath>
#include <numbers>

namespace {

// The field of a board turned through every direction (a spiral over the sphere), distorted
// by a known hard and soft iron: raw = A b + h.
Eigen::Vector3d rawField(int i, int n)
{
    const double z = -1 + 2 * (i + 0.5) / n;
    const double longitude = i * std::numbers::pi * (3 - std::sqrt(5.0));
    const double r = std::sqrt(1 - z * z);
    const Eigen::Vector3d b =
        0.72 * Eigen::Vector3d(r * std::cos(longitude), r * std::sin(longitude), z);
    Eigen::Matrix3d a;
    a << 1.1, 0.05, 0, 0.05, 0.9, 0, 0, 0, 1.0;
    return a * b + Eigen::Vector3d(0.2, -0.1, 0.05);
}

Measurement fFrame(const Eigen::Vector3d& h)
{
    Measurement m;
    m.kind = 'F';
    m.values = QList<float>(18, 0.0f);
    m.values[13] = float(h.x());
    m.values[14] = float(h.y());
    m.values[15] = float(h.z());
    return m;
}

QString labelText(const QWidget& w, const char* name)
{
    const auto* label = w.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("(no label %1)").arg(QLatin1String(name));
}

} // namespace

class TestField3D : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void theViewHasTwoSides();
    void liveFramesFitHardAndSoftIron();
    void fittedOnlyWhileShown();
    void ringKeepsTheLatest();
    void fromARecording();
    void exportsJsonAndCsv();
    void magnitudesPerPoint();
};

void TestField3D::theViewHasTwoSides()
{
    MeasurementStream stream;
    FieldWindow window(stream);
    QCOMPARE(window.windowTitle(), QStringLiteral("Magnetic Field"));
    QTabWidget* sides = window.sides();
    QCOMPARE(sides->count(), 2);
    QCOMPARE(sides->tabText(0), QStringLiteral("2D"));
    QCOMPARE(sides->tabText(1), QStringLiteral("3D"));
    QCOMPARE(sides->widget(1), &window.panel3d());
    auto* action = window.findChild<QAction*>(QStringLiteral("actionExportField"));
    QVERIFY(action);
    QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
}

// F frames of a turning board give the known offset and soft iron; G frames add nothing;
// the window's Clear forgets the 3D points too.
void TestField3D::liveFramesFitHardAndSoftIron()
{
    MeasurementStream stream;
    FieldWindow window(stream);
    for (int i = 0; i < 600; ++i) {
        stream.publish(fFrame(rawField(i, 600)));
        Measurement g = fFrame(Eigen::Vector3d(9, 9, 9));
        g.kind = 'G';
        stream.publish(g);
    }
    Field3DPanel& panel = window.panel3d();
    QCOMPARE(panel.pointCount(), 600);
    const MagneticCalibration& c = panel.calibration();
    QVERIFY(c.fitted);
    QVERIFY((c.offset - Eigen::Vector3d(0.2, -0.1, 0.05)).cwiseAbs().maxCoeff() < 1e-5);
    Eigen::Matrix3d a;
    a << 1.1, 0.05, 0, 0.05, 0.9, 0, 0, 0, 1.0;
    const Eigen::Matrix3d expected = std::cbrt(a.determinant()) * a.inverse();
    QVERIFY((c.softIron - expected).cwiseAbs().maxCoeff() < 1e-5);
    QCOMPARE(c.verdict, CalibrationVerdict::Good);
    window.clear();
    QCOMPARE(panel.pointCount(), 0);
    QVERIFY(!panel.calibration().fitted);
}

// Shown, the 3D side fits a burst of frames once (not once per frame), a quarter second on;
// it shows the figures in both conventions and the verdict.
void TestField3D::fittedOnlyWhileShown()
{
    MeasurementStream stream;
    FieldWindow window(stream);
    window.sides()->setCurrentIndex(1);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Field3DPanel& panel = window.panel3d();
    QSignalSpy refreshed(&panel, &Field3DPanel::refreshed);
    for (int i = 0; i < 400; ++i)
        stream.publish(fFrame(rawField(i, 400)));
    QVERIFY(refreshed.wait(2000));
    QCOMPARE(refreshed.size(), 1);
    const QString figures = labelText(panel, "figures3d");
    QVERIFY2(figures.contains(QStringLiteral("400 (a fit from 20, good from 100)")),
             qPrintable(figures));
    QVERIFY(figures.contains(QStringLiteral("corrected = S · (raw − h)")));
    QVERIFY(figures.contains(QStringLiteral("corrected = S · raw − b")));
    QVERIFY(figures.contains(QStringLiteral("Hard iron h:")));
    QVERIFY(figures.contains(QStringLiteral("good from 85 %")));
    QVERIFY2(labelText(panel, "verdict3d").startsWith(QStringLiteral("Good: residual")),
             qPrintable(labelText(panel, "verdict3d")));

    // The 2D side shown instead: frames come, no fit is worked out.
    window.sides()->setCurrentIndex(0);
    refreshed.clear();
    for (int i = 0; i < 10; ++i)
        stream.publish(fFrame(rawField(i, 10)));
    QTest::qWait(400);
    QCOMPARE(refreshed.size(), 0);
    window.sides()->setCurrentIndex(1);
    QCOMPARE(refreshed.size(), 1);
    QCOMPARE(panel.calibration().count, 410);
}

void TestField3D::ringKeepsTheLatest()
{
    Field3DPanel panel;
    for (int i = 0; i < Field3DPanel::Capacity + 5; ++i)
        panel.take(fFrame(Eigen::Vector3d(i, 0, 0)));
    QCOMPARE(panel.pointCount(), Field3DPanel::Capacity);
    const MagneticCalibration& c = panel.calibration();
    // The oldest five are gone: |raw| of the first point kept is 5, of the last 20004.
    QCOMPARE(c.count, Field3DPanel::Capacity);
    QVERIFY(c.before.empty());
    QVERIFY(!c.fitted);
}

// A recording's field points replace the live ones until Clear.
void TestField3D::fromARecording()
{
    QTemporaryDir dir;
    RecordingFormat::Info info;
    info.start = QDateTime::currentDateTime();
    QByteArray text = RecordingFormat::headerLines(info);
    for (int i = 0; i < 300; ++i) {
        const Eigen::Vector3d h = rawField(i, 300);
        text += RecordingFormat::row(i * 33000, 'R',
                                     {0, 0, 0, float(h.x()), float(h.y()), float(h.z())});
    }
    QVERIFY(writeFile(dir.filePath("turn.csv"), text));
    Field3DPanel panel;
    QString chosen = dir.filePath("turn.csv");
    panel.setChooseOpenFile([&] { return chosen; });
    panel.findChild<QPushButton*>(QStringLiteral("openRecording3d"))->click();
    QCOMPARE(panel.pointCount(), 300);
    QVERIFY(panel.calibration().fitted);
    QVERIFY(labelText(panel, "source3d").contains(QStringLiteral("turn.csv")));
    panel.take(fFrame(Eigen::Vector3d(1, 1, 1)));
    QCOMPARE(panel.pointCount(), 300);

    chosen = dir.filePath("missing.csv");
    panel.findChild<QPushButton*>(QStringLiteral("openRecording3d"))->click();
    QVERIFY2(
        labelText(panel, "source3d").contains(QStringLiteral("missing.csv refused: cannot read")),
        qPrintable(labelText(panel, "source3d")));
    QCOMPARE(panel.pointCount(), 300);

    panel.findChild<QPushButton*>(QStringLiteral("clear3d"))->click();
    QCOMPARE(panel.pointCount(), 0);
    panel.take(fFrame(Eigen::Vector3d(1, 1, 1)));
    QCOMPARE(panel.pointCount(), 1);
}

void TestField3D::exportsJsonAndCsv()
{
    QTemporaryDir dir;
    MeasurementStream stream;
    FieldWindow window(stream);
    for (int i = 0; i < 300; ++i)
        stream.publish(fFrame(rawField(i, 300)));
    Field3DPanel& panel = window.panel3d();
    QStringList suggested;
    QString answer = dir.filePath("fit.json");
    panel.setChooseSaveFile([&](const QString& s) {
        suggested << s;
        return answer;
    });
    window.findChild<QAction*>(QStringLiteral("actionExportField"))->trigger();
    QCOMPARE(suggested.size(), 1);
    QVERIFY(suggested[0].contains(QStringLiteral("skyvane-magfit-")) &&
            suggested[0].endsWith(QStringLiteral(".json")));
    const QByteArray json = readFile(answer);
    QCOMPARE(json, calibrationJson(panel.calibration()));
    QCOMPARE(QJsonDocument::fromJson(json).object().value("verdict").toString(),
             QStringLiteral("good"));

    QCOMPARE(panel.exportTo(dir.filePath("fit.csv")), QString());
    const QList<QByteArray> lines = readFile(dir.filePath("fit.csv")).split('\n');
    QCOMPARE(lines.value(0), QByteArray("name,value"));
    QCOMPARE(lines.value(1), QByteArray("count,300"));
    QVERIFY(lines.contains("soft_iron_12," +
                           QByteArray::number(panel.calibration().softIron(0, 1), 'g', 17)));
    QVERIFY(
        lines.contains("b_z," + QByteArray::number(panel.calibration().subtracted().z(), 'g', 17)));
    QCOMPARE(lines.value(lines.size() - 2), QByteArray("verdict,good"));

    QCOMPARE(panel.exportTo(dir.filePath("fit.txt")),
             QStringLiteral("Calibration export: ") + dir.filePath("fit.txt") +
                 QStringLiteral(" ends neither in .json nor in .csv"));
    QVERIFY(panel.exportTo(QStringLiteral("/nonexistent/folder/f.json"))
                .startsWith(QStringLiteral("Calibration export failed: cannot write")));
    // Without a fit the JSON says so.
    window.clear();
    QCOMPARE(panel.exportTo(dir.filePath("none.json")), QString());
    QVERIFY(readFile(dir.filePath("none.json")).contains("\"verdict\":\"insufficient\""));
}

// Before in grey, after in blue, B dashed in red; nothing but a hint without a fit.
void TestField3D::magnitudesPerPoint()
{
    MagnitudePlot plot;
    plot.resize(400, 160);
    QImage empty(plot.size(), QImage::Format_ARGB32);
    plot.render(&empty);
    std::vector<double> before, after;
    for (int i = 0; i < 1000; ++i) {
        before.push_back(0.6 + 0.2 * std::sin(i * 0.05));
        // Clear of the B line, which it would otherwise hide.
        after.push_back(0.70 + 0.002 * std::sin(i * 0.3));
    }
    plot.setMagnitudes(before, after, 0.72);
    QImage image(plot.size(), QImage::Format_ARGB32);
    plot.render(&image);
    // The lines are drawn smooth: a pixel counts when it is nearColour the colour.
    const auto nearColour = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue()) <
               60;
    };
    int grey = 0, blue = 0, red = 0, blueEmpty = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            grey += nearColour(c, QColor(150, 150, 150));
            blue += nearColour(c, QColor(30, 70, 160));
            red += nearColour(c, QColor(200, 30, 30));
            blueEmpty += nearColour(empty.pixelColor(x, y), QColor(30, 70, 160));
        }
    QVERIFY2(grey > 100 && blue > 100 && red > 20,
             qPrintable(QStringLiteral("%1 %2 %3").arg(grey).arg(blue).arg(red)));
    QCOMPARE(blueEmpty, 0);
}

#include "support/TestMain.h"

QTEST_MAIN(TestField3D)
#include "tst_field_3d.moc"
