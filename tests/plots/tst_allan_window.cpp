#include "plots/AllanChart.h"
#include "plots/AllanWindow.h"
#include "record/RecordingFormat.h"
#include "support/Files.h"

#include <QAction>
#include <QChart>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// A gyro-like rate: white noise from a fixed sequence, the same on every run.
float noiseAt(int i, int stream)
{
    const double u = std::sin(i * 12.9898 + stream * 78.233) * 43758.5453;
    return float(u - std::floor(u) - 0.5);
}

// n F frames 10 ms apart: f7 and f8 noisy rates, hx a constant field, phi a slow angle.
QByteArray recording(int n)
{
    RecordingFormat::Info info;
    info.start = QDateTime(QDate(2026, 12, 8), QTime(10, 0));
    info.port = QStringLiteral("test");
    info.baud = 115200;
    info.pollMs = 10;
    QByteArray text = RecordingFormat::headerLines(info);
    for (int i = 0; i < n; ++i) {
        QList<float> v(18, 0.0f);
        v[0] = float(0.001 * i);
        v[6] = noiseAt(i, 1);
        v[7] = noiseAt(i, 2) * 2;
        v[13] = 0.6f;
        text += RecordingFormat::row(qint64(i) * 10000, 'F', v);
    }
    return text;
}

QString statusText(const AllanWindow& w)
{
    return w.findChild<QLabel*>(QStringLiteral("status"))->text();
}

} // namespace

class TestAllanWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void opensARecordingAndListsItsColumns();
    void tickedColumnsAreAnalysedAndDrawn();
    void anglesAsPhase();
    void refusedRecording();
    void fromPlotsOnceTheySpanThreeMinutes();
    void exportsCsvAndPng();
    void ctrlSAndCtrlOAskForFiles();

private:
    QTemporaryDir m_dir;
    QString m_path;
};

void TestAllanWindow::initTestCase()
{
    m_path = m_dir.filePath(QStringLiteral("gyro.csv"));
    QVERIFY(writeFile(m_path, recording(4000)));
}

void TestAllanWindow::opensARecordingAndListsItsColumns()
{
    AllanWindow w;
    QCOMPARE(w.windowTitle(), QStringLiteral("Allan Deviation"));
    QCOMPARE(w.openRecording(m_path), QString());
    QCOMPARE(w.windowTitle(), QStringLiteral("Allan Deviation — gyro.csv"));
    QCOMPARE(w.columns(),
             (QStringList{"phi", "theta", "psi", "f4", "f5", "f6", "f7", "f8", "f9", "f10", "f11",
                          "f12", "f13", "hx", "hy", "hz", "code", "f18"}));
    QVERIFY(w.results().empty());
    QCOMPARE(w.chart().curveCount(), 0);
    QVERIFY2(statusText(w).contains(QStringLiteral("4000 frames. Tick the columns")),
             qPrintable(statusText(w)));
    QVERIFY(!w.setColumnChecked("value1", true));
}

