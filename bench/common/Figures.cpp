#include "common/Figures.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>

double Percentile(std::vector<double> values, double percent)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(percent / 100.0 * double(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

void PrintCommand(const QStringList& words)
{
    std::printf("command: %s\n", qPrintable(words.join(QLatin1Char(' '))));
    std::fflush(stdout);
}

QString BuiltProgram(const QString& name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY");
}
