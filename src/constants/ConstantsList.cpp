#include "constants/ConstantsList.h"

#include "constants/ConstantValueText.h"
#include "protocol/Floats.h"

QStringList ConstantsListLines(const QByteArray& payload)
{
    QStringList lines;
    const qsizetype count = payload.size() / 4;
    lines.reserve(count);
    for (qsizetype index = 0; index < count; ++index) {
        const float value = BytesToSingle(payload.mid(4 * index, 4));
        lines.append(QStringLiteral("K[") + QString::number(index) + QStringLiteral("]\t") +
                     ConstantValueText(value));
    }
    return lines;
}
