#include "plots/AllanWindow.h"

#include "core/FileWrite.h"
#include "plots/AllanChart.h"
#include "plots/FileChoice.h"
#include "plots/PictureFile.h"

#include <QAction>
#include <QChartView>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <map>

namespace {

const QString Title = QStringLiteral("Allan Deviation");

const std::vector<QColor>& curveColours()
{
    static const std::vector<QColor> colours = {
        QColor(31, 119, 180),  QColor(214, 39, 40), QColor(44, 160, 44),   QColor(255, 127, 14),
        QColor(148, 103, 189), QColor(140, 86, 75), QColor(227, 119, 194), QColor(23, 190, 207)};
    return colours;
}

QString termCell(const NoiseTerm& term, bool withTau)
{
    if (!term.reached)
        return QStringLiteral("<i>not reached</i>");
    QString text = QString::number(term.value, 'g', 3);
    if (withTau)
        text += QStringLiteral(" at τ %1 s").arg(QString::number(term.tau, 'g', 2));
    return text;
}

} // namespace

AllanWindow::AllanWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(Title);
    setObjectName(QStringLiteral("AllanWindow"));

    auto* open = new QPushButton(QStringLiteral("Open Recording..."), this);
    open->setObjectName(QStringLiteral("openRecording"));
    open->setToolTip(QStringLiteral("Ctrl+O: a recording made with File > Record or skyvane-cli"));
    auto* fromPlots = new QPushButton(QStringLiteral("From Plots"), this);
    fromPlots->setObjectName(QStringLiteral("fromPlots"));
    fromPlots->setToolTip(QStringLiteral("The frames the Plots window holds (its last ten "
                                         "minutes), once they span three minutes"));
    auto* exportButton = new QPushButton(QStringLiteral("Export..."), this);
    exportButton->setToolTip(QStringLiteral("Ctrl+S: the chart as PNG or the figures as CSV"));

    m_input = new QComboBox(this);
    m_input->setObjectName(QStringLiteral("input"));
    m_input->addItem(QStringLiteral("Rates (gyro, any sampled value)"));
    m_input->addItem(QStringLiteral("Angles (integrated rates)"));
    m_columns = new QListWidget(this);
    m_columns->setObjectName(QStringLiteral("columns"));
    m_terms = new QLabel(this);
    m_terms->setObjectName(QStringLiteral("terms"));
    m_terms->setTextFormat(Qt::RichText);
    m_terms->setWordWrap(true);
    m_terms->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open);
    buttons->addWidget(fromPlots);
    buttons->addWidget(exportButton);
    auto* panel = new QWidget(this);
    panel->setFixedWidth(340);
    auto* side = new QVBoxLayout(panel);
    side->setContentsMargins(0, 0, 0, 0);
    side->addLayout(buttons);
    side->addWidget(new QLabel(QStringLiteral("Read the values as:"), panel));
    side->addWidget(m_input);
    side->addWidget(new QLabel(QStringLiteral("Columns (tick one or more):"), panel));
    side->addWidget(m_columns, 1);
    side->addWidget(m_terms);
    side->addWidget(m_status);

    m_chart = std::make_unique<AllanChart>(this);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(m_chart->view(), 1);
    resize(1100, 680);

    auto* openAction = new QAction(QStringLiteral("Open Recording..."), this);
    openAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    openAction->setShortcutContext(Qt::WindowShortcut);
    connect(openAction, &QAction::triggered, this, &AllanWindow::chooseRecording);
    addAction(openAction);
    auto* exportAction = new QAction(QStringLiteral("Export..."), this);
    exportAction->setObjectName(QStringLiteral("actionExportAllan"));
    exportAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    exportAction->setShortcutContext(Qt::WindowShortcut);
    connect(exportAction, &QAction::triggered, this, &AllanWindow::exportShown);
    addAction(exportAction);

    connect(open, &QPushButton::clicked, this, &AllanWindow::chooseRecording);
    connect(fromPlots, &QPushButton::clicked, this, [this] {
        const QString error = takePlotsFrames();
        if (!error.isEmpty())
            tell(error);
    });
    connect(exportButton, &QPushButton::clicked, this, &AllanWindow::exportShown);
    connect(m_input, &QComboBox::currentIndexChanged, this, &AllanWindow::analyse);
    connect(m_columns, &QListWidget::itemChanged, this, &AllanWindow::analyse);
    m_status->setText(QStringLiteral("Open a recording (Ctrl+O) or take the plots' frames."));
    showTerms();
}

