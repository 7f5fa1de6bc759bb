#pragma once

#include <QList>

// The board's numbered table of float constants, with the copy kept by "save to flash".
class ConstantsTable
{
public:
    explicit ConstantsTable(int size);

    const QList<float>& entries() const { return m_entries; }
    // Writes one entry; an index outside the table is ignored. Returns whether it was written.
    bool write(int index, float value);
    void save();
    void restore();

    // The value a fresh board holds at `index`.
    static float defaultValue(int index);

private:
    QList<float> m_entries;
    QList<float> m_saved;
};
