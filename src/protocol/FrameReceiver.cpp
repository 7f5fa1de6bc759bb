#include "protocol/FrameReceiver.h"

#include "protocol/Floats.h"

#include <cmath>

namespace {
bool startsFrame(char byte)
{
    return byte == '*' || byte == 'F' || byte == 'G' || byte == 'R' || byte == 'C' || byte == '[';
}
} // namespace

bool FrameReceiver::isTableCount(float count) const
{
    // A table has a whole, non-negative number of entries, few enough for the frame to fit
    // under the buffer bound. NaN fails every comparison and infinity is not below the bound.
    return count >= 0.0f && count == std::floor(count) &&
           5.0 + 4.0 * double(count) <= double(m_rxBufferLimit);
}

qsizetype FrameReceiver::bytesBeforeFrameStart() const
{
    const QByteArray& bytes = m_rxBuffer.bytes();
    const qsizetype size = bytes.size();
    qsizetype head = 0;
    while (head < size) {
        const char byte = bytes.at(head);
        const bool noTable =
            byte == '[' && head + 5 <= size && !isTableCount(BytesToSingle(bytes.mid(head + 1, 4)));
        if (startsFrame(byte) && !noTable)
            break;
        ++head;
    }
    return head;
}

void FrameReceiver::ReceiveFrames(const QByteArray& input)
{
    m_rxBuffer.append(input);
    // Bytes that start no frame (line noise, the rest of a frame lost in a desync) are
    // dropped, so decoding picks up again at the next frame start. So is a "[" whose count can
    // be no table: after a clear in the middle of a frame a 0x5B inside float data would
    // otherwise hold the buffer until the bound.
    const qsizetype stray = bytesBeforeFrameStart();
    if (stray > 0) {
        m_rxBuffer.consume(stray);
        m_skipped += stray;
    }
    if (m_rxBuffer.isEmpty())
        return;

    // The head starts a frame: every other byte was dropped above.
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
    }

    if (!handled && m_rxBuffer.size() > m_rxBufferLimit) {
        m_skipped += m_rxBuffer.size();
        m_rxBuffer.discard();
    }
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
    m_skipped += m_rxBuffer.size() - 33;
    m_rxBuffer.discard();
    m_handler.DecodeFrameC(payload);
    return true;
}

bool FrameReceiver::takeConstantsFrame()
{
    if (m_rxBuffer.size() < 5)
        return false;
    // The count is a table's (others never reach the head): a whole number within the bound.
    const float count = BytesToSingle(m_rxBuffer.bytes().mid(1, 4));
    const qsizetype length = 4 * qsizetype(count);
    if (m_rxBuffer.size() < 5 + length)
        return false;
    const QByteArray payload = m_rxBuffer.bytes().mid(5, length);
    m_rxBuffer.consume(5 + length);
    m_handler.FillConstantsList(payload);
    return true;
}
