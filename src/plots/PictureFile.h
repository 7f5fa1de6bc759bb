#pragma once

#include <QString>

class QPixmap;

// Writes a picture as a PNG file that replaces the one at path only once it is whole. Returns ""
// on success, otherwise why it failed.
QString WritePngFile(const QPixmap& picture, const QString& path);
