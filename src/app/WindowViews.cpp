#include "app/WindowViews.h"

#include "app/Form1.h"
#include "core/WindowTimer.h"
#include "display/CockpitView.h"
#include "display/DrawMagDial.h"
#include "display/DrawRoute.h"
#include "display/PictureBox.h"

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
