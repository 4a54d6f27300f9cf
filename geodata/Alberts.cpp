#include "geodata/Alberts.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kSemiMajor = 6378245.0;        // Krasovsky
constexpr double kAxisRatio = 0.9966476701663232; // b / a
constexpr double kPhi1 = 0.7679448708775051;     // 44°
constexpr double kPhi2 = 1.1868238913561442;     // 68°
constexpr double kLambda0 = 1.7453292519943295;  // 100°
constexpr double kPhi0 = 0.0;
constexpr double kPoleTolerance = 1e-5;
constexpr double kLatitudeTolerance = 1e-10;
constexpr int kMaxLatitudeUpdates = 15;

struct TAlbersConstants {
    double E2;     // e²
    double E;      // e
    double N;      // cone constant n
    double C;
    double Rho0;   // ρ at the latitude of origin, in units of a
    double Qp;     // q at the pole
};

double M(double phi, double e2)
{
    double s = std::sin(phi);
    return std::cos(phi) / std::sqrt(1 - e2 * s * s);
}

double Q(double phi, double e2, double e)
{
    double s = std::sin(phi);
    return (1 - e2) * (s / (1 - e2 * s * s) - (1 / (2 * e)) * std::log((1 - e * s) / (1 + e * s)));
}

TAlbersConstants ComputeConstants()
{
    TAlbersConstants k{};
    k.E2 = 1 - kAxisRatio * kAxisRatio;
    k.E = std::sqrt(k.E2);
    double m1 = M(kPhi1, k.E2);
    double m2 = M(kPhi2, k.E2);
    double q1 = Q(kPhi1, k.E2, k.E);
    double q2 = Q(kPhi2, k.E2, k.E);
    k.N = (m1 * m1 - m2 * m2) / (q2 - q1);
    k.C = m1 * m1 + k.N * q1;
    k.Rho0 = std::sqrt(k.C - k.N * Q(kPhi0, k.E2, k.E)) / k.N;
    k.Qp = 1 - ((1 - k.E2) / (2 * k.E)) * std::log((1 - k.E) / (1 + k.E));
    return k;
}

const TAlbersConstants& Constants()
{
    static const TAlbersConstants constants = ComputeConstants();
    return constants;
}

} // namespace

void AlbersForward(double lambda, double phi, double& x, double& y)
{
    const TAlbersConstants& k = Constants();
    double rho = std::sqrt(k.C - k.N * Q(phi, k.E2, k.E)) / k.N;
    double theta = k.N * lambda;
    x = kSemiMajor * rho * std::sin(theta);
    y = kSemiMajor * (k.Rho0 - rho * std::cos(theta));
}

void AlbersInverse(double x, double y, double& lambda, double& phi)
{
    const TAlbersConstants& k = Constants();
    double xs = x / kSemiMajor;
    double ys = y / kSemiMajor;
    double dy = k.Rho0 - ys;
    double rho = std::sqrt(dy * dy + xs * xs);
    if (rho <= kPoleTolerance) {
        lambda = 0;
        phi = k.N > 0 ? kPi / 2 : -kPi / 2;
        return;
    }
    if (k.N < 0) {
        rho = -rho;
        xs = -xs;
        dy = -dy;
    }
    double q = (k.C - (rho * k.N) * (rho * k.N)) / k.N;
    phi = kAlbersFailure;
    if (std::fabs(k.Qp - std::fabs(q)) > kPoleTolerance) phi = LatitudeFromQ(q);
    // Near the poles, or when the iteration does not settle, the pole itself.
    if (phi == kAlbersFailure) phi = q >= 0 ? kPi / 2 : -kPi / 2;
    lambda = std::atan2(xs, dy) / k.N;
}

double LatitudeFromQ(double q)
{
    const TAlbersConstants& k = Constants();
    double half = q / 2;
    if (!(half >= -1 && half <= 1)) return kAlbersFailure;
    double phi = std::asin(half);
    for (int update = 1; update <= kMaxLatitudeUpdates; ++update) {
        double s = std::sin(phi);
        double w = 1 - k.E2 * s * s;
        double delta = (w * w / (2 * std::cos(phi)))
                       * (q / (1 - k.E2) - s / w + (1 / (2 * k.E)) * std::log((1 - k.E * s) / (1 + k.E * s)));
        phi += delta;
        if (update < kMaxLatitudeUpdates && std::fabs(delta) <= kLatitudeTolerance) return phi;
    }
    return kAlbersFailure;
}

void GeoToAlbers(double longitude, double latitude, double& x, double& y)
{
    double lambda = longitude - kLambda0;
    // Longitudes far west of the central meridian must go round the other
    // way, or -170° would land on the far side of the cone.
    if (lambda < -kPi || lambda > kPi) lambda = std::remainder(lambda, 2 * kPi);
    AlbersForward(lambda, latitude, x, y);
}

void AlbersToGeo(double x, double y, double& longitude, double& latitude)
{
    double lambda = 0;
    AlbersInverse(x, y, lambda, latitude);
    longitude = lambda + kLambda0;
}
