// Rising, setting and meridian transit of the Sun and the Moon, the begin and end of civil,
// nautical and astronomical twilight, and the instants of the solstices and equinoxes.
//
// Conventions as everywhere in the astronomy routines: Date is a TDateTime in UTC (also read
// as dynamical time), latitudes are positive north, observer longitudes positive WEST.
// The rise, set and transit routines answer for the UTC day containing Date: the result is a
// UTC TDateTime on that day. They throw E_NoRiseSet when the body does not cross the altitude
// that day, also when it crosses it only on the day before or after.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "astro_calendar.h"
#include "astro_math.h"

namespace astro {

// The event asked of RiseSetCore. The standard altitude h0 it uses:
//   rsRise, rsSet: Sun -0.8333 deg; Moon 0.7275 * parallax - 34' (for its geocentric place)
//   rsTransit: 0 (used only for the test whether the body crosses the horizon)
//   civil -6, nautical -12, astronomical -18 deg, whatever the body.
enum TRiseSetKind : uint8_t {
    rsRise = 0,
    rsSet = 1,
    rsTransit = 2,
    rsCivilBegin = 3,
    rsNauticalBegin = 4,
    rsAstroBegin = 5,
    rsCivilEnd = 6,
    rsNauticalEnd = 7,
    rsAstroEnd = 8,
};

// The seasons, each starting when the Sun's apparent longitude reaches 270, 0, 90, 180 deg.
// The winter of year Y starts at the December solstice of Y.
enum TSeason : uint8_t {
    snWinter = 0,
    snSpring = 1,
    snSummer = 2,
    snAutumn = 3,
};

inline constexpr const char* kNoRiseSetMessage = "No rises or sets calculable";

class E_NoRiseSet : public std::runtime_error {
public:
    E_NoRiseSet() : std::runtime_error(kNoRiseSetMessage) {}
};

// IsSun selects the Sun (true) or the Moon (false). Throws E_NoRiseSet. A Kind outside the
// enumeration gives 0 (after the horizon test with h0 = 0). A rise, set or twilight comes only
// where the body's altitude at the result is within 0.01 degree of h0, climbing for a rise and
// sinking for a set. The Moon's h0 follows its parallax at the event; its transit comes only on a
// day when it crosses the horizon, the Sun's when its declination at 0h lets it cross.
TDateTime RiseSetCore(bool IsSun, TRiseSetKind Kind, TDateTime Date, Extended Latitude,
                      Extended LongitudeWest);

TDateTime SunRiseTime(TDateTime Date, Extended Latitude, Extended LongitudeWest);
TDateTime SunSetTime(TDateTime Date, Extended Latitude, Extended LongitudeWest);
TDateTime SunTransitTime(TDateTime Date, Extended Latitude, Extended LongitudeWest);
TDateTime MoonRiseTime(TDateTime Date, Extended Latitude, Extended LongitudeWest);
TDateTime MoonSetTime(TDateTime Date, Extended Latitude, Extended LongitudeWest);
TDateTime MoonTransitTime(TDateTime Date, Extended Latitude, Extended LongitudeWest);
TDateTime CivilTwilightBegin(TDateTime Date, Extended Latitude, Extended LongitudeWest);
TDateTime CivilTwilightEnd(TDateTime Date, Extended Latitude, Extended LongitudeWest);
TDateTime NauticalTwilightBegin(TDateTime Date, Extended Latitude, Extended LongitudeWest);
TDateTime NauticalTwilightEnd(TDateTime Date, Extended Latitude, Extended LongitudeWest);
TDateTime AstroTwilightBegin(TDateTime Date, Extended Latitude, Extended LongitudeWest);
TDateTime AstroTwilightEnd(TDateTime Date, Extended Latitude, Extended LongitudeWest);

// Three-point interpolation of angles tabulated at one-day steps (Y2 at N = 0); steps of more
// than 100 deg between neighbours are taken as a wrap through 360. Not normalised.
Extended InterpolateAngle(Extended Y1, Extended Y2, Extended Y3, Extended N);

// B - A brought into (-180, 180].
Extended AngleDiff(Extended A, Extended B);

// The instant (normally in Year) when the Sun's apparent longitude is 15 * K deg.
// Throws EConvertError when the start estimate's year lies outside 1 to 9999.
TDateTime SolarLongitudeTime(uint16_t Year, uint8_t K);

// The start of Season in Year; 0 for a Season outside 0 to 3.
TDateTime SeasonStart(uint16_t Year, TSeason Season);

}  // namespace astro
