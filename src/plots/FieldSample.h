#pragma once

#include "protocol/Measurement.h"

#include <QPointF>

#include <optional>

// The horizontal field (Hx, Hy) a measurement carries: floats 14 and 15 of an F frame, 4 and 5
// of an R frame. G and C frames carry none; nor does a frame too short to hold them, or one
// whose Hx or Hy is not finite or exceeds 1e9 in magnitude (the board's "no value").
std::optional<QPointF> horizontalField(const Measurement& m);
