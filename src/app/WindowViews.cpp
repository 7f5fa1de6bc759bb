#include "app/WindowViews.h"

#include "app/Form1.h"
#include "display/CockpitView.h"
#include "display/DrawRoute.h"
#include "display/PictureBox.h"
#include "protocol/MeasurementStream.h"

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

WindowViews::WindowViews(Form1& form, MeasurementStream& stream, QChar decimalSeparator,
                         int refreshMs)
    : m_form(form), m_stream(stream), m_shown(decimalSeparator),
      m_pacer([this] { drawWaiting(); }, refreshMs), m_routeDial(*form.Route, *form.MaskBoussole),
      m_magDial(*form.P)
{
    m_subscription = m_stream.subscribe([this](const Measurement& m) { show(m); });
}

WindowViews::~WindowViews()
{
    m_stream.unsubscribe(m_subscription);
}

void WindowViews::show(const Measurement& m)
{
    const std::optional<QString> calibration = m_shown.CalibrationText(m);
    if (m.kind == 'C' && calibration)
        ShowDeviceMessage(*calibration);
    // Every frame moves the horizon and the route dial, so there is always something to draw.
    m_newest = m;
    m_attitudeWaits = true;
    if (const std::optional<QPointF> point = ShownValues::DialPoint(m)) {
        m_dialPoint = *point;
        m_dialWaits = true;
    }
    if (m.kind != 'C') {
        m_textSource = m;
        m_textWaits = true;
    }
    if (m.kind != 'C' && calibration)
        ShowDeviceMessage(*calibration);
    m_pacer.request();
}

void WindowViews::drawWaiting()
{
    if (m_attitudeWaits) {
        m_attitudeWaits = false;
        m_form.Cockpit->DrawAttitude3D(m_newest.phi, m_newest.theta);
        m_routeDial.draw(m_newest.psi);
    }
    if (m_dialWaits) {
        m_dialWaits = false;
        m_magDial.draw(m_dialPoint.x(), m_dialPoint.y());
    }
    if (m_textWaits) {
        m_textWaits = false;
        const std::optional<QString> text = m_shown.SensorText(m_textSource);
        if (text && setPlainTextIfChanged(m_form.Text3, *text, m_sensorShown))
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
