#include "analysis/EllipsoidFit.h"

#include <Eigen/Dense>
#include <Eigen/Eigenvalues>

#include <cmath>
#include <limits>

namespace {

using Matrix10 = Eigen::Matrix<double, 10, 10>;
using Vector10 = Eigen::Matrix<double, 10, 1>;
using Matrix6 = Eigen::Matrix<double, 6, 6>;
using Vector6 = Eigen::Matrix<double, 6, 1>;

// One row of the design matrix: x^2, y^2, z^2, 2yz, 2xz, 2xy, 2x, 2y, 2z, 1.
Vector10 designRow(const Eigen::Vector3d& q)
{
    Vector10 row;
    const double x = q.x(), y = q.y(), z = q.z();
    row << x * x, y * y, z * z, 2 * y * z, 2 * x * z, 2 * x * y, 2 * x, 2 * y, 2 * z, 1;
    return row;
}

// The constraint kJ - I^2 = 1 with k = 4 on the six quadratic coefficients.
Matrix6 constraint()
{
    Matrix6 c = Matrix6::Zero();
    c.topLeftCorner<3, 3>() << -1, 1, 1, 1, -1, 1, 1, 1, -1;
    c(3, 3) = c(4, 4) = c(5, 5) = -4;
    return c;
}

} // namespace

EllipsoidFit fitEllipsoid(std::span<const Eigen::Vector3d> points)
{
    EllipsoidFit fit;
    if (points.size() < 10)
        return fit;
    Eigen::Vector3d mean = Eigen::Vector3d::Zero();
    for (const Eigen::Vector3d& p : points)
        mean += p;
    mean /= double(points.size());
    double squares = 0;
    for (const Eigen::Vector3d& p : points)
        squares += (p - mean).squaredNorm();
    const double scale = std::sqrt(squares / double(points.size()));
    if (!(scale > 0) || !std::isfinite(scale))
        return fit;

    Matrix10 scatter = Matrix10::Zero();
    for (const Eigen::Vector3d& p : points) {
        const Vector10 row = designRow((p - mean) / scale);
        scatter.selfadjointView<Eigen::Lower>().rankUpdate(row);
    }
    scatter = scatter.selfadjointView<Eigen::Lower>();

    // Singular values of the design matrix are the square roots of the scatter's eigenvalues.
    const Eigen::SelfAdjointEigenSolver<Matrix10> spectrum(scatter, Eigen::EigenvaluesOnly);
    const Vector10& eigen = spectrum.eigenvalues();
    fit.condition =
        eigen(1) > 0 ? std::sqrt(eigen(9) / eigen(1)) : std::numeric_limits<double>::infinity();
    if (!(fit.condition <= MaximumEllipsoidCondition))
        return fit;

    const Matrix6 s11 = scatter.topLeftCorner<6, 6>();
    const Eigen::Matrix<double, 6, 4> s12 = scatter.topRightCorner<6, 4>();
    const Eigen::Matrix4d s22 = scatter.bottomRightCorner<4, 4>();
    const Eigen::Matrix<double, 4, 6> linear = s22.ldlt().solve(s12.transpose());
    const Matrix6 reduced = s11 - s12 * linear;
    const Eigen::EigenSolver<Matrix6> solver(constraint().inverse() * reduced);
    if (solver.info() != Eigen::Success)
        return fit;
    // The reduced scatter is positive semi-definite and the constraint has one positive
    // eigenvalue, so the eigenvalues are one of zero or more (the fit; zero for points exactly
    // on an ellipsoid, then rounding may give it either sign) and five negative ones.
    int best = 0;
    for (int i = 1; i < 6; ++i)
        if (solver.eigenvalues()(i).real() > solver.eigenvalues()(best).real())
            best = i;
    const Vector6 quadratic = solver.eigenvectors().col(best).real();
    const Eigen::Vector4d rest = -linear * quadratic;

    Eigen::Matrix3d m;
    m << quadratic(0), quadratic(5), quadratic(4), quadratic(5), quadratic(1), quadratic(3),
        quadratic(4), quadratic(3), quadratic(2);
    const Eigen::Vector3d n = rest.head<3>();
    const double d = rest(3);
    const Eigen::FullPivLU<Eigen::Matrix3d> lu(m);
    if (!lu.isInvertible())
        return fit;
    const Eigen::Vector3d centre = -lu.solve(n);
    const double level = centre.dot(m * centre) - d;
    if (!(std::fabs(level) > 0) || !std::isfinite(level))
        return fit;
    const Eigen::Matrix3d shape = m / level;
    const Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> axes(shape, Eigen::EigenvaluesOnly);
    if (!(axes.eigenvalues().minCoeff() > 0))
        return fit;
    fit.valid = true;
    fit.centre = mean + scale * centre;
    fit.shape = shape / (scale * scale);
    return fit;
}
