#pragma once

#include "protocol/Measurement.h"

#include <QByteArray>
#include <QList>
#include <QString>

// One frame of a recording: when it arrived and what it carried (kind and values; the angles
// of the Measurement are left at 0, decoding the payload sets them).
struct RecordedFrame
{
    qint64 microseconds = 0;
    Measurement measurement;
};

struct Recording
{
    QString path;
    // The first comment line without its "# " (start time, port, speed, polling rate).
    QString description;
    QList<RecordedFrame> frames;

    // The time of the last frame; 0 without frames.
    qint64 durationUs() const { return frames.isEmpty() ? 0 : frames.last().microseconds; }
};

// Reads a recording file, also as pandas and spreadsheets write it back (what the reader
// forgives: RecordingFormat.h). The last line is dropped silently when it has no line end (the
// writer was killed while writing it); any other malformed line refuses the whole file.
class RecordingReader
{
public:
    struct Result
    {
        Recording recording;
        // Empty on success; otherwise "line N: what is wrong" or "cannot read: reason".
        QString error;
        bool ok() const { return error.isEmpty(); }
    };

    static Result read(const QString& path);
    // The same on the file's contents.
    static Result parse(const QByteArray& contents);

    // The one log line for a refused file: "Replay refused: /path: line 7: ...".
    static QString refusalMessage(const QString& path, const QString& error);
};
