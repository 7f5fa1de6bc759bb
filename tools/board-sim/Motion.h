#pragma once

#include <optional>

// What the board's sensors read at a moment: a gentle roll and pitch swing, a heading that
// turns slowly all the way round, and the earth's field seen from that heading.
struct SensorSample
{
    double phi = 0;
    double theta = 0;
    double psi = 0;
    double accel[3] = {0, 0, 0};
    double rates[3] = {0, 0, 0};
    double hx = 0;
    double hy = 0;
    double hz = 0;
    double temperature = 0;
};

struct FixedAttitude
{
    double phiDegrees = 0;
    double thetaDegrees = 0;
    double psiDegrees = 0;
};

class Motion
{
public:
    // Limits of the swing, in radians.
    static constexpr double RollAmplitude = 30.0 * 3.14159265358979323846 / 180.0;
    static constexpr double PitchAmplitude = 15.0 * 3.14159265358979323846 / 180.0;
    static constexpr double FieldHorizontal = 0.6;
    static constexpr double FieldVertical = 0.4;

    // Tumbling, the board turns through every direction and the earth's field turns with it
    // in all three axes (otherwise only the heading turns the field).
    explicit Motion(std::optional<FixedAttitude> fixed = std::nullopt, bool tumble = false);

    // The sample at `seconds` since the board started.
    SensorSample at(double seconds) const;

private:
    SensorSample tumbling(double seconds) const;

    std::optional<FixedAttitude> m_fixed;
    bool m_tumble;
};
