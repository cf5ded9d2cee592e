#include "satfilerecords.h"

#include <string>

#include <gtest/gtest.h>

#include "format.h"
#include "testutil.h"

namespace {

using testutil::Elements;

TDateTime Date(int y, int m, int d) { return EncodeDate(y, m, d); }

TEST(TwoLineSet, ReadsTheTrackersColumns) {
  Elements e;
  e.norad = 25544;
  e.cosparYear = "98";
  e.cosparPiece = "067A";
  e.epochYear = 24;
  e.epochDay = 100.5;
  e.elementNr = 999;
  const auto [l1, l2] = testutil::MakeTle(e);
  const TTwoLineRecord r = satfiles::ParseTwoLineSet("  ISS (ZARYA)  ", l1, l2);
  EXPECT_EQ(r.Name, "ISS (ZARYA)");
  EXPECT_EQ(r.NoradNr, 25544);
  EXPECT_EQ(r.Classification, 'U');
  EXPECT_EQ(r.CosparName, "1998-067A");
  EXPECT_EQ(r.ElementNr, 999);
  EXPECT_EQ(r.EphemerisType, "0");
  EXPECT_DOUBLE_EQ(r.Epoch, Date(2024, 1, 1) + 99.5);
  EXPECT_DOUBLE_EQ(r.Inclination, 51.6);
  EXPECT_DOUBLE_EQ(r.AscNode, 200.0);
  EXPECT_DOUBLE_EQ(r.Eccentricity, 0.0005);
  EXPECT_DOUBLE_EQ(r.ArgPerigee, 90.0);
  EXPECT_DOUBLE_EQ(r.MeanMotion, 15.5);
  EXPECT_TRUE(r.LibVersion.empty());
}

TEST(TwoLineSet, YearRules) {
  struct Case {
    int yy;
    int epochYear;
    const char* designator;
  };
  const Case cases[] = {
      {56, 2056, "2056-001A"}, {57, 1957, "1957-001A"}, {0, 2000, "2000-001A"}, {99, 1999, "1999-001A"}};
  for (const Case& c : cases) {
    Elements e;
    e.cosparYear = testutil::Fmt("%02.0f", c.yy);
    e.cosparPiece = "001A";
    e.epochYear = c.yy;
    e.epochDay = 1.0;
    const auto [l1, l2] = testutil::MakeTle(e);
    const TTwoLineRecord r = satfiles::ParseTwoLineSet("X", l1, l2);
    EXPECT_DOUBLE_EQ(r.Epoch, Date(c.epochYear, 1, 1)) << c.yy;
    EXPECT_EQ(r.CosparName, c.designator) << c.yy;
  }
}

TEST(TwoLineSet, ForgivingFields) {
  const auto [l1, l2] = testutil::MakeTle(Elements());
  struct Case {
    const char* what;
    std::string name, line1, line2;
    void (*check)(const TTwoLineRecord&);
  };
  const Case cases[] = {
      {"line 1 of 63 characters: no classification, no ephemeris type", "X", l1.substr(0, 63), l2,
       [](const TTwoLineRecord& r) {
         EXPECT_EQ(r.Classification, ' ');
         EXPECT_TRUE(r.EphemerisType.empty());
         EXPECT_EQ(r.NoradNr, 99999);
         EXPECT_EQ(r.ElementNr, 0);
       }},
      {"lower-case classification is upper-cased", "X", l1.substr(0, 7) + "s" + l1.substr(8), l2,
       [](const TTwoLineRecord& r) { EXPECT_EQ(r.Classification, 'S'); }},
      {"a line-2 number that does not parse zeroes all five", "X", l1, l2.substr(0, 35) + "9x.0000" + l2.substr(42),
       [](const TTwoLineRecord& r) {
         EXPECT_EQ(r.Inclination, 0);
         EXPECT_EQ(r.AscNode, 0);
         EXPECT_EQ(r.Eccentricity, 0);
         EXPECT_EQ(r.ArgPerigee, 0);
         EXPECT_EQ(r.MeanMotion, 0);
       }},
      {"a short line 2 zeroes all five", "X", l1, l2.substr(0, 40),
       [](const TTwoLineRecord& r) { EXPECT_EQ(r.Inclination, 0); }},
      {"bad catalogue number reads 0", "X", "1 9a999" + l1.substr(7), l2,
       [](const TTwoLineRecord& r) { EXPECT_EQ(r.NoradNr, 0); }},
      {"bad epoch reads 0", "X", l1.substr(0, 18) + "xx" + l1.substr(20), l2,
       [](const TTwoLineRecord& r) { EXPECT_EQ(r.Epoch, 0); }},
      {"epoch day beyond the calendar reads 0", "X", l1.substr(0, 20) + "9999999999.0" + l1.substr(32), l2,
       [](const TTwoLineRecord& r) { EXPECT_EQ(r.Epoch, 0); }},
      {"name cut to 30 characters", std::string(35, 'N'), l1, l2,
       [](const TTwoLineRecord& r) { EXPECT_EQ(r.Name.str(), std::string(30, 'N')); }},
      {"designator loses trailing underscores", "X", l1.substr(0, 9) + "98A___" + l1.substr(15), l2,
       [](const TTwoLineRecord& r) { EXPECT_EQ(r.CosparName, "1998-A"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.check(satfiles::ParseTwoLineSet(c.name, c.line1, c.line2));
  }
}

TEST(GeoLog, FixedColumns) {
  const std::string line = testutil::MakeGeoLogLine({});
  TGeoLogRecord r;
  ASSERT_EQ(satfiles::ParseGeoLogLine(line, r), 25049);
  EXPECT_EQ(r.Designation, "1997-076A");
  EXPECT_EQ(r.Name, "EUTELSAT W2");
  EXPECT_EQ(r.AltName, "HOT BIRD 5");
  EXPECT_DOUBLE_EQ(r.LogTime, 2460400.5 - 2415018.5);
  EXPECT_EQ(r.LogCode, "A1");
  EXPECT_DOUBLE_EQ(r.Period, 1436.10);
  EXPECT_DOUBLE_EQ(r.Perigee, 35780);
  EXPECT_DOUBLE_EQ(r.Apogee, 35793);
  EXPECT_DOUBLE_EQ(r.Inclination, 0.05);
  EXPECT_DOUBLE_EQ(r.LogValue, 1.5);
  EXPECT_DOUBLE_EQ(r.Longitude, 19.2);
  EXPECT_DOUBLE_EQ(r.Drift, -0.001);
}

TEST(GeoLog, EdgeCases) {
  struct Case {
    const char* what;
    testutil::GeoLogFields f;
    size_t cut;  // line length, 0 for the full line
    int nr;
    bool numbers;
    double lon;
  };
  auto with = [](void (*change)(testutil::GeoLogFields&)) {
    testutil::GeoLogFields f;
    change(f);
    return f;
  };
  const Case cases[] = {
      {"No Data: names kept, numbers 0", with([](auto& f) { f.logTime = "No Data"; }), 0, 25049, false, 0},
      {"lower-case s counts", with([](auto& f) { f.lead = "s"; }), 0, 25049, true, 19.2},
      {"other first letter: number 0", with([](auto& f) { f.lead = "X"; }), 0, 0, false, 0},
      {"shorter than 80 characters: number 0", {}, 79, 0, false, 0},
      {"a number that does not parse: numbers 0", with([](auto& f) { f.period = "14x6"; }), 0, 25049, false, 0},
      {"empty number column: numbers 0", with([](auto& f) { f.apogee = ""; }), 0, 25049, false, 0},
      {"bad longitude: numbers 0", with([](auto& f) { f.lon = "x"; }), 0, 25049, false, 0},
      {"Julian date out of the calendar: numbers 0", with([](auto& f) { f.logTime = "9e15"; }), 0, 25049, false, 0},
      {"blank longitude: longitude and drift 0, rest read",
       with([](auto& f) { f.lon = "", f.drift = "junk"; }), 0, 25049, true, 0},
      {"west longitude", with([](auto& f) { f.lon = "30.0W"; }), 0, 25049, true, -30.0},
      {"catalogue number not a number", with([](auto& f) { f.nr = "ab"; }), 0, 0, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string line = testutil::MakeGeoLogLine(c.f);
    if (c.cut) line.resize(c.cut);
    TGeoLogRecord r;
    EXPECT_EQ(satfiles::ParseGeoLogLine(line, r), c.nr);
    EXPECT_EQ(r.Name.str(), c.f.name);
    EXPECT_EQ(r.Designation.str(), c.f.designation);
    EXPECT_EQ(r.Period != 0, c.numbers);
    EXPECT_EQ(r.LogTime != 0, c.numbers);
    EXPECT_DOUBLE_EQ(r.Longitude, c.lon);
    if (!c.numbers) {
      EXPECT_TRUE(r.LogCode.empty());
      EXPECT_EQ(r.Drift, 0);
    }
  }
}

TEST(SatCsvLine, Reading) {
  struct Case {
    const char* what;
    std::string line;
    bool ok;
    int nr;
    void (*check)(const TSatInfoRecord&);
  };
  const Case cases[] = {
      {"three fields", "Hot Bird;25049;19.2E", true, 25049,
       [](const TSatInfoRecord& i) {
         EXPECT_EQ(i.CsvName, "Hot Bird");
         EXPECT_DOUBLE_EQ(i.RepLongitude, 19.2);
         EXPECT_FALSE(PulseCountIsSet(i.PulseCount));
         EXPECT_TRUE(i.DynHA);
         EXPECT_TRUE(i.Bands.empty());
       }},
      {"two fields", "A;1", false, 0, nullptr},
      {"first field empty shifts the line", ";25049;19.2E;Ku", true, 0,
       [](const TSatInfoRecord& i) { EXPECT_EQ(i.CsvName, "25049"); }},
      {"eleven fields", "Astra 1;26853;19.200\xB0 E;Ku C;Rem;http://x;P7;1234;1;-12.345\xB0;0", true, 26853,
       [](const TSatInfoRecord& i) {
         EXPECT_EQ(i.Bands, "Ku C");
         EXPECT_EQ(i.Remarks, "Rem");
         EXPECT_EQ(i.URL, "http://x");
         EXPECT_EQ(i.StoredPos, "P7");
         EXPECT_EQ(i.PulseCount, 1234);
         EXPECT_TRUE(i.IgnorePC);
         EXPECT_DOUBLE_EQ(i.RotorHA, -12.345);
         EXPECT_FALSE(i.DynHA);
         EXPECT_DOUBLE_EQ(i.RepLongitude, 19.2);
       }},
      {"nine fields: rotor data up to the ignore flag", "A;5;5.000\xB0 W;C;;;P;77;yes", true, 5,
       [](const TSatInfoRecord& i) {
         EXPECT_DOUBLE_EQ(i.RepLongitude, -5);
         EXPECT_EQ(i.PulseCount, 77);
         EXPECT_TRUE(i.IgnorePC);
         EXPECT_TRUE(i.DynHA);
       }},
      {"eight fields: fields 6 and 7 not read", "A;5;0;C;r;u;P;77", true, 5,
       [](const TSatInfoRecord& i) {
         EXPECT_TRUE(i.StoredPos.empty());
         EXPECT_FALSE(PulseCountIsSet(i.PulseCount));
       }},
      {"bad pulse count is unset, bad longitude 0", "A;5;xxE;;;;;12a;0;;1", true, 5,
       [](const TSatInfoRecord& i) {
         EXPECT_FALSE(PulseCountIsSet(i.PulseCount));
         EXPECT_EQ(i.RepLongitude, 0);
       }},
      {"one-character longitude is not read", "A;5;9", true, 5,
       [](const TSatInfoRecord& i) { EXPECT_EQ(i.RepLongitude, 0); }},
      {"names and bands cut", std::string(60, 'n') + ";5;;" + std::string(25, 'b'), true, 5,
       [](const TSatInfoRecord& i) {
         EXPECT_EQ(i.CsvName.str(), std::string(50, 'n'));
         EXPECT_EQ(i.Bands.str(), std::string(20, 'b'));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int nr = -7;
    TSatInfoRecord info;
    EXPECT_EQ(satfiles::ParseSatCsvLine(c.line, nr, info), c.ok);
    EXPECT_EQ(nr, c.nr);
    if (c.check) c.check(info);
  }
}

TEST(SatCsvLine, WritingAndReadingBack) {
  TSatInfoRecord i;
  i.CsvName = "Astra; 1";
  i.Bands = "Ku";
  i.RepLongitude = 19.2;
  i.Remarks = "a;b";
  i.URL = "http://example.invalid/a";
  i.StoredPos = "P3";
  i.PulseCount = -450;
  i.IgnorePC = true;
  i.DynHA = false;
  i.RotorHA = -12.345;
  const std::string line = satfiles::FormatSatCsvLine(26853, i);
  EXPECT_EQ(line, "Astra, 1;26853;19.200\xB0 E;Ku;a,b;http://example.invalid/a;P3;-450;1;-12.345\xB0;0");
  int nr;
  TSatInfoRecord back;
  ASSERT_TRUE(satfiles::ParseSatCsvLine(line, nr, back));
  EXPECT_EQ(nr, 26853);
  EXPECT_EQ(satfiles::FormatSatCsvLine(nr, back), line);

  const TSatInfoRecord def;
  EXPECT_TRUE(satfiles::SatInfoIsDefault(def));
  EXPECT_EQ(satfiles::FormatSatCsvLine(7, def), " ;7;0.000\xB0;;;;;-2147483647;0;0.000\xB0;1");
  ASSERT_TRUE(satfiles::ParseSatCsvLine(satfiles::FormatSatCsvLine(7, def), nr, back));
  EXPECT_EQ(nr, 7);
  EXPECT_TRUE(satfiles::SatInfoIsDefault(back));
}

}  // namespace
