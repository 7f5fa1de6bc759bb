#include "Application.h"

#include "FrameEncoding.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr char NoiseByte = 0x78;
constexpr qsizetype ShortFFloats = 10;
constexpr qsizetype ShortGRFloats = 3;

float f(double value)
{
    return static_cast<float>(value);
}

Calibration::Kind calibrationKind(char code)
{
    switch (code) {
    case '5':
        return Calibration::Kind::Gyrometers;
    case '6':
        return Calibration::Kind::Magnetometers;
    default:
        return Calibration::Kind::Accelerometers;
    }
}

} // namespace

Application::Application(const Options& options)
    : m_options(options), m_motion(options.fixed, options.tumble), m_sensorErrors(options),
      m_calibration(options.stepSeconds), m_constants(options.constants),
      m_faultsOn(options.faultAfter == 0)
{}

Application::Outcome Application::handle(const AppCommand& command, double now)
{
    Outcome outcome;
    switch (command.type) {
    case AppCommand::Type::Measure:
        outcome.output = measurement(now);
        if (m_options.lateFramesMs && !outcome.output.isEmpty()) {
            QByteArray& last = outcome.output.last().bytes;
            if (last.size() >= 4)
                last.replace(last.size() - 4, m_options.lateFrameBytes.size(),
                             m_options.lateFrameBytes);
            outcome.delayMs = *m_options.lateFramesMs;
        }
        break;
    case AppCommand::Type::ToggleStream:
        outcome.toggleStream = true;
        break;
    case AppCommand::Type::Align:
        outcome.output = shaped(FrameEncoding::textFrame("Alignment done"), false);
        break;
    case AppCommand::Type::Calibrate:
        m_calibration.start(calibrationKind(command.code), now);
        break;
    case AppCommand::Type::RequestConstants:
        if (!m_options.noConstantsReply)
            outcome.output = shaped(FrameEncoding::constantsFrame(m_constants.entries()),
                                    m_options.constantsSplitMs.has_value());
        break;
    case AppCommand::Type::WriteConstant:
        m_constants.write(command.index, command.value);
        break;
    case AppCommand::Type::SaveConstants:
        m_constants.save();
        break;
    case AppCommand::Type::RestoreConstants:
        m_constants.restore();
        break;
    case AppCommand::Type::Reset:
        outcome.reset = true;
        break;
    }
    if (m_faultsOn && m_options.appReply && !outcome.output.isEmpty())
        outcome.output = {Chunk{*m_options.appReply, 0, true}};
    return outcome;
}

Chunks Application::measurement(double now)
{
    const QList<QByteArray>& replay = m_options.replayFrames;
    if (!replay.isEmpty())
        return shaped(replay.at(m_replayNext++ % replay.size()), false);
    return shaped(measurementFrame(now, ++m_measurements), false);
}

void Application::restart()
{
    m_calibration.stop();
}

QByteArray Application::measurementFrame(double now, qint64 number)
{
    SensorSample s = m_motion.at(now);
    m_sensorErrors.apply(s, now);
    const float phi = f(s.phi);
    const float theta = f(s.theta);
    const float psi = f(s.psi);
    switch (m_options.frameKind) {
    case 'G': {
        QList<float> values{phi,           theta,           psi, f(s.accel[0]), f(s.accel[1]),
                            f(s.accel[2]), f(s.temperature)};
        if (m_options.shortFrames)
            values.resize(ShortGRFloats);
        return FrameEncoding::countedFrame('G', values);
    }
    case 'R': {
        QList<float> values{phi, theta, psi, f(s.hx), f(s.hy), f(s.hz)};
        if (m_options.shortFrames)
            values.resize(ShortGRFloats);
        return FrameEncoding::countedFrame('R', values);
    }
    case 'C': {
        const double headingDegrees = s.psi * 180.0 / 3.14159265358979323846;
        return FrameEncoding::fixedFrame(
            {phi, theta, psi, f(s.hx), f(s.hy), f(s.hz), f(s.temperature), f(headingDegrees)});
    }
    default:
        break;
    }
    QList<float> values{phi,
                        theta,
                        psi,
                        f(s.accel[0]),
                        f(s.accel[1]),
                        f(s.accel[2]),
                        f(s.rates[0]),
                        f(s.rates[1]),
                        f(s.rates[2]),
                        f(s.hx),
                        f(s.hy),
                        f(s.hz),
                        f(s.temperature),
                        f(s.hx),
                        f(s.hy),
                        f(s.hz),
                        f(m_calibration.stepCode(now)),
                        m_options.numberFrames ? f(double(number)) : f(std::fmod(now, 1.0e6))};
    if (m_options.shortFrames)
        values.resize(ShortFFloats);
    return FrameEncoding::countedFrame('F', values);
}

Chunks Application::shaped(const QByteArray& frame, bool split)
{
    QByteArray lead(m_faultsOn ? m_options.noise : 0, NoiseByte);
    if (m_options.badFirstByte && !m_firstFrameSent)
        lead.prepend(NoiseByte);
    m_firstFrameSent = true;

    if (!split)
        return {Chunk{lead + frame, 0, true}};

    // Three pieces: the header cut inside the count, then the payload cut in the middle.
    const int gap = m_options.constantsSplitMs.value_or(0);
    const qsizetype first = 3;
    const qsizetype second = std::clamp<qsizetype>(frame.size() / 2, first + 1, frame.size() - 1);
    return {Chunk{lead + frame.left(first), 0, false},
            Chunk{frame.mid(first, second - first), gap, false},
            Chunk{frame.mid(second), gap, true}};
}
