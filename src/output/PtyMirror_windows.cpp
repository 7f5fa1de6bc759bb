#include "output/PtyMirror.h"

std::unique_ptr<MirrorOutlet> OpenPtyMirror(const QString& linkPath, int, QString& error)
{
    error = QStringLiteral("%1: Windows has no pseudo-terminals; mirror to a local TCP port "
                           "instead (tcp:PORT, read as socket://127.0.0.1:PORT)")
                .arg(linkPath);
    return {};
}

QString DefaultMirrorTarget()
{
    return QStringLiteral("tcp:5760");
}

QString MirrorTargetHelp()
{
    return QStringLiteral("Local TCP port that mirrors every byte from the board to each program\n"
                          "connected: tcp:PORT on 127.0.0.1, tcp:ADDRESS:PORT on a network\n"
                          "(pyserial opens it as socket://127.0.0.1:PORT; pseudo-terminal\n"
                          "mirrors exist on Linux only):");
}
