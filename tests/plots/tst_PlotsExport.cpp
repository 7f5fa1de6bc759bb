// "Export..." of the Plots window: the charts as a PNG, the shown span as a recording; and the
// heading line that breaks where the heading wraps.

#include "plots/PlotsWindow.h"
#include "protocol/MeasurementStream.h"
#include "record/RecordingReader.h"
#include "support/FileDialogAnswer.h"
#include "support/Files.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

constexpr double kDegree = 0.017453292519943295;

// Frame k of a series whose every float tells k and its place.
Measurement frameF(int k, double headingDegrees = 20)
{
    Measurement m;
    m.kind = 'F';
    for (int i = 0; i < 18; ++i)
        m.values.append(float(k) + 0.01f * float(i));
    m.values[0] = float(30 * kDegree);
    m.phi = float(30 * kDegree);
    m.psi = float(headingDegrees * kDegree);
    return m;
}

QList<QList<QPointF>> drawnRuns(PlotsWindow& w, const QString& channel)
{
    QList<QList<QPointF>> runs;
    for (QChartView* v : w.findChildren<QChartView*>())
        for (QAbstractSeries* s : v->chart()->series())
            if (s->name() == channel && !static_cast<QLineSeries*>(s)->points().isEmpty())
                runs.append(static_cast<QLineSeries*>(s)->points());
    return runs;
}

} // namespace

class TestPlotsExport : public QObject
{
    Q_OBJECT
private:
    MeasurementStream m_stream;
    std::unique_ptr<PlotsWindow> m_window;
    QTemporaryDir m_dir;
    double m_clock = 0;
    QStringList m_reports;

    // 120 frames 0.125 s apart (15 s), k = 0 to 119.
    void publishFifteenSeconds()
    {
        for (int k = 0; k < 120; ++k, m_clock += 0.125)
            m_stream.publish(frameF(k));
    }

private slots:
    void init()
    {
        m_clock = 0;
        m_reports.clear();
        m_window = std::make_unique<PlotsWindow>(m_stream);
        m_window->setClock([this] { return m_clock; });
        m_window->setReport([this](const QString& text) { m_reports << text; });
    }
    void cleanup() { m_window.reset(); }

    // The 10 s shown: frames 40 to 119, times from the first of them, every float as sent.
    void csvHoldsTheShownSpanAsARecording()
    {
        publishFifteenSeconds();
        const QString path = m_dir.filePath("span.csv");
        QCOMPARE(m_window->exportTo(path), QString());
        const QByteArray text = readFile(path);
        QVERIFY2(text.startsWith("# Skyvane plots export, 10 s ending "), text.left(80).data());
        QVERIFY(text.contains("\n# G columns: time,kind,phi,theta,psi,value1,value2,value3,"
                              "value4\n"));
        QVERIFY(text.contains("\ntime,kind,phi,theta,psi,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13,hx,hy,"
                              "hz,code,f18\n0.000000,F,"));
        const auto read = RecordingReader::parse(text);
        QVERIFY2(read.ok(), qPrintable(read.error));
        const auto& frames = read.recording.frames;
        QCOMPARE(frames.size(), 80);
        QCOMPARE(frames.last().microseconds, 79 * 125000);
        QCOMPARE(frames[1].microseconds, 125000);
        QCOMPARE(frames.last().measurement.values, frameF(119).values);
        QVERIFY(read.recording.description.startsWith("Skyvane plots export, 10 s ending "));
    }

