#pragma once

#include "firmware/FlashWords.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

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

// Consecutive word addresses, first to last.
struct WordRange
{
    qint64 first = 0;
    qint64 last = 0;
    qint64 words() const { return last - first + 1; }
};

// Words of the file outside program memory, which the row bootloader cannot write: data
// EEPROM, configuration words, device and user IDs. They are left out of the image.
struct LeftOutWords
{
    WordRange range;
    // What lives there ("configuration memory").
    QString memory;
};

// The outcome of reading a firmware file: the image, or the first fault found with its line
// number (1-based; 0 when the fault concerns the whole file) and what is wrong.
struct FirmwareLoad
{
    bool ok = false;
    FirmwareImage image;
    int errorLine = 0;
    QString reason;
    // The program-memory words the file holds, in ascending order, adjoining runs joined.
    std::vector<WordRange> dataRanges;
    // What was left out, in ascending order.
    std::vector<LeftOutWords> leftOut;
};

// Words from this address on are not program memory.
constexpr qint64 FirstNonProgramWord = 0x7FF000;

// Checks and decodes an Intel HEX text completely. Lines end at CR LF, CR or LF; empty lines
// are skipped. Extended segment (2) and extended linear (4) address records move the base;
// records other than these, data (0) and end of file (1) are ignored, and lines after the
// end-of-file record are still read. Data at word addresses from FirstNonProgramWord on is
// left out; data between the image's last word and there refuses the file.
FirmwareLoad LoadFirmware(const QByteArray& fileContent);
// The same for the file at path; a file that cannot be read is refused with line 0.
FirmwareLoad LoadFirmwareFile(const QString& path);
// The single log line telling why the file at path was refused.
QString FirmwareRefusal(const QString& path, const FirmwareLoad& load);
