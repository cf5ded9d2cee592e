#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mathtime.h"
#include "observer.h"

using namespace orbit;

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;
constexpr double kJd = 2460310.25;

// A point given in the observer's south/east/zenith frame (km), as an inertial position.
Vector Topocentric(const TObserver& obs, double jd, double south, double east, double zenith) {
    TObserver o = obs;
    Vector op, ov;
    ObserverState(o, jd, op, ov);
    const double sl = std::sin(o.lat), cl = std::cos(o.lat), st = std::sin(o.theta), ct = std::cos(o.theta);
    Vector p;
    p.x = op.x + south * sl * ct - east * st + zenith * cl * ct;
    p.y = op.y + south * sl * st + east * ct + zenith * cl * st;
    p.z = op.z - south * cl + zenith * sl;
    return p;
}

double AngleDiff(double a, double b) { return std::remainder(a - b, 2 * kPi); }
}  // namespace

TEST(Observer, StateToKm) {
    Vector p{1, 0.5, -2, 0}, v{0.06, 0, 0, 0};
    StateToKm(p, v);
    EXPECT_DOUBLE_EQ(p.x, 6378.135);
    EXPECT_DOUBLE_EQ(p.z, -2 * 6378.135);
    EXPECT_NEAR(p.mag, std::sqrt(5.25) * 6378.135, 1e-9);
    EXPECT_NEAR(v.x, 6.378135, 1e-12);
    EXPECT_NEAR(v.mag, 6.378135, 1e-12);
}

TEST(Observer, PointOnEquator) {
    const Vector p{7000, 0, 0, 0};
    const TGeodetic g = GeodeticOfState(p, kJd);
    EXPECT_NEAR(g.lat, 0.0, 1e-15);
    EXPECT_NEAR(g.alt, 7000 - 6378.135, 1e-9);
    EXPECT_NEAR(g.lon, ModTwoPi(-SiderealTimeOfJD(kJd)), 1e-12);
    EXPECT_DOUBLE_EQ(g.theta, 0.0);
}

struct RoundTripCase { double latDeg, lonDeg, heightKm; };
TEST(Observer, GeodeticRoundTripsThroughObserverState) {
    const RoundTripCase cases[] = {{0, 0, 0}, {0, 30, 0.5}, {45, -70, 1.2}, {-45, 150, 0.0},
                                   {89.9, 10, 2.0}, {-33.9, 18.4, 35786.0}};
    for (const auto& c : cases) {
        TObserver o{c.latDeg * kDeg, c.lonDeg * kDeg, c.heightKm, 0};
        Vector p, v;
        ObserverState(o, kJd, p, v);
        const TGeodetic g = GeodeticOfState(p, kJd);
        const double r = 6378.135;
        EXPECT_NEAR(g.lat * r, o.lat * r, 1e-6) << c.latDeg;
        EXPECT_NEAR(AngleDiff(g.lon, o.lon) * r * std::cos(o.lat), 0.0, 1e-6) << c.lonDeg;
        EXPECT_NEAR(g.alt, c.heightKm, 1e-6) << c.latDeg;
        EXPECT_GE(g.lon, 0.0);
        EXPECT_LT(g.lon, 2 * kPi);
    }
}

TEST(Observer, PolarAxisAndCentreAreDefined) {
    const double polarRadius = 6378.135 * 0.9966472205458325;
    TGeodetic g = GeodeticOfState(Vector{0, 0, 7000, 0}, kJd);
    EXPECT_DOUBLE_EQ(g.lat, kPi / 2);
    EXPECT_NEAR(g.alt, 7000 - polarRadius, 1e-9);
    g = GeodeticOfState(Vector{0, 0, -7000, 0}, kJd);
    EXPECT_DOUBLE_EQ(g.lat, -kPi / 2);
    EXPECT_NEAR(g.alt, 7000 - polarRadius, 1e-9);
    g = GeodeticOfState(Vector{0, 0, 0, 0}, kJd);
    EXPECT_DOUBLE_EQ(g.lat, 0.0);
    EXPECT_DOUBLE_EQ(g.alt, -6378.135);
    // Just off the axis the iteration still converges to the pole's latitude.
    g = GeodeticOfState(Vector{1e-9, 0, 7000, 0}, kJd);
    EXPECT_NEAR(g.lat, kPi / 2, 1e-9);
    EXPECT_NEAR(g.alt, 7000 - polarRadius, 1e-3);
}

