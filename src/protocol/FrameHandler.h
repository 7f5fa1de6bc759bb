#pragma once

#include <QByteArray>

// Where the frame receiver hands each complete frame. FrameDispatch implements it for the
// program: measurement frames to the decoder, constants frames to the constants listener.
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
    // A constants frame has arrived: its payload (the 4M bytes after the count).
    virtual void FillConstantsList(const QByteArray& payload) = 0;
};
