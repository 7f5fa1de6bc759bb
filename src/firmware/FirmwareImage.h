#pragma once

#include "firmware/FlashWords.h"

#include <QByteArray>
#include <QString>

// The program memory to be written, one 16-bit word per word address (an instruction takes
// two word addresses: low 16 bits, then the high 8 bits). Words never written by the file
// stay 0xFFFF, the erased value.
struct FirmwareImage
{
    static constexpr int LastIndex = 1000000;

    FirmwareImage() : FlashImage(LastIndex + 1) {}

    FlashWords FlashImage;
    // Lowest word address at which a data record starts, never above 65536.
    double LowestAddress = 65536;
    // Highest data word written plus 256 (at most LastIndex); the row walk stops there.
    double EndIndex = 0;
};

// The outcome of reading a firmware file: the image, or the first fault found with its line
// number (1-based; 0 when the fault concerns the whole file) and what is wrong.
struct FirmwareLoad
{
    bool ok = false;
    FirmwareImage image;
    int errorLine = 0;
    QString reason;
};

// Checks and decodes an Intel HEX text completely. Lines end at CR LF, CR or LF; empty lines
// are skipped; records other than data (0), end of file (1) and extended linear address (4)
// are ignored, and lines after the end-of-file record are still read.
FirmwareLoad LoadFirmware(const QByteArray& fileContent);
// The same for the file at path; a file that cannot be read is refused with line 0.
FirmwareLoad LoadFirmwareFile(const QString& path);
// The single log line telling why the file at path was refused.
QString FirmwareRefusal(const QString& path, const FirmwareLoad& load);
