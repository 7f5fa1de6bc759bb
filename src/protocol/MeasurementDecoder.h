#pragma once

#include "protocol/Measurement.h"
#include "protocol/MeasurementStream.h"

#include <QByteArray>
#include <QChar>
#include <QString>

#include <functional>

// Decodes the measurement frames into the attitude angles and a Measurement holding the texts
// of the window, runs the frame-seen steps (the "No Data" watchdog, "Data OK") and publishes
// the Measurement on the stream, where the window's views, the recorder and the plots listen.
// Text frames go to the message listener. Nothing here draws.
class MeasurementDecoder
{
public:
    using FrameSeen = std::function<void()>;
    using MessageListener = std::function<void(const QString& text)>;

    explicit MeasurementDecoder(QChar decimalSeparator) : m_separator(decimalSeparator) {}

    MeasurementStream& stream() { return m_stream; }
    // Run first for every decoded measurement frame, before it is published.
    void setFrameSeen(FrameSeen frameSeen) { m_frameSeen = std::move(frameSeen); }
    // A text frame's message, for the calibration box.
    void setMessageListener(MessageListener listener) { m_message = std::move(listener); }

    // F: 18 floats; angles, magnetic field (14..16) and the calibration step code (17).
    void DecodeFrameF(const QByteArray& payload);
    // G: 7 floats; angles and four values.
    void DecodeFrameG(const QByteArray& payload);
    // R: 6 floats; angles and magnetic field.
    void DecodeFrameR(const QByteArray& payload);
    // C: 8 floats; float 8 goes to the calibration box, the angles stay as they are.
    void DecodeFrameC(const QByteArray& payload);
    // A text frame's message, one character per byte, to the message listener.
    void ShowDeviceMessage(const QByteArray& message);

    // "Hx : 1.5\r\nHy : 0\r\nHz : -2" (2 decimals, no line break at the end).
    QString MagneticText(float hx, float hy, float hz) const;
    // "Value1 : ...\r\n" to "Value4 : ...\r\n" (3 decimals, ends with a line break).
    QString ValuesText(float v1, float v2, float v3, float v4) const;

    // Roll, pitch and heading in radians, as last decoded.
    float Phi = 0.0f;
    float Theta = 0.0f;
    float Psi = 0.0f;

private:
    void readAngles(const QByteArray& payload);
    Measurement started(char kind) const;
    void publish(Measurement& m, const QByteArray& payload);

    QChar m_separator;
    MeasurementStream m_stream;
    FrameSeen m_frameSeen;
    MessageListener m_message;
};
