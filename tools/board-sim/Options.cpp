#include "Options.h"

#include "ReplayFrames.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <limits>

namespace {

struct Failure
{
    QString text;
};

int intValue(const QCommandLineParser& parser, const QString& name, int minimum,
             int maximum = std::numeric_limits<int>::max())
{
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < minimum || value > maximum)
        throw Failure{QStringLiteral("--%1 needs a whole number from %2 to %3, not \"%4\"")
                          .arg(name)
                          .arg(minimum)
                          .arg(maximum)
                          .arg(parser.value(name))};
    return value;
}

std::optional<int> optionalInt(const QCommandLineParser& parser, const QString& name, int minimum)
{
    if (!parser.isSet(name))
        return std::nullopt;
    return intValue(parser, name, minimum);
}

QByteArray hexBytes(const QString& option, const QString& text)
{
    static const QRegularExpression hex(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
    if (!hex.match(text).hasMatch())
        throw Failure{QStringLiteral("--%1 needs bytes in hexadecimal (\"2B46\"), not \"%2\"")
                          .arg(option, text)};
    return QByteArray::fromHex(text.toLatin1());
}

std::map<char, QByteArray> bootReplies(const QStringList& texts)
{
    std::map<char, QByteArray> replies;
    for (const QString& text : texts) {
        if (text.size() < 2 || !QStringLiteral("VEPR").contains(text.at(0)) ||
            text.at(1) != QLatin1Char('='))
            throw Failure{
                QStringLiteral("--boot-reply needs a command letter V, E, P or R, \"=\" and "
                               "hexadecimal bytes (\"V=2B46\"), not \"%1\"")
                    .arg(text)};
        replies[text.at(0).toLatin1()] = hexBytes(QStringLiteral("boot-reply"), text.mid(2));
    }
    return replies;
}

FixedAttitude fixedAttitude(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    double values[3] = {0, 0, 0};
    bool ok = parts.size() == 3;
    for (qsizetype i = 0; ok && i < 3; ++i)
        values[i] = parts[i].trimmed().toDouble(&ok);
    if (!ok)
        throw Failure{
            QStringLiteral("--fixed needs three numbers PHI,THETA,PSI in degrees, not \"%1\"")
                .arg(text)};
    return {values[0], values[1], values[2]};
}

template <std::size_t N>
std::array<double, N> numbers(const QCommandLineParser& parser, const QString& name,
                              const char* form)
{
    const QStringList parts = parser.value(name).split(QLatin1Char(','));
    std::array<double, N> values{};
    bool ok = parts.size() == qsizetype(N);
    for (std::size_t i = 0; ok && i < N; ++i)
        values[i] = parts[qsizetype(i)].trimmed().toDouble(&ok);
    if (!ok)
        throw Failure{QStringLiteral("--%1 needs %2 numbers %3, not \"%4\"")
                          .arg(name)
                          .arg(N)
                          .arg(QLatin1String(form), parser.value(name))};
    return values;
}

double nonNegative(const QCommandLineParser& parser, const QString& name)
{
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok || !(value >= 0) || value > 1e6)
        throw Failure{QStringLiteral("--%1 needs a number of 0 or more, not \"%2\"")
                          .arg(name, parser.value(name))};
    return value;
}

void addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        "A virtual attitude and heading sensor board on a pseudo-terminal.\n"
        "Prints the pseudo-terminal's path as the first line of standard output, then serves\n"
        "the board's application and bootloader until it is terminated.");
    parser.addHelpOption();
    parser.addOptions({
        {"link", "Also keep a symbolic link to the pseudo-terminal at <path>.", "path"},
        {"tcp",
         "Also serve the board on TCP <port> of 127.0.0.1 (one client at a time, as a serial "
         "device server does; 0 picks a free port), printed as socket://127.0.0.1:PORT on the "
         "second line of standard output.",
         "port"},
        {"frame", "Kind of measurement frame answered to \"F\": F, G, R or C (default F).", "kind",
         "F"},
        {"stream-ms", "Interval of the frame stream toggled by \"C\" (default 33).", "ms", "33"},
        {"step-seconds", "Duration of one calibration step (default 3).", "seconds", "3"},
        {"constants", "Number of entries in the constants table (default 30).", "n", "30"},
        {"boot-version", "Version code of the bootloader's \"+V\" reply (default 19).", "code",
         "19"},
        {"flash-out", "Keep <file> listing the flash rows programmed since the last erase.",
         "file"},
        {"record", "Append every received byte to <file>.", "file"},
        {"number-frames",
         "The last float of each F frame counts the measurement frames sent (1, 2, ...)."},
        {"fixed", "Freeze the attitude at PHI,THETA,PSI degrees.", "phi,theta,psi"},
        {"tumble",
         "Turn through every direction: a whole roll every 2 s, pitch swinging by 85 degrees, a "
         "whole turn of heading every 4.3 s (the field turns with the board)."},
        {"hard-iron", "Add X,Y,Z to the measured field (hard iron).", "x,y,z"},
        {"soft-iron",
         "Multiply the field by the matrix A11,A12,...,A33 (row by row) before the hard iron "
         "(soft iron).",
         "a11,...,a33"},
        {"sensor-noise",
         "White noise of this standard deviation on every accelerometer, gyrometer and "
         "magnetometer value.",
         "sigma"},
        {"rate-walk", "The rates' bias wanders as a random walk of this much per root second.",
         "k"},
        {"replay",
         "Answer each \"F\" with the next frame recorded in <file> (a Skyvane recording), "
         "from the first again after the last.",
         "file"},
        {"noise", "Send <n> bytes 0x78 before every application frame.", "n"},
        {"short-frames", "F frames say and carry 10 floats only (G and R frames: 3)."},
        {"bad-first-byte", "Send one byte 0x78 before the first frame only."},
        {"silent", "Never answer anything."},
        {"drop-after", "Close the link and exit after <n> frames have been sent.", "n"},
        {"constants-split", "Deliver the constants frame in 3 pieces, <ms> apart.", "ms"},
        {"no-constants-reply", "Do not answer \"[\"."},
        {"erase-constants", "An erase of the flash also resets the constants table to defaults."},
        {"speed",
         "Answer only while the program has set the line to <baud> bits per second (read from "
         "the pseudo-terminal's settings); at any other speed answer nothing.",
         "baud"},
        {"latency",
         "Hold the output as a USB serial adapter with a latency timer of <ms> does: full "
         "62-byte packets at once, the rest <ms> later (an FTDI adapter's default is 16).",
         "ms"},
        {"app-reply", "Answer every command that has an answer with these bytes instead.", "hex"},
        {"fault-after", "--silent, --noise and --app-reply start once <n> frames have been sent.",
         "n"},
        {"late-frames",
         "Answer \"F\" <ms> after the request, with \"+\" 0x5A (or --late-frame-bytes) in the "
         "frame's last float.",
         "ms"},
        {"late-frame-bytes", "Up to 4 bytes put in a late frame's last float (default 2B5A).",
         "hex"},
        {"boot-fail-every", "Answer \"+F\" instead of acknowledging every <n>th row.", "n"},
        {"boot-fail-first", "Answer \"+F\" instead of acknowledging the first <n> rows.", "n"},
        {"boot-checksum-error", "Answer rows with \"+#\" 0x01."},
        {"boot-noise", "Send <n> bytes 0x78 before every bootloader reply.", "n"},
        {"boot-silent-after", "The bootloader stops answering after <n> rows.", "n"},
        {"boot-drop-after", "Close the link and exit after answering <n> rows.", "n"},
        {"boot-reply",
         "Answer the bootloader command X (V, E, P or R) with these bytes instead (none: no "
         "answer). May be repeated.",
         "X=hex"},
        {"baud", "Emulate the wire time of <rate> bits per second both ways.", "rate"},
        {"backlog",
         "Drop output once the program has left <bytes> unread (default 4000; 0: never).", "bytes"},
    });
}

