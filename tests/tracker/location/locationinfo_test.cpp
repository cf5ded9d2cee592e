// The texts of the Location page's time, sun and moon panel and the next solar outage season,
// checked against published dates and times (seasons, perihelion and aphelion, sunrise and
// sunset tables) and against the panel's own rules.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <regex>
#include <string>

#include "astro_riseset.h"
#include "astro_sun.h"
#include "format.h"
#include "locationinfo.h"

namespace {

constexpr double kMinute = 1.0 / 1440;
const std::string kDeg = "\xB0";

TDateTime At(int y, int m, int d, int h = 0, int n = 0) { return EncodeDate(y, m, d) + EncodeTime(h, n, 0, 0); }

// Minutes of the day of an "hh:nn" text; -1 when the text is not of that form.
int Minutes(const std::string& text) {
  static const std::regex form("([0-9]{2}):([0-9]{2})");
  std::smatch m;
  if (!std::regex_match(text, m, form)) return -1;
  return std::stoi(m[1]) * 60 + std::stoi(m[2]);
}

TLocationQuery Query(TDateTime ut, double lat, double lon, double offsetHours = 0) {
  TLocationQuery q;
  q.UT = ut;
  q.OffsetFromUTC = offsetHours / 24;
  q.Local = ut + q.OffsetFromUTC;
  q.ObsLat = lat;
  q.ObsLon = lon;
  return q;
}

}  // namespace

TEST(LocationCalendar, IsoWeekAndDayOfYear) {
  const struct {
    int y, m, d, week, day;
  } cases[] = {
      {2021, 1, 3, 53, 3},     // Sunday: still the last week of 2020, a 53-week year
      {2021, 1, 4, 1, 4},      // Monday: week 1
      {2024, 12, 30, 1, 365},  // Monday of the week holding 2 January 2025
      {2024, 12, 31, 1, 366},
      {2026, 12, 31, 53, 365},  // 2026 begins on a Thursday: 53 weeks
      {2027, 1, 1, 53, 1},
      {2008, 12, 29, 1, 364},
      {2026, 6, 21, 25, 172},
      {2025, 3, 1, 9, 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d);
    const TDateTime t = At(c.y, c.m, c.d, 23, 59);
    EXPECT_EQ(IsoWeekNumber(t), c.week);
    EXPECT_EQ(DayOfYear(t), c.day);
  }
}

