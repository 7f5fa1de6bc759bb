#pragma once

#include "app/RedrawPacer.h"
#include "display/MagDial.h"
#include "display/RouteDial.h"
#include "firmware/FlashProgress.h"
#include "protocol/Measurement.h"

#include <QString>

#include <functional>

class Form1;
class MeasurementStream;
class QTextDocument;

// What a text box was last given, and its document's revision just after: the same text again
// into a box that nothing has edited since is dropped without reading the box back, which for
// every frame at rest would cost more than the rest of the frame's work.
struct ShownText
{
    QString text;
    const QTextDocument* document = nullptr;
    int revision = -1;
};

// The window's views of the measurements, the first listener of the measurement stream. The
// watchdog, "Data OK" and the calibration box follow every frame at once; the horizon, the two
// dials and the sensor text are drawn at most once per screen refresh with the newest values,
// and each only when its picture or text would differ from the one shown.
class WindowViews
{
public:
    // A refresh longer than the screen's lets a test (on a slow, sanitized build) know that its
    // frames come within one refresh.
    WindowViews(Form1& form, MeasurementStream& stream, int refreshMs = RedrawPacer::RefreshMs);
    ~WindowViews();
    WindowViews(const WindowViews&) = delete;
    WindowViews& operator=(const WindowViews&) = delete;

    // While a recording is replayed the status box says "Replay" (on green) and the "No Data"
    // watchdog is off.
    void setReplaying(bool replaying);

    // The frame-seen steps: restart the "No Data" watchdog, "Data OK" on green.
    void frameSeen();
    // One measurement, in the order of the window: the horizon, the route dial, the
    // magnetometer dial, the sensor box, the calibration box (a C frame: the box first).
    void show(const Measurement& m);
    // The calibration box (Text5): text-frame messages.
    void ShowDeviceMessage(const QString& text);

    // Told at the end of every drawing of the views (benchmarks).
    void setDrawnListener(std::function<void()> listener) { m_drawn = std::move(listener); }
    // Pictures drawn so far by each dial (benchmarks, tests).
    const RouteDial& routeDial() const { return m_routeDial; }
    const MagDial& magDial() const { return m_magDial; }
    // Times the sensor box got a new text.
    long long sensorTextChanges() const { return m_textChanges; }

private:
    void drawWaiting();
    void DrawAttitude3D(float phi, float theta);
    void DrawRoute(float psi);
    void DrawMagDial(double u, double v);
    void setSensorText(const QString& text);

    Form1& m_form;
    MeasurementStream& m_stream;
    int m_subscription = 0;
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
    ShownText m_sensorShown;
    ShownText m_messageShown;
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
