#pragma once

#include "firmware/FlashProgress.h"
#include "protocol/FrameHandler.h"
#include "protocol/MeasurementView.h"

class ConstantsPanel;
class Form1;
class MeasurementDecoder;

// The window's side of the measurement stream: where the decoders draw and write, and
// where the receiver's frames go.
class WindowViews : public MeasurementView, public FrameHandler
{
public:
    explicit WindowViews(Form1& form) : m_form(form) {}

    void connectTo(MeasurementDecoder& decoder, ConstantsPanel& constants)
    {
        m_decoder = &decoder;
        m_constants = &constants;
    }

    // MeasurementView
    void frameSeen() override;
    void DrawAttitude3D(float phi, float theta) override;
    void DrawRoute(float& psi) override;
    void DrawMagDial(double u, double v) override;
    void setSensorText(const QString& text) override;
    void ShowDeviceMessage(const QString& text) override;

    // FrameHandler
    void ShowDeviceMessage(const QByteArray& message) override;
    void DecodeFrameF(const QByteArray& payload) override;
    void DecodeFrameG(const QByteArray& payload) override;
    void DecodeFrameR(const QByteArray& payload) override;
    void DecodeFrameC(const QByteArray& payload) override;
    void FillConstantsList() override;

private:
    Form1& m_form;
    MeasurementDecoder* m_decoder = nullptr;
    ConstantsPanel* m_constants = nullptr;
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
