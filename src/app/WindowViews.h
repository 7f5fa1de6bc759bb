#pragma once

#include "app/RedrawPacer.h"
#include "display/MagDial.h"
#include "display/RouteDial.h"
#include "firmware/FlashProgress.h"
#include "protocol/MeasurementView.h"

#include <QString>

#include <functional>

class Form1;

// The window's views of the measurements: where the decoder draws and writes. The watchdog,
// "Data OK" and the calibration box follow every frame at once; the horizon, the two dials
// and the sensor text are drawn at most once per screen refresh with the newest values, and
// each only when its picture or text would differ from the one shown.
class WindowViews : public MeasurementView
{
public:
    // A refresh longer than the screen's lets a test (on a slow, sanitized build) know that its
    // frames come within one refresh.
    explicit WindowViews(Form1& form, int refreshMs = RedrawPacer::RefreshMs);

    // While a recording is replayed the status box says "Replay" (on green) and the "No Data"
    // watchdog is off.
    void setReplaying(bool replaying);

    void frameSeen() override;
    void DrawAttitude3D(float phi, float theta) override;
    void DrawRoute(float& psi) override;
    void DrawMagDial(double u, double v) override;
    void setSensorText(const QString& text) override;
    void ShowDeviceMessage(const QString& text) override;
    void frameDone() override;

    // Told at the end of every drawing of the views (benchmarks).
    void setDrawnListener(std::function<void()> listener) { m_drawn = std::move(listener); }
    // Pictures drawn so far by each dial (benchmarks, tests).
    const RouteDial& routeDial() const { return m_routeDial; }
    const MagDial& magDial() const { return m_magDial; }
    // Times the sensor box got a new text.
    long long sensorTextChanges() const { return m_textChanges; }

private:
    void drawWaiting();

    Form1& m_form;
    RedrawPacer m_pacer;
    RouteDial m_routeDial;
    MagDial m_magDial;
    long long m_textChanges = 0;
    std::function<void()> m_drawn;
    bool m_replaying = false;
    // The newest values not yet drawn.
    bool m_attitudeWaits = false;
    bool m_routeWaits = false;
    bool m_dialWaits = false;
    bool m_textWaits = false;
    float m_phi = 0.0f;
    float m_theta = 0.0f;
    float m_psi = 0.0f;
    double m_u = 0.0;
    double m_v = 0.0;
    QString m_text;
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
