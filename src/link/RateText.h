#pragma once

#include <QString>

// The polling-rate text of the connection choices as milliseconds: "ms" removed, a whole
// number 0..65535 (a fraction is rounded half to even); -1 when the text is no such number.
int RateMilliseconds(const QString& text);
