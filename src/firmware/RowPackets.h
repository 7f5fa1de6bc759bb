#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <vector>

// A flash row is 128 word addresses (64 instructions) starting at a multiple of 128.
constexpr int RowWords = 128;
constexpr int RowPacketSize = 197;

// How many complete rows the walk up to endIndex covers: the row at rowStart is complete once
// its last instruction (rowStart + 126) lies at or below endIndex.
int CompleteRowCount(double endIndex);
// Whether the row is sent: every row from the one holding lowestAddress on.
bool RowIsSent(int rowStart, double lowestAddress);
// The starts of the rows sent, in order.
std::vector<int> RowsToSend(double lowestAddress, double endIndex);

// The "+P" packet of the row at rowStart: "+P", the address in 3 bytes big-endian, then each
// instruction as low, middle and high byte. Words outside the image go out erased (0xFF).
QByteArray RowPacket(const std::vector<qint32>& flashImage, int rowStart);
