#include "ReplayFrames.h"

#include "record/RecordingReader.h"

QList<QByteArray> loadReplayFrames(const QString& path, QString& error)
{
    const RecordingReader::Result result = RecordingReader::read(path);
    if (!result.ok()) {
        error = QStringLiteral("%1: %2").arg(path, result.error);
        return {};
    }
    QList<QByteArray> frames;
    for (const RecordedFrame& frame : result.recording.frames) {
        const Measurement& m = frame.measurement;
        QByteArray bytes(1, m.kind);
        // The C frame has a fixed length and no count byte.
        if (m.kind != 'C')
            bytes.append(char(m.values.size()));
        frames.append(bytes + m.payload());
    }
    if (frames.isEmpty())
        error = QStringLiteral("%1 holds no frame").arg(path);
    return frames;
}
