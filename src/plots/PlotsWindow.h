#pragma once

#include "plots/PlotChannels.h"
#include "plots/PlotFrames.h"
#include "plots/PlotHistory.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class MeasurementStream;
class PlotChart;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
struct Measurement;

// The "Plots" window: the decoded values against time, newest on the right, in three stacked
// charts (angles, field, other values) over one time span. It listens to the stream from
// construction to destruction and keeps recording while hidden or paused; it draws only when
// shown, at most once per screen refresh, and never once per frame.
class PlotsWindow : public QWidget
{
    Q_OBJECT
public:
    // The stream must outlive the window.
    explicit PlotsWindow(MeasurementStream& stream, QWidget* parent = nullptr);
    ~PlotsWindow() override;

    // Seconds on the clock that stamps frames and places the right edge (a monotonic clock
    // by default; tests give their own).
    void setClock(std::function<double()> seconds);
    // Every frame the plots hold (the last ten minutes, also while hidden), oldest first, on
    // the plots' clock in seconds.
    QList<PlotFrames::Frame> heldFrames() const { return m_frames.all(); }
    // Times the charts were redrawn since construction.
    qint64 redrawCount() const { return m_redraws; }

    // "Export..." (Ctrl+S): asks for a file (the dialog tests replace; "" when cancelled) and
    // writes it; what failed goes to the report.
    void setChooseFile(std::function<QString(const QString& suggested)> choose);
    void setReport(std::function<void(const QString&)> report);
    void exportShown();
    // A name ending ".png": the charts as shown, at the screen's pixel ratio; ".csv": the
    // frames inside the shown span as a recording. Returns what failed, "" when written.
    QString exportTo(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void take(const Measurement& m);
    // Soon: a change the user made, answered at the next screen refresh; otherwise new data,
    // drawn no sooner than the drawing budget allows.
    void scheduleRedraw(bool soon = false);
    void redraw();
    void onIdleTick();
    void setPaused(bool paused);
    void setSpan(double seconds);
    void updateReadout();
    double now() const;
    const PlotHistory& shownHistory() const;
    double shownEnd() const;
    QWidget* buildChoices();
    QString suggestedExportPath() const;

    MeasurementStream& m_stream;
    int m_handle = 0;
    PlotHistory m_history;
    PlotFrames m_frames;
    // While paused: the history and frames as they were, so the curves stay put as frames
    // arrive and an export writes what is shown.
    std::unique_ptr<PlotHistory> m_frozen;
    std::unique_ptr<PlotFrames> m_frozenFrames;
    double m_frozenEnd = 0;
    double m_span = 10;

    std::function<double()> m_clock;
    QElapsedTimer m_elapsed;
    QTimer m_redrawTimer;
    QTimer m_idleTimer;
    int m_refreshMs = 16;
    double m_lastRedraw = -1e300;
    // Smoothed CPU seconds of one redraw with its paints, and the earliest time (on
    // m_elapsed) the next data redraw may start.
    double m_drawCost = 0;
    double m_earliestRedraw = 0;
    int m_layoutDraws = 0;
    qint64 m_redraws = 0;

    std::array<std::unique_ptr<PlotChart>, 3> m_charts;
    QWidget* m_chartArea = nullptr;
    std::function<QString(const QString&)> m_chooseFile;
    std::function<void(const QString&)> m_report;
    std::array<QCheckBox*, kPlotChannelCount> m_checks{};
    QComboBox* m_spanChoice = nullptr;
    QPushButton* m_pause = nullptr;
    QLabel* m_readout = nullptr;
    // The time under the mouse relative to the right edge; NaN when the mouse is elsewhere.
    double m_mouseTime;
};
