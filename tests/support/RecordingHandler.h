#pragma once

#include "protocol/FrameHandler.h"
#include "support/Bytes.h"

#include <QStringList>

#include <stdexcept>

// Records every frame handed over as "kind:hex payload" (text frames as "text:message").
class RecordingHandler : public FrameHandler
{
public:
    void ShowDeviceMessage(const QByteArray& message) override
    {
        calls.append(QStringLiteral("text:") + QString::fromLatin1(message));
    }
    void DecodeFrameF(const QByteArray& p) override { record("F", p); }
    void DecodeFrameG(const QByteArray& p) override { record("G", p); }
    void DecodeFrameR(const QByteArray& p) override { record("R", p); }
    void DecodeFrameC(const QByteArray& p) override { record("C", p); }
    void FillConstantsList(const QByteArray& payload) override
    {
        calls.append(QStringLiteral("constants"));
        constantsPayload = payload;
    }

    QStringList calls;
    // The payload of the last constants frame.
    QByteArray constantsPayload;
    // When set, every decoder call throws after recording (a failing drawing).
    bool throwInDecoder = false;

private:
    void record(const char* kind, const QByteArray& payload)
    {
        calls.append(QLatin1String(kind) + QLatin1Char(':') + hexDump(payload));
        if (throwInDecoder)
            throw std::runtime_error("drawing failed");
    }
};
