#include "protocol/FrameDispatch.h"

void FrameDispatch::show(const Measurement& m)
{
    emit frameSeen();
    m_stream.publish(m);
}

void FrameDispatch::ShowDeviceMessage(const QByteArray& message)
{
    ++m_frames;
    emit deviceMessage(QString::fromLatin1(message));
}

void FrameDispatch::DecodeFrameF(const QByteArray& payload)
{
    ++m_frames;
    show(m_decoder.DecodeFrameF(payload));
}

void FrameDispatch::DecodeFrameG(const QByteArray& payload)
{
    ++m_frames;
    show(m_decoder.DecodeFrameG(payload));
}

void FrameDispatch::DecodeFrameR(const QByteArray& payload)
{
    ++m_frames;
    show(m_decoder.DecodeFrameR(payload));
}

void FrameDispatch::DecodeFrameC(const QByteArray& payload)
{
    ++m_frames;
    show(m_decoder.DecodeFrameC(payload));
}

void FrameDispatch::FillConstantsList(const QByteArray& payload)
{
    ++m_frames;
    emit constantsFrame(payload);
}
