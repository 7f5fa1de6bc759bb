#include "Motion.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double TwoPi = 2.0 * std::numbers::pi;
constexpr double RollPeriod = 7.0;
constexpr double PitchPeriod = 11.0;
constexpr double HeadingTurnSeconds = 60.0;
// The tumble: fast enough that ten seconds visit nearly every direction of the field.
constexpr double TumbleRollSeconds = 2.0;
constexpr double TumblePitchSeconds = 3.1;
constexpr double TumblePitchAmplitude = 85.0 * std::numbers::pi / 180.0;
constexpr double TumbleHeadingSeconds = 4.3;

double radians(double degrees)
{
    return degrees * std::numbers::pi / 180.0;
}

// Keeps the heading in [0, 2π) even after it is rounded to a binary32 on the wire.
double wrapHeading(double psi)
{
    psi = std::fmod(psi, TwoPi);
    if (psi < 0)
        psi += TwoPi;
    if (static_cast<float>(psi) >= static_cast<float>(TwoPi))
        psi = 0;
    return psi;
}

} // namespace

Motion::Motion(std::optional<FixedAttitude> fixed, bool tumble) : m_fixed(fixed), m_tumble(tumble)
{}

SensorSample Motion::tumbling(double seconds) const
{
    SensorSample s;
    const double pitchPhase = TwoPi * seconds / TumblePitchSeconds;
    const double roll = std::remainder(TwoPi * seconds / TumbleRollSeconds, TwoPi);
    s.phi = roll;
    s.theta = TumblePitchAmplitude * std::sin(pitchPhase);
    s.psi = wrapHeading(TwoPi * seconds / TumbleHeadingSeconds);
    s.rates[0] = TwoPi / TumbleRollSeconds;
    s.rates[1] = TumblePitchAmplitude * TwoPi / TumblePitchSeconds * std::cos(pitchPhase);
    s.rates[2] = TwoPi / TumbleHeadingSeconds;
    // The earth's field (north, east, down) in the board's axes: the transpose of heading,
    // pitch and roll turned in that order.
    const double cf = std::cos(s.phi), sf = std::sin(s.phi);
    const double ct = std::cos(s.theta), st = std::sin(s.theta);
    const double cp = std::cos(s.psi), sp = std::sin(s.psi);
    const double n = FieldHorizontal, d = FieldVertical;
    // Heading first: the field in the level frame that has turned with the board.
    const double x1 = cp * n, y1 = -sp * n, z1 = d;
    const double x2 = ct * x1 - st * z1, z2 = st * x1 + ct * z1;
    s.hx = x2;
    s.hy = cf * y1 + sf * z2;
    s.hz = -sf * y1 + cf * z2;
    return s;
}

SensorSample Motion::at(double seconds) const
{
    SensorSample s;
    if (m_fixed) {
        s.phi = radians(m_fixed->phiDegrees);
        s.theta = radians(m_fixed->thetaDegrees);
        s.psi = wrapHeading(radians(m_fixed->psiDegrees));
    } else if (m_tumble) {
        s = tumbling(seconds);
    } else {
        const double rollPhase = TwoPi * seconds / RollPeriod;
        const double pitchPhase = TwoPi * seconds / PitchPeriod;
        s.phi = RollAmplitude * std::sin(rollPhase);
        s.theta = PitchAmplitude * std::sin(pitchPhase);
        s.psi = wrapHeading(TwoPi * seconds / HeadingTurnSeconds);
        s.rates[0] = RollAmplitude * TwoPi / RollPeriod * std::cos(rollPhase);
        s.rates[1] = PitchAmplitude * TwoPi / PitchPeriod * std::cos(pitchPhase);
        s.rates[2] = TwoPi / HeadingTurnSeconds;
    }
    // Gravity in the board's axes, in g.
    s.accel[0] = -std::sin(s.theta);
    s.accel[1] = std::sin(s.phi) * std::cos(s.theta);
    s.accel[2] = std::cos(s.phi) * std::cos(s.theta);
    if (!m_tumble || m_fixed) {
        s.hx = FieldHorizontal * std::cos(s.psi);
        s.hy = -FieldHorizontal * std::sin(s.psi);
        s.hz = FieldVertical;
    }
    s.temperature = m_fixed ? 24.5 : 24.5 + 0.5 * std::sin(TwoPi * seconds / 300.0);
    return s;
}
