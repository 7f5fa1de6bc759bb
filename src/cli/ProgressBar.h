#pragma once

#include "firmware/FlashProgress.h"

#include <QString>

class Terminal;

// The programming's progress on standard error: a bar redrawn in place on a terminal,
// "Programming: 40%" lines (one per whole percent reached) anywhere else.
class ProgressBar : public FlashProgress
{
public:
    static constexpr int Width = 40;

    explicit ProgressBar(Terminal& terminal) : m_terminal(terminal) {}

    void clear() override;
    void show(double i, double endIndex) override;

    // "[################                        ]  40%" for 40 percent.
    static QString barText(int percent);

private:
    Terminal& m_terminal;
    int m_percent = -1;
};
