#pragma once

#include <QImage>
#include <QPointer>
#include <QSurfaceFormat>
#include <QWidget>

#include <functional>
#include <memory>

class QMessageBox;
class QOpenGLContext;
class QWindow;
class CockpitSurface;

// The 3D attitude view: a native OpenGL window filling this widget, with its own context.
// InitOpenGL binds a context and sets the scene state; DrawAttitude3D draws a picture
// and presents it. Until the first picture the view shows #404040; a covered view is
// repainted with the last angles drawn.
class CockpitView : public QWidget
{
    Q_OBJECT
public:
    using FailureReport = std::function<void(const QString& message)>;

    explicit CockpitView(QWidget* parent = nullptr);
    ~CockpitView() override;

    // Makes a context for the window current and sets the scene state. A working context of
    // an earlier set-up is kept (a new one is made only for a new format request, and replaces
    // it only once it works). When no usable format or context can be had, the failure report
    // gets "format de pixels inconnu" once; without a working context, draws do nothing
    // until a set-up succeeds. Call it once the view is shown: the context's viewport is the
    // window's size at that moment.
    void InitOpenGL();
    // Draws the horizon for roll phi and pitch theta (radians) and presents it. Skipped
    // while there is no context or the window is not exposed; the expose repaints it. Also
    // skipped when the picture shown would move by less than half a device pixel: the angles
    // are kept, and the next picture that is drawn (for a change that shows, an expose or a
    // set-up) draws them.
    void DrawAttitude3D(float phi, float theta);
    // Horizon pictures presented so far.
    long long pictures() const { return m_pictures; }
    // Set-ups asked for so far (InitOpenGL calls).
    long long setUps() const { return m_setUps; }

    // Who hears of a failed set-up; by default a window-modal message box with an OK button,
    // opened without waiting for it, and not opened again while one is shown.
    void setFailureReport(FailureReport report);
    // The format asked for; IsUsablePixelFormat judges what comes back against it. A new
    // request is used by the next set-up.
    void setFormatRequest(const QSurfaceFormat& format);
    QSurfaceFormat formatRequest() const { return m_formatRequest; }
    bool hasContext() const { return m_context != nullptr; }
    QWindow* surfaceWindow() const;

    // When on, every presented picture is also read back (slow; for checks and tests).
    void setFrameCapture(bool on) { m_capture = on; }
    // The last picture read back, top row first; null when none was captured.
    QImage lastFrame() const { return m_lastFrame; }

private:
    void exposed();
    bool makeCurrent();
    void present();
    void showFailureBox(const QString& message);
    void setUpScene();
    QSize drawablePixels() const;

    QSurfaceFormat m_formatRequest;
    CockpitSurface* m_surface;
    std::unique_ptr<QOpenGLContext> m_context;
    // The request m_context was made for.
    QSurfaceFormat m_contextFormat;
    QPointer<QMessageBox> m_failureBox;
    FailureReport m_failureReport;
    float m_phi = 0.0f;
    float m_theta = 0.0f;
    bool m_drawn = false;
    // What the picture on screen was drawn with.
    bool m_shownHorizon = false;
    float m_shownPhi = 0.0f;
    float m_shownTheta = 0.0f;
    QSize m_shownPixels;
    long long m_pictures = 0;
    long long m_setUps = 0;
    bool m_capture = false;
    QImage m_lastFrame;
};
