#include "ConstantsTable.h"

#include <array>

namespace {

// Sensor gains, offsets, filter coefficients and a few settings, as a board might hold them.
constexpr std::array<float, 30> Defaults = {
    1.0f,     1.0f,   1.0f,   0.0125f,  -0.0087f, 0.0213f, 0.0001f, 0.0001f, 0.0001f, 0.5f,
    -0.25f,   0.75f,  1.02f,  0.98f,    1.005f,   -12.25f, 3.5f,    0.002f,  0.98f,   0.02f,
    9.80665f, 100.0f, 0.125f, -0.0005f, 16384.0f, 131.0f,  0.3f,    45.0f,   2.0f,    115200.0f,
};

} // namespace

ConstantsTable::ConstantsTable(int size)
{
    m_entries.reserve(size);
    for (int i = 0; i < size; ++i)
        m_entries.append(defaultValue(i));
    m_saved = m_entries;
}

float ConstantsTable::defaultValue(int index)
{
    if (index < static_cast<int>(Defaults.size()))
        return Defaults[static_cast<std::size_t>(index)];
    // Further entries: spare slots with distinct small values.
    return static_cast<float>(index) * 0.5f;
}

bool ConstantsTable::write(int index, float value)
{
    if (index < 0 || index >= m_entries.size())
        return false;
    m_entries[index] = value;
    return true;
}

void ConstantsTable::save()
{
    m_saved = m_entries;
}

void ConstantsTable::restore()
{
    m_entries = m_saved;
}
