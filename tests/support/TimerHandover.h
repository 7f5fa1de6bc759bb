#pragma once

#include "core/WindowTimer.h"
#include "firmware/PortHandover.h"

// The download's hand-over over two bare timers (the receive switch and the data request):
// both stop at the start and both run again at the end. The board session adds the rule that
// nothing starts them in between; this is for rigs without one.
struct TimerHandover : PortHandover
{
    TimerHandover(WindowTimer& receiveSwitch, WindowTimer& request)
        : timer2(receiveSwitch), timer12(request)
    {}
    void takePort() override
    {
        timer2.setEnabled(false);
        timer12.setEnabled(false);
    }
    void handPortBack() override
    {
        timer2.setEnabled(true);
        timer12.setEnabled(true);
    }

    WindowTimer& timer2;
    WindowTimer& timer12;
};
