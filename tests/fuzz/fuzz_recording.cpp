// The recording reader on any file content: a file it takes has frames in time order, each of
// a known kind with at most 255 values, and writing those frames as the recorder does and
// reading them again gives the very same frames (times, kinds and every float's 32 bits). A
// file it refuses names the line and keeps no frames.

#include "FuzzCheck.h"

#include "record/RecordingFormat.h"
#include "record/RecordingReader.h"

#include <QByteArray>

#include <bit>
#include <cstdint>

namespace {

bool sameFrames(const QList<RecordedFrame>& a, const QList<RecordedFrame>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const Measurement& x = a[i].measurement;
        const Measurement& y = b[i].measurement;
        if (a[i].microseconds != b[i].microseconds || x.kind != y.kind ||
            x.values.size() != y.values.size())
            return false;
        for (qsizetype v = 0; v < x.values.size(); ++v) {
            if (std::bit_cast<std::uint32_t>(x.values[v]) !=
                std::bit_cast<std::uint32_t>(y.values[v]))
                return false;
        }
    }
    return true;
}

void checkTaken(const Recording& recording)
{
    qint64 previous = 0;
    for (const RecordedFrame& frame : recording.frames) {
        fuzzCheck(frame.microseconds >= previous, "frames in time order from 0");
        previous = frame.microseconds;
        const char kind = frame.measurement.kind;
        fuzzCheck(kind == 'F' || kind == 'G' || kind == 'R' || kind == 'C', "a known kind");
        fuzzCheck(frame.measurement.values.size() <= 255, "at most 255 values a frame");
    }
    fuzzCheck(recording.durationUs() == previous, "the duration is the last frame's time");

    static const QByteArray header = RecordingFormat::headerLines({});
    QByteArray written = header;
    for (const RecordedFrame& frame : recording.frames)
        written += RecordingFormat::row(frame.microseconds, frame.measurement.kind,
                                        frame.measurement.values);
    const RecordingReader::Result reread = RecordingReader::parse(written);
    fuzzCheck(reread.ok(), "what the recorder writes is taken back");
    fuzzCheck(sameFrames(reread.recording.frames, recording.frames),
              "written frames read back the same");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    const RecordingReader::Result result = RecordingReader::parse(content);
    if (result.ok()) {
        checkTaken(result.recording);
    } else {
        fuzzCheck(result.error.startsWith(QLatin1String("line ")), "a refusal names its line");
        fuzzCheck(result.recording.frames.isEmpty(), "a refused file keeps no frames");
    }
    return 0;
}
