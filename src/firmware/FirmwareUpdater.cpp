#include "firmware/FirmwareUpdater.h"

namespace {
std::unique_ptr<WindowTimer> ownTimer(WindowTimer* given)
{
    if (given)
        return nullptr;
    return std::make_unique<WindowTimer>(QStringLiteral("AckTimeout"), 500, false);
}
} // namespace

FirmwareUpdater::FirmwareUpdater(const Parts& p)
    : m_ownReplyTimer(ownTimer(p.rowReplyTimer)),
      m_rowReplyTimer(p.rowReplyTimer ? *p.rowReplyTimer : *m_ownReplyTimer),
      boot(p.link, p.log, m_rowReplyTimer),
      programmer(boot, p.link, p.log, m_rowReplyTimer, p.progress),
      download(boot, programmer, p.log, p.handover, p.firmwarePath)
{}
