#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>

// Writes the bytes to path through a temporary file that replaces it only when everything was
// written, so a reader never meets half a file and a failed write leaves the old one as it was.
// Returns "" on success, otherwise why it failed. beforeReplace runs between writing and
// replacing (tests break the folder there).
QString WriteFileAtomically(const QString& path, const QByteArray& bytes,
                            const std::function<void()>& beforeReplace = {});

// A new file's suggested path in the user's documents folder (the home folder where there is
// none): prefix, the local time as yyyyMMdd-HHmmss, suffix ("skyvane-20261209-143005.csv").
QString DocumentsFilePath(const QString& prefix, const QString& suffix,
                          const QDateTime& when = QDateTime::currentDateTime());
