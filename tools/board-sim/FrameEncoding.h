#pragma once

#include <QByteArray>
#include <QList>

// Byte layouts of everything the board's application sends: measurement frames, text frames
// and the constants frame. Floats go out as IEEE 754 binary32, least significant byte first.
namespace FrameEncoding {

void appendFloat(QByteArray& out, float value);

// 'F', 'G' or 'R': the letter, a count byte, then that many floats.
QByteArray countedFrame(char kind, const QList<float>& values);

// 'C': the letter and exactly eight floats, no count byte (missing values go out as 0).
QByteArray fixedFrame(const QList<float>& values);

// '*' message '#'; the message must not contain '#'.
QByteArray textFrame(const QByteArray& message);

// '[', the entry count as a binary32, then the entries.
QByteArray constantsFrame(const QList<float>& entries);

} // namespace FrameEncoding
