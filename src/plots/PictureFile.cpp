#include "plots/PictureFile.h"

#include "core/FileWrite.h"

#include <QBuffer>
#include <QByteArray>
#include <QPixmap>

QString WritePngFile(const QPixmap& picture, const QString& path)
{
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG"))
        return QStringLiteral("the picture cannot be made");
    return WriteFileAtomically(path, png);
}
