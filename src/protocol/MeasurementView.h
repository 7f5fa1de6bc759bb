#pragma once

#include <QString>

// What the measurement decoders drive on the window.
class MeasurementView
{
public:
    virtual ~MeasurementView() = default;
    // A frame was decoded: restart the "No Data" watchdog and show "Data OK" on green.
    virtual void frameSeen() = 0;
    // Redraw the 3D attitude view with roll and pitch (radians).
    virtual void DrawAttitude3D(float phi, float theta) = 0;
    // Redraw the route dial with the heading (radians); the drawing may set it to 0.
    virtual void DrawRoute(float& psi) = 0;
    // Redraw the magnetometer dial.
    virtual void DrawMagDial(double u, double v) = 0;
    // The sensor values box (Text3).
    virtual void setSensorText(const QString& text) = 0;
    // The calibration box (Text5): prompts, text-frame messages and the C frame value.
    virtual void ShowDeviceMessage(const QString& text) = 0;
    // A measurement frame has given all its views: a view that paces its drawing may draw now.
    virtual void frameDone() {}
};
