#include "astro_moon.h"

#include <cmath>
#include <cstdlib>

#include "astro_sun.h"
#include "astro_tables.h"

namespace astro {

void MoonSkyPosition(TSkyPosition& Pos, TDateTime Date) {
    const Extended T = JulianCenturies(Date);
    const Extended T2 = T * T, T3 = T2 * T, T4 = T3 * T;
    const Extended Lp = 218.3164591L + 481267.88134236L * T - 0.0013268L * T2 + T3 / 538841.0L - T4 / 65194000.0L;
    const Extended D = 297.8502042L + 445267.1115168L * T - 0.00163L * T2 + T3 / 545868.0L - T4 / 113065000.0L;
    const Extended M = 357.5291092L + 35999.0502909L * T - 0.0001536L * T2 + T3 / 24490000.0L;
    const Extended Mp = 134.9634114L + 477198.8676313L * T + 0.008997L * T2 + T3 / 69699.0L - T4 / 14712000.0L;
    const Extended F = 93.2720993L + 483202.0175273L * T - 0.0034029L * T2 - T3 / 3526000.0L + T4 / 863310000.0L;
    const Extended A1 = 119.75L + 131.849L * T;
    const Extended A2 = 53.09L + 479264.29L * T;
    const Extended A3 = 313.45L + 481266.484L * T;
    const Extended E = 1.0L - 0.002516L * T - 0.0000074L * T2;
    const Extended E2 = E * E;

    auto eccentricity = [&](int m) -> Extended {
        switch (std::abs(m)) {
            case 1: return E;
            case 2: return E2;
            default: return 1.0L;
        }
    };

    Extended sl = 0, sr = 0, sb = 0;
    for (const auto& r : tables::kMoonLR) {
        const Extended a = r.D * D + r.M * M + r.Mp * Mp + r.F * F;
        const Extended e = eccentricity(r.M);
        sl += r.L * e * SinDeg(a);
        sr += r.R * e * CosDeg(a);
    }
    for (const auto& r : tables::kMoonB) {
        const Extended a = r.D * D + r.M * M + r.Mp * Mp + r.F * F;
        sb += r.B * eccentricity(r.M) * SinDeg(a);
    }
    sl += 3958.0L * SinDeg(A1) + 1962.0L * SinDeg(Lp - F) + 318.0L * SinDeg(A2);
    sb += -2235.0L * SinDeg(Lp) + 382.0L * SinDeg(A3) + 175.0L * SinDeg(A1 - F) + 175.0L * SinDeg(A1 + F) +
          127.0L * SinDeg(Lp - Mp) - 115.0L * SinDeg(Lp + Mp);

    Pos.EclLongitude = Lp + sl / 1000000.0L;
    Pos.EclLatitude = sb / 1000000.0L;
    Pos.Distance = 385000.56L + sr / 1000.0L;
    EclipticToEquatorial(Pos, Date);
}

void MoonHorizontal(Extended& Elevation, Extended& Azimuth, TDateTime Date, Extended LongitudeWest,
                    Extended Latitude) {
    TSkyPosition p;
    MoonSkyPosition(p, Date);
    EquatorialToHorizontal(p, Date, LongitudeWest, Latitude);
    Elevation = p.Elevation;
    Azimuth = p.Azimuth;
}

Extended MoonPhaseAngle(TDateTime Date) {
    TSkyPosition s, m;
    SunSkyPosition(s, Date);
    MoonSkyPosition(m, Date);
    const Extended psi = ArcCosRad(CosDeg(m.EclLatitude) * CosDeg(m.EclLongitude - s.EclLongitude));
    // i = arctan(R sin psi / (Delta - R cos psi)), brought into [0, 180].
    Extended i = ArcTanQuotDeg(s.Distance * std::sin(psi), m.Distance - s.Distance * std::cos(psi));
    if (i < 0.0L) i += 180.0L;
    return PutIn360(m.EclLongitude - s.EclLongitude) > 180.0L ? -i : i;
}

Extended MoonIllumination(TDateTime Date) { return (1.0L + CosDeg(MoonPhaseAngle(Date))) / 2.0L; }

Extended MoonAge(TDateTime Date) {
    TSkyPosition s, m;
    SunSkyPosition(s, Date);
    MoonSkyPosition(m, Date);
    return PutIn360(m.EclLongitude - s.EclLongitude) / 360.0L * kSynodicMonth;
}

TMoonPhase MoonPhaseIndex(TDateTime Date) {
    const Extended eighths = RoundHalfEven(MoonAge(Date) / kSynodicMonth * 8.0L);
    // The age lies in [0, 29.53], so the rounded value is 0 to 8; anything else (a
    // non-finite date) counts as new moon rather than reaching the integer conversion.
    if (!(eighths >= 0.0L && eighths <= 8.0L)) return mpNewMoon;
    return static_cast<TMoonPhase>(static_cast<int>(eighths) % 8);
}

Extended MoonDistanceKm(TDateTime Date) {
    TSkyPosition p;
    MoonSkyPosition(p, Date);
    return p.Distance;
}

Extended MoonDiameterArcsec(TDateTime Date) {
    const Extended d = MoonDistanceKm(Date);
    if (d == 0.0L) return 0.0L;
    return 358473400.0L / d * 2.0L;
}

namespace {

// Perigee (integer k) or apogee (k + 0.5) number k to its instant.
TDateTime LunarApsisOfK(bool Apogee, Extended k) {
    const Extended T = k / 1325.55L;
    const Extended T2 = T * T, T3 = T2 * T, T4 = T3 * T;
    const Extended D = 171.9179L + 335.9106046L * k - 0.010025L * T2 - 0.00001156L * T3 + 0.000000055L * T4;
    const Extended M = 347.3477L + 27.1577721L * k - 0.0008323L * T2 - 0.000001L * T3;
    const Extended F = 316.6109L + 364.5287911L * k - 0.0125131L * T2 - 0.0000148L * T3;
    Extended jde = 2451534.6698L + 27.55454988L * k - 0.0006886L * T2 - 0.000001098L * T3 + 0.0000000052L * T4;
    auto add = [&](const tables::TApsisRow* rows, int count) {
        for (int i = 0; i < count; ++i) {
            const auto& r = rows[i];
            jde += (r.A * 0.0001L + r.B * 0.00001L * T) * SinDeg(r.D * D + r.F * F + r.M * M);
        }
    };
    if (Apogee)
        add(tables::kApogee, tables::kApogeeRows);
    else
        add(tables::kPerigee, tables::kPerigeeRows);
    return JDToDateTime(jde);
}

Extended LunarApsisNumber(TDateTime Date) {
    return RoundHalfEven(((static_cast<Extended>(Date) - Year1999Start) / 365.25L - 0.97L) * 13.2555L);
}

// The anomalistic month (27.55 days) is shorter than any fixed step that would be safe for
// every date, so the events are walked by their number: start two events before the one
// nearest to Date and take the first at or after Date. The periodic terms move an event by
// less than a day, so successive events stay in order.
TDateTime NextLunarApsis(bool Apogee, TDateTime Date) {
    Extended k = LunarApsisNumber(Date) - 2.0L;
    if (Apogee) k += 0.5L;
    TDateTime result = LunarApsisOfK(Apogee, k);
    for (int guard = 0; result < Date && guard < 16; ++guard) {
        k += 1.0L;
        result = LunarApsisOfK(Apogee, k);
    }
    return result;
}

}  // namespace

TDateTime LunarApsis(bool Apogee, TDateTime Date) {
    Extended k = LunarApsisNumber(Date);
    if (Apogee) k += 0.5L;
    return LunarApsisOfK(Apogee, k);
}

TDateTime NextPerigee(TDateTime Date) { return NextLunarApsis(false, Date); }

TDateTime NextApogee(TDateTime Date) { return NextLunarApsis(true, Date); }

}  // namespace astro
