#include "firmware/FirmwareImage.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <limits>

namespace {

enum RecordType
{
    DataRecord = 0,
    ExtendedSegmentAddress = 2,
    ExtendedLinearAddress = 4
};

// The longest record: count, offset (2), type, 255 data bytes, checksum.
constexpr qsizetype MaxRecordBytes = 4 + 255 + 1;

// A decoded line, held in place: a large file is read without an allocation per line.
struct Record
{
    std::array<unsigned char, MaxRecordBytes> bytes;
    qsizetype size = 0;
};

// The value of each character as a hexadecimal digit, -1 for other characters.
constexpr std::array<signed char, 256> DigitValues = [] {
    std::array<signed char, 256> values{};
    for (int c = 0; c < 256; ++c) {
        values[c] = c >= '0' && c <= '9'   ? static_cast<signed char>(c - '0')
                    : c >= 'A' && c <= 'F' ? static_cast<signed char>(c - 'A' + 10)
                    : c >= 'a' && c <= 'f' ? static_cast<signed char>(c - 'a' + 10)
                                           : static_cast<signed char>(-1);
    }
    return values;
}();

int DigitValue(char c)
{
    return DigitValues[static_cast<unsigned char>(c)];
}

// Why one line is not a well-formed record, or an empty text when it is.
QString CheckRecord(QByteArrayView line, Record& record)
{
    if (line[0] != ':')
        return QStringLiteral("missing \":\" at the start");
    const QByteArrayView digits = line.sliced(1);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return DigitValue(c) >= 0; }))
        return QStringLiteral("a character that is not a hexadecimal digit");
    if (digits.size() % 2 != 0)
        return QStringLiteral("an odd number of hexadecimal digits");
    record.size = digits.size() / 2;
    if (record.size < 5)
        return QStringLiteral("too short for a record");
    // No byte count reaches a longer line.
    if (record.size > MaxRecordBytes)
        return QStringLiteral("byte count does not match the line length");
    unsigned sum = 0;
    for (qsizetype i = 0; i < record.size; ++i) {
        const auto byte = static_cast<unsigned char>(DigitValue(digits[2 * i]) * 16 +
                                                     DigitValue(digits[2 * i + 1]));
        record.bytes[static_cast<std::size_t>(i)] = byte;
        sum += byte;
    }
    const int count = record.bytes[0];
    if (record.size != count + 5)
        return QStringLiteral("byte count does not match the line length");
    if ((sum & 0xFF) != 0)
        return QStringLiteral("wrong checksum");
    const int type = record.bytes[3];
    if (type == DataRecord && count % 2 != 0)
        return QStringLiteral("data record with an odd byte count");
    if ((type == ExtendedLinearAddress || type == ExtendedSegmentAddress) && count < 2)
        return QStringLiteral("extended address record with fewer than 2 data bytes");
    return {};
}

// What lives at a word address outside program memory, on the 16-bit parts these boards use.
QString MemoryAt(qint64 word)
{
    if (word < 0x800000)
        return QStringLiteral("data EEPROM");
    if (word >= 0xF80000 && word < 0xFF0000)
        return QStringLiteral("configuration memory");
    return QStringLiteral("device and user IDs");
}

// The last word address of the memory that holds word.
qint64 EndOfMemoryAt(qint64 word)
{
    for (const qint64 next : {qint64(0x800000), qint64(0xF80000), qint64(0xFF0000)}) {
        if (word < next)
            return next - 1;
    }
    return std::numeric_limits<qint64>::max();
}

// Sorts the runs and joins those that overlap or adjoin.
std::vector<WordRange> Joined(std::vector<WordRange> runs)
{
    std::sort(runs.begin(), runs.end(),
              [](const WordRange& a, const WordRange& b) { return a.first < b.first; });
    std::vector<WordRange> joined;
    for (const WordRange& run : runs) {
        if (!joined.empty() && run.first <= joined.back().last + 1)
            joined.back().last = std::max(joined.back().last, run.last);
        else
            joined.push_back(run);
    }
    return joined;
}

// Adds one word to a list of runs, extending the last run when the word follows it.
void AddWord(std::vector<WordRange>& runs, qint64 word)
{
    if (!runs.empty() && runs.back().last + 1 == word)
        runs.back().last = word;
    else
        runs.push_back({word, word});
}

