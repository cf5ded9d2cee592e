#include "astro_calendar.h"

#include <cmath>

namespace astro {

namespace {

bool JulianLeap(unsigned year) { return year % 4 == 0; }

bool GregorianLeap(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

void Validate(uint16_t Year, uint16_t Month, uint16_t Day, bool leap) {
    if (Year == 0 || Year > 9999) throw EConvertError("Invalid year");
    if (Month < 1 || Month > 12) throw EConvertError("Invalid month");
    static const uint16_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    uint16_t last = kDays[Month - 1];
    if (Month == 2 && leap) last = 29;
    if (Day == 0 || Day > last) throw EConvertError("Invalid day");
}

// The Julian-day method of Astronomical Algorithms; B = 0 for the Julian calendar.
Extended CalendarDayNumber(uint16_t Year, uint16_t Month, uint16_t Day, bool gregorian) {
    int64_t y = Year;
    int64_t m = Month;
    if (m < 3) {
        y -= 1;
        m += 12;
    }
    int64_t b = 0;
    if (gregorian) {
        int64_t a = y / 100;
        b = 2 - a + a / 4;
    }
    // trunc(365.25 * (y + 4716)) exactly, y + 4716 being positive.
    const int64_t yearDays = (1461 * (y + 4716)) / 4;
    const int64_t monthDays = static_cast<int64_t>(std::trunc(30.6001 * static_cast<double>(m + 1)));
    const int64_t sum = yearDays + monthDays + Day + b;
    return static_cast<Extended>(sum) - 1524.5L;
}

}  // namespace

Extended DateTimeToJD(TDateTime Date) { return static_cast<Extended>(Date) + JDOffset; }

TDateTime JDToDateTime(Extended JD) { return static_cast<TDateTime>(JD - JDOffset); }

Extended JulianCalendarJD(uint16_t Year, uint16_t Month, uint16_t Day) {
    Validate(Year, Month, Day, JulianLeap(Year));
    return CalendarDayNumber(Year, Month, Day, false);
}

Extended GregorianCalendarJD(uint16_t Year, uint16_t Month, uint16_t Day) {
    Validate(Year, Month, Day, GregorianLeap(Year));
    return CalendarDayNumber(Year, Month, Day, true);
}

Extended CalendarJD(uint16_t Year, uint16_t Month, uint16_t Day, Extended ChangeJD) {
    const Extended j = JulianCalendarJD(Year, Month, Day);
    if (ChangeJD > j) return j;
    const Extended g = GregorianCalendarJD(Year, Month, Day);
    if (ChangeJD > g) throw EConvertError("Date invalid due to calendar change");
    return g;
}

Extended DateToJD(uint16_t Year, uint16_t Month, uint16_t Day) {
    return CalendarJD(Year, Month, Day, CalendarChangeJD);
}

TDateTime DateToDateTime(uint16_t Year, uint16_t Month, uint16_t Day) {
    return JDToDateTime(DateToJD(Year, Month, Day));
}

}  // namespace astro