// One curve per ticked column, each the analysis of that column as skyvane-cli makes it,
// with its -1/2 slope line where N is reached.
void TestAllanWindow::tickedColumnsAreAnalysedAndDrawn()
{
    AllanWindow w;
    QCOMPARE(w.openRecording(m_path), QString());
    QSignalSpy analysed(&w, &AllanWindow::analysed);
    QVERIFY(w.setColumnChecked("f8", true));
    QVERIFY(w.setColumnChecked("f7", true));
    QCOMPARE(analysed.size(), 2);
    QCOMPARE(w.results().size(), std::size_t(2));
    // In the list's order.
    QCOMPARE(w.results()[0].column, QByteArray("f7"));
    QCOMPARE(w.results()[1].column, QByteArray("f8"));
    QCOMPARE(w.chart().curveCount(), 2);
    QVERIFY(w.chart().guideCount() >= 2);

    ColumnSeries f8;
    f8.name = "f8";
    for (int i = 0; i < 4000; ++i) {
        f8.seconds.push_back(i * 0.01);
        f8.values.push_back(noiseAt(i, 2) * 2);
    }
    const AllanResult direct = analyseAllan(f8, AllanInput::Rate);
    QCOMPARE(w.results()[1].curve.size(), direct.curve.size());
    for (std::size_t i = 0; i < direct.curve.size(); ++i)
        QVERIFY(std::fabs(w.results()[1].curve[i].adev / direct.curve[i].adev - 1) < 1e-6);
    QVERIFY(w.results()[1].terms.randomWalk.reached);

    const QString terms = w.findChild<QLabel*>(QStringLiteral("terms"))->text();
    QVERIFY2(terms.contains(QStringLiteral("f7")) && terms.contains(QStringLiteral("f8")),
             qPrintable(terms));
    QVERIFY(terms.contains(QStringLiteral("not reached")));
    // Both columns come from the same frames: one timing line for both.
    QVERIFY2(statusText(w).startsWith(QStringLiteral("f7, f8: 4000 samples, interval 0.01 s mean")),
             qPrintable(statusText(w)));
    QVERIFY(!statusText(w).contains(QLatin1Char('\n')));

    // The ticks stay when another recording is opened.
    QCOMPARE(w.openRecording(m_path), QString());
    QCOMPARE(w.results().size(), std::size_t(2));
    QVERIFY(w.setColumnChecked("f7", false));
    QVERIFY(w.setColumnChecked("f8", false));
    QCOMPARE(w.chart().curveCount(), 0);
}

void TestAllanWindow::anglesAsPhase()
{
    AllanWindow w;
    QCOMPARE(w.openRecording(m_path), QString());
    QVERIFY(w.setColumnChecked("phi", true));
    QCOMPARE(w.results().front().input, AllanInput::Rate);
    const double asRate = w.results().front().curve.front().adev;
    w.setInput(AllanInput::Phase);
    QCOMPARE(w.results().front().input, AllanInput::Phase);
    // phi turns steadily by 0.1 rad/s: read as a rate it ramps (0.001 / sqrt(2) at the first
    // tau); as an angle only the rounding of its recorded floats is left.
    QVERIFY2(std::fabs(asRate / (0.001 / std::sqrt(2.0)) - 1) < 0.01,
             qPrintable(QString::number(asRate)));
    for (const AllanPoint& p : w.results().front().curve)
        QVERIFY2(p.adev < 1e-4, qPrintable(QString::number(p.adev)));
}

void TestAllanWindow::refusedRecording()
{
    AllanWindow w;
    QVERIFY(writeFile(m_dir.filePath("bad.csv"), "time,kind\n"));
    const QString error = w.openRecording(m_dir.filePath("bad.csv"));
    QVERIFY2(error.startsWith(QStringLiteral("Allan deviation: recording ") +
                              m_dir.filePath("bad.csv") + QStringLiteral(" refused: line 1:")),
             qPrintable(error));
    QCOMPARE(w.windowTitle(), QStringLiteral("Allan Deviation"));
    QVERIFY(w.columns().isEmpty());
}

// The plots' frames on their own clock, taken from three minutes on.
void TestAllanWindow::fromPlotsOnceTheySpanThreeMinutes()
{
    AllanWindow w;
    QStringList reports;
    w.setReport([&](const QString& text) { reports << text; });
    QCOMPARE(w.takePlotsFrames(),
             QStringLiteral("The plots hold 0 s of frames; the Allan deviation takes them from "
                            "180 s on (open the plots and leave them open longer, or open a "
                            "recording)."));
    QList<PlotFrames::Frame> frames;
    w.setPlotsFrames([&] { return frames; });
    for (int i = 0; i < 1200; ++i)
        frames.append({1000.0 + i * 0.1, 'R', {0, 0, 0, noiseAt(i, 3), 0.2f, 0.3f}});
    QVERIFY(w.takePlotsFrames().startsWith(QStringLiteral("The plots hold 120 s of frames")));
    QCOMPARE(w.windowTitle(), QStringLiteral("Allan Deviation"));
    for (int i = 1200; i < 2000; ++i)
        frames.append({1000.0 + i * 0.1, 'R', {0, 0, 0, noiseAt(i, 3), 0.2f, 0.3f}});
    QCOMPARE(w.takePlotsFrames(), QString());
    QCOMPARE(w.windowTitle(), QStringLiteral("Allan Deviation — Plots history"));
    QCOMPARE(w.columns(), (QStringList{"phi", "theta", "psi", "hx", "hy", "hz"}));
    QVERIFY(w.setColumnChecked("hx", true));
    QCOMPARE(w.results().front().timing.samples, std::size_t(2000));
    QVERIFY(std::fabs(w.results().front().curve.front().tau - 0.1) < 1e-6);
    // The button tells why it took nothing.
    frames.clear();
    w.findChild<QPushButton*>(QStringLiteral("fromPlots"))->click();
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports[0].startsWith(QStringLiteral("The plots hold 0 s")));
    QCOMPARE(statusText(w), reports[0]);
}

