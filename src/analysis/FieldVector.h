#pragma once

#include "protocol/Measurement.h"

#include <Eigen/Core>

#include <optional>

// The field (Hx, Hy, Hz) a measurement carries: floats 14 to 16 of an F frame, 4 to 6 of an R
// frame. G and C frames carry none; nor does a frame too short to hold them, or one with a
// value that is not finite or exceeds 1e9 in size (the board's "no value").
std::optional<Eigen::Vector3d> fieldVector(const Measurement& m);
