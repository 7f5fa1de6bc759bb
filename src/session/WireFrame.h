#pragma once

#include <QByteArray>

// The bytes a recorded frame came in as, so that a replay goes through the same receiver as
// the port's bytes: "F", "G" or "R", the count byte and the floats (at most 255); "C" and
// exactly 32 bytes (a shorter payload is filled with zero bytes, which the decoder reads as
// it reads the missing ones). Another letter gives nothing.
QByteArray WireFrame(char kind, const QByteArray& payload);
