#include "app/WindowViews.h"

#include "app/Form1.h"
#include "core/WindowTimer.h"
#include "display/CockpitView.h"
#include "display/DrawRoute.h"
#include "display/PictureBox.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace {
// A text box keeps line breaks as the ends of its blocks and reads them back as "\n", so the
// text is compared as the box would read it back: an unchanged text is not laid out again.
bool setPlainTextIfChanged(QPlainTextEdit* box, const QString& text)
{
    QString held = text;
    held.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (box->toPlainText() == held)
        return false;
    box->setPlainText(text);
    return true;
}
} // namespace

WindowViews::WindowViews(Form1& form, int refreshMs)
    : m_form(form), m_pacer([this] { drawWaiting(); }, refreshMs),
      m_routeDial(*form.Route, *form.MaskBoussole), m_magDial(*form.P)
{}

void WindowViews::setReplaying(bool replaying)
{
    m_replaying = replaying;
    // A paused replay is not a silent board: the watchdog waits for live frames again.
    m_form.Timer11->setEnabled(!replaying);
    if (replaying)
        frameSeen();
}

void WindowViews::frameSeen()
{
    if (!m_replaying) {
        m_form.Timer11->setEnabled(false);
        m_form.Timer11->setEnabled(true);
    }
    const QString status = m_replaying ? QStringLiteral("Replay") : QStringLiteral("Data OK");
    QLineEdit* box = m_form.Text32;
    if (box->text() != status)
        box->setText(status);
    if (box->palette().color(QPalette::Base) != QColor(0, 255, 0)) {
        QPalette pal = box->palette();
        pal.setColor(QPalette::Base, QColor(0, 255, 0));
        pal.setColor(QPalette::Window, QColor(0, 255, 0));
        box->setPalette(pal);
    }
}

void WindowViews::DrawAttitude3D(float phi, float theta)
{
    m_phi = phi;
    m_theta = theta;
    m_attitudeWaits = true;
}

void WindowViews::DrawRoute(float& psi)
{
    // The decoder's heading changes now, as the drawing would change it.
    RouteHeading(psi);
    m_psi = psi;
    m_routeWaits = true;
}

void WindowViews::DrawMagDial(double u, double v)
{
    m_u = u;
    m_v = v;
    m_dialWaits = true;
}

void WindowViews::setSensorText(const QString& text)
{
    m_text = text;
    m_textWaits = true;
}

void WindowViews::frameDone()
{
    if (m_attitudeWaits || m_routeWaits || m_dialWaits || m_textWaits)
        m_pacer.request();
}

void WindowViews::drawWaiting()
{
    if (m_attitudeWaits) {
        m_attitudeWaits = false;
        m_form.Cockpit->DrawAttitude3D(m_phi, m_theta);
    }
    if (m_routeWaits) {
        m_routeWaits = false;
        m_routeDial.draw(m_psi);
    }
    if (m_dialWaits) {
        m_dialWaits = false;
        m_magDial.draw(m_u, m_v);
    }
    if (m_textWaits) {
        m_textWaits = false;
        if (setPlainTextIfChanged(m_form.Text3, m_text))
            ++m_textChanges;
    }
    if (m_drawn)
        m_drawn();
}

void WindowViews::ShowDeviceMessage(const QString& text)
{
    setPlainTextIfChanged(m_form.Text5, text);
}

void BootProgressBar::clear()
{
    m_form.BootProgress->Cls();
}

void BootProgressBar::show(double i, double endIndex)
{
    PictureBox& box = *m_form.BootProgress;
    const float right = static_cast<float>(box.ScaleWidth() * i / endIndex);
    box.LineBox(0, 0, right, box.ScaleHeight(), QColor(0, 0, 255), true);
}
