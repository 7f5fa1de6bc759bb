#include "display/PictureBox.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Beyond this many pixels from the image the raster engine's fixed-point arithmetic would
// overflow; nothing out there is visible anyway.
constexpr double FarAway = 1.0e6;

double toPixels(double twips)
{
    return twips / PictureBox::TwipsPerPixel;
}

bool finite(double a, double b)
{
    return std::isfinite(a) && std::isfinite(b);
}

// Cuts the segment a-b to the rectangle (Liang-Barsky). False when nothing of it is inside.
bool clipSegment(QPointF& a, QPointF& b, const QRectF& r)
{
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    double t0 = 0.0;
    double t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) {
                return false;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) {
            return false;
        }
    }
    const QPointF start = a;
    a = QPointF(start.x() + t0 * dx, start.y() + t0 * dy);
    b = QPointF(start.x() + t1 * dx, start.y() + t1 * dy);
    return true;
}

} // namespace

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent), m_backColor(QColor(0xF0, 0xF0, 0xF0)), m_foreColor(Qt::black),
      m_fontName(QStringLiteral("MS Sans Serif"))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    applyFont();
    ensureImage();
}

void PictureBox::setBackColor(const QColor& color)
{
    m_backColor = color;
    ensureImage();
    m_image.fill(m_backColor);
    update();
}

void PictureBox::setDrawWidth(int pixels)
{
    m_drawWidth = std::max(1, pixels);
}

void PictureBox::setDrawStyle(int style)
{
    m_drawStyle = std::clamp(style, 0, 6);
}

void PictureBox::setFontName(const QString& name)
{
    if (name == m_fontName) {
        return;
    }
    m_fontName = name;
    applyFont();
}

void PictureBox::setFontSize(double points)
{
    if (!std::isfinite(points)) {
        return;
    }
    const double pixels = std::clamp(points, 1.0, 2048.0) * 96.0 / 72.0;
    const int rounded = std::max(1, static_cast<int>(std::lround(pixels)));
    if (rounded == m_fontPixels) {
        return;
    }
    m_fontPixels = rounded;
    applyFont();
}

void PictureBox::applyFont()
{
    m_font = QFont(m_fontName);
    m_font.setStyleHint(QFont::SansSerif);
    // Crisp one-colour text, as the classic bitmap faces gave.
    m_font.setStyleStrategy(QFont::NoAntialias);
    m_font.setPixelSize(m_fontPixels);
    m_metrics.reset();
    m_laidOut.clear();
}

QPainter& PictureBox::painter(std::optional<QPainter>& holder)
{
    if (m_batch) {
        return *m_batch;
    }
    holder.emplace(&m_image);
    return *holder;
}

void PictureBox::changed()
{
    if (m_batch) {
        m_batchChanged = true;
    } else {
        update();
    }
}

void PictureBox::beginBatch()
{
    if (m_batch) {
        return;
    }
    ensureImage();
    m_batch = std::make_unique<QPainter>(&m_image);
    m_batchChanged = false;
}

void PictureBox::endBatch()
{
    if (!m_batch) {
        return;
    }
    m_batch.reset();
    if (m_batchChanged) {
        update();
    }
}