    // Paused, the export is what the frozen charts show, not what came since.
    void csvWhilePausedIsTheFrozenSpan()
    {
        publishFifteenSeconds();
        m_window->findChild<QPushButton*>()->click();
        QCOMPARE(m_window->findChild<QPushButton*>()->text(), QStringLiteral("Resume"));
        for (int k = 120; k < 200; ++k, m_clock += 0.125)
            m_stream.publish(frameF(k));
        const QString path = m_dir.filePath("paused.csv");
        QCOMPARE(m_window->exportTo(path), QString());
        const auto read = RecordingReader::parse(readFile(path));
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.recording.frames.size(), 80);
        QCOMPARE(read.recording.frames.last().measurement.values, frameF(119).values);
    }

    void pngIsTheChartsAsShown()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        publishFifteenSeconds();
        const QString path = m_dir.filePath("charts.png");
        QCOMPARE(m_window->exportTo(path), QString());
        QImage image(path);
        QVERIFY(!image.isNull());
        const qreal ratio = m_window->devicePixelRatioF();
        // The three charts without the choices on the left.
        QVERIFY2(image.width() > 0.6 * m_window->width() * ratio &&
                     image.width() < m_window->width() * ratio,
                 qPrintable(QString::number(image.width())));
        QVERIFY(image.height() > 0.8 * m_window->height() * ratio);
        // The roll line, at 30 degrees, in its colour.
        int rollPixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                rollPixels += image.pixelColor(x, y) == QColor(220, 50, 47);
        QVERIFY2(rollPixels > 100, qPrintable(QString::number(rollPixels)));
    }

    // Ctrl+S asks for the file; a name that is neither .png nor .csv is refused in one line.
    void ctrlSAsksForTheFile()
    {
        auto* action = m_window->findChild<QAction*>(QStringLiteral("actionExportPlots"));
        QVERIFY(action);
        QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(action->text(), QStringLiteral("Export..."));
        QStringList asked;
        QString answer = m_dir.filePath("chosen.csv");
        m_window->setChooseFile([&](const QString& suggested) {
            asked << suggested;
            return answer;
        });
        publishFifteenSeconds();
        action->trigger();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].endsWith(".png") && asked[0].contains("skyvane-plots-"),
                 qPrintable(asked[0]));
        QVERIFY(RecordingReader::read(m_dir.filePath("chosen.csv")).ok());
        QVERIFY(m_reports.isEmpty());

        answer = m_dir.filePath("chosen.txt");
        action->trigger();
        QCOMPARE(m_reports,
                 QStringList{"Plots export: " + answer + " ends neither in .png nor in .csv"});
        answer = QStringLiteral("/nonexistent/folder/p.csv");
        action->trigger();
        QCOMPARE(m_reports.size(), 2);
        QVERIFY2(m_reports[1].startsWith(
                     "Plots export failed: cannot write /nonexistent/folder/p.csv: "),
                 qPrintable(m_reports[1]));
        answer.clear();
        action->trigger();
        QCOMPARE(m_reports.size(), 2);
    }

    // The name's ending is read in any case; a span without frames writes the heading alone.
    void csvOfAnEmptySpanAndAnUppercaseName()
    {
        const QString path = m_dir.filePath("EMPTY.CSV");
        QCOMPARE(m_window->exportTo(path), QString());
        const QByteArray text = readFile(path);
        QVERIFY2(text.startsWith("# Skyvane plots export, 10 s ending "), text.left(80).data());
        QVERIFY2(text.contains(", 0 frames\n# G columns: "), text.left(120).data());
        QVERIFY(text.endsWith("\ntime,kind,phi,theta,psi,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13,hx,hy,"
                              "hz,code,f18\n"));
        publishFifteenSeconds();
        QCOMPARE(m_window->exportTo(m_dir.filePath("Charts.PNG")), QString());
        QVERIFY(!QImage(m_dir.filePath("Charts.PNG")).isNull());
    }

    // Without a chooser of its own the window asks with its file dialog: the suggested name,
    // PNG or CSV; cancelled, nothing is reported; a name chosen there is written.
    void theFileDialogOffersPngAndCsv()
    {
        PlotsWindow window(m_stream);
        window.setReport([this](const QString& text) { m_reports << text; });
        window.setClock([this] { return m_clock; });
        publishFifteenSeconds();
        QTemporaryDir folder;
        QString title;
        QStringList filters;
        QString suggested;
        QString answer;
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            suggested = dialog->selectedFiles().value(0);
            if (answer.isEmpty()) {
                dialog->reject();
            } else {
                TypeFileName(dialog, answer);
            }
        });
        poll.start();
        window.exportShown();
        QCOMPARE(title, QStringLiteral("Export Plots"));
        QCOMPARE(filters, (QStringList{"PNG image (*.png)", "CSV recording (*.csv)"}));
        const QString name = QFileInfo(suggested).fileName();
        QVERIFY2(name.startsWith("skyvane-plots-") && name.endsWith(".png") && name.size() == 33,
                 qPrintable(suggested));
        QVERIFY(m_reports.isEmpty());

        answer = folder.filePath("asked.csv");
        window.exportShown();
        poll.stop();
        QVERIFY(m_reports.isEmpty());
        const auto read = RecordingReader::read(answer);
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.recording.frames.size(), 80);
    }

    // Without a report, what failed shows in the window's readout line; a picture that cannot
    // be written leaves no file behind.
    void aFailedExportWithoutAReportShowsInTheWindow()
    {
        PlotsWindow window(m_stream);
        window.setChooseFile([](const QString&) { return QStringLiteral("/nonexistent/p.png"); });
        window.findChild<QAction*>(QStringLiteral("actionExportPlots"))->trigger();
        const QString shown = window.findChild<QLabel*>(QStringLiteral("readout"))->text();
        QVERIFY2(shown.startsWith("Plots export failed: cannot write /nonexistent/p.png: "),
                 qPrintable(shown));
        QVERIFY(shown.size() >
                QStringLiteral("Plots export failed: cannot write /nonexistent/p.png: ").size());
        QVERIFY(!QFile::exists(QStringLiteral("/nonexistent/p.png")));
        QVERIFY(m_reports.isEmpty());
    }

    // 357, 358, 359, then 0.5, 1.5 degrees: two runs, none crossing the chart.
    void headingBreaksWhereItWraps()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        for (int k = 0; k < 40; ++k, m_clock += 0.05)
            m_stream.publish(frameF(k, std::fmod(340.0 + k, 360.0)));
        const qint64 before = m_window->redrawCount();
        QTRY_VERIFY(m_window->redrawCount() > before);
        const auto runs = drawnRuns(*m_window, QStringLiteral("Heading"));
        QCOMPARE(runs.size(), 2);
        QVERIFY(runs[0].last().y() > 358.5 && runs[0].last().y() < 359.5);
        QVERIFY(runs[1].first().y() >= -0.01 && runs[1].first().y() < 0.5);
        QCOMPARE(drawnRuns(*m_window, QStringLiteral("Roll")).size(), 1);
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestPlotsExport)
#include "tst_PlotsExport.moc"
