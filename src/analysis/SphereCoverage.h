#pragma once

#include <Eigen/Core>

#include <QStringList>

#include <array>

// Which directions of the sphere a set of field vectors visits, on an equal-area grid: six
// bands of equal height along the board's z axis (equal height is equal area) cut into eight
// sectors of longitude, 48 cells of 1/48 of the sphere each.
class SphereCoverage
{
public:
    static constexpr int Bands = 6;
    static constexpr int Sectors = 8;
    static constexpr int Cells = Bands * Sectors;

    // A direction (any length but zero) in the board's axes: x forward, y right, z down.
    void add(const Eigen::Vector3d& direction);
    int covered() const;
    double percent() const { return 100.0 * covered() / Cells; }
    bool isCovered(int cell) const { return m_cells[std::size_t(cell)]; }

    // The board's turns that bring the field into the cells not visited, for a field that
    // points down and north (a northern mid-latitude): the field along the board's x axis
    // comes with the nose down, along -y with the left side down, along -z upside down.
    // The turn missing most cells first, each once ("nose down", "left side down").
    QStringList missingTurns() const;

    static int cellOf(const Eigen::Vector3d& direction);
    // The unit vector at the middle of a cell.
    static Eigen::Vector3d cellCentre(int cell);

private:
    std::array<bool, Cells> m_cells{};
};
