#include "protocol/FrameDispatch.h"

#include "protocol/MeasurementDecoder.h"

void FrameDispatch::ShowDeviceMessage(const QByteArray& message)
{
    ++m_frames;
    m_decoder.ShowDeviceMessage(message);
}

void FrameDispatch::DecodeFrameF(const QByteArray& payload)
{
    ++m_frames;
    m_decoder.DecodeFrameF(payload);
}

void FrameDispatch::DecodeFrameG(const QByteArray& payload)
{
    ++m_frames;
    m_decoder.DecodeFrameG(payload);
}

void FrameDispatch::DecodeFrameR(const QByteArray& payload)
{
    ++m_frames;
    m_decoder.DecodeFrameR(payload);
}

void FrameDispatch::DecodeFrameC(const QByteArray& payload)
{
    ++m_frames;
    m_decoder.DecodeFrameC(payload);
}

void FrameDispatch::FillConstantsList(const QByteArray& payload)
{
    ++m_frames;
    if (m_constants)
        m_constants(payload);
}