TEST(Observer, NonFiniteInputFails) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(GeodeticOfState(Vector{nan, 0, 1, 0}, kJd), EMathError);
    EXPECT_THROW(GeodeticOfState(Vector{7000, 0, INFINITY, 0}, kJd), EMathError);
    EXPECT_THROW(GeodeticOfState(Vector{7000, 0, 0, 0}, nan), EMathError);
    TObserver o{nan, 0, 0, 0};
    Vector p, v;
    EXPECT_THROW(ObserverState(o, kJd, p, v), EMathError);
    TLookAngles look;
    bool vis = false;
    EXPECT_THROW(LookAngles(Vector{nan, 0, 0, 0}, Vector{}, TObserver{}, kJd, look, vis), EMathError);
}

TEST(Observer, ObserverVelocity) {
    TObserver pole{kPi / 2, 0, 0, 0}, equator{0, 1.0, 0, 0};
    Vector p, v;
    ObserverState(pole, kJd, p, v);
    EXPECT_NEAR(v.mag, 0.0, 1e-12);
    EXPECT_NEAR(p.z, 6378.135 * 0.9966472205458325, 1e-9);
    ObserverState(equator, kJd, p, v);
    EXPECT_NEAR(v.mag, 0.4651, 1e-4);
    EXPECT_NEAR(DotProduct(p, v), 0.0, 1e-9);
    EXPECT_NEAR(equator.theta, ModTwoPi(SiderealTimeOfJD(kJd) + 1.0), 1e-12);  // stored in the record
}

struct AzCase { double south, east, zenith, az, el; };
TEST(Observer, LookAnglesDirections) {
    const TObserver obs{45 * kDeg, -70 * kDeg, 0.3, 0};
    const double d45 = 45 * kDeg;
    const AzCase cases[] = {
        {100, 0, 100, kPi, d45},          // due south
        {-100, 0, 100, 0, d45},           // due north
        {0, 100, 100, kPi / 2, d45},      // due east (south component exactly zero)
        {0, -100, 100, 3 * kPi / 2, d45}, // due west
        {-100, -100, 0, 7 * kPi / 4, 0},
        {100, 100, 0, 3 * kPi / 4, 0},
    };
    for (const auto& c : cases) {
        const Vector p = Topocentric(obs, kJd, c.south, c.east, c.zenith);
        TLookAngles look;
        bool vis = false;
        LookAngles(p, Vector{}, obs, kJd, look, vis);
        EXPECT_NEAR(AngleDiff(look.azimuth, c.az), 0.0, 1e-9) << c.south << "," << c.east;
        EXPECT_GE(look.azimuth, 0.0);
        EXPECT_LT(look.azimuth, 2 * kPi);
        EXPECT_NEAR(look.elevation, c.el, 0.6 * kDeg);  // refraction adds up to about half a degree
        EXPECT_NEAR(look.range, std::sqrt(c.south * c.south + c.east * c.east + c.zenith * c.zenith), 1e-6);
        EXPECT_TRUE(vis);
    }
}

TEST(Observer, StraightOverhead) {
    const TObserver obs{-20 * kDeg, 100 * kDeg, 0.0, 0};
    const Vector p = Topocentric(obs, kJd, 0, 0, 500);
    TLookAngles look;
    bool vis = false;
    LookAngles(p, Vector{}, obs, kJd, look, vis);
    EXPECT_NEAR(look.elevation, kPi / 2, 1e-6);
    EXPECT_NEAR(look.range, 500, 1e-6);
    EXPECT_TRUE(vis);
}

