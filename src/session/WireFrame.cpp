#include "session/WireFrame.h"

QByteArray WireFrame(char kind, const QByteArray& payload)
{
    if (kind == 'C') {
        QByteArray frame(1, 'C');
        frame += payload.left(32);
        frame.append(33 - frame.size(), '\0');
        return frame;
    }
    if (kind != 'F' && kind != 'G' && kind != 'R')
        return {};
    const qsizetype floats = qMin<qsizetype>(payload.size() / 4, 255);
    QByteArray frame(1, kind);
    frame.append(char(floats));
    frame += payload.left(4 * floats);
    return frame;
}
