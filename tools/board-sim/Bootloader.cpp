#include "Bootloader.h"

namespace {

constexpr char NoiseByte = 0x78;

char letterOf(BootCommand::Type type)
{
    switch (type) {
    case BootCommand::Type::Version:
        return 'V';
    case BootCommand::Type::Erase:
        return 'E';
    case BootCommand::Type::Program:
        return 'P';
    case BootCommand::Type::Run:
        return 'R';
    }
    return '?';
}

} // namespace

Bootloader::Bootloader(const Options& options, FlashModel& flash)
    : m_options(options), m_flash(flash)
{}

Bootloader::Outcome Bootloader::handle(const BootCommand& command)
{
    Outcome outcome;
    if (command.type == BootCommand::Type::Program && m_options.bootSilentAfter &&
        m_rows >= *m_options.bootSilentAfter)
        m_silent = true;
    if (m_silent)
        return outcome;

    QByteArray reply;
    switch (command.type) {
    case BootCommand::Type::Version:
        reply = QByteArray("+V") + static_cast<char>(m_options.bootVersion);
        break;
    case BootCommand::Type::Erase:
        m_flash.erase();
        reply = "+E";
        break;
    case BootCommand::Type::Run:
        reply = "+R";
        outcome.run = true;
        break;
    case BootCommand::Type::Program: {
        ++m_rows;
        bool stored = false;
        reply = rowReply(command, stored);
        if (stored)
            m_flash.program(command.address, command.data);
        outcome.drop = m_options.bootDropAfter && m_rows >= *m_options.bootDropAfter;
        break;
    }
    }
    const auto replaced = m_options.bootReplies.find(letterOf(command.type));
    if (replaced != m_options.bootReplies.end())
        reply = replaced->second;
    if (!reply.isEmpty())
        outcome.reply = QByteArray(m_options.bootNoise, NoiseByte) + reply;
    return outcome;
}

QByteArray Bootloader::rowReply(const BootCommand& command, bool& stored)
{
    stored = false;
    if (m_options.bootChecksumError)
        return QByteArray("+#\x01", 3);
    if (m_rows <= m_options.bootFailFirst)
        return "+F";
    if (m_options.bootFailEvery && m_rows % *m_options.bootFailEvery == 0)
        return "+F";
    stored = true;
    return "+P" + command.addressBytes;
}
