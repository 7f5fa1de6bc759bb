#include "CliCommands.h"
#include "CliExit.h"
#include "CliOptions.h"
#include "Terminal.h"
#include "analysis/CalibrationReport.h"
#include "analysis/FieldVector.h"
#include "record/RecordingReader.h"

#include <vector>

int runMagfit(Terminal& terminal, const QStringList& args)
{
    CliOptions options(
        QStringLiteral("skyvane-cli magfit FILE [--json]"),
        QStringLiteral(
            "Fits the hard and soft iron of the magnetometer to the Hx, Hy, Hz of the F and R "
            "frames of a recording (an ellipsoid fit) and prints the result, corrected = S * "
            "(raw - h) = S * raw - b with b = S * h, and its quality: the RMS residual, the "
            "coverage of the directions, the spread of |B| before and after, the fit's "
            "condition and a verdict (good, poor or insufficient). Exits 2 on a bad file, 1 "
            "when the points are too few or too flat for a fit."));
    options.addOption({QStringLiteral("json"),
                       QStringLiteral("One JSON object: count, offset, soft_iron (rows of S), "
                                      "field, rms, rms_percent, coverage_percent, verdict.")});
    if (const int code = options.parse(args, terminal, 1); code >= 0)
        return code;
    const QString path = options.positional().first();
    const RecordingReader::Result read = RecordingReader::read(path);
    if (!read.ok()) {
        terminal.error(QStringLiteral("recording %1: %2").arg(path, read.error));
        return ExitBadUsage;
    }
    std::vector<Eigen::Vector3d> points;
    points.reserve(std::size_t(read.recording.frames.size()));
    for (const RecordedFrame& frame : read.recording.frames)
        if (const std::optional<Eigen::Vector3d> field = fieldVector(frame.measurement))
            points.push_back(*field);

    const MagneticCalibration calibration = calibrateMagnetometer(points);
    if (options.parser.isSet(QStringLiteral("json")))
        terminal.out(calibrationJson(calibration));
    else
        terminal.out(calibrationText(calibration).toUtf8());
    return calibration.fitted ? ExitDone : ExitBoardFailed;
}