Options readOptions(const QCommandLineParser& parser)
{
    Options o;
    o.linkPath = parser.value("link");
    const QString kind = parser.value("frame");
    if (kind.size() != 1 || !QStringLiteral("FGRC").contains(kind))
        throw Failure{QStringLiteral("--frame needs F, G, R or C, not \"%1\"").arg(kind)};
    o.frameKind = kind.at(0).toLatin1();
    o.streamMs = intValue(parser, "stream-ms", 1);
    bool ok = false;
    o.stepSeconds = parser.value("step-seconds").toDouble(&ok);
    if (!ok || !(o.stepSeconds > 0) || o.stepSeconds > 86400)
        throw Failure{QStringLiteral("--step-seconds needs a positive number, not \"%1\"")
                          .arg(parser.value("step-seconds"))};
    o.constants = intValue(parser, "constants", 0, 65536);
    o.bootVersion = intValue(parser, "boot-version", 0, 255);
    o.flashOut = parser.value("flash-out");
    o.recordPath = parser.value("record");
    o.numberFrames = parser.isSet("number-frames");
    if (parser.isSet("fixed"))
        o.fixed = fixedAttitude(parser.value("fixed"));
    o.tumble = parser.isSet("tumble");
    if (parser.isSet("hard-iron"))
        o.hardIron = numbers<3>(parser, "hard-iron", "X,Y,Z");
    if (parser.isSet("soft-iron"))
        o.softIron = numbers<9>(parser, "soft-iron", "A11,A12,A13,A21,...,A33");
    if (parser.isSet("sensor-noise"))
        o.sensorNoise = nonNegative(parser, "sensor-noise");
    if (parser.isSet("rate-walk"))
        o.rateWalk = nonNegative(parser, "rate-walk");
    if (parser.isSet("replay")) {
        QString error;
        o.replayFrames = loadReplayFrames(parser.value("replay"), error);
        if (!error.isEmpty())
            throw Failure{QStringLiteral("--replay: %1").arg(error)};
    }

    if (parser.isSet("noise"))
        o.noise = intValue(parser, "noise", 0, 65536);
    o.shortFrames = parser.isSet("short-frames");
    o.badFirstByte = parser.isSet("bad-first-byte");
    o.silent = parser.isSet("silent");
    o.dropAfter = optionalInt(parser, "drop-after", 1);
    o.constantsSplitMs = optionalInt(parser, "constants-split", 0);
    o.noConstantsReply = parser.isSet("no-constants-reply");
    o.eraseConstants = parser.isSet("erase-constants");
    if (parser.isSet("speed"))
        o.onlySpeed = intValue(parser, "speed", 50, 100000000);
    if (parser.isSet("latency"))
        o.latencyMs = intValue(parser, "latency", 0, 60000);
    if (parser.isSet("app-reply"))
        o.appReply = hexBytes(QStringLiteral("app-reply"), parser.value("app-reply"));
    if (parser.isSet("fault-after"))
        o.faultAfter = intValue(parser, "fault-after", 0);
    o.lateFramesMs = optionalInt(parser, "late-frames", 0);
    if (parser.isSet("late-frame-bytes")) {
        o.lateFrameBytes =
            hexBytes(QStringLiteral("late-frame-bytes"), parser.value("late-frame-bytes"));
        if (o.lateFrameBytes.isEmpty() || o.lateFrameBytes.size() > 4)
            throw Failure{QStringLiteral("--late-frame-bytes needs 1 to 4 bytes, not \"%1\"")
                              .arg(parser.value("late-frame-bytes"))};
    }

    o.bootFailEvery = optionalInt(parser, "boot-fail-every", 1);
    if (parser.isSet("boot-fail-first"))
        o.bootFailFirst = intValue(parser, "boot-fail-first", 0);
    o.bootChecksumError = parser.isSet("boot-checksum-error");
    if (parser.isSet("boot-noise"))
        o.bootNoise = intValue(parser, "boot-noise", 0, 65536);
    o.bootSilentAfter = optionalInt(parser, "boot-silent-after", 0);
    o.bootDropAfter = optionalInt(parser, "boot-drop-after", 1);
    o.bootReplies = bootReplies(parser.values("boot-reply"));
    if (parser.isSet("baud"))
        o.baud = intValue(parser, "baud", 50, 100000000);
    if (parser.isSet("backlog"))
        o.readerBacklog = intValue(parser, "backlog", 0);
    o.tcpPort = optionalInt(parser, "tcp", 0);
    if (o.tcpPort && *o.tcpPort > 65535)
        throw Failure{QStringLiteral("--tcp needs a port from 0 to 65535")};
    return o;
}

} // namespace

ParsedOptions parseOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    addOptions(parser);
    ParsedOptions result;
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (parser.isSet("help")) {
        result.helpText = parser.helpText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error =
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first());
        return result;
    }
    try {
        result.options = readOptions(parser);
    } catch (const Failure& failure) {
        result.error = failure.text;
    }
    return result;
}