AllanWindow::~AllanWindow() = default;

void AllanWindow::setChooseOpenFile(std::function<QString()> choose)
{
    m_chooseOpen = std::move(choose);
}

void AllanWindow::setChooseSaveFile(std::function<QString(const QString&)> choose)
{
    m_chooseSave = std::move(choose);
}

void AllanWindow::setReport(std::function<void(const QString&)> report)
{
    m_report = std::move(report);
}

void AllanWindow::setPlotsFrames(std::function<QList<PlotFrames::Frame>()> frames)
{
    m_plotsFrames = std::move(frames);
}

void AllanWindow::tell(const QString& text)
{
    m_status->setText(text);
    if (m_report)
        m_report(text);
}

void AllanWindow::chooseRecording()
{
    const QString path = chooseFileToOpen(this, m_chooseOpen, QStringLiteral("Open Recording"),
                                          QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    const QString error = openRecording(path);
    if (!error.isEmpty())
        tell(error);
}

QString AllanWindow::openRecording(const QString& path)
{
    const RecordingReader::Result read = RecordingReader::read(path);
    if (!read.ok())
        return QStringLiteral("Allan deviation: recording %1 refused: %2").arg(path, read.error);
    setFrames(read.recording.frames, QFileInfo(path).fileName());
    return {};
}

QString AllanWindow::takePlotsFrames()
{
    const QList<PlotFrames::Frame> frames =
        m_plotsFrames ? m_plotsFrames() : QList<PlotFrames::Frame>();
    const double span = frames.size() > 1 ? frames.last().t - frames.first().t : 0.0;
    if (span < MinimumPlotsSeconds)
        return QStringLiteral("The plots hold %1 s of frames; the Allan deviation takes them from "
                              "%2 s on (open the plots and leave them open longer, or open a "
                              "recording).")
            .arg(QString::number(span, 'f', 0))
            .arg(MinimumPlotsSeconds);
    QList<RecordedFrame> recorded;
    recorded.reserve(frames.size());
    const double first = frames.first().t;
    for (const PlotFrames::Frame& f : frames) {
        RecordedFrame r;
        r.microseconds = std::llround((f.t - first) * 1e6);
        r.measurement.kind = f.kind;
        r.measurement.values = f.values;
        recorded.append(std::move(r));
    }
    setFrames(std::move(recorded), QStringLiteral("Plots history"));
    return {};
}

void AllanWindow::setFrames(QList<RecordedFrame> frames, const QString& source)
{
    m_frames = std::move(frames);
    m_source = source;
    setWindowTitle(Title + QStringLiteral(" — ") + source);
    // The columns the frames carry: each kind's names up to its longest frame, in the order
    // of the kinds' first frames.
    std::map<char, int> floats;
    QList<char> kinds;
    for (const RecordedFrame& f : m_frames) {
        int& most = floats[f.measurement.kind];
        if (!kinds.contains(f.measurement.kind))
            kinds.append(f.measurement.kind);
        most = std::max(most, int(f.measurement.values.size()));
    }
    QStringList previouslyTicked;
    for (int i = 0; i < m_columns->count(); ++i)
        if (m_columns->item(i)->checkState() == Qt::Checked)
            previouslyTicked << m_columns->item(i)->text();
    const QSignalBlocker block(m_columns);
    m_columns->clear();
    QStringList names;
    for (char kind : kinds)
        for (const QByteArray& name : columnNames(kind, floats[kind]))
            if (!names.contains(QString::fromUtf8(name)))
                names << QString::fromUtf8(name);
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, m_columns);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(previouslyTicked.contains(name) ? Qt::Checked : Qt::Unchecked);
    }
    analyse();
}

QStringList AllanWindow::columns() const
{
    QStringList names;
    for (int i = 0; i < m_columns->count(); ++i)
        names << m_columns->item(i)->text();
    return names;
}

