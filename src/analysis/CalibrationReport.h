#pragma once

#include "analysis/MagneticCalibration.h"

#include <QByteArray>
#include <QString>

// The calibration as one JSON object (skyvane-cli magfit --json and the window's export):
// "count", "offset" (h, 3 numbers), "soft_iron" (S of S * (raw - h), three rows of three),
// "field" (B), "rms", "rms_percent", "coverage_percent", "verdict" ("good", "poor",
// "insufficient"). Without a fit the offset, matrix, field and residuals are null.
QByteArray calibrationJson(const MagneticCalibration& c);

// The same for a person: the figures with their thresholds, the result in both conventions
// in words, and the verdict.
QString calibrationText(const MagneticCalibration& c);

// A number as the reports write it: 6 significant digits.
QString reportNumber(double value);
