#pragma once

#include <QString>

// A board at rest on the bench, as the virtual board replays it: F frames whose roll, pitch
// and heading wander at random (uniformly, from a fixed seed) by up to RestNoise radians
// around a tilted attitude, with a constant magnetic field.
inline constexpr double RestNoise = 0.0005;
inline constexpr float RestPhi = 0.3f;
inline constexpr float RestTheta = 0.1f;
inline constexpr float RestPsi = 1.0f;

// Writes such a recording of the given number of frames, 33 ms apart. False (the reason in
// error) when the file cannot be written.
bool WriteRestRecording(const QString& path, int frames, QString& error);
