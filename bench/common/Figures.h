#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Nearest-rank percentile (percent from 0 to 100) of the values; 0 when there are none.
double Percentile(std::vector<double> values, double percent);

// Prints the line that repeats this run, e.g. "command: xvfb-run -a bench_receive --frames 5".
void PrintCommand(const QStringList& words);

// A program built next to this benchmark (board-sim, skyvane).
QString BuiltProgram(const QString& name);

// Whether an X display is set for the program and the OpenGL view.
bool HasDisplay();
