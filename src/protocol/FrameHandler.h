#pragma once

#include <QByteArray>

// Where the frame receiver hands each complete frame. The window implements it by forwarding
// to the measurement decoder and the constants panel.
class FrameHandler
{
public:
    virtual ~FrameHandler() = default;
    // A text frame's message, markers removed (one byte per character).
    virtual void ShowDeviceMessage(const QByteArray& message) = 0;
    virtual void DecodeFrameF(const QByteArray& payload) = 0;
    virtual void DecodeFrameG(const QByteArray& payload) = 0;
    virtual void DecodeFrameR(const QByteArray& payload) = 0;
    virtual void DecodeFrameC(const QByteArray& payload) = 0;
    // A constants frame has arrived; its payload is the receiver's ConstantsPayload().
    virtual void FillConstantsList() = 0;
};
