// The bootloader reply parser on any received bytes, split at any point as the reply wait reads
// them: it only drops bytes before the first "+" that may start a reply (a "+" followed by a
// reply's letter, or a "+" last), never reads past what it has, reads the same reply however
// the bytes arrived, and reads it again the same from what it left.
//
// Input: the first byte chooses where the rest is split into two arrivals.

#include "FuzzCheck.h"

#include "firmware/BootReply.h"

#include <QByteArray>
#include <QString>

namespace {

// Where the reply may start: the first "+" that is last or followed by V, E, F, P, R or #.
qsizetype replyStart(const QByteArray& bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '+')
            continue;
        if (i + 1 == bytes.size() || QByteArrayLiteral("VEFPR#").contains(bytes[i + 1]))
            return i;
    }
    return -1;
}

bool sameReply(const BootReply& a, const BootReply& b)
{
    return a.kind == b.kind && a.code == b.code && a.address == b.address;
}

// What the reply at the head of buffer must be; buffer starts with "+" or is empty.
void checkReply(const QByteArray& buffer, const BootReply& reply)
{
    const auto byte = [&](qsizetype i) { return int(static_cast<unsigned char>(buffer[i])); };
    fuzzCheck(buffer.isEmpty() || buffer[0] == '+', "the reply starts at a +");
    fuzzCheck(buffer.size() < 2 || QByteArrayLiteral("VEFPR#").contains(buffer[1]),
              "a reply's letter follows its +");
    if (buffer.size() < 2) {
        fuzzCheck(reply.kind == BootReply::Incomplete && !reply.isComplete(),
                  "less than two bytes is incomplete");
        return;
    }
    switch (reply.kind) {
    case BootReply::Version:
        fuzzCheck(buffer[1] == 'V' && buffer.size() >= 3 && reply.code == byte(2),
                  "a version reply holds its code byte");
        break;
    case BootReply::Acknowledged:
        fuzzCheck(buffer[1] == 'P' && buffer.size() >= 5 &&
                      reply.address == quint32(byte(2) << 16 | byte(3) << 8 | byte(4)),
                  "an acknowledgement holds its 24-bit address");
        break;
    case BootReply::Status:
        fuzzCheck(buffer[1] == '#' && buffer.size() >= 3 && reply.code == byte(2),
                  "a status reply holds its status byte");
        break;
    case BootReply::Incomplete:
        fuzzCheck(((buffer[1] == 'V' || buffer[1] == '#') && buffer.size() < 3) ||
                      (buffer[1] == 'P' && buffer.size() < 5),
                  "only a short version, acknowledgement or status is incomplete");
        break;
    case BootReply::Erased:
    case BootReply::FReply:
    case BootReply::Running:
        break;
    }
    if (reply.kind == BootReply::Version) {
        // The version text is the code in tenths, read back exactly.
        const QString text = BootVersionText(reply.code);
        bool ok = false;
        const double tenths = text.toDouble(&ok) * 10.0;
        fuzzCheck(ok && qRound(tenths) == reply.code && !text.contains(QLatin1Char(',')),
                  "the version text is the code divided by ten");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const qsizetype split = qsizetype(data[0]) % (bytes.size() + 1);

    // All at once.
    QByteArray whole = bytes;
    const BootReply once = ParseBootReply(whole);
    const qsizetype plus = replyStart(bytes);
    fuzzCheck(whole == (plus < 0 ? QByteArray() : bytes.mid(plus)),
              "only the bytes before the reply's + are dropped");
    checkReply(whole, once);

    // Read again from what was left: the reply stays in the buffer until the caller takes it.
    QByteArray again = whole;
    fuzzCheck(sameReply(ParseBootReply(again), once) && again == whole,
              "reading the reply again gives the same reply");

    // In two arrivals, read after each.
    QByteArray buffer = bytes.left(split);
    const BootReply first = ParseBootReply(buffer);
    checkReply(buffer, first);
    buffer += bytes.mid(split);
    const BootReply second = ParseBootReply(buffer);
    fuzzCheck(buffer == whole && sameReply(second, once), "split arrivals read the same reply");
    // A whole reply does not change with what follows it.
    if (first.isComplete())
        fuzzCheck(sameReply(first, second), "a whole reply stays as it was read");
    return 0;
}
