#include "firmware/SecondsText.h"

#include <cmath>

QString SecondsText(double seconds, const QLocale& locale)
{
    const double tenths = std::nearbyint(seconds * 10);
    QLocale plain = locale;
    plain.setNumberOptions(plain.numberOptions() | QLocale::OmitGroupSeparator);
    return plain.toString(tenths / 10, 'f', QLocale::FloatingPointShortest);
}
