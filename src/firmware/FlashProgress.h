#pragma once

// Where the programming shows how far it got (the window draws it as a blue box on
// BootProgress, from the left edge to ScaleWidth * i / endIndex).
class FlashProgress
{
public:
    virtual ~FlashProgress() = default;
    virtual void clear() = 0;
    virtual void show(double i, double endIndex) = 0;
};
