#pragma once

#include <QString>

#include <optional>

// The instruction for a calibration step code reported by the board: codes 0 to 13 give their
// text (0 the empty text, which clears the prompt); any other value, fractions and NaN
// included, gives nothing and the last prompt stays.
std::optional<QString> CalibrationPrompt(float code);
