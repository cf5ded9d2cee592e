// Date conversions of the astronomy routines: TDateTime (days since 1899-12-30 0h, UTC)
// to and from Julian dates, and calendar dates in the Julian and Gregorian calendars.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "astro_math.h"

namespace astro {

using TDateTime = double;

// Raised by the calendar routines on a date that does not exist. The message is one of
// "Invalid year", "Invalid month", "Invalid day", "Date invalid due to calendar change".
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
};

// Julian date of TDateTime 0 (2451544.5 minus the TDateTime of 2000-01-01).
inline constexpr Extended JDOffset = 2415018.5L;
// Julian date of 15 October 1582 0h, the first day of the Gregorian calendar.
inline constexpr Extended CalendarChangeJD = 2299160.5L;
// Reference dates used by the apsis routines (TDateTime of 1 January 2000 and 1999, 0h).
inline constexpr TDateTime Year2000Start = 36526.0;
inline constexpr TDateTime Year1999Start = 36161.0;

Extended DateTimeToJD(TDateTime Date);
TDateTime JDToDateTime(Extended JD);

// Julian date of 0h of a date in the Julian / Gregorian calendar. Throw EConvertError.
Extended JulianCalendarJD(uint16_t Year, uint16_t Month, uint16_t Day);
Extended GregorianCalendarJD(uint16_t Year, uint16_t Month, uint16_t Day);
// Julian date of a date in the calendar in force on it, switching at ChangeJD.
Extended CalendarJD(uint16_t Year, uint16_t Month, uint16_t Day, Extended ChangeJD);
Extended DateToJD(uint16_t Year, uint16_t Month, uint16_t Day);
TDateTime DateToDateTime(uint16_t Year, uint16_t Month, uint16_t Day);

}  // namespace astro