struct RefractionCase { double elevDeg, expectedDeg; bool visible; };
TEST(Observer, Refraction) {
    const TObserver obs{10 * kDeg, 20 * kDeg, 0.0, 0};
    const RefractionCase cases[] = {
        {0.0, 0.4830, true},   // lifted by about 29 arc minutes
        {-1.0, -1.0, false},   // 0.6466 degrees do not reach the horizon: stays unrefracted
        {-0.4, 0.14494, true},
        {45.0, 45.01688, true},
        {-5.1, -5.1, false},
        {-30.0, -30.0, false},
    };
    for (const auto& c : cases) {
        const double e = c.elevDeg * kDeg;
        const Vector p = Topocentric(obs, kJd, 1000 * std::cos(e), 0, 1000 * std::sin(e));
        TLookAngles look;
        bool vis = !c.visible;
        LookAngles(p, Vector{}, obs, kJd, look, vis);
        EXPECT_NEAR(look.elevation / kDeg, c.expectedDeg, 1e-4) << c.elevDeg;
        EXPECT_EQ(vis, c.visible) << c.elevDeg;
    }
}

TEST(Observer, RefractionNeverLiftsLowBodiesAboveTheHorizon) {
    // Sweep the whole range below the horizon, including the region where the correction
    // formula's tangent passes through zero.
    const TObserver obs{0, 0, 0, 0};
    for (double h = -89.0; h < 0.0; h += 0.0007) {
        const double e = h * kDeg;
        const Vector p = Topocentric(obs, kJd, 1000 * std::cos(e), 0, 1000 * std::sin(e));
        TLookAngles look;
        bool vis = false;
        LookAngles(p, Vector{}, obs, kJd, look, vis);
        if (vis) {
            ASSERT_GT(h, -1.0);
            ASSERT_GE(look.elevation, 0.0);
            ASSERT_LT(look.elevation, 1.0 * kDeg);
        } else {
            ASSERT_NEAR(look.elevation / kDeg, h, 1e-6);
        }
    }
}

TEST(Observer, RangeRate) {
    const TObserver obs{30 * kDeg, 0, 0, 0};
    TObserver o = obs;
    Vector op, ov;
    ObserverState(o, kJd, op, ov);
    const Vector p = Topocentric(obs, kJd, 0, 0, 1000);
    // Moving straight up, away from the observer, at 2 km/s on top of the Earth's rotation.
    const double up[3] = {std::cos(o.lat) * std::cos(o.theta), std::cos(o.lat) * std::sin(o.theta), std::sin(o.lat)};
    const Vector v{ov.x + 2 * up[0], ov.y + 2 * up[1], ov.z + 2 * up[2], 0};
    TLookAngles look;
    bool vis = false;
    LookAngles(p, v, obs, kJd, look, vis);
    EXPECT_NEAR(look.rangeRate, 2.0, 1e-9);
    EXPECT_THROW(LookAngles(op, ov, obs, kJd, look, vis), EMathError);  // body at the observer
}

// Points placed at a known latitude and height by the textbook forward transform (prime
// vertical radius N = a / sqrt(1 - e^2 sin^2 lat)), evaluated here in extended precision; the
// inverse must find them again within a micrometre, from just below the ground to beyond the
// Moon, at every latitude.
TEST(Observer, GeodeticFindsPointsOfKnownLatitudeAndHeightWithinAMicrometre) {
    const long double a = 6378.135L, e2 = 0.006694317778266722L;
    const double heights[] = {-10.0, 0.0, 0.4, 420.0, 1200.0, 20200.0, 35786.0, 400000.0};
    for (double h : heights) {
        for (int k = -900; k <= 900; k += 7) {
            const long double lat = (k / 10.0L + 0.0123L) * kPi / 180.0L;
            const long double lon = 0.3L + k * 0.01L;
            const long double n = a / std::sqrt(1.0L - e2 * std::sin(lat) * std::sin(lat));
            const Vector p{static_cast<double>((n + h) * std::cos(lat) * std::cos(lon)),
                           static_cast<double>((n + h) * std::cos(lat) * std::sin(lon)),
                           static_cast<double>((n * (1.0L - e2) + h) * std::sin(lat)), 0};
            const TGeodetic g = GeodeticOfState(p, kJd);
            ASSERT_NEAR(static_cast<double>((g.lat - lat) * (n + h)), 0.0, 1e-9) << h << " km at " << k / 10.0;
            ASSERT_NEAR(g.alt, h, 1e-9) << h << " km at " << k / 10.0;
        }
    }
}
