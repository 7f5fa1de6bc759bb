#pragma once

// Who reads the port while a firmware download runs. The download takes the port over before
// its first step (the frame receiver and the data request stop, and nothing may start them
// again meanwhile) and hands it back at its end: both run again as far as the port allows (a
// port closed meanwhile is neither read nor polled).
class PortHandover
{
public:
    virtual ~PortHandover() = default;
    virtual void takePort() = 0;
    virtual void handPortBack() = 0;
};
