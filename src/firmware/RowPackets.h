#pragma once

#include "firmware/FlashWords.h"

#include <QByteArray>
#include <QtGlobal>

#include <vector>

// A flash row is 128 word addresses (64 instructions) starting at a multiple of 128.
constexpr int RowWords = 128;
constexpr int RowPacketSize = 197;

// How many complete rows the walk up to endIndex covers: the row at rowStart is complete once
// its last instruction (rowStart + 126) lies at or below endIndex.
int CompleteRowCount(double endIndex);
// How many rows the walk up to endIndex covers: the complete ones and, once the walk reaches
// the last word of the image (lastIndex), the image's last row too, which ends past the
// image: its data words would otherwise never be sent.
int RowCount(double endIndex, int lastIndex);
// Whether the row is sent: every row from the one holding lowestAddress on.
bool RowIsSent(int rowStart, double lowestAddress);
// The starts of the rows sent, in order, over an image whose last word is lastIndex.
std::vector<int> RowsToSend(double lowestAddress, double endIndex, int lastIndex = 1000000);

// The "+P" packet of the row at rowStart: "+P", the address in 3 bytes big-endian, then each
// instruction as low, middle and high byte. Words outside the image go out erased (0xFF).
QByteArray RowPacket(const FlashWords& flashImage, int rowStart);
