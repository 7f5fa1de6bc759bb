#include "link/RateText.h"

#include <cmath>

int RateMilliseconds(const QString& text)
{
    QString digits = text;
    digits.remove(QStringLiteral("ms"));
    bool ok = false;
    const double value = digits.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return -1;
    const double rounded = std::nearbyint(value);
    if (rounded < 0 || rounded > 65535)
        return -1;
    return static_cast<int>(rounded);
}
