#pragma once

#include "protocol/FrameHandler.h"

#include <functional>

class MeasurementDecoder;

// Where the program's frames go: measurement and text frames to the decoder, constants frames
// to whoever listens for the table (the constants panel, a command-line read).
class FrameDispatch : public FrameHandler
{
public:
    using ConstantsListener = std::function<void(const QByteArray& payload)>;

    explicit FrameDispatch(MeasurementDecoder& decoder) : m_decoder(decoder) {}
    void setConstantsListener(ConstantsListener listener) { m_constants = std::move(listener); }

    void ShowDeviceMessage(const QByteArray& message) override;
    void DecodeFrameF(const QByteArray& payload) override;
    void DecodeFrameG(const QByteArray& payload) override;
    void DecodeFrameR(const QByteArray& payload) override;
    void DecodeFrameC(const QByteArray& payload) override;
    void FillConstantsList(const QByteArray& payload) override;

    // Frames of every kind dispatched so far.
    qint64 frames() const { return m_frames; }

private:
    MeasurementDecoder& m_decoder;
    ConstantsListener m_constants;
    qint64 m_frames = 0;
};
