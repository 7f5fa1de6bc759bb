#include "plots/Field3DPanel.h"

#include "analysis/CalibrationReport.h"
#include "analysis/FieldVector.h"
#include "core/FileWrite.h"
#include "plots/FileChoice.h"
#include "plots/MagnitudePlot.h"
#include "record/RecordingReader.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// At most four fits a second: a fit of 20 000 points takes a few milliseconds.
constexpr int RefreshMs = 250;

QString number(double v)
{
    return QString::number(v, 'g', 5);
}

QString row(const QString& name, const QString& value)
{
    return QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(name, value);
}

QString triple(const Eigen::Vector3d& v)
{
    return QStringLiteral("%1, %2, %3").arg(number(v.x()), number(v.y()), number(v.z()));
}

QByteArray csvFigures(const MagneticCalibration& c)
{
    QByteArray out = "name,value\n";
    const auto line = [&out](const char* name, double v) {
        out += QByteArray(name) + ',' + QByteArray::number(v, 'g', 17) + '\n';
    };
    line("count", c.count);
    if (c.fitted) {
        for (int i = 0; i < 3; ++i)
            line(QByteArray("offset_" + QByteArray(1, "xyz"[i])).constData(), c.offset(i));
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k)
                line(("soft_iron_" + QByteArray::number(r + 1) + QByteArray::number(k + 1))
                         .constData(),
                     c.softIron(r, k));
        for (int i = 0; i < 3; ++i)
            line(QByteArray("b_" + QByteArray(1, "xyz"[i])).constData(), c.subtracted()(i));
        line("field", c.field);
        line("rms", c.rms);
        line("rms_percent", c.rmsPercent);
    }
    line("coverage_percent", c.coveragePercent);
    line("condition", c.condition);
    out += "verdict," + verdictName(c.verdict).toUtf8() + '\n';
    return out;
}

} // namespace

Field3DPanel::Field3DPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Field3DPanel"));
    m_source = new QLabel(this);
    m_source->setObjectName(QStringLiteral("source3d"));
    m_figures = new QLabel(this);
    m_figures->setObjectName(QStringLiteral("figures3d"));
    m_figures->setTextFormat(Qt::RichText);
    m_figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_verdict = new QLabel(this);
    m_verdict->setObjectName(QStringLiteral("verdict3d"));
    m_verdict->setWordWrap(true);
    m_verdict->setMinimumHeight(m_verdict->fontMetrics().lineSpacing() * 3);
    QFont bold = m_verdict->font();
    bold.setBold(true);
    m_verdict->setFont(bold);
    m_magnitudes = new MagnitudePlot(this);
    m_magnitudes->setObjectName(QStringLiteral("magnitudes"));

    auto* open = new QPushButton(QStringLiteral("Open Recording..."), this);
    open->setObjectName(QStringLiteral("openRecording3d"));
    auto* clearButton = new QPushButton(QStringLiteral("Clear"), this);
    clearButton->setObjectName(QStringLiteral("clear3d"));
    clearButton->setToolTip(QStringLiteral("Forget the points and collect live ones again"));
    auto* exportButton = new QPushButton(QStringLiteral("Export..."), this);
    exportButton->setToolTip(QStringLiteral("Ctrl+S: the result as JSON or CSV"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open);
    buttons->addWidget(clearButton);
    buttons->addWidget(exportButton);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_source);
    layout->addWidget(m_figures);
    layout->addWidget(m_verdict);
    layout->addWidget(m_magnitudes, 1);
    layout->addLayout(buttons);

    m_refresh.setSingleShot(true);
    m_refresh.setInterval(RefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &Field3DPanel::refresh);
    connect(open, &QPushButton::clicked, this, &Field3DPanel::chooseRecording);
    connect(clearButton, &QPushButton::clicked, this, &Field3DPanel::clear);
    connect(exportButton, &QPushButton::clicked, this, &Field3DPanel::exportShown);
    m_points.reserve(Capacity);
    refresh();
}

Field3DPanel::~Field3DPanel() = default;

void Field3DPanel::add(const Eigen::Vector3d& point)
{
    if (m_points.size() < std::size_t(Capacity)) {
        m_points.push_back(point);
    } else {
        m_points[m_oldest] = point;
        m_oldest = (m_oldest + 1) % m_points.size();
    }
    m_stale = true;
}

void Field3DPanel::take(const Measurement& m)
{
    if (m_fromRecording)
        return;
    const std::optional<Eigen::Vector3d> field = fieldVector(m);
    if (!field)
        return;
    add(*field);
    schedule();
}

void Field3DPanel::schedule()
{
    if (isVisible() && !m_refresh.isActive())
        m_refresh.start();
}

void Field3DPanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_stale)
        refresh();
}

void Field3DPanel::clear()
{
    m_points.clear();
    m_oldest = 0;
    m_fromRecording = false;
    m_stale = true;
    m_refresh.stop();
    refresh();
}

