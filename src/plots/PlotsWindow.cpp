#include "plots/PlotsWindow.h"

#include "core/FileWrite.h"
#include "plots/FileChoice.h"
#include "plots/PictureFile.h"
#include "plots/PlotChart.h"
#include "plots/PlotExport.h"
#include "plots/PlotScale.h"
#include "plots/ThreadCpu.h"
#include "protocol/MeasurementStream.h"

#include <QAction>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace {

constexpr int kGroups = 3;
// Redraws come no closer than this even on a faster screen.
constexpr int kShortestRedrawMs = 16;
// With no frames coming the curves still move left now and then, so a stall shows as a gap.
constexpr int kIdleTickMs = 250;
// Share of one core that drawing may take on average (what the paints cost on top is not all
// seen by the thread's clock): a redraw that cost 1 ms of CPU is followed by the next no
// sooner than 1 ms / share later. The curves move less often on a slow
// machine, but following the stream never takes the machine over.
constexpr double kDrawShare = 0.01;
constexpr double kLongestRedrawWait = 0.5;
// The frames are kept longer than the plots show them: the Allan deviation takes minutes.
constexpr double kFramesKeptSeconds = 600;

struct SpanChoice
{
    const char* text;
    double seconds;
};
constexpr SpanChoice kSpans[] = {{"10 s", 10}, {"30 s", 30}, {"2 min", 120}};

QString groupTitle(int group)
{
    switch (PlotGroup(group)) {
    case PlotGroup::Angles:
        return QStringLiteral("Angles (°)");
    case PlotGroup::Field:
        return QStringLiteral("Field");
    case PlotGroup::Other:
        break;
    }
    return QStringLiteral("Other values");
}

QIcon swatch(const QColor& colour)
{
    QPixmap pixmap(14, 4);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

QString valueText(float v, const QString& unit)
{
    if (std::isnan(v))
        return QStringLiteral("-");
    const QLocale locale;
    const QString number =
        std::fabs(v) < 1e5f ? locale.toString(v, 'f', 2) : locale.toString(v, 'g', 4);
    return number + unit;
}

} // namespace

PlotsWindow::PlotsWindow(MeasurementStream& stream, QWidget* parent)
    : QWidget(parent), m_stream(stream), m_history(kPlotChannelCount), m_frames(kFramesKeptSeconds),
      m_mouseTime(std::numeric_limits<double>::quiet_NaN())
{
    setWindowTitle(QStringLiteral("Plots"));
    m_elapsed.start();
    m_history.setWrap(kHeadingChannel, 360);

    m_chartArea = new QWidget(this);
    auto* charts = new QVBoxLayout(m_chartArea);
    charts->setContentsMargins(0, 0, 0, 0);
    for (int g = 0; g < kGroups; ++g) {
        m_charts[g] = std::make_unique<PlotChart>(groupTitle(g), m_chartArea);
        m_charts[g]->view()->viewport()->setMouseTracking(true);
        m_charts[g]->view()->viewport()->installEventFilter(this);
        charts->addWidget(m_charts[g]->view(), 1);
    }
    for (int c = 0; c < kPlotChannelCount; ++c) {
        const PlotChannel& ch = plotChannels()[c];
        m_charts[int(ch.group)]->addChannel(c, ch.name, ch.colour);
    }
    m_readout = new QLabel(this);
    m_readout->setObjectName(QStringLiteral("readout"));
    m_readout->setWordWrap(true);
    m_readout->setMinimumHeight(2 * m_readout->fontMetrics().height());
    auto* right = new QVBoxLayout;
    right->addWidget(m_chartArea, 1);
    right->addWidget(m_readout);

    auto* top = new QHBoxLayout(this);
    top->addWidget(buildChoices());
    top->addLayout(right, 1);
    resize(1100, 760);

    auto* exportAction = new QAction(QStringLiteral("Export..."), this);
    exportAction->setObjectName(QStringLiteral("actionExportPlots"));
    exportAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    connect(exportAction, &QAction::triggered, this, &PlotsWindow::exportShown);
    addAction(exportAction);

    m_redrawTimer.setSingleShot(true);
    connect(&m_redrawTimer, &QTimer::timeout, this, &PlotsWindow::redraw);
    m_idleTimer.setInterval(kIdleTickMs);
    connect(&m_idleTimer, &QTimer::timeout, this, &PlotsWindow::onIdleTick);

    // The guard: a window deleted while the stream is publishing is not called again.
    m_handle = m_stream.subscribe([guard = QPointer<PlotsWindow>(this)](const Measurement& m) {
        if (guard)
            guard->take(m);
    });
    updateReadout();
}

PlotsWindow::~PlotsWindow()
{
    m_stream.unsubscribe(m_handle);
}

