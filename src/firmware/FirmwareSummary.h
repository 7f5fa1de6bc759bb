#pragma once

#include <QString>
#include <QStringList>

struct FirmwareLoad;

// The number of rows a download of the loaded image sends.
int RowsToProgram(const FirmwareLoad& load);

// What a download of the checked file at path sends, as log lines: the word ranges that hold
// data and the number of rows, then one line for each stretch of memory left out
// ("Firmware file fw.kfw: 12 words at 0xF80000-0xF8000B (configuration memory) are not
// programmed.").
QStringList FirmwareSummary(const QString& path, const FirmwareLoad& load);
