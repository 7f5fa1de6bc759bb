#pragma once

#include "Motion.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <map>
#include <optional>

// Everything the command line can set; an empty optional means the option is off.
struct Options
{
    QString linkPath;
    char frameKind = 'F';
    int streamMs = 33;
    double stepSeconds = 3.0;
    int constants = 30;
    int bootVersion = 19;
    QString flashOut;
    QString recordPath;
    std::optional<FixedAttitude> fixed;
    // The board turns through every direction (a magnetometer calibration's motion).
    bool tumble = false;
    // The field as the board measures it: A * field + h (--soft-iron A, row by row,
    // --hard-iron h), with white noise of --sensor-noise on every accelerometer, gyrometer and
    // magnetometer value and the rates' bias wandering by --rate-walk per root second.
    std::optional<std::array<double, 3>> hardIron;
    std::optional<std::array<double, 9>> softIron;
    double sensorNoise = 0;
    double rateWalk = 0;
    // With --replay: the recording's frames, answered to "F" one after the other, in a loop.
    QList<QByteArray> replayFrames;
    // The last float of an F frame counts the measurement frames (1, 2, ...) instead of holding
    // the board's time.
    bool numberFrames = false;

    int noise = 0;
    bool shortFrames = false;
    bool badFirstByte = false;
    bool silent = false;
    std::optional<int> dropAfter;
    std::optional<int> constantsSplitMs;
    bool noConstantsReply = false;
    // An erase of the flash also resets the constants table to a fresh board's.
    bool eraseConstants = false;
    // Answers only while the program's side of the line is set to this speed (as a board at
    // another speed hears nothing it understands).
    std::optional<int> onlySpeed;
    // Output is held as by an adapter whose latency timer is this long (see LatencyHold).
    int latencyMs = 0;
    // Sent instead of every application answer (a frame) while the faults are on.
    std::optional<QByteArray> appReply;
    // The application's faults (silent, noise, appReply) start once this many frames have
    // been sent; 0: from the start.
    int faultAfter = 0;
    // Each answer to "F" goes out this long after the request, carrying lateFrameBytes in its
    // last float: a frame that arrives after the program stopped reading frames.
    std::optional<int> lateFramesMs;
    QByteArray lateFrameBytes = QByteArrayLiteral("+Z");

    std::optional<int> bootFailEvery;
    // Rows answered "+F" before the first is acknowledged (a download that fails, then one
    // that works).
    int bootFailFirst = 0;
    bool bootChecksumError = false;
    int bootNoise = 0;
    std::optional<int> bootSilentAfter;
    std::optional<int> bootDropAfter;
    // Replies replacing the bootloader's own, by command letter (V, E, P, R); an empty
    // reply means no answer at all.
    std::map<char, QByteArray> bootReplies;

    int baud = 0;
    // Output is dropped once the program has left this many bytes unread (about a second of
    // frames at the usual rate), as on a line nobody listens to; 0: never.
    int readerBacklog = 4000;
    // With --tcp: the board is also served on this TCP port of 127.0.0.1 (0: a free one).
    std::optional<int> tcpPort;
};

// Parses the arguments (the program name first). Either options, or the help text asked for
// with --help, or an error text.
struct ParsedOptions
{
    std::optional<Options> options;
    QString helpText;
    QString error;
};
ParsedOptions parseOptions(const QStringList& arguments);
