#pragma once

#include "constants/ConstantsTableFile.h"

#include <QDialog>

class QPushButton;
class QTableWidget;

// "Import Constants": the entries of a file that differ from the board's table (index, board
// value, file value) and the choice to send them. Send is the default button, so Enter sends;
// Escape and Cancel reject.
class ConstantsDiffDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ConstantsDiffDialog(const QList<ConstantDifference>& differences,
                                 QWidget* parent = nullptr);

    QPushButton* sendButton() const { return m_send; }

private:
    QTableWidget* m_table;
    QPushButton* m_send;
};
