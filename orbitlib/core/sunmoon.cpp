// Sun and moon from mean elements: Schlyter-style low-precision theory (elements linear
// in the day number, the moon's 12 longitude, 5 latitude and 2 distance terms).
#include "sunmoon.h"

#include <cmath>

#include "mathtime.h"
#include "observer.h"

namespace orbit {

namespace {

using ld = long double;

constexpr ld kDegL = kPiL / 180.0L;
// Kepler iteration stops when two successive eccentric anomalies differ by at most 0.001 degree.
constexpr ld kKeplerTolerance = 1.7453292519943296e-05L;
// Newton's method converges in a handful of steps for the moon's eccentricity; the bound
// only guards against arithmetic that never settles.
constexpr int kKeplerMaxSteps = 50;

struct TElements {
    ld N, i, w, a, e, M;  // degrees, degrees, degrees, km, -, degrees
};

TElements ElementsOf(std::uint8_t selector, ld d) {
    if (selector == kSelectSun)
        return {0.0L, 0.0L, 282.9404L + 4.70935e-5L * d, 149597870.0L, 0.016709L - 1.151e-9L * d,
                356.047L + 0.9856002585L * d};
    return {125.1228L - 0.0529538083L * d, 5.1454L, 318.0634L + 0.1643573223L * d, 384388.510791L, 0.0549L,
            115.3654L + 13.0649929509L * d};
}

ld Mod360(ld x) { return ModuloPositive(static_cast<double>(x), 360.0); }

}  // namespace

double DayNumber2000(double dateTime) {
    // The calendar day comes from the whole part alone, so that a time just before midnight
    // does not round into the next day.
    const double whole = std::trunc(dateTime);
    const TDateTimeParts p = DecodeDateTime(whole);
    const long y = p.year, m = p.month, D = p.day;
    const long days = 367 * y - 7 * (y + (m + 9) / 12) / 4 + 275 * m / 9 + D - 730530;
    const ld frac = std::fabs(static_cast<ld>(dateTime) - whole);
    return static_cast<double>(static_cast<ld>(days) + frac);
}

void SunMoonEcliptic(std::uint8_t selector, double d, double& meanAnomaly, double& meanLongitude,
                     double& phase, double& x, double& y, double& z) {
    if (selector != kSelectSun && selector != kSelectMoon) return;
    CheckFinite(d);
    const TElements el = ElementsOf(selector, d);
    const ld L = Mod360(el.w + el.M) * kDegL;
    const ld N = Mod360(el.N) * kDegL;
    const ld w = Mod360(el.w) * kDegL;
    const ld M = Mod360(el.M) * kDegL;
    const ld inc = el.i * kDegL;
    const ld e = el.e;

    ld E = M + e * std::sin(M) * (1.0L + e * std::cos(M));
    if (e > 0.05L) {
        for (int step = 0; step < kKeplerMaxSteps; ++step) {
            const ld next = E - (E - e * std::sin(E) - M) / (1.0L - e * std::cos(E));
            const bool done = std::fabs(next - E) <= kKeplerTolerance;
            E = next;
            if (done) break;
        }
    }
    const ld xv = el.a * (std::cos(E) - e);
    const ld yv = el.a * std::sqrt(1.0L - e * e) * std::sin(E);
    const ld v = std::atan2(yv, xv);
    ld r = std::sqrt(xv * xv + yv * yv);

    const ld vw = v + w;
    ld ex = r * (std::cos(N) * std::cos(vw) - std::sin(N) * std::sin(vw) * std::cos(inc));
    ld ey = r * (std::sin(N) * std::cos(vw) + std::cos(N) * std::sin(vw) * std::cos(inc));
    ld ez = r * std::sin(vw) * std::sin(inc);
    ld lambda = std::atan2(ey, ex);
    ld beta = std::atan2(ez, std::sqrt(ex * ex + ey * ey));

    ld ph = 0.0L;
    ld meanLon = L;
    if (selector == kSelectMoon) {
        double sunM = 0, sunL = 0, sunPhase = 0, sx = 0, sy = 0, sz = 0;
        SunMoonEcliptic(kSelectSun, d, sunM, sunL, sunPhase, sx, sy, sz);
        const ld Ms = sunM;
        const ld Ls = sunL;
        const ld lambdaSun = std::atan2(static_cast<ld>(sy), static_cast<ld>(sx));
        const ld Lm = ModTwoPi(static_cast<double>(N + w + M));
        meanLon = Lm;
        const ld D = Lm - Ls;
        const ld F = Lm - N;
        using std::sin;
        using std::cos;
        const ld dLon = -1.274L * sin(M - 2 * D) + 0.658L * sin(2 * D) - 0.186L * sin(Ms) -
                        0.059L * sin(2 * M - 2 * D) - 0.057L * sin(M - 2 * D + Ms) + 0.053L * sin(M + 2 * D) +
                        0.046L * sin(2 * D - Ms) + 0.041L * sin(M - Ms) - 0.035L * sin(D) - 0.031L * sin(M + Ms) -
                        0.015L * sin(2 * F - 2 * D) + 0.011L * sin(M - 4 * D);
        const ld dLat = -0.173L * sin(F - 2 * D) - 0.055L * sin(M - F - 2 * D) - 0.046L * sin(M + F - 2 * D) +
                        0.033L * sin(F + 2 * D) + 0.017L * sin(2 * M + F);
        const ld dDist = -0.58L * cos(M - 2 * D) - 0.46L * cos(2 * D);
        lambda += dLon * kDegL;
        beta = ModTwoPi(static_cast<double>(beta + dLat * kDegL));
        r += dDist * 6378.135L;
        ex = r * cos(beta) * cos(lambda);
        ey = r * cos(beta) * sin(lambda);
        ez = r * sin(beta);
        ld c = cos(lambdaSun - lambda) * cos(beta);
        if (c > 1.0L) c = 1.0L;
        if (c < -1.0L) c = -1.0L;
        const ld psi = std::acos(c);
        ph = sin(lambdaSun - lambda) >= 0.0L ? kPiL - psi : psi - kPiL;
    }
    meanAnomaly = static_cast<double>(M);
    meanLongitude = static_cast<double>(meanLon);
    phase = static_cast<double>(ph);
    x = static_cast<double>(ex);
    y = static_cast<double>(ey);
    z = static_cast<double>(ez);
}

void SunMoonState(std::uint8_t selector, double dateTime, Vector& pos, TGeodetic& geo, double& phase) {
    const double jd = DateTimeToJulian(dateTime);
    const double d = DayNumber2000(dateTime);
    double meanAnomaly = 0, meanLongitude = 0, ph = 0, x = 0, y = 0, z = 0;
    SunMoonEcliptic(selector, d, meanAnomaly, meanLongitude, ph, x, y, z);
    const ld eps = (23.4393L - 3.563e-7L * d) * kDegL;
    Vector p;
    p.x = x;
    p.y = static_cast<double>(y * std::cos(eps) - z * std::sin(eps));
    p.z = static_cast<double>(y * std::sin(eps) + z * std::cos(eps));
    VectorMagnitude(p);
    geo = GeodeticOfState(p, jd);
    pos = p;
    phase = ph;
}

void SunPosition(double dateTime, Vector& pos, TGeodetic& geo) {
    double phase = 0;
    SunMoonState(kSelectSun, dateTime, pos, geo, phase);
}

void MoonPosition(double dateTime, Vector& pos, TGeodetic& geo, double& phase) {
    SunMoonState(kSelectMoon, dateTime, pos, geo, phase);
}

}  // namespace orbit
