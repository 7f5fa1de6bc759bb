#include "display/CockpitView.h"

#include "display/AttitudeScene.h"
#include "display/CockpitSurface.h"
#include "display/GlFrame.h"
#include "display/PictureChange.h"
#include "display/PixelFormat.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QVBoxLayout>

namespace {

const QColor Background(0x40, 0x40, 0x40);

} // namespace

CockpitView::CockpitView(QWidget* parent)
    : QWidget(parent), m_formatRequest(CockpitFormatRequest()),
      m_surface(new CockpitSurface(m_formatRequest))
{
    QPalette background = palette();
    background.setColor(QPalette::Window, Background);
    setPalette(background);
    setAutoFillBackground(true);

    m_surface->setExposeHandler([this] { exposed(); });
    QWidget* container = QWidget::createWindowContainer(m_surface, this);
    container->setPalette(background);
    container->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(container);

    m_failureReport = [this](const QString& message) { showFailureBox(message); };
}

CockpitView::~CockpitView()
{
    m_surface->setExposeHandler({});
    m_context.reset();
}

QWindow* CockpitView::surfaceWindow() const
{
    return m_surface;
}

void CockpitView::setFailureReport(FailureReport report)
{
    m_failureReport = std::move(report);
}

void CockpitView::setFormatRequest(const QSurfaceFormat& format)
{
    m_formatRequest = format;
}

void CockpitView::InitOpenGL()
{
    ++m_setUps;
    if (!m_surface->handle()) {
        m_surface->create();
    }
    // A repeated set-up (every Timer3 tick, so every row time-out of a download) keeps the
    // working context: only the scene state is set again.
    if (m_context && m_contextFormat == m_formatRequest && makeCurrent()) {
        setUpScene();
        return;
    }
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(m_formatRequest);
    const bool usable = m_surface->handle() && context->create() &&
                        IsUsablePixelFormat(context->format(), m_formatRequest) &&
                        context->makeCurrent(m_surface);
    if (!usable) {
        // A working context stays: a failed repeated set-up must not blank the view.
        if (m_failureReport) {
            m_failureReport(QStringLiteral("format de pixels inconnu"));
        }
        return;
    }
    // The earlier context, if any, is released now that the new one works.
    m_context = std::move(context);
    m_contextFormat = m_formatRequest;
    setUpScene();
}

void CockpitView::setUpScene()
{
    // Qt first binds a new context to a scratch window while it creates it, which leaves
    // that window's size as the default viewport. Give the context the default it would
    // have had if this window had been its first: the whole client area.
    SetViewport(drawablePixels());
    SetupAttitudeScene();
    if (m_surface->isExposed()) {
        present();
    }
}

void CockpitView::DrawAttitude3D(float phi, float theta)
{
    m_phi = phi;
    m_theta = theta;
    m_drawn = true;
    if (!m_context || !m_surface->isExposed()) {
        return;
    }
    if (m_shownHorizon && m_shownPixels == drawablePixels() &&
        HorizonShift(m_shownPhi, m_shownTheta, phi, theta, m_shownPixels) < VisibleShift) {
        return;
    }
    if (makeCurrent()) {
        present();
    }
}

QSize CockpitView::drawablePixels() const
{
    return m_surface->size() * m_surface->devicePixelRatio();
}

bool CockpitView::makeCurrent()
{
    if (QOpenGLContext::currentContext() == m_context.get() && m_context->surface() == m_surface) {
        return true;
    }
    return m_context->makeCurrent(m_surface);
}

void CockpitView::exposed()
{
    if (m_context && makeCurrent()) {
        present();
    }
}

void CockpitView::present()
{
    if (width() <= 0 || height() <= 0) {
        return;
    }
    if (m_drawn) {
        constexpr double TwipsPerPixel = 15.0;
        RenderAttitude(m_phi, m_theta, height() * TwipsPerPixel, width() * TwipsPerPixel,
                       m_surface->devicePixelRatio());
        m_shownPhi = m_phi;
        m_shownTheta = m_theta;
        m_shownPixels = drawablePixels();
        ++m_pictures;
    } else {
        FillBackBuffer(Background);
    }
    m_shownHorizon = m_drawn;
    if (m_capture) {
        m_lastFrame = ReadBackBuffer(m_surface->size() * m_surface->devicePixelRatio());
    }
    m_context->swapBuffers(m_surface);
}

void CockpitView::showFailureBox(const QString& message)
{
    // Shown without an event loop of its own, so the caller (a download's Timer3 tick) goes
    // on; set-ups failing again while it is open add no further box.
    if (m_failureBox) {
        return;
    }
    auto* box = new QMessageBox(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                                message, QMessageBox::Ok, window());
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_failureBox = box;
    box->open();
}
