#include "astro_sun.h"

#include <cmath>

#include "astro_vsop.h"

namespace astro {

void EarthHeliocentric(Extended& L, Extended& B, Extended& R, TDateTime Date) {
    TVSOPEarth earth;
    earth.SetDate(Date);
    R = earth.Radius();
    L = earth.Longitude();
    B = earth.Latitude();
    earth.FK5Correction(L, B);
    L = PutIn360(RadToDeg(L));
    B = RadToDeg(B);
}

void SunSkyPosition(TSkyPosition& Pos, TDateTime Date) {
    Extended L = 0, B = 0, R = 0;
    EarthHeliocentric(L, B, R, Date);
    const Extended theta = L + 180.0L;
    const Extended beta = -B;
    // Aberration, 20.4898" / R.
    Extended lambda = theta;
    if (R != 0.0L) lambda -= 0.005691611111111111L / R;
    Pos.EclLongitude = PutIn360(lambda);
    Pos.EclLatitude = beta;
    Pos.Distance = R * kKmPerAU;
    EclipticToEquatorial(Pos, Date);
}

Extended SunDistanceAU(TDateTime Date) {
    TSkyPosition p;
    SunSkyPosition(p, Date);
    return p.Distance / kKmPerAU;
}

Extended SunDiameterArcsec(TDateTime Date) {
    const Extended au = SunDistanceAU(Date);
    if (au == 0.0L) return 0.0L;
    return 959.63L / au * 2.0L;
}

TDateTime EarthApsis(bool Aphelion, TDateTime Date) {
    Extended k = RoundHalfEven(((static_cast<Extended>(Date) - Year2000Start) / 365.25L - 0.01L) * 0.99997L);
    if (Aphelion) k += 0.5L;
    const Extended jde = 2451547.507L + 365.2596358L * k + 0.0000000158L * k * k;
    return JDToDateTime(jde);
}

namespace {

// Steps the epoch by 365.25 days, less than the anomalistic year, so no event is skipped.
TDateTime NextEarthApsis(bool Aphelion, TDateTime Date) {
    TDateTime a = Date - 365.25;
    TDateTime result = a;
    for (int guard = 0; result < Date && guard < 8; ++guard) {
        result = EarthApsis(Aphelion, a);
        a += 365.25;
    }
    return result;
}

}  // namespace

TDateTime NextPerihelion(TDateTime Date) { return NextEarthApsis(false, Date); }

TDateTime NextAphelion(TDateTime Date) { return NextEarthApsis(true, Date); }

void SunHorizontal(Extended& Elevation, Extended& Azimuth, TDateTime Date, Extended LongitudeWest,
                   Extended Latitude) {
    TSkyPosition p;
    SunSkyPosition(p, Date);
    EquatorialToHorizontal(p, Date, LongitudeWest, Latitude);
    Elevation = p.Elevation;
    Azimuth = p.Azimuth;
}

void SunPositionRecord(TSkyPosition& Pos, TDateTime Date) {
    TSkyPosition p;
    SunSkyPosition(p, Date);
    Pos = p;
}

}  // namespace astro
