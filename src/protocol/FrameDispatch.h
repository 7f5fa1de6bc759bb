#pragma once

#include "protocol/FrameHandler.h"
#include "protocol/MeasurementDecoder.h"
#include "protocol/MeasurementStream.h"

#include <QObject>
#include <QString>

// Where the board's frames go, each to its listeners in one step: a measurement frame is
// decoded, announced (frameSeen: the "No Data" watchdog, "Data OK") and then published on the
// measurement stream; a text frame's message and a constants frame's payload are signalled.
// Every signal may have any number of listeners.
class FrameDispatch : public QObject, public FrameHandler
{
    Q_OBJECT
public:
    explicit FrameDispatch(QObject* parent = nullptr) : QObject(parent) {}

    MeasurementDecoder& decoder() { return m_decoder; }
    const MeasurementDecoder& decoder() const { return m_decoder; }
    // Where the measurements fan out: the window's views first, then the recorder, the plots,
    // the outputs, in the order they subscribed.
    MeasurementStream& stream() { return m_stream; }

    void ShowDeviceMessage(const QByteArray& message) override;
    void DecodeFrameF(const QByteArray& payload) override;
    void DecodeFrameG(const QByteArray& payload) override;
    void DecodeFrameR(const QByteArray& payload) override;
    void DecodeFrameC(const QByteArray& payload) override;
    void FillConstantsList(const QByteArray& payload) override;

    // A measurement made here rather than received (the zero frame drawn at start-up): seen
    // and published as a received one, but not counted.
    void show(const Measurement& m);

    // Frames of every kind dispatched so far.
    qint64 frames() const { return m_frames; }

signals:
    // A measurement frame was decoded; its measurement is published right after.
    void frameSeen();
    // A text frame's message (one character per byte), for the calibration box.
    void deviceMessage(const QString& text);
    // A constants frame: its payload (the 4M bytes after the count).
    void constantsFrame(const QByteArray& payload);

private:
    MeasurementDecoder m_decoder;
    MeasurementStream m_stream;
    qint64 m_frames = 0;
};
