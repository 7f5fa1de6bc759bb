#include "AppCommandParser.h"

#include <bit>
#include <cstdint>

namespace {

constexpr qsizetype WriteLength = 7;

float floatAt(const QByteArray& bytes, qsizetype offset)
{
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
    return std::bit_cast<float>(bits);
}

} // namespace

std::optional<AppCommand> AppCommandParser::feed(char byte)
{
    if (!m_write.isEmpty()) {
        m_write.append(byte);
        if (m_write.size() < WriteLength)
            return std::nullopt;
        AppCommand command;
        command.type = AppCommand::Type::WriteConstant;
        command.index =
            static_cast<std::uint8_t>(m_write[1]) * 256 + static_cast<std::uint8_t>(m_write[2]);
        command.value = floatAt(m_write, 3);
        m_write.clear();
        return command;
    }

    AppCommand command;
    switch (byte) {
    case 'F':
        command.type = AppCommand::Type::Measure;
        return command;
    case 'C':
        command.type = AppCommand::Type::ToggleStream;
        return command;
    case 'R':
        command.type = AppCommand::Type::Align;
        return command;
    case '4':
    case '5':
    case '6':
        command.type = AppCommand::Type::Calibrate;
        command.code = byte;
        return command;
    case '[':
        command.type = AppCommand::Type::RequestConstants;
        return command;
    case '3':
        command.type = AppCommand::Type::SaveConstants;
        return command;
    case '>':
        command.type = AppCommand::Type::RestoreConstants;
        return command;
    case 'G':
        command.type = AppCommand::Type::Reset;
        return command;
    case '!':
        m_write.append(byte);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}