QWidget* PlotsWindow::buildChoices()
{
    auto* panel = new QWidget(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);

    m_spanChoice = new QComboBox(panel);
    for (const SpanChoice& s : kSpans)
        m_spanChoice->addItem(QString::fromLatin1(s.text));
    connect(m_spanChoice, &QComboBox::currentIndexChanged, this,
            [this](int i) { setSpan(kSpans[qBound(0, i, 2)].seconds); });
    m_pause = new QPushButton(QStringLiteral("Pause"), panel);
    m_pause->setCheckable(true);
    connect(m_pause, &QPushButton::toggled, this, &PlotsWindow::setPaused);
    auto* exportButton = new QPushButton(QStringLiteral("Export..."), panel);
    exportButton->setToolTip(QStringLiteral("Ctrl+S: the charts as PNG or the shown span as CSV"));
    connect(exportButton, &QPushButton::clicked, this, &PlotsWindow::exportShown);
    auto* controls = new QHBoxLayout;
    controls->addWidget(m_spanChoice);
    controls->addWidget(m_pause);
    controls->addWidget(exportButton);
    column->addLayout(controls);

    for (int g = 0; g < kGroups; ++g) {
        auto* box = new QGroupBox(groupTitle(g), panel);
        auto* grid = new QGridLayout(box);
        int placed = 0;
        for (int c = 0; c < kPlotChannelCount; ++c) {
            const PlotChannel& ch = plotChannels()[c];
            if (int(ch.group) != g)
                continue;
            auto* check = new QCheckBox(ch.name, box);
            check->setIcon(swatch(ch.colour));
            check->setChecked(ch.shownAtStart);
            connect(check, &QCheckBox::toggled, this, [this, g] {
                bool any = false;
                for (int k = 0; k < kPlotChannelCount; ++k)
                    any = any || (int(plotChannels()[k].group) == g && m_checks[k]->isChecked());
                m_charts[g]->view()->setVisible(any);
                scheduleRedraw(true);
            });
            m_checks[c] = check;
            // The long group goes in two columns.
            const int columns = g == int(PlotGroup::Other) ? 2 : 1;
            grid->addWidget(check, placed / columns, placed % columns);
            ++placed;
        }
        column->addWidget(box);
    }
    column->addStretch(1);
    return panel;
}

void PlotsWindow::setClock(std::function<double()> seconds)
{
    m_clock = std::move(seconds);
}

double PlotsWindow::now() const
{
    return m_clock ? m_clock() : m_elapsed.nsecsElapsed() / 1e9;
}

const PlotHistory& PlotsWindow::shownHistory() const
{
    return m_frozen ? *m_frozen : m_history;
}

double PlotsWindow::shownEnd() const
{
    return m_frozen ? m_frozenEnd : now();
}

void PlotsWindow::take(const Measurement& m)
{
    const ChannelValues values = channelValues(m);
    const double t = now();
    m_history.addFrame(t, values);
    m_frames.add(t, m);
    if (!m_frozen)
        scheduleRedraw();
}

void PlotsWindow::scheduleRedraw(bool soon)
{
    if (!isVisible())
        return;
    int delayMs = m_refreshMs;
    if (!soon) {
        const double wait = m_earliestRedraw - m_elapsed.nsecsElapsed() / 1e9;
        delayMs = qMax(delayMs, int(std::ceil(wait * 1000)));
    }
    if (!m_redrawTimer.isActive() || m_redrawTimer.remainingTime() > delayMs)
        m_redrawTimer.start(delayMs);
}

void PlotsWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    const qreal refresh = screen() ? screen()->refreshRate() : 60.0;
    const int frameMs = refresh > 1 ? int(std::ceil(1000.0 / refresh)) : kShortestRedrawMs;
    m_refreshMs = qMax(kShortestRedrawMs, frameMs);
    m_layoutDraws = 2;
    m_idleTimer.start();
    scheduleRedraw(true);
}

void PlotsWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_idleTimer.stop();
    m_redrawTimer.stop();
}

void PlotsWindow::onIdleTick()
{
    const double t = now();
    if (!m_frozen && !m_history.isEmpty() && t - m_lastRedraw >= kIdleTickMs / 1000.0 * 0.8 &&
        t - m_history.newest() < m_span + 1.0)
        scheduleRedraw();
}

void PlotsWindow::setPaused(bool paused)
{
    if (paused) {
        m_frozen = std::make_unique<PlotHistory>(m_history);
        m_frozenFrames = std::make_unique<PlotFrames>(m_frames);
        m_frozenEnd = now();
        m_pause->setText(QStringLiteral("Resume"));
    } else {
        m_frozen.reset();
        m_frozenFrames.reset();
        m_pause->setText(QStringLiteral("Pause"));
    }
    scheduleRedraw(true);
}

void PlotsWindow::setSpan(double seconds)
{
    m_span = seconds;
    for (auto& chart : m_charts)
        chart->setSpan(seconds);
    scheduleRedraw(true);
}