QString Field3DPanel::openRecording(const QString& path)
{
    const RecordingReader::Result read = RecordingReader::read(path);
    if (!read.ok())
        return QStringLiteral("Magnetic field: recording %1 refused: %2").arg(path, read.error);
    m_points.clear();
    m_oldest = 0;
    for (const RecordedFrame& f : read.recording.frames)
        if (const std::optional<Eigen::Vector3d> field = fieldVector(f.measurement))
            add(*field);
    m_fromRecording = true;
    m_source->setText(QStringLiteral("From the recording %1 (Clear goes back to live frames).")
                          .arg(QFileInfo(path).fileName()));
    m_stale = true;
    refresh();
    return {};
}

const MagneticCalibration& Field3DPanel::calibration()
{
    if (m_stale)
        refresh();
    return m_calibration;
}

void Field3DPanel::refresh()
{
    // The ring in the order the points came, for the plot per point.
    std::vector<Eigen::Vector3d> ordered;
    ordered.reserve(m_points.size());
    for (std::size_t i = 0; i < m_points.size(); ++i)
        ordered.push_back(m_points[(m_oldest + i) % m_points.size()]);
    m_calibration = calibrateMagnetometer(ordered);
    m_stale = false;
    const MagneticCalibration& c = m_calibration;
    using M = MagneticCalibration;

    if (!m_fromRecording)
        m_source->setText(QStringLiteral("Live: the field of F and R frames since the view was "
                                         "opened or cleared."));
    QString html = QStringLiteral("<table cellspacing=3>");
    html += row(QStringLiteral("Points:"), QStringLiteral("%1 (a fit from %2, good from %3)")
                                               .arg(c.count)
                                               .arg(M::MinimumPoints)
                                               .arg(M::GoodPoints));
    html += row(QStringLiteral("Coverage:"),
                QStringLiteral("%1 % of the directions, %2 of 48 cells (good from %3 %)")
                    .arg(QString::number(c.coveragePercent, 'f', 0))
                    .arg(c.coveredCells)
                    .arg(M::GoodCoveragePercent));
    if (c.fitted) {
        const Eigen::Matrix3d& s = c.softIron;
        html += row(QStringLiteral("Hard iron h:"), triple(c.offset));
        html += row(QStringLiteral("Soft iron S:"),
                    triple(s.row(0).transpose()) + QStringLiteral("<br>") +
                        triple(s.row(1).transpose()) + QStringLiteral("<br>") +
                        triple(s.row(2).transpose()));
        html += row(QStringLiteral("Field B:"), number(c.field));
        html += row(QStringLiteral("b = S·h:"), triple(c.subtracted()));
        html += row(QStringLiteral("RMS residual:"),
                    QStringLiteral("%1, %2 % of B (good up to %3 %)")
                        .arg(number(c.rms), QString::number(c.rmsPercent, 'f', 2))
                        .arg(M::GoodResidualPercent));
        html += row(QStringLiteral("Spread of |B|:"),
                    QStringLiteral("%1 % before, %2 % after")
                        .arg(QString::number(c.spreadBeforePercent, 'f', 2),
                             QString::number(c.spreadAfterPercent, 'f', 2)));
    }
    html += row(QStringLiteral("Condition:"),
                c.count >= M::MinimumPoints ? number(c.condition) : QStringLiteral("—"));
    html += QStringLiteral("</table>");
    if (c.fitted)
        html += QStringLiteral(
            "<p>corrected = S · (raw − h): subtract h from the raw field, then multiply by "
            "S.<br>corrected = S · raw − b: multiply by S, then subtract b = S · h.</p>");
    m_figures->setText(html);
    m_verdict->setText(c.advice);
    m_magnitudes->setMagnitudes(c.before, c.after, c.field);
    emit refreshed();
}

void Field3DPanel::setChooseOpenFile(std::function<QString()> choose)
{
    m_chooseOpen = std::move(choose);
}

void Field3DPanel::setChooseSaveFile(std::function<QString(const QString&)> choose)
{
    m_chooseSave = std::move(choose);
}

void Field3DPanel::chooseRecording()
{
    const QString path = chooseFileToOpen(this, m_chooseOpen, QStringLiteral("Open Recording"),
                                          QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    const QString error = openRecording(path);
    if (!error.isEmpty())
        m_source->setText(error);
}

void Field3DPanel::exportShown()
{
    const QString suggested =
        DocumentsFilePath(QStringLiteral("skyvane-magfit-"), QStringLiteral(".json"));
    const QString path = chooseFileToSave(this, m_chooseSave, QStringLiteral("Export Calibration"),
                                          suggested, QStringLiteral("JSON (*.json);;CSV (*.csv)"));
    if (path.isEmpty())
        return;
    const QString error = exportTo(path);
    if (!error.isEmpty())
        m_source->setText(error);
}

QString Field3DPanel::exportTo(const QString& path)
{
    const QString lower = path.toLower();
    QByteArray text;
    if (lower.endsWith(QStringLiteral(".json")))
        text = calibrationJson(calibration());
    else if (lower.endsWith(QStringLiteral(".csv")))
        text = csvFigures(calibration());
    else
        return QStringLiteral("Calibration export: %1 ends neither in .json nor in .csv").arg(path);
    const QString failure = WriteFileAtomically(path, text);
    if (!failure.isEmpty())
        return QStringLiteral("Calibration export failed: cannot write %1: %2").arg(path, failure);
    return {};
}
