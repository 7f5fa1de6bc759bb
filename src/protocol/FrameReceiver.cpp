#include "protocol/FrameReceiver.h"

#include "protocol/Floats.h"

#include <cmath>

namespace {
bool startsFrame(char byte)
{
    return byte == '*' || byte == 'F' || byte == 'G' || byte == 'R' || byte == 'C' || byte == '[';
}
} // namespace

void FrameReceiver::ReceiveFrames(const QByteArray& input)
{
    m_rxBuffer.append(input);
    // Bytes that start no frame (line noise, the rest of a frame lost in a desync) are
    // dropped, so decoding picks up again at the next frame start.
    const QByteArray& bytes = m_rxBuffer.bytes();
    qsizetype stray = 0;
    while (stray < bytes.size() && !startsFrame(bytes.at(stray)))
        ++stray;
    if (stray > 0)
        m_rxBuffer.consume(stray);
    if (m_rxBuffer.isEmpty())
        return;

    bool handled = false;
    switch (m_rxBuffer.bytes().at(0)) {
    case '*':
        handled = takeTextFrame();
        break;
    case 'F':
    case 'G':
    case 'R':
        handled = takeCountedFrame(m_rxBuffer.bytes().at(0));
        break;
    case 'C':
        handled = takeFrameC();
        break;
    case '[':
        handled = takeConstantsFrame();
        break;
    default:
        break;
    }

    if (!handled && m_rxBuffer.size() > m_rxBufferLimit)
        m_rxBuffer.discard();
}

bool FrameReceiver::takeTextFrame()
{
    const int end = FindText(QByteArrayLiteral("#"), m_rxBuffer.bytes());
    if (end == 0)
        return false;
    // The message is shown before the frame leaves the buffer.
    m_handler.ShowDeviceMessage(m_rxBuffer.bytes().mid(1, end - 2));
    m_rxBuffer.consume(end);
    return true;
}

bool FrameReceiver::takeCountedFrame(char kind)
{
    if (m_rxBuffer.size() < 2)
        return false;
    const qsizetype length = 4 * qsizetype(quint8(m_rxBuffer.bytes().at(1)));
    if (m_rxBuffer.size() < 2 + length)
        return false;
    const QByteArray payload = m_rxBuffer.bytes().mid(2, length);
    // Cut before decoding: a failing decoder must not leave its frame at the head.
    m_rxBuffer.consume(2 + length);
    if (kind == 'F')
        m_handler.DecodeFrameF(payload);
    else if (kind == 'G')
        m_handler.DecodeFrameG(payload);
    else
        m_handler.DecodeFrameR(payload);
    return true;
}

bool FrameReceiver::takeFrameC()
{
    if (m_rxBuffer.size() < 33)
        return false;
    const QByteArray payload = m_rxBuffer.bytes().mid(1, 32);
    m_rxBuffer.discard();
    m_handler.DecodeFrameC(payload);
    return true;
}

bool FrameReceiver::takeConstantsFrame()
{
    if (m_rxBuffer.size() < 5)
        return false;
    const float count = BytesToSingle(m_rxBuffer.bytes().mid(1, 4));
    const float bytes = count * 4.0f;
    // A negative or NaN length, or a frame longer than the buffer may ever hold, never
    // completes: the frame blocks the buffer until it is emptied.
    if (!(bytes >= 0.0f) || double(bytes) > double(m_rxBufferLimit - 5))
        return false;
    // A count with a fraction is not expected from the board; its byte length is cut down to
    // a whole number (2.5 constants take 10 payload bytes).
    const auto length = qsizetype(std::floor(bytes));
    if (m_rxBuffer.size() < 5 + length)
        return false;
    const QByteArray payload = m_rxBuffer.bytes().mid(5, length);
    m_rxBuffer.consume(5 + length);
    m_handler.FillConstantsList(payload);
    return true;
}
