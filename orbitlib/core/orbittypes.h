// Shared types of the orbit library core: vectors, observer and result records,
// and the error classes every routine of the core throws.
#pragma once

#include <stdexcept>
#include <string>

namespace orbit {

// A position or velocity: x, y, z and the magnitude, which only VectorMagnitude fills.
struct Vector {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double mag = 0.0;
};

// An observer on the Earth. `theta` is scratch: ObserverState writes the local
// sidereal angle of the record it is given.
struct TObserver {
    double lat = 0.0;     // geodetic latitude, rad, north positive
    double lon = 0.0;     // longitude, rad, east positive
    double height = 0.0;  // height above the ellipsoid, km
    double theta = 0.0;   // local sidereal angle, rad
};

// Sub-point of an inertial position.
struct TGeodetic {
    double lat = 0.0;    // geodetic latitude, rad
    double lon = 0.0;    // east longitude, rad, [0, 2 pi)
    double alt = 0.0;    // altitude above the ellipsoid, km
    double theta = 0.0;  // right-ascension angle of the position, rad
};

// Topocentric look angles.
struct TLookAngles {
    double azimuth = 0.0;    // rad from north through east, [0, 2 pi)
    double elevation = 0.0;  // rad, refraction included when it applies
    double range = 0.0;      // km
    double rangeRate = 0.0;  // km/s, positive when the distance grows
};

// Any failure inside the orbit library core.
class EOrbitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Arithmetic failures: invalid arguments of the power routine, divisions by zero,
// invalid operations and overflows that the arithmetic itself does not report.
class EMathError : public EOrbitError {
public:
    using EOrbitError::EOrbitError;
};

// A propagated state closer to the Earth's centre than one Earth radius: the satellite has come
// down, and the model's position means nothing any more.
class EDecayError : public EOrbitError {
public:
    using EOrbitError::EOrbitError;
};

inline constexpr const char* kMsgDecayed = "Satellite has decayed";
inline constexpr const char* kMsgPowerArgument = "Invalid argument in Function Power!";
inline constexpr const char* kMsgZeroDivide = "Floating point division by zero";
inline constexpr const char* kMsgInvalidOp = "Invalid floating point operation";
inline constexpr const char* kMsgOverflow = "Floating point overflow";

}  // namespace orbit
