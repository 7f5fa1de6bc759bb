#include "constants/ConstantUpdateCommand.h"

#include "protocol/Floats.h"

QByteArray ConstantUpdateCommand(int index, float value)
{
    if (index < 0 || index > 65535)
        return {};
    QByteArray command;
    command.reserve(7);
    command.append('!');
    command.append(char(index / 256));
    command.append(char(index % 256));
    command.append(SingleToBytes(value));
    return command;
}
