#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>

// The board's program flash as the bootloader sees it: rows written since the last erase,
// everything else erased (0xFF). Optionally mirrored into a text file, one line per row
// sorted by address: 6 hex digits of the row's word address, a space, the row's bytes as
// upper-case hex, a line feed.
class FlashModel
{
public:
    // An empty path keeps the model in memory only.
    explicit FlashModel(QString outPath);

    void erase();
    void program(std::uint32_t address, const QByteArray& row);
    const std::map<std::uint32_t, QByteArray>& rows() const { return m_rows; }

    // Rewrites the whole mirror file. Returns false when it cannot be written.
    bool writeFile() const;

    static QByteArray rowLine(std::uint32_t address, const QByteArray& row);

private:
    bool appendLine(std::uint32_t address, const QByteArray& row) const;

    QString m_outPath;
    std::map<std::uint32_t, QByteArray> m_rows;
};
