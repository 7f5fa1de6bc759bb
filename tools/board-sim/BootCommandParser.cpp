#include "BootCommandParser.h"

namespace {

constexpr qsizetype ProgramLength = 2 + 3 + BootCommandParser::RowBytes;

} // namespace

void BootCommandParser::reset()
{
    m_pending.clear();
    m_sawStart = false;
}

std::optional<BootCommand> BootCommandParser::feed(char byte)
{
    if (m_pending.isEmpty()) {
        if (byte == '+') {
            m_pending.append(byte);
            m_sawStart = true;
        }
        return std::nullopt;
    }

    m_pending.append(byte);
    BootCommand command;
    if (m_pending.size() == 2) {
        switch (byte) {
        case 'V':
            command.type = BootCommand::Type::Version;
            break;
        case 'E':
            command.type = BootCommand::Type::Erase;
            break;
        case 'R':
            command.type = BootCommand::Type::Run;
            break;
        case 'P':
            return std::nullopt;
        case '+':
            // An unknown command letter that is itself a "+" may begin the next command.
            m_pending = "+";
            return std::nullopt;
        default:
            m_pending.clear();
            return std::nullopt;
        }
        m_pending.clear();
        return command;
    }

    if (m_pending.size() < ProgramLength)
        return std::nullopt;
    command.type = BootCommand::Type::Program;
    command.addressBytes = m_pending.mid(2, 3);
    command.address = static_cast<std::uint32_t>(static_cast<std::uint8_t>(m_pending[2])) << 16 |
                      static_cast<std::uint32_t>(static_cast<std::uint8_t>(m_pending[3])) << 8 |
                      static_cast<std::uint32_t>(static_cast<std::uint8_t>(m_pending[4]));
    command.data = m_pending.mid(5, RowBytes);
    m_pending.clear();
    return command;
}
