#pragma once

// CPU time this thread has used, in seconds: what a redraw costs, whatever else the machine
// is doing meanwhile.
double threadCpuSeconds();
