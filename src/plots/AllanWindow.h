#pragma once

#include "analysis/AllanAnalysis.h"
#include "plots/PlotFrames.h"
#include "record/RecordingReader.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class AllanChart;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;

// The "Allan Deviation" window: the overlapping Allan deviation of columns of a recording (or
// of the frames the plots hold), one curve each on log-log axes with its band, the slope lines
// and the noise terms; exports the picture (PNG) or the figures (CSV) on Ctrl+S.
class AllanWindow : public QWidget
{
    Q_OBJECT
public:
    // The plots' frames are taken once they span at least this long.
    static constexpr double MinimumPlotsSeconds = 180.0;

    explicit AllanWindow(QWidget* parent = nullptr);
    ~AllanWindow() override;

    // The dialogs (tests replace them; "" when cancelled) and where failures are told (the
    // window's own status line when unset).
    void setChooseOpenFile(std::function<QString()> choose);
    void setChooseSaveFile(std::function<QString(const QString& suggested)> choose);
    void setReport(std::function<void(const QString&)> report);
    // Where "From Plots" takes its frames.
    void setPlotsFrames(std::function<QList<PlotFrames::Frame>()> frames);

    // Reads a recording and lists its columns; returns what failed ("" when read).
    QString openRecording(const QString& path);
    // "From Plots": the plots' frames when they span long enough; returns what failed.
    QString takePlotsFrames();
    // Ticks a column (by its name in the recording); false when there is none of that name.
    bool setColumnChecked(const QByteArray& name, bool checked);
    void setInput(AllanInput input);
    QStringList columns() const;

    // The analyses of the ticked columns, in the list's order, as drawn.
    const std::vector<AllanResult>& results() const { return m_results; }
    const AllanChart& chart() const { return *m_chart; }

    // "Export..." (Ctrl+S): asks for a file and writes it. A name ending ".png" writes the
    // chart, ".csv" the figures as skyvane-cli allan prints them. Returns what failed.
    void exportShown();
    QString exportTo(const QString& path);

signals:
    // After each new analysis and redraw.
    void analysed();

private:
    void chooseRecording();
    void setFrames(QList<RecordedFrame> frames, const QString& source);
    void analyse();
    void showTerms();
    void tell(const QString& text);
    QString suggestedExportPath() const;

    QList<RecordedFrame> m_frames;
    QString m_source;
    std::vector<AllanResult> m_results;
    std::function<QString()> m_chooseOpen;
    std::function<QString(const QString&)> m_chooseSave;
    std::function<void(const QString&)> m_report;
    std::function<QList<PlotFrames::Frame>()> m_plotsFrames;

    std::unique_ptr<AllanChart> m_chart;
    QComboBox* m_input = nullptr;
    QListWidget* m_columns = nullptr;
    QLabel* m_terms = nullptr;
    QLabel* m_status = nullptr;
};
