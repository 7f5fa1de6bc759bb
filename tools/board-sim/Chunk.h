#pragma once

#include <QByteArray>
#include <QList>

// A piece of output for the wire: sent `gapMs` after the piece before it. `endsFrame` marks
// the last piece of a frame, so frames can be counted whatever way they were cut.
struct Chunk
{
    QByteArray bytes;
    int gapMs = 0;
    bool endsFrame = false;
};

using Chunks = QList<Chunk>;
