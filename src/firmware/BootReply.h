#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// What the head of the bootloader's reply bytes holds, read as a bootloader reply ("+" and a
// letter, then the letter's own bytes).
struct BootReply
{
    enum Kind
    {
        // Not a whole reply yet: nothing, "+" alone, or "+V"/"+P"/"+#" short of bytes.
        Incomplete,
        Version,
        Erased,
        FReply,
        Acknowledged,
        Running,
        Status,
    };

    Kind kind = Incomplete;
    // The version code of "+V", or the status byte of "+#" (-1 for other replies).
    int code = -1;
    // The row address of "+P", big-endian 24 bits.
    quint32 address = 0;

    // A reply the wait acts on and returns; the others keep it waiting for more bytes.
    bool isComplete() const { return kind != Incomplete; }
};

// Drops the bytes before the first "+" that may start a reply (one followed by a reply's
// letter, or last in the buffer) from buffer, then reads the reply at its head. The reply
// itself stays in the buffer.
BootReply ParseBootReply(QByteArray& buffer);

// The family a version code names ("33E", "24F", "24F - Kortix"), or current for other codes.
QString BootFamilyFor(int code, const QString& current);
// The code divided by ten, as the shortest decimal text with ".": 17 gives "1.7", 20 "2".
QString BootVersionText(int code);
