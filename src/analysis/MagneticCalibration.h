#pragma once

#include "analysis/EllipsoidFit.h"

#include <Eigen/Core>

#include <QString>
#include <QStringList>

#include <span>
#include <vector>

enum class CalibrationVerdict
{
    Good,
    Poor,
    Insufficient
};

// The hard- and soft-iron calibration of a magnetometer from its raw field points, and the
// figures that say how good it is. The result in its two conventions:
//   corrected = S * (raw - h)    (offset first, then the matrix), and
//   corrected = S * raw - b      with b = S * h.
// S is symmetric: the square root of the fitted ellipsoid's matrix, scaled to the field
// strength B, so that every corrected point lies on the sphere of radius B. B is the
// geometric mean of the ellipsoid's semi-axes, so S changes no volume (det S = 1).
struct MagneticCalibration
{
    // The verdict's thresholds.
    static constexpr int MinimumPoints = 20;
    static constexpr int GoodPoints = 100;
    static constexpr double GoodCoveragePercent = 85.0;
    static constexpr double GoodResidualPercent = 3.0;
    // Above this sensitivity the points do not determine the calibration.
    static constexpr double MaximumSensitivity = 0.25;

    int count = 0;
    // Whether the points gave a calibration (count, offset, softIron, field and the figures
    // after correction mean something).
    bool fitted = false;
    Eigen::Vector3d offset = Eigen::Vector3d::Zero();
    Eigen::Matrix3d softIron = Eigen::Matrix3d::Identity();
    double field = 0;
    // The fit's condition (EllipsoidFit::condition), and the condition times the relative
    // residual: about how far the noise can move the fitted matrix, relative to its size. A
    // plane's points, or a small patch of the sphere, fit an ellipsoid with a small residual,
    // but one that the noise alone chose: their sensitivity stays high at any noise, while
    // points around the sphere keep it low even when their residual is large.
    double condition = 0;
    double sensitivity = 0;

    // RMS of |corrected| - B, in the board's units and in % of B.
    double rms = 0;
    double rmsPercent = 0;
    // Share of the 48 equal-area cells of directions the corrected points visit (before a
    // fit: the raw points seen from their mean).
    int coveredCells = 0;
    double coveragePercent = 0;
    QStringList missingTurns;
    // Standard deviation of |raw| and of |corrected|, in % of their means.
    double spreadBeforePercent = 0;
    double spreadAfterPercent = 0;
    // Per point: |raw| and |corrected| (empty without a fit).
    std::vector<double> before;
    std::vector<double> after;

    CalibrationVerdict verdict = CalibrationVerdict::Insufficient;
    // What the operator reads: the verdict and what to do about it.
    QString advice;

    // b of corrected = S * raw - b.
    Eigen::Vector3d subtracted() const { return softIron * offset; }
};

MagneticCalibration calibrateMagnetometer(std::span<const Eigen::Vector3d> raw);

// "good", "poor" or "insufficient".
QString verdictName(CalibrationVerdict verdict);
