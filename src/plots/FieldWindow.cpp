#include "plots/FieldWindow.h"

#include "plots/Field3DPanel.h"
#include "plots/FieldPlot.h"
#include "plots/FieldSample.h"

#include <QAction>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// About 30 redraws a second at most, however fast frames come.
constexpr int RedrawIntervalMs = 33;

const QString NoValue = QStringLiteral("\u2014");

// Decimals that show about four significant digits of a number of the circle's size, whatever
// units the board reports in.
int decimalsFor(double size)
{
    if (!(size > 0))
        return 2;
    return std::clamp(3 - int(std::floor(std::log10(size))), 0, 6);
}

QLabel* valueLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(NoValue, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

FieldWindow::FieldWindow(MeasurementStream& stream, QWidget* parent)
    : QWidget(parent, Qt::Window), m_stream(stream)
{
    setWindowTitle(QStringLiteral("Magnetic Field"));
    setObjectName(QStringLiteral("FieldWindow"));

    m_plot = new FieldPlot(m_fit.points(), this);
    m_plot->setObjectName(QStringLiteral("FieldPlot"));
    m_centre = valueLabel("centre", this);
    m_radius = valueLabel("radius", this);
    m_spread = valueLabel("spread", this);
    m_extent = valueLabel("extentRatio", this);
    m_coverage = valueLabel("coverage", this);
    m_count = valueLabel("count", this);
    m_verdict = valueLabel("verdict", this);
    m_verdict->setMinimumHeight(m_verdict->fontMetrics().lineSpacing() * 3);
    m_verdict->setWordWrap(true);
    QFont bold = m_verdict->font();
    bold.setBold(true);
    m_verdict->setFont(bold);
    m_clear = new QPushButton(QStringLiteral("Clear"), this);
    m_clear->setObjectName(QStringLiteral("clear"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Centre (Hx, Hy):"), m_centre);
    form->addRow(QStringLiteral("Radius:"), m_radius);
    form->addRow(QStringLiteral("Spread:"), m_spread);
    form->addRow(QStringLiteral("Widest / narrowest:"), m_extent);
    form->addRow(QStringLiteral("Heading coverage:"), m_coverage);
    form->addRow(QStringLiteral("Points:"), m_count);
    // A fixed column, so that the wrapped verdict cannot squeeze the figures.
    auto* panel = new QWidget(this);
    panel->setFixedWidth(320);
    auto* side = new QVBoxLayout(panel);
    side->setContentsMargins(0, 0, 0, 0);
    side->addLayout(form);
    side->addSpacing(8);
    side->addWidget(m_verdict);
    side->addStretch(1);
    side->addWidget(m_clear, 0, Qt::AlignLeft);
    auto* flat = new QWidget(this);
    auto* flatLayout = new QHBoxLayout(flat);
    flatLayout->addWidget(m_plot, 1);
    flatLayout->addWidget(panel);
    m_panel3d = new Field3DPanel(this);
    m_sides = new QTabWidget(this);
    m_sides->setObjectName(QStringLiteral("sides"));
    m_sides->addTab(flat, QStringLiteral("2D"));
    m_sides->addTab(m_panel3d, QStringLiteral("3D"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_sides);

    auto* exportAction = new QAction(QStringLiteral("Export..."), this);
    exportAction->setObjectName(QStringLiteral("actionExportField"));
    exportAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    exportAction->setShortcutContext(Qt::WindowShortcut);
    connect(exportAction, &QAction::triggered, m_panel3d, &Field3DPanel::exportShown);
    addAction(exportAction);

    m_redraw.setSingleShot(true);
    m_redraw.setInterval(RedrawIntervalMs);
    connect(&m_redraw, &QTimer::timeout, this, &FieldWindow::refresh);
    connect(m_clear, &QPushButton::clicked, this, &FieldWindow::clear);

    // The guard: a window deleted while the stream is publishing is not called again.
    m_subscription =
        m_stream.subscribe([guard = QPointer<FieldWindow>(this)](const Measurement& m) {
            if (guard)
                guard->take(m);
        });
    refresh();
}

FieldWindow::~FieldWindow()
{
    m_stream.unsubscribe(m_subscription);
}

void FieldWindow::clear()
{
    m_fit.clear();
    m_panel3d->clear();
    m_redraw.stop();
    refresh();
}

void FieldWindow::take(const Measurement& m)
{
    m_panel3d->take(m);
    const std::optional<QPointF> field = horizontalField(m);
    if (!field)
        return;
    m_fit.add(*field);
    if (!m_redraw.isActive())
        m_redraw.start();
}

void FieldWindow::refresh()
{
    m_figures = m_fit.figures();
    const FieldFigures& f = m_figures;
    const QLocale locale;
    m_count->setText(locale.toString(f.count));
    if (f.circle.valid) {
        const int decimals = decimalsFor(f.circle.radius);
        m_centre->setText(locale.toString(f.circle.centre.x(), 'f', decimals) +
                          QStringLiteral(", ") +
                          locale.toString(f.circle.centre.y(), 'f', decimals));
        m_radius->setText(locale.toString(f.circle.radius, 'f', decimals));
        m_spread->setText(locale.toString(f.spreadPercent, 'f', 1) +
                          QStringLiteral(" % of the radius"));
        m_coverage->setText(
            QStringLiteral("%1 of %2 sectors").arg(f.coverage).arg(FieldFit::Sectors));
    } else {
        m_centre->setText(NoValue);
        m_radius->setText(NoValue);
        m_spread->setText(NoValue);
        m_coverage->setText(NoValue);
    }
    m_extent->setText(f.extentRatio > 0 ? locale.toString(f.extentRatio, 'f', 2) : NoValue);
    m_verdict->setText(fieldVerdict(f));
    m_plot->setCircle(f.circle);
    m_plot->update();
    emit refreshed();
}
