#include <gtest/gtest.h>

#include <cmath>

#include "astro_moon.h"
#include "astro_transforms.h"

using namespace astro;

namespace {

TDateTime At(uint16_t y, uint16_t m, uint16_t d, double hours = 0) { return DateToDateTime(y, m, d) + hours / 24.0; }

double D(Extended x) { return static_cast<double>(x); }

TEST(AstroNutation, PublishedExample1987) {
    Extended dPsi = 0, eps = 0;
    const TDateTime date = At(1987, 4, 10);
    Nutation(dPsi, eps, date);
    EXPECT_NEAR(D(dPsi * 3600), -3.791, 0.01);
    EXPECT_NEAR(D(eps), 23.4435692, 1e-6);
    // Mean obliquity of the date 23deg26'27.407": the remainder is the nutation in obliquity.
    const Extended eps0 = 23.0L + 26.0L / 60 + 27.407L / 3600;
    EXPECT_NEAR(D((eps - eps0) * 3600), 9.442, 0.01);
}

TEST(AstroSiderealTime, ApparentAt1987April10) {
    const Extended gst = GreenwichSiderealTime(At(1987, 4, 10));
    EXPECT_NEAR(D(gst), 197.6922290, 1e-6);
    const Extended published = (13.0L + 10.0L / 60 + 46.1351L / 3600) * 15;  // 13h10m46.1351s
    EXPECT_NEAR(D((gst - published) / 15 * 3600), 0.0, 0.01);               // seconds of time
}

TEST(AstroSiderealTime, J2000NoonIsMeanPlusEquationOfEquinoxes) {
    const TDateTime date = At(2000, 1, 1, 12);
    Extended dPsi = 0, eps = 0;
    Nutation(dPsi, eps, date);
    const Extended ee = dPsi * CosDeg(eps);
    EXPECT_LT(ee, 0.0L);
    EXPECT_GT(ee, -0.01L);
    EXPECT_NEAR(D(GreenwichSiderealTime(date)), D(280.46061837L + ee), 1e-9);
}

TEST(AstroTransforms, EquatorialToHorizontalPublishedExample) {
    // Venus from the US Naval Observatory, 1987 April 10, 19h21m UT:
    // alpha 23h09m16.641s, delta -6deg43'11.61", phi 38deg55'17" N, L 77deg03'56" W.
    TSkyPosition p;
    p.RightAscension = (23.0L + 9.0L / 60 + 16.641L / 3600) * 15;
    p.Declination = -(6.0L + 43.0L / 60 + 11.61L / 3600);
    const Extended lat = 38.0L + 55.0L / 60 + 17.0L / 3600;
    const Extended lonWest = 77.0L + 3.0L / 60 + 56.0L / 3600;
    EquatorialToHorizontal(p, At(1987, 4, 10, 19.35), lonWest, lat);
    EXPECT_NEAR(D(p.Azimuth), 68.0337, 2e-4);
    EXPECT_NEAR(D(p.Elevation), 15.1249, 2e-4);
}

TEST(AstroTransforms, AzimuthFromSouthPositiveWest) {
    const TDateTime date = At(2010, 6, 1, 5);
    const Extended gst = GreenwichSiderealTime(date);
    const Extended lonWest = -10;  // 10 degrees east
    struct Case {
        Extended hourAngle, dec, lat, azimuth;
    } cases[] = {
        {0, 10, 50, 0},       // on the meridian south of the observer
        {0, 70, 50, 180},     // on the meridian north of the zenith
        {90, 0, 0.0L, 90},    // due west on the equator
        {-90, 0, 0.0L, -90},  // due east: -90, not 270
    };
    for (const auto& c : cases) {
        TSkyPosition p;
        p.RightAscension = gst - lonWest - c.hourAngle;
        p.Declination = c.dec;
        EquatorialToHorizontal(p, date, lonWest, c.lat);
        EXPECT_NEAR(D(p.Azimuth), D(c.azimuth), 1e-9) << D(c.hourAngle) << " " << D(c.dec);
    }
}

TEST(AstroTransforms, EclipticToEquatorialAddsNutationOnce) {
    const TDateTime date = At(1992, 10, 13);
    Extended dPsi = 0, eps = 0;
    Nutation(dPsi, eps, date);
    TSkyPosition p;
    p.EclLongitude = 359.999L;
    p.EclLatitude = 0;
    EclipticToEquatorial(p, date);
    EXPECT_NEAR(D(p.EclLongitude), D(PutIn360(359.999L + dPsi)), 1e-12);
    // The equinox itself: RA and declination 0 on the equator.
    TSkyPosition q;
    q.EclLongitude = -dPsi;
    EclipticToEquatorial(q, date);
    EXPECT_NEAR(D(q.RightAscension), 0.0, 1e-9);
    EXPECT_NEAR(D(q.Declination), 0.0, 1e-9);
    // 90 degrees of longitude on the ecliptic lies at the obliquity in declination.
    TSkyPosition r;
    r.EclLongitude = 90 - dPsi;
    EclipticToEquatorial(r, date);
    EXPECT_NEAR(D(r.Declination), D(eps), 1e-9);
    EXPECT_NEAR(D(r.RightAscension), 90.0, 1e-9);
}

// Parallax against the plain vector difference of the Moon's and the observer's positions.
TEST(AstroTransforms, TopocentricCorrectionMatchesVectorGeometry) {
    struct Case {
        TDateTime date;
        Extended lat, lonWest, height;
    } cases[] = {
        {At(1992, 4, 12, 3), 52.0L, -5.0L, 0},
        {At(1992, 4, 12, 15), -33.9L, -151.2L, 0},
        {At(2024, 9, 1, 21), 0.0L, 120.0L, 2000},
        {At(2031, 1, 5, 8), 70.0L, 20.0L, 350},
    };
    for (const auto& c : cases) {
        TSkyPosition p;
        MoonSkyPosition(p, c.date);
        const Extended alpha = p.RightAscension, delta = p.Declination;
        const Extended dist = MoonDistanceKm(c.date);
        TopocentricCorrection(p, c.date, c.lat, c.lonWest, c.height);

        EXPECT_NEAR(D(p.Parallax), D(ArcSinDeg(SinDeg(8.794L / 3600) * 149597869.0L / dist)), 1e-12);
        EXPECT_GT(p.Parallax, 0.88L);
        EXPECT_LT(p.Parallax, 1.03L);

        // Observer in equatorial coordinates (units of the Earth radius 6378.14 km). The
        // routine takes the auxiliary angle u from the squared axis ratio (the geocentric
        // latitude), so the reference does the same.
        const Extended f = 0.99664719L;
        const Extended u = std::atan(0.99330562133489609997L * std::tan(DegToRad(c.lat)));
        const Extended h = c.height / 6378140.0L;
        const Extended rs = f * std::sin(u) + h * SinDeg(c.lat);
        const Extended rc = std::cos(u) + h * CosDeg(c.lat);
        const Extended lst = GreenwichSiderealTime(c.date) - c.lonWest;
        // The Moon at the distance that makes sin(8.794") / Delta the parallax.
        const Extended r = 1.0L / SinDeg(p.Parallax);
        const Extended mx = r * CosDeg(delta) * CosDeg(alpha) - rc * CosDeg(lst);
        const Extended my = r * CosDeg(delta) * SinDeg(alpha) - rc * SinDeg(lst);
        const Extended mz = r * SinDeg(delta) - rs;
        const Extended topoAlpha = RadToDeg(std::atan2(my, mx));
        const Extended topoDelta = RadToDeg(std::atan2(mz, std::sqrt(mx * mx + my * my)));
        EXPECT_NEAR(D(PutIn360(p.RightAscension - topoAlpha + 180) - 180), 0.0, 1e-8);
        EXPECT_NEAR(D(p.Declination), D(topoDelta), 1e-8);
    }
}

}  // namespace
