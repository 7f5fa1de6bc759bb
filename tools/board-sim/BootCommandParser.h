#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

// One bootloader command: "+V", "+E", "+R", or "+P" with a row.
struct BootCommand
{
    enum class Type
    {
        Version,
        Erase,
        Program,
        Run
    };
    Type type = Type::Version;
    // Program: the three address bytes as received (high, middle, low), the word address
    // they name, and the row's 192 bytes.
    QByteArray addressBytes;
    std::uint32_t address = 0;
    QByteArray data;
};

// Cuts bootloader commands out of the received bytes, which may come in any pieces (a row
// packet is 197 bytes and is usually split). Bytes outside a command are ignored, as is a
// "+" followed by a letter the bootloader does not know.
class BootCommandParser
{
public:
    static constexpr qsizetype RowBytes = 192;

    std::optional<BootCommand> feed(char byte);
    void reset();
    // Whether a "+" has arrived since the last reset.
    bool sawCommandStart() const { return m_sawStart; }

private:
    QByteArray m_pending;
    bool m_sawStart = false;
};
