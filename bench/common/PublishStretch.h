#pragma once

#include "protocol/Measurement.h"

#include <QCoreApplication>

#include <functional>
#include <optional>

class MeasurementStream;

// CPU time of this process so far, in seconds.
double ProcessCpuSeconds();

// An F frame whose 18 values change from frame to frame, with all their digits.
Measurement ChangingFrameF(int k);

struct Stretch
{
    double wallSeconds = 0;
    double cpuSeconds = 0;
    int frames = 0;
    double percent() const { return 100.0 * cpuSeconds / wallSeconds; }
};

// Publishes changing F frames into the stream every periodMs for the seconds, on a precise
// timer as the polling does, and measures this process. `beforeEnd` runs inside the measured
// stretch (e.g. a recorder's stop, whose last write belongs to the cost).
Stretch PublishFor(MeasurementStream& stream, int periodMs, int seconds,
                   const std::function<void()>& beforeEnd = {});

struct StretchOptions
{
    int seconds = 10;
    int frames = 200000;
};

// --seconds (each measured stretch) and --frames (frames handled back to back), both positive;
// nothing after printing why to standard error.
std::optional<StretchOptions> ParseStretchOptions(const QCoreApplication& app, const char* program,
                                                  const char* description);
