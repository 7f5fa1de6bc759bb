#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

// Reading a LeakSanitizer report against the memory map of the process taken while it still
// ran: a library unloaded before the exit-time check (the Mesa driver is) is misnamed in the
// report, but its addresses still fall into its old mapping.

struct Mapping
{
    quint64 start = 0;
    quint64 end = 0;
    QString path;
};

// The file-backed mappings of a running process; empty when it cannot be read.
std::vector<Mapping> ReadMappings(qint64 pid);

struct Leak
{
    qint64 bytes = 0;
    bool direct = false;
    // Files the allocating stack passes through, caller of the allocator first, each once.
    QStringList modules;
};

std::vector<Leak> ParseLeaks(const QByteArray& report, const std::vector<Mapping>& mappings);
