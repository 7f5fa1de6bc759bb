#include "constants/ConstantUpdateCommand.h"

#include "protocol/Floats.h"

QByteArray ConstantUpdateCommand(int index, float value)
{
    return ConstantUpdateCommand(index, SingleToBytes(value));
}

QByteArray ConstantUpdateCommand(int index, const QByteArray& valueBytes)
{
    if (index < 0 || index > 65535 || valueBytes.size() != 4)
        return {};
    QByteArray command;
    command.reserve(7);
    command.append('!');
    command.append(char(index / 256));
    command.append(char(index % 256));
    command.append(valueBytes);
    return command;
}
