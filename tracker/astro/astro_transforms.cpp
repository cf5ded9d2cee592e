#include "astro_transforms.h"

#include <cmath>

#include "astro_moon.h"
#include "astro_tables.h"

namespace astro {

Extended JulianCenturies(TDateTime Date) { return (DateTimeToJD(Date) - 2451545.0L) / 36525.0L; }

void Nutation(Extended& DeltaPsi, Extended& Epsilon, TDateTime Date) {
    const Extended T = JulianCenturies(Date);
    const Extended T2 = T * T;
    const Extended T3 = T2 * T;
    const Extended D = PutIn360(297.85036L + 445267.11148L * T - 0.0019142L * T2 + T3 / 189474.0L);
    const Extended M = PutIn360(357.52772L + 35999.05034L * T - 0.0001603L * T2 - T3 / 300000.0L);
    const Extended Mp = PutIn360(134.96298L + 477198.867398L * T + 0.0086972L * T2 + T3 / 56250.0L);
    const Extended F = PutIn360(93.27191L + 483202.017538L * T - 0.0036825L * T2 + T3 / 327270.0L);
    const Extended Om = PutIn360(125.04452L - 1934.136261L * T + 0.0020708L * T2 + T3 / 450000.0L);

    Extended sumPsi = 0;
    Extended sumEps = 0;
    for (const auto& r : tables::kNutation) {
        const Extended arg = r.D * D + r.M * M + r.Mp * Mp + r.F * F + r.Om * Om;
        sumPsi += (r.Ppsi + 0.1L * r.Qpsi * T) * SinDeg(arg);
        sumEps += (r.Peps + 0.1L * r.Qeps * T) * CosDeg(arg);
    }
    DeltaPsi = sumPsi * 0.0001L / 3600.0L;
    const Extended eps0 = 84381.448L - 46.815L * T - 0.00059L * T2 + 0.001813L * T3;
    Epsilon = (eps0 + sumEps * 0.0001L) / 3600.0L;
}

Extended GreenwichSiderealTime(TDateTime Date) {
    const Extended JD = DateTimeToJD(Date);
    const Extended T = JulianCenturies(Date);
    Extended dPsi = 0, eps = 0;
    Nutation(dPsi, eps, Date);
    return PutIn360(280.46061837L + 360.98564736629L * (JD - 2451545.0L) + 0.000387933L * T * T -
                    T * T * T / 38710000.0L + dPsi * CosDeg(eps));
}

void EclipticToEquatorial(TSkyPosition& Pos, TDateTime Date) {
    Extended dPsi = 0, eps = 0;
    Nutation(dPsi, eps, Date);
    const Extended lambda = PutIn360(Pos.EclLongitude + dPsi);
    Pos.EclLongitude = lambda;
    const Extended beta = Pos.EclLatitude;
    Pos.RightAscension =
        ArcTan2Deg(SinDeg(lambda) * CosDeg(eps) - TanDeg(beta) * SinDeg(eps), CosDeg(lambda));
    Pos.Declination = ArcSinDeg(SinDeg(beta) * CosDeg(eps) + CosDeg(beta) * SinDeg(eps) * SinDeg(lambda));
}

void EquatorialToHorizontal(TSkyPosition& Pos, TDateTime Date, Extended LongitudeWest, Extended Latitude) {
    const Extended H = PutIn360(GreenwichSiderealTime(Date) - Pos.RightAscension - LongitudeWest);
    const Extended phi = Latitude;
    const Extended delta = Pos.Declination;
    Pos.Azimuth = ArcTan2Deg(SinDeg(H), CosDeg(H) * SinDeg(phi) - TanDeg(delta) * CosDeg(phi));
    Pos.Elevation = ArcSinDeg(SinDeg(phi) * SinDeg(delta) + CosDeg(phi) * CosDeg(delta) * CosDeg(H));
}

void TopocentricCorrection(TSkyPosition& Pos, TDateTime Date, Extended Latitude, Extended LongitudeWest,
                           Extended Height) {
    const Extended phi = Latitude;
    // 0.99330562... is the square of the polar-to-equatorial axis ratio 0.99664719.
    const Extended u = ArcTanDeg(0.99330562133489609997L * TanDeg(phi));
    const Extended h = Height / 6378140.0L;
    const Extended rhoSin = 0.99664719L * SinDeg(u) + h * SinDeg(phi);
    const Extended rhoCos = CosDeg(u) + h * CosDeg(phi);

    const Extended deltaAU = MoonDistanceKm(Date) / 149597869.0L;
    Extended P = 0;
    if (deltaAU > 0.0L) P = ArcSinDeg(SinDeg(8.794L / 3600.0L) / deltaAU);
    Pos.Parallax = P;

    const Extended alpha = Pos.RightAscension;
    const Extended delta = Pos.Declination;
    const Extended H = GreenwichSiderealTime(Date) - LongitudeWest - alpha;
    const Extended sinP = SinDeg(P);
    const Extended den = CosDeg(delta) - rhoCos * sinP * CosDeg(H);
    const Extended dAlpha = ArcTanQuotDeg(-rhoCos * sinP * SinDeg(H), den);
    Pos.RightAscension = alpha + dAlpha;
    Pos.Declination = ArcTanQuotDeg((SinDeg(delta) - rhoSin * sinP) * CosDeg(dAlpha), den);
}

}  // namespace astro
