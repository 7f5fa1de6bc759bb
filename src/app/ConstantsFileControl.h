#pragma once

#include "constants/ConstantsTableFile.h"

#include <QObject>

#include <functional>

class ConstantsPanel;
class Link;
class Logger;
class QAction;

// File > Export Constants... (Ctrl+E) and Import Constants... (Ctrl+I): the board's table of
// constants kept in a CSV file. Both are enabled only while the advanced frame is shown and a
// table has been read.
class ConstantsFileControl : public QObject
{
    Q_OBJECT
public:
    struct Dialogs
    {
        // The file to export to (suggested path given) or to import; "" when cancelled.
        std::function<QString(const QString& suggested)> chooseExport;
        // The offered file is chosen already ("" for none).
        std::function<QString(const QString& offered)> chooseImport;
        // Shows the differences; true sends them.
        std::function<bool(const QList<ConstantDifference>&)> confirm;
    };

    ConstantsFileControl(QAction* exportAction, QAction* importAction, ConstantsPanel& panel,
                         Link& link, Logger& log, std::function<QString()> portName,
                         Dialogs dialogs, QObject* parent = nullptr);

    // Enables both entries when the advanced frame is shown and a table was read.
    void update(bool advancedShown);
    void exportFile();
    void importFile();
    // The file Import Constants offers first: the copy made before a firmware download.
    void offerImport(const QString& path) { m_offered = path; }

private:
    QList<float> boardTable() const;

    QAction* m_export;
    QAction* m_import;
    ConstantsPanel& m_panel;
    Link& m_link;
    Logger& m_log;
    std::function<QString()> m_portName;
    Dialogs m_dialogs;
    bool m_advancedShown = false;
    QString m_offered;
};
