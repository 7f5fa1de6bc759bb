#pragma once

#include "app/RedrawPacer.h"
#include "display/MagDial.h"
#include "display/RouteDial.h"
#include "display/ShownValues.h"
#include "firmware/FlashProgress.h"
#include "protocol/Measurement.h"

#include <QChar>
#include <QPointF>
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
// calibration box follows every frame at once; the horizon, the two dials and the sensor text
// are drawn at most once per screen refresh from the newest measurement, and each only when its
// picture or text would differ from the one shown. Texts are made only for what is shown.
class WindowViews
{
public:
    // A refresh longer than the screen's lets a test (on a slow, sanitized build) know that its
    // frames come within one refresh.
    WindowViews(Form1& form, MeasurementStream& stream, QChar decimalSeparator,
                int refreshMs = RedrawPacer::RefreshMs);
    ~WindowViews();
    WindowViews(const WindowViews&) = delete;
    WindowViews& operator=(const WindowViews&) = delete;

    // One measurement, in the order of the window: the horizon, the route dial, the
    // magnetometer dial, the sensor box, the calibration box (a C frame: the box first).
    void show(const Measurement& m);
    // The calibration box (Text5): text-frame messages and the measurements' prompts.
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

    Form1& m_form;
    MeasurementStream& m_stream;
    ShownValues m_shown;
    int m_subscription = 0;
    RedrawPacer m_pacer;
    RouteDial m_routeDial;
    MagDial m_magDial;
    long long m_textChanges = 0;
    std::function<void()> m_drawn;
    // The newest measurement not yet drawn, and which of its views it moves.
    Measurement m_newest;
    bool m_attitudeWaits = false;
    bool m_dialWaits = false;
    QPointF m_dialPoint;
    // The newest measurement that fills the sensor box (a C frame leaves it).
    bool m_textWaits = false;
    Measurement m_textSource;
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
