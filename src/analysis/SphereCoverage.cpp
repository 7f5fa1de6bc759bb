#include "analysis/SphereCoverage.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Along +x, -x, +y, -y, +z, -z: what the operator does to bring the field there.
const char* const Turns[] = {"nose down",      "tail down", "right side down",
                             "left side down", "level",     "upside down"};

int dominantAxis(const Eigen::Vector3d& v)
{
    Eigen::Index axis = 0;
    v.cwiseAbs().maxCoeff(&axis);
    return int(axis) * 2 + (v(axis) < 0 ? 1 : 0);
}

} // namespace

int SphereCoverage::cellOf(const Eigen::Vector3d& direction)
{
    const double length = direction.norm();
    const double z = std::clamp(direction.z() / length, -1.0, 1.0);
    const int band = std::clamp(int((z + 1) / 2 * Bands), 0, Bands - 1);
    const double longitude = std::atan2(direction.y(), direction.x()) + std::numbers::pi;
    const int sector =
        std::clamp(int(longitude / (2 * std::numbers::pi) * Sectors), 0, Sectors - 1);
    return band * Sectors + sector;
}

Eigen::Vector3d SphereCoverage::cellCentre(int cell)
{
    const int band = cell / Sectors;
    const int sector = cell % Sectors;
    const double z = -1 + (band + 0.5) * 2.0 / Bands;
    const double longitude = -std::numbers::pi + (sector + 0.5) * 2 * std::numbers::pi / Sectors;
    const double r = std::sqrt(1 - z * z);
    return {r * std::cos(longitude), r * std::sin(longitude), z};
}

void SphereCoverage::add(const Eigen::Vector3d& direction)
{
    if (!(direction.norm() > 0) || !direction.allFinite())
        return;
    m_cells[std::size_t(cellOf(direction))] = true;
}

int SphereCoverage::covered() const
{
    return int(std::count(m_cells.begin(), m_cells.end(), true));
}

QStringList SphereCoverage::missingTurns() const
{
    std::array<int, 6> missing{};
    for (int cell = 0; cell < Cells; ++cell)
        if (!m_cells[std::size_t(cell)])
            ++missing[std::size_t(dominantAxis(cellCentre(cell)))];
    std::array<int, 6> order{0, 1, 2, 3, 4, 5};
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return missing[std::size_t(a)] > missing[std::size_t(b)];
    });
    QStringList turns;
    for (int axis : order)
        if (missing[std::size_t(axis)] > 0)
            turns << QString::fromLatin1(Turns[axis]);
    return turns;
}
