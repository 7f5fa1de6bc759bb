// The frame receiver with the measurement decoder and the constants list behind it, fed any
// byte stream in chunks of any size across calls, as the receive timer hands it over.
//
// Input: one byte of options (bit 0: decimal comma), then operations:
//   0x00-0xEF  a chunk of that many bytes follows
//   0xF0-0xF7  a filler of 1/8 to 8/8 of the buffer bound of the next byte (reaches the bound)
//   0xF8-0xFD  empty calls until one handles no frame (ticks with nothing received)
//   0xFE       the buffer is emptied from outside (port opened or closed)
//   0xFF       a chunk whose length is given by the next two bytes (least significant first)
// The stream is drained at the end.

#include "FuzzCheck.h"

#include "constants/ConstantsList.h"
#include "display/ShownValues.h"
#include "protocol/Floats.h"
#include "protocol/FrameDispatch.h"
#include "protocol/FrameHandler.h"
#include "protocol/FrameReceiver.h"
#include "protocol/MeasurementDecoder.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The receiver runs with a small bound so that fillers reach it cheaply; the bound plays the
// same part whatever its size.
constexpr qsizetype BufferLimit = 16384;
constexpr qsizetype FillerBudget = 4 * BufferLimit;
constexpr int DrainCallLimit = 4096;

bool sane(double x)
{
    return std::isfinite(x) && std::fabs(x) <= 1e9;
}

// The decoded values reach the views only after the float sanitising.
class CheckingView
{
public:
    explicit CheckingView(QChar separator) : m_separator(separator), m_shown(separator) {}

    void show(const Measurement& m) const
    {
        fuzzCheck(sane(m.phi) && sane(m.theta), "attitude angles finite and within 1e9");
        fuzzCheck(sane(m.psi), "heading finite and within 1e9");
        if (const std::optional<QPointF> dial = ShownValues::DialPoint(m))
            fuzzCheck(sane(dial->x()) && sane(dial->y()),
                      "magnetometer values finite and within 1e9");
        if (const std::optional<QString> text = m_shown.SensorText(m))
            checkSensorText(*text);
    }

private:
    void checkSensorText(const QString& text) const
    {
        fuzzCheck(text.startsWith(QLatin1String("Hx : ")) ||
                      text.startsWith(QLatin1String("Value1 : ")),
                  "sensor text starts with its first label");
        fuzzCheck(!text.contains(QLatin1String("NaN")) && !text.contains(QLatin1String("Inf")),
                  "sensor text shows no non-finite value");
        const QChar other = m_separator == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
        fuzzCheck(!text.contains(other), "sensor text uses the chosen decimal separator only");
    }

    QChar m_separator;
    ShownValues m_shown;
};

// What the receiver handed over during one call, noted on its way through the program's own
// dispatch.
class Dispatch : public FrameDispatch
{
public:
    using FrameDispatch::FrameDispatch;

    void ShowDeviceMessage(const QByteArray& message) override
    {
        record('*', message);
        FrameDispatch::ShowDeviceMessage(message);
    }
    void DecodeFrameF(const QByteArray& p) override
    {
        record('F', p);
        FrameDispatch::DecodeFrameF(p);
    }
    void DecodeFrameG(const QByteArray& p) override
    {
        record('G', p);
        FrameDispatch::DecodeFrameG(p);
    }
    void DecodeFrameR(const QByteArray& p) override
    {
        record('R', p);
        FrameDispatch::DecodeFrameR(p);
    }
    void DecodeFrameC(const QByteArray& p) override
    {
        record('C', p);
        FrameDispatch::DecodeFrameC(p);
    }
    void FillConstantsList(const QByteArray& payload) override
    {
        FrameDispatch::FillConstantsList(payload);
        record('[', QByteArray());
        constants = payload;
        constantsCalls++;
    }