bool AllanWindow::setColumnChecked(const QByteArray& name, bool checked)
{
    const QList<QListWidgetItem*> found =
        m_columns->findItems(QString::fromUtf8(name), Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    found.first()->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return true;
}

void AllanWindow::setInput(AllanInput input)
{
    m_input->setCurrentIndex(input == AllanInput::Phase ? 1 : 0);
}

void AllanWindow::analyse()
{
    const AllanInput input = m_input->currentIndex() == 1 ? AllanInput::Phase : AllanInput::Rate;
    std::vector<ColumnCollector> collectors;
    for (int i = 0; i < m_columns->count(); ++i)
        if (m_columns->item(i)->checkState() == Qt::Checked)
            collectors.emplace_back(m_columns->item(i)->text().toUtf8());
    for (ColumnCollector& c : collectors)
        c.reserve(std::size_t(m_frames.size()));
    for (const RecordedFrame& f : m_frames)
        for (ColumnCollector& c : collectors)
            c.add(f.microseconds / 1e6, f.measurement);
    m_results.clear();
    // Columns of the same frames share their timing: one line for them all.
    QStringList notes, names;
    for (ColumnCollector& c : collectors) {
        m_results.push_back(analyseAllan(c.take(), input));
        const QString name = QString::fromUtf8(m_results.back().column);
        const QString timing = allanTimingText(m_results.back()).mid(name.size());
        const qsizetype same = notes.indexOf(timing);
        if (same >= 0) {
            names[same] += QStringLiteral(", ") + name;
        } else {
            notes << timing;
            names << name;
        }
    }
    for (qsizetype i = 0; i < notes.size(); ++i)
        notes[i] = names[i] + notes[i];
    m_chart->show(m_results, curveColours());
    showTerms();
    if (!m_frames.isEmpty())
        m_status->setText(notes.isEmpty() ? QStringLiteral("%1 frames. Tick the columns to "
                                                           "analyse.")
                                                .arg(m_frames.size())
                                          : notes.join(QLatin1Char('\n')));
    emit analysed();
}

void AllanWindow::showTerms()
{
    QString html = QStringLiteral(
        "<table cellspacing=4><tr><th align=left>Column</th><th align=left>N (τ 1 s)</th>"
        "<th align=left>B</th><th align=left>K (τ 3 s)</th></tr>");
    for (std::size_t i = 0; i < m_results.size(); ++i) {
        const AllanResult& r = m_results[i];
        const QColor colour = curveColours()[i % curveColours().size()];
        html += QStringLiteral("<tr><td><font color=\"%1\">■</font> %2</td>")
                    .arg(colour.name(), QString::fromUtf8(r.column).toHtmlEscaped());
        if (!r.ok()) {
            html += QStringLiteral("<td colspan=3><i>no curve</i></td></tr>");
            continue;
        }
        html +=
            QStringLiteral("<td>%1</td><td>%2</td><td>%3</td></tr>")
                .arg(termCell(r.terms.randomWalk, false), termCell(r.terms.biasInstability, true),
                     termCell(r.terms.rateRandomWalk, false));
    }
    html += QStringLiteral("</table><p style=\"color:gray\">N: random walk, the −½ slope line "
                           "at τ 1 s. B: bias instability, the lowest σ / 0.664 (a square). K: "
                           "rate random walk, the +½ slope line at τ 3 s. Slope lines dashed, "
                           "the band shaded. In the column's units; \"not reached\" where the "
                           "curve does not show it.</p>");
    m_terms->setText(html);
}

QString AllanWindow::suggestedExportPath() const
{
    return DocumentsFilePath(QStringLiteral("skyvane-allan-"), QStringLiteral(".png"));
}

void AllanWindow::exportShown()
{
    const QString path = chooseFileToSave(
        this, m_chooseSave, QStringLiteral("Export Allan Deviation"), suggestedExportPath(),
        QStringLiteral("PNG image (*.png);;CSV figures (*.csv)"));
    if (path.isEmpty())
        return;
    const QString error = exportTo(path);
    if (!error.isEmpty())
        tell(error);
}

QString AllanWindow::exportTo(const QString& path)
{
    const QString lower = path.toLower();
    const auto failed = [&path](const QString& why) {
        return QStringLiteral("Allan deviation export failed: cannot write %1: %2").arg(path, why);
    };
    if (lower.endsWith(QStringLiteral(".png"))) {
        const QString failure = WritePngFile(m_chart->view()->grab(), path);
        return failure.isEmpty() ? QString() : failed(failure);
    }
    if (!lower.endsWith(QStringLiteral(".csv")))
        return QStringLiteral("Allan deviation export: %1 ends neither in .png nor in .csv")
            .arg(path);
    QByteArray text = "# Skyvane Allan deviation of " + m_source.toUtf8() + "\n" + allanCsvHeader();
    for (const AllanResult& r : m_results)
        text += allanCsv(r);
    const QString failure = WriteFileAtomically(path, text);
    return failure.isEmpty() ? QString() : failed(failure);
}
