#include "app/WindowViews.h"

#include "app/Form1.h"
#include "core/WindowTimer.h"
#include "display/CockpitView.h"
#include "display/DrawRoute.h"
#include "display/PictureBox.h"
#include "protocol/MeasurementStream.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace {
// A text box keeps line breaks as the ends of its blocks and reads them back as "\n", so the
// text is compared as the box would read it back: an unchanged text is not laid out again.
bool setPlainTextIfChanged(QPlainTextEdit* box, const QString& text, ShownText& shown)
{
    const QTextDocument* document = box->document();
    if (shown.document == document && shown.revision == document->revision() && shown.text == text)
        return false;
    QString held = text;
    held.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const bool changed = box->toPlainText() != held;
    if (changed)
        box->setPlainText(text);
    shown = {text, document, document->revision()};
    return changed;
}
} // namespace

WindowViews::WindowViews(Form1& form, MeasurementStream& stream, int refreshMs)
    : m_form(form), m_stream(stream), m_pacer([this] { drawWaiting(); }, refreshMs),
      m_routeDial(*form.Route, *form.MaskBoussole), m_magDial(*form.P)
{
    m_subscription = m_stream.subscribe([this](const Measurement& m) { show(m); });
}

WindowViews::~WindowViews()
{
    m_stream.unsubscribe(m_subscription);
}

void WindowViews::show(const Measurement& m)
{
    if (m.kind == 'C' && m.calibrationText)
        ShowDeviceMessage(*m.calibrationText);
    DrawAttitude3D(m.phi, m.theta);
    DrawRoute(m.psi);
    if (m.drawsDial)
        DrawMagDial(m.dialU, m.dialV);
    if (m.sensorText)
        setSensorText(*m.sensorText);
    if (m.kind != 'C' && m.calibrationText)
        ShowDeviceMessage(*m.calibrationText);
    // Every frame moves the horizon and the route dial, so there is always something to draw.
    m_pacer.request();
}

void WindowViews::setReplaying(bool replaying)
{
    if (replaying == m_replaying)
        return;
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

void WindowViews::DrawRoute(float psi)
{
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
        if (setPlainTextIfChanged(m_form.Text3, m_text, m_sensorShown))
            ++m_textChanges;
    }
    if (m_drawn)
        m_drawn();
}

void WindowViews::ShowDeviceMessage(const QString& text)
{
    setPlainTextIfChanged(m_form.Text5, text, m_messageShown);
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
