#pragma once

#include "Motion.h"

#include <QString>
#include <QStringList>

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

    int noise = 0;
    bool shortFrames = false;
    bool badFirstByte = false;
    bool silent = false;
    std::optional<int> dropAfter;
    std::optional<int> constantsSplitMs;
    bool noConstantsReply = false;

    std::optional<int> bootFailEvery;
    bool bootChecksumError = false;
    int bootNoise = 0;
    std::optional<int> bootSilentAfter;
    std::optional<int> bootDropAfter;

    int baud = 0;
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