void PictureBox::Cls()
{
    ensureImage();
    if (m_batch) {
        m_batch->setCompositionMode(QPainter::CompositionMode_Source);
        m_batch->fillRect(m_image.rect(), m_backColor);
        m_batch->setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else {
        m_image.fill(m_backColor);
    }
    m_currentX = 0;
    m_currentY = 0;
    changed();
}

QPen PictureBox::linePen(const QColor& color) const
{
    QPen pen(color, m_drawWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (m_drawStyle == 5) {
        pen.setStyle(Qt::NoPen);
    } else if (m_drawWidth == 1) {
        static constexpr Qt::PenStyle broken[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                                  Qt::DashDotLine, Qt::DashDotDotLine};
        if (m_drawStyle >= 1 && m_drawStyle <= 4) {
            pen.setStyle(broken[m_drawStyle]);
        }
    }
    return pen;
}

void PictureBox::Line(double x1, double y1, double x2, double y2, std::optional<QColor> color)
{
    if (!finite(x1, y1) || !finite(x2, y2)) {
        return;
    }
    m_currentX = x2;
    m_currentY = y2;
    QPointF a(toPixels(x1), toPixels(y1));
    QPointF b(toPixels(x2), toPixels(y2));
    if (a == b) {
        return;
    }
    ensureImage();
    const double margin = m_drawWidth + 2.0;
    const QRectF area = QRectF(m_image.rect()).adjusted(-margin, -margin, margin, margin);
    if (!clipSegment(a, b, area)) {
        return;
    }
    std::optional<QPainter> holder;
    QPainter& p = painter(holder);
    p.setPen(linePen(color.value_or(m_foreColor)));
    p.drawLine(a, b);
    changed();
}

void PictureBox::LineBox(double x1, double y1, double x2, double y2, const QColor& color,
                         bool filled)
{
    if (!finite(x1, y1) || !finite(x2, y2)) {
        return;
    }
    if (filled) {
        ensureImage();
        const QRectF box =
            QRectF(QPointF(toPixels(x1), toPixels(y1)), QPointF(toPixels(x2), toPixels(y2)))
                .normalized()
                .intersected(QRectF(m_image.rect()));
        if (!box.isEmpty()) {
            std::optional<QPainter> holder;
            painter(holder).fillRect(box, color);
            changed();
        }
    } else {
        Line(x1, y1, x2, y1, color);
        Line(x2, y1, x2, y2, color);
        Line(x2, y2, x1, y2, color);
        Line(x1, y2, x1, y1, color);
    }
    m_currentX = x2;
    m_currentY = y2;
}

void PictureBox::Circle(double x, double y, double radius, std::optional<QColor> color,
                        double aspect)
{
    if (!finite(x, y) || !finite(radius, aspect)) {
        return;
    }
    m_currentX = x;
    m_currentY = y;
    aspect = std::fabs(aspect);
    radius = std::fabs(radius);
    double rx = radius;
    double ry = radius * aspect;
    if (aspect > 1.0) {
        rx = radius / aspect;
        ry = radius;
    }
    const QPointF centre(toPixels(x), toPixels(y));
    rx = toPixels(rx);
    ry = toPixels(ry);
    ensureImage();
    const QRectF bounds(centre.x() - rx, centre.y() - ry, 2 * rx, 2 * ry);
    if (bounds.width() > FarAway || bounds.height() > FarAway ||
        !bounds.adjusted(-m_drawWidth, -m_drawWidth, m_drawWidth, m_drawWidth)
             .intersects(QRectF(m_image.rect()))) {
        return;
    }
    std::optional<QPainter> holder;
    QPainter& p = painter(holder);
    p.setPen(linePen(color.value_or(m_foreColor)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, rx, ry);
    changed();
}

void PictureBox::PaintPicture(const PictureBox& source, double x, double y)
{
    PaintImage(source.image(), x, y);
}

void PictureBox::PaintImage(const QImage& picture, double x, double y)
{
    if (!finite(x, y)) {
        return;
    }
    ensureImage();
    const QPointF at(toPixels(x), toPixels(y));
    if (std::fabs(at.x()) > FarAway || std::fabs(at.y()) > FarAway) {
        return;
    }
    std::optional<QPainter> holder;
    painter(holder).drawImage(
        QPoint(static_cast<int>(std::lround(at.x())), static_cast<int>(std::lround(at.y()))),
        picture);
    changed();
}

void PictureBox::Print(const QString& text)
{
    ensureImage();
    // The font's metrics change only with the font.
    if (!m_metrics) {
        m_metrics.emplace(m_font, &m_image);
    }
    const QFontMetricsF& metrics = *m_metrics;
    const QPointF topLeft(toPixels(m_currentX), toPixels(m_currentY));
    if (finite(topLeft.x(), topLeft.y())) {
        const LaidOutText& printed = laidOut(text);
        const QRectF bounds(topLeft, QSizeF(printed.advance, metrics.height()));
        if (bounds.intersects(QRectF(m_image.rect()))) {
            std::optional<QPainter> holder;
            QPainter& p = painter(holder);
            p.setFont(m_font);
            p.setPen(m_foreColor);
            p.drawStaticText(topLeft, printed.text);
            changed();
        }
    }
    m_currentX = 0;
    m_currentY += metrics.height() * TwipsPerPixel;
}

const PictureBox::LaidOutText& PictureBox::laidOut(const QString& text)
{
    auto found = m_laidOut.constFind(text);
    if (found != m_laidOut.constEnd())
        return *found;
    // A box that prints ever new texts (a counter) keeps a bounded cache.
    constexpr qsizetype MostTexts = 256;
    if (m_laidOut.size() >= MostTexts)
        m_laidOut.clear();
    LaidOutText laid;
    laid.text.setText(text);
    laid.text.setTextFormat(Qt::PlainText);
    laid.text.prepare(QTransform(), m_font);
    laid.advance = m_metrics->horizontalAdvance(text);
    return *m_laidOut.emplace(text, std::move(laid));
}

const QImage& PictureBox::image() const
{
    ensureImage();
    return m_image;
}

void PictureBox::ensureImage() const
{
    const QSize wanted = size().expandedTo(QSize(1, 1));
    if (m_image.size() == wanted) {
        return;
    }
    // The drawing keeps its place at the top left; uncovered parts take the back colour.
    QImage grown(wanted, QImage::Format_RGB32);
    grown.fill(m_backColor);
    if (!m_image.isNull()) {
        QPainter painter(&grown);
        painter.drawImage(QPoint(0, 0), m_image);
    }
    m_image = grown;
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    ensureImage();
    QPainter painter(this);
    painter.drawImage(event->rect(), m_image, event->rect());
}

void PictureBox::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ensureImage();
}
