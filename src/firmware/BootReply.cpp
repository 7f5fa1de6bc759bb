#include "firmware/BootReply.h"

#include <QLocale>

namespace {

bool StartsAReply(char letter)
{
    switch (letter) {
    case 'V':
    case 'E':
    case 'F':
    case 'P':
    case 'R':
    case '#':
        return true;
    default:
        return false;
    }
}

} // namespace

BootReply ParseBootReply(QByteArray& buffer)
{
    // A "+" followed by a letter no reply starts with is noise too (a byte of a stale
    // measurement frame, say); the real reply may come right after it.
    qsizetype start = buffer.indexOf('+');
    while (start >= 0 && start + 1 < buffer.size() && !StartsAReply(buffer[start + 1]))
        start = buffer.indexOf('+', start + 1);
    buffer.remove(0, start < 0 ? buffer.size() : start);

    BootReply reply;
    if (buffer.size() < 2)
        return reply;
    const auto byte = [&](int position) { return static_cast<unsigned char>(buffer[position]); };
    switch (buffer[1]) {
    case 'V':
        if (buffer.size() >= 3) {
            reply.kind = BootReply::Version;
            reply.code = byte(2);
        }
        break;
    case 'E':
        reply.kind = BootReply::Erased;
        break;
    case 'F':
        reply.kind = BootReply::FReply;
        break;
    case 'P':
        if (buffer.size() >= 5) {
            reply.kind = BootReply::Acknowledged;
            reply.address = quint32(byte(2)) << 16 | quint32(byte(3)) << 8 | byte(4);
        }
        break;
    case 'R':
        reply.kind = BootReply::Running;
        break;
    case '#':
        // The status byte may come in a later read; without it the report would be lost.
        if (buffer.size() >= 3) {
            reply.kind = BootReply::Status;
            reply.code = byte(2);
        }
        break;
    }
    return reply;
}

QString BootFamilyFor(int code, const QString& current)
{
    switch (code) {
    case 17:
        return QStringLiteral("24F");
    case 18:
        return QStringLiteral("24F - Kortix");
    case 19:
        return QStringLiteral("33E");
    default:
        return current;
    }
}

QString BootVersionText(int code)
{
    return QLocale::c().toString(code / 10.0, 'g', QLocale::FloatingPointShortest);
}
