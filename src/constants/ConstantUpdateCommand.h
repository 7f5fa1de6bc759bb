#pragma once

#include <QByteArray>

// The update command for one constant: "!", index high byte, index low byte, the value's 4
// float bytes (7 bytes). The index must lie in 0..65535; outside it the result is empty.
QByteArray ConstantUpdateCommand(int index, float value);
// The same with the value's 4 float bytes as they stand (an entry of the table as read, sent
// back bit for bit). Empty also when valueBytes does not hold exactly 4 bytes.
QByteArray ConstantUpdateCommand(int index, const QByteArray& valueBytes);
