#include "protocol/ReceiveTick.h"

void ReceiveTick(SerialControl& m, FrameReceiver& r)
{
    if (!m.PortOpen())
        return;
    try {
        r.ReceiveFrames(m.Input());
    } catch (...) {
        // The receive path reports nothing; the "No Data" indication tells the operator.
    }
}
