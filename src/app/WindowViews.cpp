#include "app/WindowViews.h"

#include "app/Form1.h"
#include "app/shell/WindowTimer.h"
#include "constants/ConstantsPanel.h"
#include "display/CockpitView.h"
#include "display/DrawMagDial.h"
#include "display/DrawRoute.h"
#include "display/PictureBox.h"
#include "protocol/MeasurementDecoder.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace {
void setPlainTextIfChanged(QPlainTextEdit* box, const QString& text)
{
    if (box->toPlainText() != text)
        box->setPlainText(text);
}
} // namespace

void WindowViews::frameSeen()
{
    m_form.Timer11->setEnabled(false);
    m_form.Timer11->setEnabled(true);
    QLineEdit* box = m_form.Text32;
    if (box->text() != QLatin1String("Data OK"))
        box->setText(QStringLiteral("Data OK"));
    if (box->palette().color(QPalette::Base) != QColor(0, 255, 0)) {
        QPalette pal = box->palette();
        pal.setColor(QPalette::Base, QColor(0, 255, 0));
        pal.setColor(QPalette::Window, QColor(0, 255, 0));
        box->setPalette(pal);
    }
}

void WindowViews::DrawAttitude3D(float phi, float theta)
{
    m_form.Cockpit->DrawAttitude3D(phi, theta);
}

void WindowViews::DrawRoute(float& psi)
{
    ::DrawRoute(*m_form.Route, *m_form.MaskBoussole, psi);
}

void WindowViews::DrawMagDial(double u, double v)
{
    ::DrawMagDial(*m_form.P, u, v);
}

void WindowViews::setSensorText(const QString& text)
{
    setPlainTextIfChanged(m_form.Text3, text);
}

void WindowViews::ShowDeviceMessage(const QString& text)
{
    setPlainTextIfChanged(m_form.Text5, text);
}

void WindowViews::ShowDeviceMessage(const QByteArray& message)
{
    m_decoder->ShowDeviceMessage(message);
}

void WindowViews::DecodeFrameF(const QByteArray& payload)
{
    m_decoder->DecodeFrameF(payload);
}

void WindowViews::DecodeFrameG(const QByteArray& payload)
{
    m_decoder->DecodeFrameG(payload);
}

void WindowViews::DecodeFrameR(const QByteArray& payload)
{
    m_decoder->DecodeFrameR(payload);
}

void WindowViews::DecodeFrameC(const QByteArray& payload)
{
    m_decoder->DecodeFrameC(payload);
}

void WindowViews::FillConstantsList()
{
    m_constants->FillConstantsList();
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
