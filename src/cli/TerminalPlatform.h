#pragma once

#include <QByteArray>

#include <cstdio>

// What a terminal is on this platform, for the status line.

// Whether the stream is a terminal (a console on Windows) that can redraw a line in place.
bool StreamIsTerminal(std::FILE* stream);
// The bytes that take the cursor back to the start of a status line of `length` characters and
// clear it.
QByteArray EraseLine(qsizetype length);
