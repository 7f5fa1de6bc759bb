#include "firmware/FirmwareUpdater.h"

FirmwareUpdater::FirmwareUpdater(const Parts& p)
    : boot(p.link, p.log, p.rxBuffer, m_ackTimeout),
      programmer(boot, p.link, p.log, m_ackTimeout, p.progress),
      download(boot, programmer, p.log, p.rxBuffer, p.timer2, p.timer12, p.firmwarePath)
{}
