#include "firmware/FirmwareImage.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

enum RecordType
{
    DataRecord = 0,
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
    if (type == ExtendedLinearAddress && count < 2)
        return QStringLiteral("extended address record with fewer than 2 data bytes");
    return {};
}

struct Loader
{
    FirmwareLoad result;
    double base = 0;
    double highestWord = -1;

    // Applies one checked record; returns the fault, or an empty text.
    QString apply(const Record& record)
    {
        const auto byte = [&](int position) {
            return record.bytes[static_cast<std::size_t>(position)];
        };
        const int count = byte(0);
        const int type = byte(3);
        if (type == ExtendedLinearAddress) {
            base = byte(4) * 16777216.0 + byte(5) * 65536.0;
            return {};
        }
        if (type != DataRecord)
            return {};
        FirmwareImage& image = result.image;
        const double wordAddress = (base + byte(1) * 256 + byte(2)) / 2;
        if (wordAddress < image.LowestAddress)
            image.LowestAddress = wordAddress;
        for (int j = 0; j < count; j += 2) {
            const double word = wordAddress + j / 2;
            const double index = std::nearbyint(word);
            if (index > FirmwareImage::LastIndex)
                return QStringLiteral("data beyond word address 1000000");
            image.FlashImage.set(static_cast<std::size_t>(index), byte(4 + j) + 256 * byte(5 + j));
            highestWord = std::max(highestWord, word);
        }
        return {};
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
            return std::move(result);
        }
    }
    if (loader.highestWord < 0) {
        result.reason = QStringLiteral("no data records");
        return std::move(result);
    }
    result.image.EndIndex = std::min<double>(loader.highestWord + 256, FirmwareImage::LastIndex);
    result.ok = true;
    return std::move(result);
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