    int calls = 0;
    int constantsCalls = 0;
    char kind = 0;
    QByteArray payload;
    // The payload of the last constants frame.
    QByteArray constants;

private:
    void record(char k, const QByteArray& p)
    {
        ++calls;
        kind = k;
        payload = p;
    }
};

void checkConstantsList(const QByteArray& payload)
{
    // Listing a huge table costs seconds; its lines are built the same way for every group.
    if (payload.size() > 65536)
        return;
    const QStringList lines = ConstantsListLines(payload);
    fuzzCheck(lines.size() == payload.size() / 4, "one list line per whole constant");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString head = QStringLiteral("K[") + QString::number(i) + QStringLiteral("]\t");
        fuzzCheck(lines[i].startsWith(head) && lines[i].size() > head.size(),
                  "list line is K[index] TAB value");
    }
}

// Whether a constants count can be a table's: a whole number of entries, not negative, whose
// frame fits under the bound.
bool tableCount(float count)
{
    return std::isfinite(count) && count >= 0.0f && std::trunc(count) == count &&
           5.0 + 4.0 * double(count) <= double(BufferLimit);
}

// Whether a frame starts at the head of these n bytes: any other byte is dropped, and so is a
// "[" whose count is there and is no table's.
bool startsFrame(const char* head, qsizetype n)
{
    if (head[0] == 0 || std::strchr("*FGRC[", head[0]) == nullptr)
        return false;
    return head[0] != '[' || n < 5 || tableCount(BytesToSingle(QByteArray(head + 1, 4)));
}

// Whether the bytes at the head hold a whole frame, judged from the frame layouts alone.
bool wholeFrameAt(const char* head, qsizetype n)
{
    if (n == 0)
        return false;
    switch (head[0]) {
    case '*':
        return std::memchr(head, '#', std::size_t(n)) != nullptr;
    case 'F':
    case 'G':
    case 'R':
        return n >= 2 && n >= 2 + 4 * qsizetype(quint8(head[1]));
    case 'C':
        return n >= 33;
    case '[':
        return n >= 5 && double(n) >= 5.0 + 4.0 * double(BytesToSingle(QByteArray(head + 1, 4)));
    default:
        return false;
    }
}

struct Harness
{
    Harness(QChar separator) : view(separator), receiver(dispatch, BufferLimit)
    {
        dispatch.stream().subscribe([this](const Measurement& m) { view.show(m); });
    }

    // One call of the receiver, checked against the stream fed since the buffer was last empty.
    // Returns whether a frame was handled.
    bool call(const QByteArray& input)
    {
        const qsizetype before = receiver.RxBuffer().size();
        fed.append(input);
        qsizetype available = before + input.size();
        qsizetype head = fed.size() - available;
        while (available > 0 && !startsFrame(fed.constData() + head, available)) {
            ++head;
            --available;
        }
        const char* headBytes = fed.constData() + head;
        const bool whole = wholeFrameAt(headBytes, available);

        dispatch.calls = 0;
        receiver.ReceiveFrames(input);
        const QByteArray& rx = receiver.RxBuffer().bytes();

        fuzzCheck(dispatch.calls <= 1, "at most one frame per call");
        const MeasurementDecoder& decoder = dispatch.decoder();
        fuzzCheck(sane(decoder.Phi()) && sane(decoder.Theta()) && sane(decoder.Psi()),
                  "stored angles finite and within 1e9");
        if (dispatch.calls == 0) {
            fuzzCheck(!whole, "a whole frame at the head is handled");
            // Without a frame the buffer never stays above its bound: with at most one frame
            // taken per call, it holds at most the bound plus one chunk.
            if (available > BufferLimit)
                fuzzCheck(rx.isEmpty(), "buffer above its bound is emptied");
            else
                fuzzCheck(rx.size() == available, "only bytes before a frame start consumed");
        } else {
            checkFrame(headBytes, available, rx.size());
        }
        checkTail(rx);
        if (rx.isEmpty())
            fed.clear();
        return dispatch.calls > 0;
    }

