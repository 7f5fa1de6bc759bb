#include "firmware/RowPackets.h"

#include <algorithm>
#include <cmath>

int CompleteRowCount(double endIndex)
{
    if (endIndex < RowWords - 2)
        return 0;
    return static_cast<int>(std::floor((endIndex - (RowWords - 2)) / RowWords)) + 1;
}

int RowCount(double endIndex, int lastIndex)
{
    const int complete = CompleteRowCount(endIndex);
    if (endIndex < lastIndex)
        return complete;
    return std::max(complete, lastIndex / RowWords + 1);
}

bool RowIsSent(int rowStart, double lowestAddress)
{
    return rowStart + RowWords - 1 >= lowestAddress;
}

std::vector<int> RowsToSend(double lowestAddress, double endIndex, int lastIndex)
{
    std::vector<int> rows;
    const int count = RowCount(endIndex, lastIndex);
    for (int row = 0; row < count; ++row) {
        if (RowIsSent(row * RowWords, lowestAddress))
            rows.push_back(row * RowWords);
    }
    return rows;
}

QByteArray RowPacket(const FlashWords& flashImage, int rowStart)
{
    const auto word = [&](int index) -> quint32 {
        if (index < 0 || static_cast<std::size_t>(index) >= flashImage.size())
            return 0xFFFF;
        return static_cast<quint32>(flashImage[static_cast<std::size_t>(index)]);
    };
    QByteArray packet;
    packet.reserve(RowPacketSize);
    packet.append('+');
    packet.append('P');
    packet.append(static_cast<char>(rowStart >> 16 & 0xFF));
    packet.append(static_cast<char>(rowStart >> 8 & 0xFF));
    packet.append(static_cast<char>(rowStart & 0xFF));
    for (int i = rowStart; i < rowStart + RowWords; i += 2) {
        packet.append(static_cast<char>(word(i) & 0xFF));
        packet.append(static_cast<char>(word(i) >> 8 & 0xFF));
        packet.append(static_cast<char>(word(i + 1) & 0xFF));
    }
    return packet;
}
