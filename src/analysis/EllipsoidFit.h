#pragma once

#include <Eigen/Core>

#include <span>

// The ellipsoid through 3D points by Li and Griffiths, "Least squares ellipsoid specific
// fitting" (2004): the algebraic fit of the ten coefficients of a quadric under the
// constraint 4J - I^2 = 1, which admits ellipsoids only (of axes within a ratio of two, as a
// magnetometer's are), solved as a 6x6 eigenproblem. The points are centred and scaled first,
// so the fit's numbers do not depend on the board's units.
struct EllipsoidFit
{
    // Whether the points gave an ellipsoid at all.
    bool valid = false;
    Eigen::Vector3d centre = Eigen::Vector3d::Zero();
    // The ellipsoid is (p - centre)' A (p - centre) = 1, A symmetric positive definite.
    Eigen::Matrix3d shape = Eigen::Matrix3d::Zero();
    // Largest over second-smallest singular value of the scaled design matrix (the smallest
    // belongs to the fitted surface): how strongly the points pin the ellipsoid down. It grows
    // without bound as the points come to lie in a plane, on a line, or on one spot.
    double condition = 0;
};

// Condition above which the points do not determine an ellipsoid.
constexpr double MaximumEllipsoidCondition = 1e4;

EllipsoidFit fitEllipsoid(std::span<const Eigen::Vector3d> points);
