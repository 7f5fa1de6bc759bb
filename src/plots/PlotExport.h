#pragma once

#include "plots/PlotFrames.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

// The frames of a shown span as a recording file (comment line, the kinds' column lines, the
// header row, one row per frame), so the export opens in a spreadsheet and replays like a
// recording. Times count from the first frame; endedAt is the wall-clock time of the span's
// right edge, seconds the span's length.
QByteArray plotsCsv(const QList<PlotFrames::Frame>& frames, const QDateTime& endedAt,
                    double seconds);
