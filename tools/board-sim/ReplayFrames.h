#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The frames of a recording as the board sends them: the letter, the count byte (F, G, R)
// and the payload bytes exactly as recorded. Empty with `error` set when the file is refused
// or holds no frame.
QList<QByteArray> loadReplayFrames(const QString& path, QString& error);
