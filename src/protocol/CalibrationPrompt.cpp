#include "protocol/CalibrationPrompt.h"

#include <array>
#include <cmath>

std::optional<QString> CalibrationPrompt(float code)
{
    static const std::array<QString, 14> texts = {
        QString(),
        QStringLiteral("On the left (Phi=-90\u00B0)"),
        QStringLiteral("Measuring..."),
        QStringLiteral("On the right (Phi=+90\u00B0)"),
        QStringLiteral("On the front (Theta=-90\u00B0)"),
        QStringLiteral("On the back (Theta=+90\u00B0)"),
        QStringLiteral("Upside down"),
        QStringLiteral("Horizontal"),
        QStringLiteral("Done"),
        QStringLiteral("Phi Rotation (Right)...Ready?"),
        QStringLiteral("Turn and wait"),
        QStringLiteral("Theta Rotation (Up)...Ready?"),
        QStringLiteral("Psi Rotation (right)...Ready?"),
        QStringLiteral("Point every possible direction"),
    };
    if (!(code >= 0.0f && code <= 13.0f) || std::trunc(code) != code)
        return std::nullopt;
    return texts[std::size_t(code)];
}