void PlotsWindow::redraw()
{
    const double cpuStart = threadCpuSeconds();
    // Paints since the last redraw belong to it.
    double paints = 0;
    for (auto& chart : m_charts)
        paints += chart->takePaintSeconds();
    const PlotHistory& history = shownHistory();
    const double end = shownEnd();
    for (int g = 0; g < kGroups; ++g) {
        PlotChart& chart = *m_charts[g];
        // Two-pixel buckets: at most one point per pixel, the lows and highs still there.
        const int buckets = qMax(1, chart.plotWidth() / 2);
        double low = std::numeric_limits<double>::infinity();
        double high = -low;
        for (int c = 0; c < kPlotChannelCount; ++c) {
            if (int(plotChannels()[c].group) != g)
                continue;
            if (!m_checks[c]->isChecked()) {
                chart.setSegments(c, {});
                continue;
            }
            const QList<PlotHistory::Segment> segments = history.visible(c, end, m_span, buckets);
            for (const PlotHistory::Segment& s : segments)
                for (const QPointF& p : s)
                    if (p.x() >= -m_span) {
                        low = std::min(low, p.y());
                        high = std::max(high, p.y());
                    }
            chart.setSegments(c, segments);
        }
        chart.setValueRange(niceRange(low, high));
    }
    m_lastRedraw = now();
    ++m_redraws;
    updateReadout();

    const double cost = threadCpuSeconds() - cpuStart + paints;
    // The first draws after showing also lay the charts out and load fonts: not the pace.
    if (m_layoutDraws > 0)
        --m_layoutDraws;
    else
        m_drawCost = m_drawCost == 0 ? cost : 0.8 * m_drawCost + 0.2 * cost;
    m_earliestRedraw =
        m_elapsed.nsecsElapsed() / 1e9 + std::min(m_drawCost / kDrawShare, kLongestRedrawWait);
}

bool PlotsWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Leave) {
        m_mouseTime = std::numeric_limits<double>::quiet_NaN();
        for (auto& chart : m_charts) {
            if (event->type() == QEvent::MouseMove && watched == chart->view()->viewport()) {
                const double x =
                    chart->timeAt(static_cast<QMouseEvent*>(event)->position().toPoint());
                if (x >= -m_span && x <= 0)
                    m_mouseTime = x;
            }
        }
        updateReadout();
    }
    return QWidget::eventFilter(watched, event);
}

void PlotsWindow::updateReadout()
{
    if (std::isnan(m_mouseTime)) {
        m_readout->setText(QStringLiteral("Point at a chart to read the values at that time."));
        return;
    }
    const PlotHistory& history = shownHistory();
    const double t = shownEnd() + m_mouseTime;
    QStringList parts;
    parts << QStringLiteral("%1 s:").arg(QLocale().toString(m_mouseTime, 'f', 2));
    for (int c = 0; c < kPlotChannelCount; ++c) {
        if (!m_checks[c]->isChecked())
            continue;
        const PlotChannel& ch = plotChannels()[c];
        parts << ch.name + QLatin1Char(' ') + valueText(history.valueNear(c, t), ch.unit);
    }
    m_readout->setText(parts.join(QStringLiteral("   ")));
}

void PlotsWindow::setChooseFile(std::function<QString(const QString&)> choose)
{
    m_chooseFile = std::move(choose);
}

void PlotsWindow::setReport(std::function<void(const QString&)> report)
{
    m_report = std::move(report);
}

QString PlotsWindow::suggestedExportPath() const
{
    return DocumentsFilePath(QStringLiteral("skyvane-plots-"), QStringLiteral(".png"));
}

void PlotsWindow::exportShown()
{
    const QString path =
        chooseFileToSave(this, m_chooseFile, QStringLiteral("Export Plots"), suggestedExportPath(),
                         QStringLiteral("PNG image (*.png);;CSV recording (*.csv)"));
    if (path.isEmpty())
        return;
    const QString error = exportTo(path);
    if (error.isEmpty())
        return;
    if (m_report)
        m_report(error);
    else
        m_readout->setText(error);
}

QString PlotsWindow::exportTo(const QString& path)
{
    const QString lower = path.toLower();
    const auto failed = [&path](const QString& why) {
        return QStringLiteral("Plots export failed: cannot write %1: %2").arg(path, why);
    };
    if (lower.endsWith(QStringLiteral(".png"))) {
        // grab() renders at the widget's device pixel ratio: the screen's.
        redraw();
        const QString failure = WritePngFile(m_chartArea->grab(), path);
        return failure.isEmpty() ? QString() : failed(failure);
    }
    if (!lower.endsWith(QStringLiteral(".csv")))
        return QStringLiteral("Plots export: %1 ends neither in .png nor in .csv").arg(path);
    const PlotFrames& frames = m_frozenFrames ? *m_frozenFrames : m_frames;
    const double end = shownEnd();
    const QDateTime endedAt =
        QDateTime::currentDateTime().addMSecs(qint64(std::llround((end - now()) * 1000.0)));
    const QByteArray text = plotsCsv(frames.inSpan(end, m_span), endedAt, m_span);
    const QString failure = WriteFileAtomically(path, text);
    return failure.isEmpty() ? QString() : failed(failure);
}