struct Loader
{
    FirmwareLoad result;
    qint64 base = 0;
    qint64 highestWord = -1;
    std::vector<WordRange> dataRuns;
    std::vector<WordRange> leftOutRuns;

    // Applies one checked record; returns the fault, or an empty text.
    QString apply(const Record& record)
    {
        const auto byte = [&](int position) {
            return record.bytes[static_cast<std::size_t>(position)];
        };
        const int count = byte(0);
        const int type = byte(3);
        if (type == ExtendedLinearAddress) {
            base = qint64(byte(4)) << 24 | qint64(byte(5)) << 16;
            return {};
        }
        if (type == ExtendedSegmentAddress) {
            base = (qint64(byte(4)) << 8 | byte(5)) * 16;
            return {};
        }
        if (type != DataRecord)
            return {};
        const qint64 byteAddress = base + qint64(byte(1)) * 256 + byte(2);
        // Its words would fall between word addresses.
        if (byteAddress % 2 != 0)
            return QStringLiteral("data record at an odd byte address");
        FirmwareImage& image = result.image;
        const qint64 wordAddress = byteAddress / 2;
        bool startCounted = false;
        for (int j = 0; j < count; j += 2) {
            const qint64 word = wordAddress + j / 2;
            if (word >= FirstNonProgramWord) {
                AddWord(leftOutRuns, word);
                continue;
            }
            if (word > FirmwareImage::LastIndex)
                return QStringLiteral("data beyond word address 1000000");
            if (!startCounted && wordAddress < image.LowestAddress)
                image.LowestAddress = double(wordAddress);
            startCounted = true;
            image.FlashImage.set(static_cast<std::size_t>(word), byte(4 + j) + 256 * byte(5 + j));
            highestWord = std::max(highestWord, word);
            AddWord(dataRuns, word);
        }
        return {};
    }

    FirmwareLoad taken() { return std::move(result); }

    void finish()
    {
        result.dataRanges = Joined(std::move(dataRuns));
        const std::vector<WordRange> leftOutJoined = Joined(std::move(leftOutRuns));
        for (const WordRange& run : leftOutJoined) {
            // One stretch for each kind of memory it crosses.
            for (qint64 first = run.first; first <= run.last;) {
                const qint64 last = std::min(run.last, EndOfMemoryAt(first));
                result.leftOut.push_back({{first, last}, MemoryAt(first)});
                first = last + 1;
            }
        }
    }
};

} // namespace

FirmwareLoad LoadFirmware(const QByteArray& fileContent)
{
    Loader loader;
    FirmwareLoad& result = loader.result;
    const qsizetype size = fileContent.size();
    const char* text = fileContent.constData();
    int lineNumber = 0;
    Record record;
    for (qsizetype pos = 0; pos < size;) {
        qsizetype end = pos;
        while (end < size && text[end] != '\r' && text[end] != '\n')
            ++end;
        const QByteArrayView line(text + pos, end - pos);
        ++lineNumber;
        pos = end + 1;
        if (end + 1 < size && text[end] == '\r' && text[end + 1] == '\n')
            ++pos;
        if (line.isEmpty())
            continue;
        QString fault = CheckRecord(line, record);
        if (fault.isEmpty())
            fault = loader.apply(record);
        if (!fault.isEmpty()) {
            result.errorLine = lineNumber;
            result.reason = fault;
            return loader.taken();
        }
    }
    loader.finish();
    if (loader.highestWord < 0) {
        result.reason = result.leftOut.empty() ? QStringLiteral("no data records")
                                               : QStringLiteral("no data for program memory");
        return loader.taken();
    }
    result.image.EndIndex =
        std::min<double>(double(loader.highestWord) + 256, FirmwareImage::LastIndex);
    result.ok = true;
    return loader.taken();
}

FirmwareLoad LoadFirmwareFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FirmwareLoad refused;
        refused.reason = QStringLiteral("cannot be read");
        return refused;
    }
    return LoadFirmware(file.readAll());
}

QString FirmwareRefusal(const QString& path, const FirmwareLoad& load)
{
    if (load.errorLine > 0)
        return QStringLiteral("Firmware file %1, line %2: %3.")
            .arg(path, QString::number(load.errorLine), load.reason);
    return QStringLiteral("Firmware file %1: %2.").arg(path, load.reason);
}