void TestAllanWindow::exportsCsvAndPng()
{
    AllanWindow w;
    w.resize(900, 600);
    QCOMPARE(w.openRecording(m_path), QString());
    QVERIFY(w.setColumnChecked("f7", true));
    QVERIFY(w.setColumnChecked("hx", true));
    const QString csv = m_dir.filePath("allan.csv");
    QCOMPARE(w.exportTo(csv), QString());
    const QByteArray text = readFile(csv);
    QCOMPARE(text, "# Skyvane Allan deviation of gyro.csv\n" + allanCsvHeader() +
                       allanCsv(w.results()[0]) + allanCsv(w.results()[1]));

    const QString png = m_dir.filePath("Allan.PNG");
    QCOMPARE(w.exportTo(png), QString());
    const QImage image(png);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() >= 400);
    // The first curve's colour is in the picture.
    int curvePixels = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            curvePixels += image.pixelColor(x, y) == QColor(31, 119, 180);
    QVERIFY2(curvePixels > 50, qPrintable(QString::number(curvePixels)));

    QCOMPARE(w.exportTo(m_dir.filePath("allan.txt")),
             QStringLiteral("Allan deviation export: ") + m_dir.filePath("allan.txt") +
                 QStringLiteral(" ends neither in .png nor in .csv"));
    QVERIFY(w.exportTo(QStringLiteral("/nonexistent/folder/a.csv"))
                .startsWith(QStringLiteral("Allan deviation export failed: cannot write "
                                           "/nonexistent/folder/a.csv: ")));
}

void TestAllanWindow::ctrlSAndCtrlOAskForFiles()
{
    AllanWindow w;
    QStringList reports;
    w.setReport([&](const QString& text) { reports << text; });
    QString openAnswer = m_path;
    w.setChooseOpenFile([&] { return openAnswer; });
    QStringList suggested;
    QString saveAnswer = m_dir.filePath("shortcut.csv");
    w.setChooseSaveFile([&](const QString& s) {
        suggested << s;
        return saveAnswer;
    });
    QAction* exportAction = w.findChild<QAction*>(QStringLiteral("actionExportAllan"));
    QVERIFY(exportAction);
    QCOMPARE(exportAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    QAction* openAction = nullptr;
    for (QAction* a : w.actions())
        if (a->shortcut() == QKeySequence(QStringLiteral("Ctrl+O")))
            openAction = a;
    QVERIFY(openAction);
    openAction->trigger();
    QCOMPARE(w.windowTitle(), QStringLiteral("Allan Deviation — gyro.csv"));
    exportAction->trigger();
    QCOMPARE(suggested.size(), 1);
    QVERIFY2(suggested[0].contains(QStringLiteral("skyvane-allan-")) &&
                 suggested[0].endsWith(QStringLiteral(".png")),
             qPrintable(suggested[0]));
    QVERIFY(readFile(saveAnswer).startsWith("# Skyvane Allan deviation of gyro.csv\n"));
    QVERIFY(reports.isEmpty());
    saveAnswer.clear();
    exportAction->trigger();
    openAnswer = m_dir.filePath("missing.csv");
    openAction->trigger();
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports[0].contains(QStringLiteral("missing.csv refused: cannot read")),
             qPrintable(reports[0]));
}

#include "support/TestMain.h"

QTEST_MAIN(TestAllanWindow)
#include "tst_allan_window.moc"
