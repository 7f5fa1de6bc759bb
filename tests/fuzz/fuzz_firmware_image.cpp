// The HEX load-and-check on any file content: a file it accepts gives an image the row walk can
// use safely; a file it refuses names a line of the file and a reason.

#include "FuzzCheck.h"

#include "firmware/FirmwareImage.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <algorithm>

namespace {

// The lines as the loader counts them (CR LF, CR or LF end a line), empty ones included.
QList<QByteArray> linesOf(const QByteArray& content)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < content.size(); ++i) {
        if (content[i] != '\r' && content[i] != '\n')
            continue;
        lines.append(content.mid(start, i - start));
        if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < content.size())
        lines.append(content.mid(start));
    return lines;
}

void checkAccepted(const QList<QByteArray>& lines, const FirmwareLoad& load)
{
    const FirmwareImage& image = load.image;
    fuzzCheck(load.errorLine == 0 && load.reason.isEmpty(), "an accepted file has no fault");
    fuzzCheck(image.LowestAddress >= 0 && image.LowestAddress <= 65536,
              "lowest address within 0..65536");
    fuzzCheck(image.EndIndex >= 256 && image.EndIndex <= FirmwareImage::LastIndex,
              "end index within the image");
    fuzzCheck(image.FlashImage.size() == std::size_t(FirmwareImage::LastIndex) + 1,
              "image keeps its size");
    bool sixteenBits = true;
    image.FlashImage.forEachStored([&](std::size_t, qint32 word) {
        sixteenBits = sixteenBits && word >= 0 && word <= 0xFFFF;
    });
    fuzzCheck(sixteenBits, "every word is 16 bits");
    bool hasData = false;
    for (const QByteArray& line : lines) {
        if (line.isEmpty())
            continue;
        fuzzCheck(line.startsWith(':') && line.size() >= 11 && line.size() % 2 == 1,
                  "every line of an accepted file is a whole record");
        hasData = hasData || line.mid(7, 2) == "00";
    }
    fuzzCheck(hasData, "an accepted file has a data record");
}

void checkRefused(const QList<QByteArray>& lines, const FirmwareLoad& load)
{
    fuzzCheck(!load.reason.isEmpty(), "a refused file has a reason");
    fuzzCheck(load.errorLine >= 0 && load.errorLine <= lines.size(),
              "the fault line is a line of the file");
    if (load.errorLine > 0)
        fuzzCheck(!lines[load.errorLine - 1].isEmpty(), "an empty line is never the fault");
    const QString refusal = FirmwareRefusal(QStringLiteral("a.kfw"), load);
    fuzzCheck(refusal.startsWith(QLatin1String("Firmware file a.kfw")) &&
                  refusal.endsWith(load.reason + QLatin1Char('.')),
              "the refusal names the file and the reason");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    const FirmwareLoad load = LoadFirmware(content);
    const QList<QByteArray> lines = linesOf(content);
    if (load.ok)
        checkAccepted(lines, load);
    else
        checkRefused(lines, load);
    return 0;
}
