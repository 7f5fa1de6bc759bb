#include "plots/PlotExport.h"

#include "record/RecordingFormat.h"

#include <cmath>

QByteArray plotsCsv(const QList<PlotFrames::Frame>& frames, const QDateTime& endedAt,
                    double seconds)
{
    QByteArray out = "# Skyvane plots export, " + QByteArray::number(seconds, 'g', 6) +
                     " s ending " + endedAt.toString(Qt::ISODate).toUtf8() + ", " +
                     QByteArray::number(frames.size()) + " frames\n";
    out += RecordingFormat::columnLines();
    if (frames.isEmpty())
        return out;
    const double first = frames.first().t;
    for (const PlotFrames::Frame& f : frames)
        out += RecordingFormat::row(std::llround((f.t - first) * 1e6), f.kind, f.values);
    return out;
}
