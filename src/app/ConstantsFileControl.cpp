#include "app/ConstantsFileControl.h"

#include "app/ConstantsPanel.h"
#include "constants/ConstantsImport.h"
#include "core/FileWrite.h"
#include "core/Logger.h"
#include "core/Pause.h"
#include "link/Link.h"

#include <QAction>
#include <QDateTime>
#include <QFile>

ConstantsFileControl::ConstantsFileControl(QAction* exportAction, QAction* importAction,
                                           ConstantsPanel& panel, Link& link, Logger& log,
                                           std::function<QString()> portName, Dialogs dialogs,
                                           QObject* parent)
    : QObject(parent), m_export(exportAction), m_import(importAction), m_panel(panel), m_link(link),
      m_log(log), m_portName(std::move(portName)), m_dialogs(std::move(dialogs))
{
    connect(m_export, &QAction::triggered, this, &ConstantsFileControl::exportFile);
    connect(m_import, &QAction::triggered, this, &ConstantsFileControl::importFile);
    update(false);
}

QList<float> ConstantsFileControl::boardTable() const
{
    return ConstantsTableFile::tableOf(m_panel.constantsPayload());
}

void ConstantsFileControl::update(bool advancedShown)
{
    m_advancedShown = advancedShown;
    const bool usable = advancedShown && !boardTable().isEmpty();
    m_export->setEnabled(usable);
    m_import->setEnabled(usable);
}

void ConstantsFileControl::exportFile()
{
    const QList<float> table = boardTable();
    if (table.isEmpty())
        return;
    const QString path = m_dialogs.chooseExport(
        DocumentsFilePath(QStringLiteral("constants-"), QStringLiteral(".csv")));
    if (path.isEmpty())
        return;
    const QByteArray content =
        ConstantsTableFile::exportTable(table, QDateTime::currentDateTime(), m_portName());
    if (const QString failure = WriteFileAtomically(path, content); !failure.isEmpty()) {
        m_log.AddLog(QStringLiteral("Constants cannot be written to %1: %2.").arg(path, failure));
        return;
    }
    m_log.AddLog(QStringLiteral("%1 constants exported to %2.").arg(table.size()).arg(path));
}

void ConstantsFileControl::importFile()
{
    const QString path = m_dialogs.chooseImport(m_offered);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_log.AddLog(QStringLiteral("Import refused: %1 cannot be read: %2. Nothing was sent.")
                         .arg(path, file.errorString()));
        return;
    }
    ConstantsImport::Steps steps;
    steps.send = [this](const QByteArray& bytes) { m_link.SendCommand(bytes); };
    steps.pause = [](int ms) { PauseMs(ms); };
    steps.requestTable = [this] { m_panel.RequestConstants(); };
    steps.boardTable = [this] { return boardTable(); };
    steps.confirm = m_dialogs.confirm;
    steps.log = [this](const QString& text) { m_log.AddLog(text); };
    ConstantsImport::importTable(file.readAll(), steps);
}
