// The tracker's record of one satellite (or of the pseudo-satellites Sun and Moon): the element
// set, the user's own information, the position and dish geometry computed for one time, and the
// entry of the geostationary log. The satellite collection creates, owns and frees every record.
//
// Texts are single-byte (Latin-1, degree sign 0xB0). A short text has a fixed capacity in
// characters; a longer text put into it keeps only its first characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Days since 30 December 1899 0:00, the time of day as the fraction.
using TDateTime = double;

// A text of at most N characters stored inline; assignment cuts a longer text.
template <std::size_t N>
class ShortString {
  static_assert(N > 0 && N < 256);

 public:
  static constexpr std::size_t Capacity = N;

  ShortString() = default;
  ShortString(std::string_view s) { assign(s); }
  ShortString(const char* s) { assign(s ? std::string_view(s) : std::string_view()); }
  ShortString(const std::string& s) { assign(s); }

  ShortString& operator=(std::string_view s) { assign(s); return *this; }
  ShortString& operator=(const char* s) { assign(s ? std::string_view(s) : std::string_view()); return *this; }
  ShortString& operator=(const std::string& s) { assign(s); return *this; }

  void assign(std::string_view s) {
    len_ = static_cast<std::uint8_t>(s.size() < N ? s.size() : N);
    for (std::size_t i = 0; i < len_; ++i) buf_[i] = s[i];
    for (std::size_t i = len_; i < N; ++i) buf_[i] = 0;
  }
  void clear() { assign({}); }

  std::string_view view() const { return std::string_view(buf_, len_); }
  std::string str() const { return std::string(buf_, len_); }
  operator std::string_view() const { return view(); }
  operator std::string() const { return str(); }

  std::size_t size() const { return len_; }
  std::size_t length() const { return len_; }
  bool empty() const { return len_ == 0; }
  const char* data() const { return buf_; }
  char operator[](std::size_t i) const { return buf_[i]; }

  friend bool operator==(const ShortString& a, const ShortString& b) { return a.view() == b.view(); }
  friend bool operator==(const ShortString& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const ShortString& a, const char* b) { return a.view() == std::string_view(b); }

 private:
  std::uint8_t len_ = 0;
  char buf_[N] = {};
};

// Catalogue numbers of the two pseudo-satellites.
inline constexpr std::int32_t SunNoradNr = -1;
inline constexpr std::int32_t MoonNoradNr = -2;

// A pulse count not above this value means "unset".
inline constexpr std::int32_t PulseCountUnset = -2147483647;
inline bool PulseCountIsSet(std::int32_t pulseCount) { return pulseCount > PulseCountUnset; }

// The element set, as the tracker's element-file reader read it.
struct TTwoLineRecord {
  ShortString<30> Name;          // name line, trimmed; "SUN" / "MOON" for the pseudo-satellites
  char Classification = ' ';     // line 1 column 8, upper-cased; blank when not read
  std::int32_t NoradNr = 0;      // catalogue number; -1 Sun, -2 Moon
  ShortString<12> CosparName;    // international designator, e.g. "1998-050A"
  TDateTime Epoch = 0;           // epoch (UTC)
  std::int32_t ElementNr = 0;    // element set number
  double Inclination = 0;        // degrees
  double MeanMotion = 0;         // revolutions per day
  double AscNode = 0;            // degrees
  double Eccentricity = 0;
  double ArgPerigee = 0;         // degrees
  ShortString<10> EphemerisType; // line 1 column 63
  ShortString<50> LibVersion;    // the orbit library's version text when the record was created
};

// The user's own information ("sats.csv").
struct TSatInfoRecord {
  ShortString<50> CsvName;                 // field 0; becomes the display name
  ShortString<20> Bands;                   // field 3; "Ku" / "C" filters look into it
  double RepLongitude = 0;                 // field 2; degrees east; 0 = none given
  std::string Remarks;                     // field 4
  std::string URL;                         // field 5
  std::int32_t PulseCount = PulseCountUnset;  // field 7; see PulseCountIsSet
  std::string StoredPos;                   // field 6, list column "Pos"
  bool IgnorePC = false;                   // field 8, "Ignore in calc."
  bool DynHA = true;                       // field 10, "Dynamic"
  double RotorHA = 0;                      // field 9; degrees, sign convention of SatPos.HA
};

// Position and dish geometry for one time (all angles degrees unless noted). A record computed
// without the orbit library, or whose computation failed, is all zeros.
struct TSatPosRecord {
  double Azimuth = 0;       // from north, clockwise
  double Elevation = 0;
  double Longitude = 0;     // sub-satellite longitude, east positive, [0, 360)
  double Latitude = 0;      // geodetic sub-satellite latitude
  double Range = 0;         // km
  double RangeRate = 0;     // km/s
  double Altitude = 0;      // km above the reference ellipsoid
  double Phase = 0;         // radians, as the library gives it (moon only)
  double X = 0, Y = 0, Z = 0;           // inertial position, km
  double Radius = 0;                    // km
  double XDot = 0, YDot = 0, ZDot = 0;  // inertial velocity, km/s
  double Speed = 0;                     // km/s
  double OrbitPhase = 0;    // angle past the ascending node
  double Anomaly = 0;       // position within the revolution, 0..360
  std::int16_t Southbound = 0;  // 0 False, any other value True
  std::int32_t RevNr = 0;
  double RelLongitude = 0;  // Longitude minus the observer's longitude, not reduced
  double HA2 = 0;           // copy of HA
  double HA = 0;            // hour angle, (-180, 180], positive east of the meridian
  double Declination = 0;
  double TheoDeclination = 0;
  double PolAngle = 0;
  double PolAxis = 0;
  double PolAxCorr = 0;     // 0 when the modified polar mount is off
  double DecHorPlane = 0;
  bool Visible = false;     // above 0.5 degree
  double StarTime = 0;      // Greenwich sidereal time
  double LclStarTime = 0;   // local sidereal time, [0, 360)
  double ObsX = 0, ObsY = 0, ObsZ = 0;  // observer's inertial position, km
  TDateTime UTC = 0;        // the time the record was computed for
};

// The entry of the geostationary log ("geo.log").
struct TGeoLogRecord {
  ShortString<30> Name;
  ShortString<30> AltName;
  ShortString<30> Designation;
  TDateTime LogTime = 0;    // 0 when not given
  ShortString<8> LogCode;
  double Period = 0;        // minutes
  double Perigee = 0;       // km
  double Apogee = 0;        // km
  double Inclination = 0;   // degrees
  double LogValue = 0;
  double Longitude = 0;     // degrees east; shown when SatInfo.RepLongitude is 0
  double Drift = 0;         // degrees east per day
};

// One satellite. Records are copied as whole values.
class TSat {
 public:
  std::string Name;          // display name, the key of the collection's name list
  TTwoLineRecord TwoLine;
  TSatInfoRecord SatInfo;
  TSatPosRecord SatPos;
  TGeoLogRecord GeoLog;
};

// The empty satellite: stands for "no satellite" and is handed out when a name is not found.
// The collection may reset it with `EmptySat = TSat()`.
extern TSat EmptySat;
