#include "FlashModel.h"

#include <QFile>
#include <QSaveFile>

FlashModel::FlashModel(QString outPath) : m_outPath(std::move(outPath)) {}

QByteArray FlashModel::rowLine(std::uint32_t address, const QByteArray& row)
{
    return QByteArray::number(address, 16).rightJustified(6, '0').toUpper() + ' ' +
           row.toHex().toUpper() + '\n';
}

void FlashModel::erase()
{
    m_rows.clear();
    writeFile();
}

void FlashModel::program(std::uint32_t address, const QByteArray& row)
{
    // A download sends rows in rising order; appending the new last line then keeps the
    // file sorted without rewriting it for every row.
    const bool isNewLast = m_rows.empty() || address > m_rows.rbegin()->first;
    m_rows[address] = row;
    if (isNewLast && appendLine(address, row))
        return;
    writeFile();
}

bool FlashModel::appendLine(std::uint32_t address, const QByteArray& row) const
{
    if (m_outPath.isEmpty())
        return true;
    QFile file(m_outPath);
    if (!file.exists() || !file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray line = rowLine(address, row);
    return file.write(line) == line.size();
}

bool FlashModel::writeFile() const
{
    if (m_outPath.isEmpty())
        return true;
    QSaveFile file(m_outPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const auto& [address, row] : m_rows)
        file.write(rowLine(address, row));
    return file.commit();
}
