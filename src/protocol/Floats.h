#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Wire numbers are IEEE 754 binary32 values, least significant byte first.

// The first 4 bytes as a float; bytes that are missing count as 0.
float BytesToSingle(QByteArrayView fourBytes);
// The 4 bytes of the value, least significant first.
QByteArray SingleToBytes(float value);

// 1-based position of the first occurrence of needle in haystack, 0 when absent. ASCII letter
// case is ignored. An empty needle is found at 1 in a non-empty haystack, and nowhere in an
// empty one.
int FindText(const QByteArray& needle, const QByteArray& haystack);

// The float whose 4 bytes start at the 1-based position of the payload, sanitised: not finite,
// or larger than 1e9 in magnitude, gives 0. Bytes outside the payload count as 0.
float ReadFloatAt(const QByteArray& payload, int position);
// The value as the decoders use it: not finite, or larger than 1e9 in magnitude, gives 0.
float SanitisedFloat(float value);
