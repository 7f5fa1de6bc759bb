#include "common/ListeningBoard.h"

#include <QFileInfo>

bool ListeningBoard::start(const QString& boardSim, const QStringList& boardArguments)
{
    m_record = m_scratch.filePath(QStringLiteral("received.bin"));
    return m_board.start(QStringList{QStringLiteral("--record"), m_record} + boardArguments,
                         BoardProcess::NoOption, boardSim);
}

qint64 ListeningBoard::heard() const
{
    return QFileInfo(m_record).size();
}
