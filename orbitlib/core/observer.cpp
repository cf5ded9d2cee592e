#include "observer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "mathtime.h"

namespace orbit {

namespace {

constexpr int kMaxLatitudePasses = 50;

// Below this unrefracted elevation (degrees) no refraction can lift a body to the horizon
// (the correction stays under one degree), while the formula itself turns erratic close to
// -5.11 degrees; the elevation is then left unrefracted.
constexpr long double kLowestRefractedDeg = -4.0L;

void CheckVector(const Vector& v) {
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) throw EMathError(kMsgInvalidOp);
}

}  // namespace

void StateToKm(Vector& pos, Vector& vel) {
    ScaleStateToKm(pos, vel);
    VectorMagnitude(pos);
    VectorMagnitude(vel);
}

void ScaleStateToKm(Vector& pos, Vector& vel) {
    const long double k = XKMPER;
    pos.x = static_cast<double>(pos.x * k);
    pos.y = static_cast<double>(pos.y * k);
    pos.z = static_cast<double>(pos.z * k);
    // One factor for km per Earth radius and seconds per minute, not a division per component.
    constexpr long double kv = XKMPER / 60.0L;
    vel.x = static_cast<double>(vel.x * kv);
    vel.y = static_cast<double>(vel.y * kv);
    vel.z = static_cast<double>(vel.z * kv);
}

TGeodetic GeodeticOfState(const Vector& p, double jd) {
    CheckVector(p);
    if (!std::isfinite(jd)) throw EMathError(kMsgInvalidOp);
    TGeodetic g;
    const double theta = ArcTanQuadrant(p.y, p.x);
    g.theta = theta;
    g.lon = ModTwoPi(theta - SiderealTimeOfJD(jd));
    const long double x = p.x, y = p.y, z = p.z;
    const long double r = std::sqrt(x * x + y * y);
    const long double e2 = kEarthEccSq;
    const long double a = XKMPER;
    if (r == 0.0L) {
        // On the polar axis the latitude is that of the pole; at the centre it is taken as 0.
        if (z == 0.0L) {
            g.lat = 0.0;
            g.alt = -XKMPER;
        } else {
            g.lat = static_cast<double>(z > 0.0L ? kPiL / 2.0L : -kPiL / 2.0L);
            g.alt = static_cast<double>(std::fabs(z) - a * kOneMinusFlattening);
        }
        return g;
    }
    // First guess: the closed form for the ellipsoid (Bowring, 1976 and 1985) from the reduced
    // latitude u of the foot point, tan u = (b z / (a r)) (1 + e'^2 b / |p|). It lies within 1e-12
    // of the latitude from the ground to beyond the geostationary orbit (1e-4 deep inside the
    // Earth), so the iteration below stops after its first pass there.
    const long double omf = kOneMinusFlattening;
    const long double b = a * omf;
    const long double ep2 = e2 / (1.0L - e2);
    const long double zu = omf * z * (1.0L + ep2 * b / std::sqrt(r * r + z * z));
    const long double hu = std::sqrt(zu * zu + r * r);
    const long double invHu = 1.0L / hu;
    const long double su = zu * invHu, cu = r * invHu;
    long double phi = ArcTanQuadrant(static_cast<double>(z + ep2 * b * su * su * su),
                                     static_cast<double>(r - e2 * a * cu * cu * cu));
    long double c = 1.0L;
    long double s = 0.0L, cs = 1.0L, step = 1.0L;
    for (int pass = 0; pass < kMaxLatitudePasses; ++pass) {
        const long double phi0 = phi;
        SinCosL(phi0, s, cs);
        c = 1.0L / std::sqrt(1.0L - e2 * s * s);
        phi = ArcTanQuadrant(static_cast<double>(z + a * c * e2 * s), static_cast<double>(r));
        step = phi - phi0;
        if (std::fabs(step) < 1e-10L) break;
    }
    g.lat = static_cast<double>(phi);
    // r / cos(phi) - a C, taken through z near the poles where the cosine loses precision. After
    // the iteration has settled, phi lies within 1e-10 of the last angle whose sine and cosine
    // were taken: the addition theorems with sin d = d, cos d = 1 - d^2 / 2 carry them over
    // (the terms left out are below 2e-31).
    long double sinPhi, cosPhi;
    if (std::fabs(step) < 1e-10L) {
        const long double h = 0.5L * step * step;
        sinPhi = s + (cs * step - s * h);
        cosPhi = cs - (s * step + cs * h);
    } else {
        SinCosL(phi, sinPhi, cosPhi);
    }
    if (std::fabs(sinPhi) > std::fabs(cosPhi))
        g.alt = static_cast<double>(z / sinPhi - a * c * (1.0L - e2));
    else
        g.alt = static_cast<double>(r / cosPhi - a * c);
    return g;
}

