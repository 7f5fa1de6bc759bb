#include "app/ConstantsDiffDialog.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

} // namespace

ConstantsDiffDialog::ConstantsDiffDialog(const QList<ConstantDifference>& differences,
                                         QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Import Constants"));
    const qsizetype n = differences.size();
    auto* intro = new QLabel(
        n == 1 ? QStringLiteral("1 constant in the file differs from the board's table.")
               : QStringLiteral("%1 constants in the file differ from the board's table.").arg(n),
        this);

    m_table = new QTableWidget(int(n), 3, this);
    m_table->setObjectName(QStringLiteral("differences"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("Index"), QStringLiteral("Board value"), QStringLiteral("File value")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    // The values as the file writes them: nine digits tell apart any two floats, which the
    // list's seven digits do not always do.
    for (int row = 0; row < int(n); ++row) {
        const ConstantDifference& d = differences[row];
        m_table->setItem(row, 0, cell(QString::number(d.index)));
        m_table->setItem(row, 1, cell(ConstantsTableFile::valueText(d.board)));
        m_table->setItem(row, 2, cell(ConstantsTableFile::valueText(d.file)));
    }
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    m_send = new QPushButton(QStringLiteral("Send"), this);
    m_send->setObjectName(QStringLiteral("send"));
    m_send->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setAutoDefault(false);
    connect(m_send, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_send);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    resize(460, 320);
    m_send->setFocus();
}
