#pragma once

#include "firmware/FlashProgress.h"
#include "protocol/MeasurementView.h"

class Form1;

// The window's views of the measurements: where the decoder draws and writes.
class WindowViews : public MeasurementView
{
public:
    explicit WindowViews(Form1& form) : m_form(form) {}

    void frameSeen() override;
    void DrawAttitude3D(float phi, float theta) override;
    void DrawRoute(float& psi) override;
    void DrawMagDial(double u, double v) override;
    void setSensorText(const QString& text) override;
    void ShowDeviceMessage(const QString& text) override;

private:
    Form1& m_form;
};

// The firmware programming's progress as a blue box growing on BootProgress.
class BootProgressBar : public FlashProgress
{
public:
    explicit BootProgressBar(Form1& form) : m_form(form) {}
    void clear() override;
    void show(double i, double endIndex) override;

private:
    Form1& m_form;
};