namespace {

// The observer's inertial state at a date with the sines and cosines of its latitude and local
// sidereal angle, which the look angles need as well.
struct TObserverFrame {
    std::uint64_t key[4] = {};  // bit patterns of latitude, longitude, height and date
    bool valid = false;
    double theta = 0.0;
    Vector pos, vel;
    long double sl = 0, cl = 0, st = 0, ct = 0;
};

// What depends on the observer's place only: the sine and cosine of the latitude, the distance
// from the polar axis and the height above the equatorial plane.
struct TObserverPlace {
    std::uint64_t key[3] = {};  // bit patterns of latitude, longitude and height
    bool valid = false;
    long double sl = 0, cl = 0, axial = 0, pz = 0;
};

void ComputePlace(const TObserver& o, TObserverPlace& p) {
    const long double lat = o.lat;
    long double sl, cl;
    SinCosL(lat, sl, cl);
    const long double c = 1.0L / std::sqrt(1.0L - static_cast<long double>(kEarthEccSq) * sl * sl);
    const long double omf = kOneMinusFlattening;
    const long double s = omf * omf * c;
    p.axial = (static_cast<long double>(XKMPER) * c + o.height) * cl;
    p.pz = (static_cast<long double>(XKMPER) * s + o.height) * sl;
    p.sl = sl;
    p.cl = cl;
}

void ComputeFrame(const TObserver& o, const TObserverPlace& place, double jd, TObserverFrame& f) {
    const double theta = ModTwoPi(SiderealTimeOfJD(jd) + static_cast<long double>(o.lon));
    f.theta = theta;
    const long double a = place.axial;
    long double st, ct;
    SinCosL(theta, st, ct);
    const long double px = a * ct;
    const long double py = a * st;
    const long double pz = place.pz;
    f.pos.x = static_cast<double>(px);
    f.pos.y = static_cast<double>(py);
    f.pos.z = static_cast<double>(pz);
    const long double w = kEarthRotation;
    f.vel.x = static_cast<double>(-w * py);
    f.vel.y = static_cast<double>(w * px);
    f.vel.z = 0.0;
    f.sl = place.sl;
    f.cl = place.cl;
    f.st = st;
    f.ct = ct;
}

// The frame of the last observer and date asked for on this thread: a list of satellites seen
// at one time needs it once, and one satellite followed in time needs the observer's place once.
const TObserverFrame& FrameOf(const TObserver& o, double jd) {
    thread_local TObserverFrame last;
    thread_local TObserverPlace place;
    const std::uint64_t key[4] = {std::bit_cast<std::uint64_t>(o.lat), std::bit_cast<std::uint64_t>(o.lon),
                                  std::bit_cast<std::uint64_t>(o.height), std::bit_cast<std::uint64_t>(jd)};
    if (last.valid && std::equal(key, key + 4, last.key)) return last;
    if (!std::isfinite(o.lat) || !std::isfinite(o.lon) || !std::isfinite(o.height) || !std::isfinite(jd))
        throw EMathError(kMsgInvalidOp);
    last.valid = false;
    if (!place.valid || !std::equal(key, key + 3, place.key)) {
        place.valid = false;
        ComputePlace(o, place);
        std::copy(key, key + 3, place.key);
        place.valid = true;
    }
    ComputeFrame(o, place, jd, last);
    std::copy(key, key + 4, last.key);
    last.valid = true;
    return last;
}

}  // namespace

void ObserverState(TObserver& o, double jd, Vector& pos, Vector& vel) {
    const TObserverFrame& f = FrameOf(o, jd);
    o.theta = f.theta;
    pos = f.pos;
    vel = f.vel;
    VectorMagnitude(pos);
    VectorMagnitude(vel);
}

void LookAngles(const Vector& p, const Vector& v, const TObserver& obs, double jd, TLookAngles& look,
                bool& visible) {
    CheckVector(p);
    CheckVector(v);
    const TObserverFrame& f = FrameOf(obs, jd);
    const Vector& op = f.pos;
    const Vector& ov = f.vel;
    const long double rx = static_cast<long double>(p.x) - op.x;
    const long double ry = static_cast<long double>(p.y) - op.y;
    const long double rz = static_cast<long double>(p.z) - op.z;
    const long double vx = static_cast<long double>(v.x) - ov.x;
    const long double vy = static_cast<long double>(v.y) - ov.y;
    const long double vz = static_cast<long double>(v.z) - ov.z;
    const long double range = std::sqrt(rx * rx + ry * ry + rz * rz);
    if (range == 0.0L) throw EMathError(kMsgZeroDivide);
    const long double sl = f.sl, cl = f.cl, st = f.st, ct = f.ct;
    const long double south = sl * ct * rx + sl * st * ry - cl * rz;
    const long double east = -st * rx + ct * ry;
    const long double zen = cl * ct * rx + cl * st * ry + sl * rz;
    long double az;
    if (south == 0.0L) {
        // Due east or west; straight overhead (no horizontal component) counts as north.
        az = east > 0.0L ? kPiL / 2.0L : (east < 0.0L ? 3.0L * kPiL / 2.0L : 0.0L);
    } else {
        az = AtanRatio(-east, south);
        if (south > 0.0L) az += kPiL;
        if (az < 0.0L) az += kTwoPiL;
    }
    const long double invRange = 1.0L / range;
    const double el = ArcSine(static_cast<double>(zen * invRange));
    look.azimuth = static_cast<double>(az);
    look.range = static_cast<double>(range);
    look.rangeRate = static_cast<double>((rx * vx + ry * vy + rz * vz) * invRange);
    const long double h = static_cast<long double>(el) * 180.0L / kPiL;
    long double refr = 0.0L;
    bool apply = h >= kLowestRefractedDeg;
    if (apply) {
        const long double argDeg = h + 10.3L / (h + 5.11L);
        const long double arg = argDeg * kPiL / 180.0L;
        double sinArg, cosArg;
        SinCosReduced(arg, sinArg, cosArg);
        // 1.02 / tan(arg); a tangent of 0 (a sine of 0) leaves the elevation unrefracted.
        if (sinArg == 0.0) {
            apply = false;
        } else {
            const long double rMin = 1.02L * cosArg / sinArg;
            refr = (rMin / 60.0L) * kPiL / 180.0L;
        }
    }
    if (apply && static_cast<long double>(el) + refr >= 0.0L) {
        look.elevation = static_cast<double>(el + refr);
        visible = true;
    } else {
        look.elevation = el;
        visible = false;
    }
}

}  // namespace orbit