TEST(LocationSeason, SeasonOfTheMonth) {
  // Published instants (UTC) of the solstices and equinoxes, to within a few minutes.
  const struct {
    TDateTime ut;
    const char* text;
    TDateTime start;
  } cases[] = {
      {At(2026, 1, 15), "Winter Started", At(2025, 12, 21, 15, 3)},  // the December before
      {At(2026, 1, 31, 23, 59), "Winter Started", At(2025, 12, 21, 15, 3)},
      {At(2026, 2, 1), "Spring Starts", At(2026, 3, 20, 14, 46)},
      {At(2026, 4, 1), "Spring Started", At(2026, 3, 20, 14, 46)},
      {At(2026, 5, 1), "Summer Starts", At(2026, 6, 21, 8, 24)},
      {At(2026, 7, 31), "Summer Started", At(2026, 6, 21, 8, 24)},
      {At(2026, 8, 1), "Autumn Starts", At(2026, 9, 23, 0, 5)},
      {At(2026, 10, 31), "Autumn Started", At(2026, 9, 23, 0, 5)},
      {At(2026, 11, 1), "Winter Starts", At(2026, 12, 21, 20, 50)},  // this year's December
      {At(2026, 12, 31), "Winter Started", At(2026, 12, 21, 20, 50)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(FormatDateTime("yyyy-mm-dd", c.ut));
    const TSeasonLine s = SeasonLine(c.ut);
    EXPECT_EQ(s.Text, c.text);
    EXPECT_NEAR(s.Start, c.start, 3 * kMinute);
  }
}

TEST(LocationSeason, SeasonLineAndHintCarryTheLocalDate) {
  // 21 December 2026 20:50 UTC is already 22 December at UTC+4.
  const TLocationTexts t = LocationTexts(Query(At(2026, 11, 1), 52.083, 5.133, 4));
  EXPECT_EQ(t.Season, "Winter Starts 22/12/26");
  EXPECT_EQ(t.SeasonHint.rfind("Winter Starts 22/12/2026 00:5", 0), 0u) << t.SeasonHint;
}

TEST(LocationSun, PerihelionAndAphelionWithinHalfAYear) {
  // Published instants (UTC; the routines' short series give them to a day or two): perihelion 4 Jan 2025 13:28, 3 Jan 2026 17:16, 3 Jan 2027 ~2:33;
  // aphelion 3 Jul 2025 19:55, 6 Jul 2026 17:31.
  const struct {
    bool aphelion;
    TDateTime ut;
    TDateTime expected;
  } cases[] = {
      {false, At(2025, 12, 28), At(2026, 1, 3, 17, 16)},  // late December: the coming January's
      {false, At(2026, 1, 2), At(2026, 1, 3, 17, 16)},    // early January: that January's
      {false, At(2026, 1, 10), At(2026, 1, 3, 17, 16)},
      {false, At(2025, 6, 30), At(2025, 1, 4, 13, 28)},
      {false, At(2026, 8, 1), At(2027, 1, 3, 2, 33)},
      {true, At(2026, 1, 2), At(2025, 7, 3, 19, 55)},  // early January: the previous July's
      {true, At(2026, 6, 1), At(2026, 7, 6, 17, 31)},
      {true, At(2026, 12, 31), At(2026, 7, 6, 17, 31)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(FormatDateTime("yyyy-mm-dd", c.ut) + (c.aphelion ? " aphelion" : " perihelion"));
    const TDateTime p = ShownApsis(c.aphelion, c.ut);
    EXPECT_NEAR(p, c.expected, 1.5);  // the apsis series ignores the Moon: a day or so off
    EXPECT_LE(std::fabs(p - c.ut), 190);
  }
  const TLocationTexts t = LocationTexts(Query(At(2025, 12, 28), 52.083, 5.133));
  EXPECT_TRUE(std::regex_match(t.SunPer, std::regex("[2-4]/1/26 147,[0-9]{3},[0-9]{3} Km"))) << t.SunPer;
  // On 28 December the last aphelion (July, 176 days ago) is nearer than the next one.
  EXPECT_TRUE(std::regex_match(t.SunAp, std::regex("[3-6]/7/25 152,[0-9]{3},[0-9]{3} Km"))) << t.SunAp;
}

TEST(LocationSun, AzimuthTexts) {
  const std::string e = kDeg + " E", w = kDeg + " W";
  const struct {
    double azimuth;  // from south, positive westward
    double lat;
    bool decimal, fromSouth;
    std::string text;
  } cases[] = {
      {-90, 52, true, true, "90.000" + e},    // east, measured from south
      {-30, 52, true, true, "30.000" + e},    // south-south-east
      {135, 52, true, true, "135.000" + w},   // north-west
      {-90, -33, true, true, "90.000" + e},   // east, measured from north in the south
      {135, -33, true, true, "45.000" + w},   // north-west: 45 west of north
      {0, -33, true, true, "180.000" + e},  // due south
      {-90, 52, true, false, "90.000" + kDeg},   // from north, clockwise
      {135, 52, true, false, "315.000" + kDeg},
      {180, 52, true, false, "0.000" + kDeg},
      {-90.5, 52, false, true, "90" + kDeg + " 30' 0'' E"},
      {45.25, 52, false, false, "225" + kDeg + " 15' 0''"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.azimuth << " at " << c.lat);
    EXPECT_EQ(AzimuthText(c.azimuth, c.lat, c.decimal, c.fromSouth), c.text);
  }
}

TEST(LocationTexts, TimePanelFormats) {
  // 21 June 2026 12:34:56 UTC at Utrecht; the clock shows local time two hours ahead.
  const TDateTime ut = At(2026, 6, 21, 12, 34) + EncodeTime(0, 0, 56, 0);
  const TLocationTexts t = LocationTexts(Query(ut, 52.083, 5.133, 2));
  EXPECT_EQ(t.LclTime, "Sunday 21 June 2026  14:34:56");
  EXPECT_EQ(t.UtcTime, "Sunday 21 June 2026  12:34:56");
  EXPECT_EQ(t.LclTimeHint, "Week: 25  Day of year: 172");
  EXPECT_EQ(t.JulianDate, "2,461,213.02426");
  EXPECT_EQ(t.MJD, "61,212.52426");
  // Sidereal times as clock times (360 degrees a day): GST about 6:36 (99 degrees).
  EXPECT_TRUE(std::regex_match(t.StarTime, std::regex("06:3[0-9]:[0-9]{2}"))) << t.StarTime;
  // Local: GST plus 5.133 degrees (20.5 minutes).
  const int gst = Minutes(t.StarTime.substr(0, 5)), lst = Minutes(t.LclStarTime.substr(0, 5));
  EXPECT_NEAR(lst - gst, 20.5, 1);
  // Mean solar time: UT plus 20.5 minutes; true solar time adds the equation of time (-1.7 min).
  EXPECT_EQ(t.AvgSolTime.substr(0, 5), "12:55");
  EXPECT_NEAR(Minutes(t.TrueSolTime.substr(0, 5)), 12 * 60 + 53, 1);
  EXPECT_TRUE(std::regex_match(t.TrueSolTimeHint, std::regex("193\\.[0-9]{3}" + kDeg))) << t.TrueSolTimeHint;
}

TEST(LocationTexts, SunAndMoonAtUtrecht) {
  // Published for Utrecht, 21 June 2026 (UTC): sunrise 3:19, transit 11:41, sunset 20:04; civil
  // twilight 2:30 - 20:52; nautical 1:12 - 22:10; no astronomical night.
  const TLocationTexts t = LocationTexts(Query(At(2026, 6, 21, 12), 52.083, 5.133));
  EXPECT_TRUE(t.Failures.empty());
  const struct {
    const std::string& text;
    int minutes;
  } events[] = {{t.SunRise, 3 * 60 + 19}, {t.SunTransit, 11 * 60 + 41}, {t.SunSet, 20 * 60 + 4},
                {t.CTStart, 2 * 60 + 30}, {t.CTEnd, 20 * 60 + 52},      {t.NTStart, 60 + 12},
                {t.NTEnd, 22 * 60 + 10}};
  for (const auto& e : events) EXPECT_NEAR(Minutes(e.text), e.minutes, 3) << e.text;
  EXPECT_EQ(t.ATStart, "-");
  EXPECT_EQ(t.ATEnd, "-");
  // Sun 19 minutes after its transit: 61.3 degrees high, about 9 degrees west of south.
  EXPECT_TRUE(std::regex_match(t.SunElevation, std::regex("61\\.[0-9]{3}" + kDeg))) << t.SunElevation;
  EXPECT_TRUE(std::regex_match(t.SunAzimuth, std::regex("[7-9]\\.[0-9]{3}" + kDeg + " W"))) << t.SunAzimuth;
  EXPECT_TRUE(std::regex_match(t.SunDiameter, std::regex("0\\.52[0-9]" + kDeg))) << t.SunDiameter;
  EXPECT_TRUE(std::regex_match(t.SunDistance, std::regex("152,[0-9]{3},[0-9]{3} Km"))) << t.SunDistance;
  EXPECT_EQ(t.Season, "Summer Started 21/6/26");
  // Moon: 6 days old on 21 June 2026 (new moon 15 June 2:54 UTC).
  EXPECT_TRUE(std::regex_match(t.MoonAge, std::regex("6\\.[0-9]{3} Days"))) << t.MoonAge;
  EXPECT_TRUE(std::regex_match(t.MoonIllum, std::regex("[1-4][0-9]\\.[0-9]{3} %"))) << t.MoonIllum;
  EXPECT_TRUE(std::regex_match(t.MoonDistance, std::regex("[34][0-9]{2},[0-9]{3} Km"))) << t.MoonDistance;
  EXPECT_TRUE(std::regex_match(t.MoonDiameter, std::regex("0\\.5[0-9]{2}" + kDeg))) << t.MoonDiameter;
  for (const std::string* s : {&t.MoonRise, &t.MoonTransit, &t.MoonSet}) EXPECT_GE(Minutes(*s), 0) << *s;
  EXPECT_TRUE(std::regex_match(t.MoonPerigee, std::regex("[0-9]{1,2}/[67]/26 3[5-7][0-9],[0-9]{3} Km"))) << t.MoonPerigee;
  EXPECT_TRUE(std::regex_match(t.MoonApogee, std::regex("[0-9]{1,2}/[67]/26 40[0-9],[0-9]{3} Km"))) << t.MoonApogee;
}

TEST(LocationTexts, MoonPhaseNames) {
  // Published phases of 2026 (UTC); a day away from the quarter the moon is between them.
  const struct {
    TDateTime ut;
    const char* name;
  } cases[] = {
      {At(2026, 6, 15, 2, 54), "New Moon"},         {At(2026, 6, 18), "Waxing Crescent"},
      {At(2026, 6, 21, 21, 55), "First Quarter"},   {At(2026, 6, 25), "Waxing Gibbous"},
      {At(2026, 6, 29, 23, 57), "Full Moon"},       {At(2026, 7, 3), "Waning Gibbous"},
      {At(2026, 7, 7, 19, 29), "Last Quarter"},     {At(2026, 7, 11), "Waning Crescent"},
  };
  for (const auto& c : cases) EXPECT_EQ(LocationTexts(Query(c.ut, 52, 5)).MoonPhase, c.name);
}

TEST(LocationTexts, EventTimesAreLocalClockTimes) {
  const TDateTime ut = At(2026, 6, 21, 12);
  const TLocationTexts utc = LocationTexts(Query(ut, 52.083, 5.133, 0));
  const TLocationTexts cest = LocationTexts(Query(ut, 52.083, 5.133, 2));
  for (const auto member : {&TLocationTexts::SunRise, &TLocationTexts::SunSet, &TLocationTexts::CTStart,
                            &TLocationTexts::MoonRise, &TLocationTexts::MoonSet}) {
    const int a = Minutes(utc.*member), b = Minutes(cest.*member);
    ASSERT_GE(a, 0);
    EXPECT_EQ((b - a + 1440) % 1440, 120) << utc.*member << " " << cest.*member;
  }
  // Positions and distances do not depend on the clock's offset.
  EXPECT_EQ(utc.SunElevation, cest.SunElevation);
  EXPECT_EQ(utc.MoonDistance, cest.MoonDistance);
}

TEST(LocationTexts, PolarDayAndNightLeaveOnlyTheirBlocksOut) {
  // Svalbard, midsummer: the sun neither sets nor dips into any twilight.
  const TLocationTexts day = LocationTexts(Query(At(2026, 6, 21, 12), 78.2, 15.6));
  for (const std::string* s : {&day.ATStart, &day.ATEnd, &day.NTStart, &day.NTEnd, &day.CTStart, &day.CTEnd,
                               &day.SunRise, &day.SunSet, &day.SunTransit})
    EXPECT_EQ(*s, "-");
  EXPECT_TRUE(day.Failures.empty());
  EXPECT_NE(day.SunElevation, "0.000" + kDeg);
  EXPECT_FALSE(day.SunDistance.empty());
  EXPECT_FALSE(day.Season.empty());
  EXPECT_FALSE(day.MoonPhase.empty());
  EXPECT_FALSE(day.MoonPerigee.empty());

  // Midwinter: the sun stays 11.4 degrees below the horizon at noon, so the civil twilight and
  // the day are missing, while the nautical and astronomical twilights still happen.
  const TLocationTexts night = LocationTexts(Query(At(2026, 12, 21, 12), 78.2, 15.6));
  for (const std::string* s : {&night.CTStart, &night.CTEnd, &night.SunRise, &night.SunSet, &night.SunTransit})
    EXPECT_EQ(*s, "-");
  for (const std::string* s : {&night.NTStart, &night.NTEnd, &night.ATStart, &night.ATEnd})
    EXPECT_GE(Minutes(*s), 0) << *s;
}

TEST(LocationTexts, EventsThatDoNotHappenThatDayShowTheirDash) {
  // 67.7 N, 150 W on 13 December 2026: the Sun comes up to -0.89 degrees only (PyEphem), so
  // there is no sunrise, sunset or transit, while civil twilight begins at 19:06:49 and ends at
  // 0:42:16 UTC.
  const TLocationTexts grazing = LocationTexts(Query(At(2026, 12, 13, 12), 67.7, -150));
  EXPECT_TRUE(grazing.Failures.empty());
  for (const std::string* s : {&grazing.SunRise, &grazing.SunSet, &grazing.SunTransit}) EXPECT_EQ(*s, "-");
  EXPECT_EQ(grazing.CTStart, "19:06");
  EXPECT_EQ(grazing.CTEnd, "00:42");

  // 56.8 N, 20 E on 1 May 2036: the Sun goes down to -17.73 degrees, no astronomical twilight;
  // nautical twilight 1:01:16 to 20:15:43.
  const TLocationTexts shallow = LocationTexts(Query(At(2036, 5, 1, 12), 56.8, 20));
  EXPECT_EQ(shallow.ATStart, "-");
  EXPECT_EQ(shallow.ATEnd, "-");
  EXPECT_EQ(shallow.NTStart, "01:01");
  EXPECT_EQ(shallow.NTEnd, "20:15");

  // London on 23 September 2015: the moon sets at 23:44 the day before and at 0:52 the day
  // after, none that UTC day, so Moon Set is left empty; it rises at 15:14:57 and transits at
  // 20:00:56 (PyEphem).
  const TLocationTexts london = LocationTexts(Query(At(2015, 9, 23, 12), 51.48, -0.13));
  EXPECT_EQ(london.MoonSet, "");
  EXPECT_EQ(london.MoonRise, "15:14");
  EXPECT_EQ(london.MoonTransit, "20:00");
  EXPECT_GE(Minutes(london.SunRise), 0);
}

TEST(LocationTexts, MoonEventsEachOnItsOwn) {
  // Far north the moon stays up or down for days; on such days each event that fails empties its
  // own label only.
  const double lat = 80, lonW = -20;
  int emptied = 0, filled = 0, partly = 0;
  for (int i = 0; i < 40; ++i) {
    const TDateTime ut = At(2026, 3, 1, 12) + i;
    const TLocationTexts t = LocationTexts(Query(ut, lat, -lonW));
    const std::string* texts[] = {&t.MoonRise, &t.MoonTransit, &t.MoonSet};
    const decltype(&astro::MoonRiseTime) events[] = {astro::MoonRiseTime, astro::MoonTransitTime, astro::MoonSetTime};
    int fails = 0;
    for (int k = 0; k < 3; ++k) {
      try {
        EXPECT_EQ(*texts[k], FormatDateTime("hh:nn", events[k](ut, lat, lonW))) << k;
      } catch (const astro::E_NoRiseSet&) {
        ++fails;
        EXPECT_EQ(*texts[k], "") << k << " " << FormatDateTime("yyyy-mm-dd", ut);
      }
    }
    emptied += fails == 3;
    filled += fails == 0;
    partly += fails == 1 || fails == 2;
    EXPECT_FALSE(t.MoonElevation.empty());
  }
  EXPECT_GT(emptied, 0);
  EXPECT_GT(filled, 0);
  EXPECT_GT(partly, 0);
}

TEST(LocationTexts, AnglesWithoutDecimalDegrees) {
  TLocationQuery q = Query(At(2026, 6, 21, 12), 52.083, 5.133);
  q.DecimalDegs = false;
  const TLocationTexts t = LocationTexts(q);
  const std::string dms = "-?[0-9]+" + kDeg + " [0-9]{2}' [0-9]{1,2}''";
  EXPECT_TRUE(std::regex_match(t.SunElevation, std::regex(dms))) << t.SunElevation;
  EXPECT_TRUE(std::regex_match(t.SunDiameter, std::regex("0" + kDeg + " 3[01]' [0-9]{1,2}''"))) << t.SunDiameter;
  EXPECT_TRUE(std::regex_match(t.MoonAzimuth, std::regex(dms + " [EW]"))) << t.MoonAzimuth;
  EXPECT_TRUE(std::regex_match(t.TrueSolTimeHint, std::regex(dms))) << t.TrueSolTimeHint;
}

TEST(LocationTexts, MomentsOutsideTheCalendarFailQuietly) {
  for (const double ut : {std::nan(""), 1e300, -1e9}) {
    TLocationTexts t;
    ASSERT_NO_THROW(t = LocationTexts(Query(ut, 52, 5)));
    EXPECT_EQ(t.SunRise, "-");
    EXPECT_EQ(t.LclTime, "");
    EXPECT_FALSE(t.Failures.empty());
  }
}

// ---- the next solar outage season ----

TEST(SolarOutageSeason, BeltElevationOnTheMeridian) {
  EXPECT_NEAR(BeltElevation(0), 90, 1e-9);
  EXPECT_NEAR(BeltElevation(52.083), 30.4, 0.2);  // Utrecht
  EXPECT_NEAR(BeltElevation(-33.9), 50.4, 0.2);   // Sydney
  EXPECT_LT(BeltElevation(85), 0);                // the arc is below the horizon
}

TEST(SolarOutageSeason, FirstDayOfTheSeason) {
  // The sun at transit meets the arc when its declination is about (belt + lat - 90) degrees:
  // -7.5 at Utrecht (early March, mid-October), +5.7 at Sydney in the south.
  const struct {
    TDateTime ut;
    double lat, lon;
    std::optional<TDateTime> expected;  // the day, or none
  } cases[] = {
      {At(2026, 8, 1, 10), 52.083, 5.133, At(2026, 10, 9, 10)},
      {At(2026, 11, 1, 10), 52.083, 5.133, At(2027, 2, 23, 10)},
      {At(2026, 4, 1, 10), 52.083, 5.133, std::nullopt},  // next season beyond 190 days
      {At(2026, 2, 1, 0), -33.9, 151.2, At(2026, 4, 1)},
      {At(2026, 6, 21, 12), 85, 0, std::nullopt},
      {std::nan(""), 52.083, 5.133, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.ut << " at " << c.lat);
    int steps = 0;
    const std::optional<TDateTime> d = NextSolarOutageDay(c.ut, c.lat, c.lon, [&] { ++steps; });
    ASSERT_EQ(d.has_value(), c.expected.has_value()) << (d ? FormatDateTime("yyyy-mm-dd", *d) : "-");
    if (!d) continue;
    EXPECT_NEAR(*d, *c.expected, 4);
    EXPECT_EQ(*d - c.ut, std::trunc(*d - c.ut));  // whole days from UT
    EXPECT_EQ(steps, static_cast<int>(*d - c.ut) + 1);
    // The first such day: the sun at the day before's transit is still a degree or more away.
    const double belt = BeltElevation(c.lat);
    const auto transitElev = [&](TDateTime day) {
      astro::Extended e = 0, a = 0;
      astro::SunHorizontal(e, a, astro::SunTransitTime(day, c.lat, -c.lon), -c.lon, c.lat);
      return static_cast<double>(e);
    };
    EXPECT_LT(std::fabs(transitElev(*d) - belt), 1);
    if (*d > c.ut) {
      EXPECT_GE(std::fabs(transitElev(*d - 1) - belt), 1);
    }
  }
}

TEST(SolarOutageSeason, SearchSpan) {
  // Without a season the search looks at UT to UT + 191, one step a day.
  int steps = 0;
  EXPECT_FALSE(NextSolarOutageDay(At(2026, 6, 21), 85, 0, [&] { ++steps; }));
  EXPECT_EQ(steps, 192);
}

TEST(SolarOutageSeason, OutageLine) {
  const TDateTime day = At(2026, 10, 9, 10);
  EXPECT_EQ(SolarOutageText(std::nullopt, 52, true), "-");
  EXPECT_EQ(SolarOutageText(day, 0, true), "09/10/2026 (90.0" + kDeg + ")");
  // The arc's elevation always with the "0.0" pattern: one decimal of seconds without decimal
  // degrees.
  EXPECT_TRUE(std::regex_match(SolarOutageText(day, 52.083, true), std::regex("09/10/2026 \\(30\\.[0-9]" + kDeg + "\\)")));
  EXPECT_TRUE(std::regex_match(SolarOutageText(day, 52.083, false),
                               std::regex("09/10/2026 \\(30" + kDeg + " [0-9]{2}' [0-9]{1,2}\\.[0-9]''\\)")))
      << SolarOutageText(day, 52.083, false);
}
