#pragma once

#include <QtGlobal>

// What the kernel tells about a running process (all its threads together), from /proc.

// User plus system CPU time in seconds; negative when the process cannot be read.
double ProcessCpuSeconds(qint64 pid);
// Resident memory (VmRSS) in kilobytes; negative when the process cannot be read.
qint64 ResidentKb(qint64 pid);
