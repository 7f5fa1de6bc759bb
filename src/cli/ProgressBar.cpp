#include "ProgressBar.h"

#include "Terminal.h"

#include <QString>

#include <algorithm>
#include <cmath>

void ProgressBar::clear()
{
    m_terminal.clearStatus();
    m_percent = -1;
}

void ProgressBar::show(double i, double endIndex)
{
    if (!(endIndex > 0))
        return;
    const int percent = std::clamp(int(std::floor(100.0 * i / endIndex)), 0, 100);
    if (percent == m_percent)
        return;
    m_percent = percent;
    if (m_terminal.isTerminal())
        m_terminal.status(barText(percent));
    else
        m_terminal.line(QStringLiteral("Programming: %1%").arg(percent));
}

QString ProgressBar::barText(int percent)
{
    const int filled = Width * percent / 100;
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
           QString(Width - filled, QLatin1Char(' ')) + QStringLiteral("] ") +
           QStringLiteral("%1%").arg(percent, 3);
}