    void checkFrame(const char* headBytes, qsizetype available, qsizetype left)
    {
        fuzzCheck(dispatch.kind == headBytes[0], "frame kind is the first byte");
        const QByteArray& p = dispatch.payload;
        switch (dispatch.kind) {
        case '*':
            fuzzCheck(!p.contains('#') && p.size() + 2 <= available &&
                          std::memcmp(headBytes + 1, p.constData(), std::size_t(p.size())) == 0 &&
                          headBytes[p.size() + 1] == '#',
                      "text message is the bytes up to the first #");
            fuzzCheck(left == available - p.size() - 2, "text frame consumed with its markers");
            break;
        case 'F':
        case 'G':
        case 'R':
            fuzzCheck(p.size() == 4 * qsizetype(quint8(headBytes[1])) &&
                          std::memcmp(headBytes + 2, p.constData(), std::size_t(p.size())) == 0,
                      "counted frame payload is the 4N bytes after the count");
            fuzzCheck(left == available - p.size() - 2, "counted frame consumed whole");
            break;
        case 'C':
            fuzzCheck(p.size() == 32 && std::memcmp(headBytes + 1, p.constData(), 32) == 0,
                      "C frame payload is the 32 bytes after C");
            fuzzCheck(left == 0, "C frame drops the rest of the buffer");
            break;
        case '[': {
            const QByteArray& c = dispatch.constants;
            const float count = BytesToSingle(QByteArray(headBytes + 1, 4));
            fuzzCheck(tableCount(count) && double(c.size()) == 4.0 * double(count) &&
                          c.size() + 5 <= available &&
                          std::memcmp(headBytes + 5, c.constData(), std::size_t(c.size())) == 0,
                      "constants payload is the 4M bytes after the count");
            fuzzCheck(left == available - c.size() - 5, "constants frame consumed whole");
            checkConstantsList(c);
            break;
        }
        default:
            fuzzCheck(false, "a frame of a known kind");
        }
    }

    // The buffer is always the unconsumed end of the stream: compare its two ends.
    void checkTail(const QByteArray& rx) const
    {
        fuzzCheck(rx.size() <= fed.size(), "buffer holds only bytes that were fed");
        const qsizetype start = fed.size() - rx.size();
        const qsizetype window = std::min<qsizetype>(rx.size(), 64);
        fuzzCheck(std::memcmp(rx.constData(), fed.constData() + start, std::size_t(window)) == 0 &&
                      std::memcmp(rx.constData() + rx.size() - window,
                                  fed.constData() + fed.size() - window, std::size_t(window)) == 0,
                  "buffer is the unconsumed end of the stream");
    }

    void drain()
    {
        for (int i = 0; i < DrainCallLimit && call(QByteArray()); ++i) {
        }
    }

    CheckingView view;
    Dispatch dispatch;
    FrameReceiver receiver;
    QByteArray fed;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const QChar separator = (in.byte() & 1) ? QLatin1Char(',') : QLatin1Char('.');
    Harness h(separator);
    qsizetype fillerLeft = FillerBudget;

    while (!in.atEnd()) {
        const std::uint8_t op = in.byte();
        std::size_t length = op;
        if (op >= 0xF0 && op <= 0xF7) {
            const char fill = char(in.byte());
            const qsizetype n = std::min<qsizetype>((op - 0xEF) * BufferLimit / 8, fillerLeft);
            fillerLeft -= n;
            h.call(QByteArray(n, fill));
            continue;
        }
        if (op >= 0xF8 && op <= 0xFD) {
            h.drain();
            continue;
        }
        if (op == 0xFE) {
            h.receiver.discardReceived();
            h.fed.clear();
            continue;
        }
        if (op == 0xFF) {
            length = in.byte();
            length |= std::size_t(in.byte()) << 8;
        }
        std::size_t taken = 0;
        const char* chunk = in.take(length, taken);
        h.call(QByteArray(chunk, qsizetype(taken)));
    }
    h.drain();
    return 0;
}
