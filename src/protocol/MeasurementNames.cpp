#include "protocol/MeasurementNames.h"

namespace {

QByteArray numbered(const char* stem, int k)
{
    return QByteArray(stem) + QByteArray::number(k);
}

QByteArray angle(int k)
{
    static const char* const names[] = {"phi", "theta", "psi"};
    return names[k - 1];
}

QByteArray field(int axis)
{
    static const char* const names[] = {"hx", "hy", "hz"};
    return names[axis];
}

} // namespace

int namedValues(char kind)
{
    switch (kind) {
    case 'F':
        return 18;
    case 'G':
        return 7;
    case 'R':
        return 6;
    case 'C':
        return 8;
    default:
        return 0;
    }
}

QByteArray valueName(char kind, int k)
{
    if (k < 1 || k > namedValues(kind))
        return numbered("f", k);
    if (kind == 'C')
        return k == 8 ? QByteArray("value") : numbered("f", k);
    if (k <= 3)
        return angle(k);
    if (kind == 'G')
        return numbered("value", k - 3);
    if (kind == 'R')
        return field(k - 4);
    if (k >= 14 && k <= 16)
        return field(k - 14);
    return k == 17 ? QByteArray("code") : numbered("f", k);
}
