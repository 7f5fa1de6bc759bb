#pragma once

#include "link/ReceiveBuffer.h"
#include "protocol/FrameHandler.h"

#include <QByteArray>

// Cuts the byte stream from the board into frames, one frame per call, and hands each to its
// handler. The first byte of the buffer decides the frame kind:
//   "*" text up to "#", "F"/"G"/"R" count byte + 4N bytes, "C" 32 bytes (drops the rest),
//   "[" float count M + 4M bytes. Bytes before the first frame start are dropped, and so is a
//   "[" whose count is no table's (negative, not a number, not whole, or beyond the bound).
class FrameReceiver
{
public:
    // Above this many bytes without a complete frame at its head the buffer is emptied, so a
    // stream that never forms a frame cannot grow memory without end. A measurement frame is
    // at most 1022 bytes; a "[" announcing a longer constants frame starts none.
    static constexpr qsizetype RxBufferLimit = 1048576;

    // rxBufferLimit replaces the bound (a small one lets tests and fuzzing reach it cheaply).
    explicit FrameReceiver(FrameHandler& handler, qsizetype rxBufferLimit = RxBufferLimit)
        : m_handler(handler), m_rxBufferLimit(rxBufferLimit)
    {}

    qsizetype rxBufferLimit() const { return m_rxBufferLimit; }

    // Appends the input and handles at most one frame from the head of the buffer.
    void ReceiveFrames(const QByteArray& input);

    // Bytes received and not yet cut into frames. Only the receiver holds them.
    const ReceiveBuffer& RxBuffer() const { return m_rxBuffer; }
    // Forgets them (the port opened or closed, the stream toggled, the mode changed).
    void discardReceived() { m_rxBuffer.discard(); }
    // Bytes dropped so far because they started no frame (line noise, the rest of a broken
    // frame, what follows a C frame's 32 bytes in the same read).
    qint64 skipped() const { return m_skipped; }

private:
    bool isTableCount(float count) const;
    qsizetype bytesBeforeFrameStart() const;
    bool takeTextFrame();
    bool takeCountedFrame(char kind);
    bool takeFrameC();
    bool takeConstantsFrame();

    FrameHandler& m_handler;
    qsizetype m_rxBufferLimit;
    ReceiveBuffer m_rxBuffer;
    qint64 m_skipped = 0;
};
