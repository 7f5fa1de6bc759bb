#include "Motion.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double TwoPi = 2.0 * std::numbers::pi;
constexpr double RollPeriod = 7.0;
constexpr double PitchPeriod = 11.0;
constexpr double HeadingTurnSeconds = 60.0;

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

Motion::Motion(std::optional<FixedAttitude> fixed) : m_fixed(fixed) {}

SensorSample Motion::at(double seconds) const
{
    SensorSample s;
    if (m_fixed) {
        s.phi = radians(m_fixed->phiDegrees);
        s.theta = radians(m_fixed->thetaDegrees);
        s.psi = wrapHeading(radians(m_fixed->psiDegrees));
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
    s.hx = FieldHorizontal * std::cos(s.psi);
    s.hy = -FieldHorizontal * std::sin(s.psi);
    s.hz = FieldVertical;
    s.temperature = m_fixed ? 24.5 : 24.5 + 0.5 * std::sin(TwoPi * seconds / 300.0);
    return s;
}
