// The cell texts of the twenty list fields and the writing back of edited cells.
#include <gtest/gtest.h>

#include <string>

#include "fieldsform.h"
#include "sat.h"

namespace {

TSat MakeSat() {
  TSat s;
  s.Name = "Astra 2D";
  s.TwoLine.NoradNr = 26958;
  s.TwoLine.CosparName = "2000-081A";
  s.SatInfo.Bands = "Ku";
  s.SatInfo.Remarks = "UK spot";
  s.SatInfo.URL = "https://example.org/astra";
  s.SatInfo.StoredPos = "12";
  s.GeoLog.Longitude = 28.2;
  s.SatPos.Longitude = 350;
  s.SatPos.Latitude = -0.05;
  s.SatPos.HA = 190;
  s.SatPos.RelLongitude = 23.2;
  s.SatPos.PolAngle = -12.345;
  s.SatPos.Declination = -6.5;
  s.SatPos.Azimuth = 160;
  s.SatPos.Elevation = 28.1234;
  return s;
}

std::string Deg(const std::string& s) {  // "°" written as '@' in the tables
  std::string out = s;
  for (char& c : out)
    if (c == '@') c = '\xB0';
  return out;
}

TEST(FieldText, EveryFieldOfASatelliteWithoutPulseCount) {
  const TSat s = MakeSat();
  const struct {
    int type;
    const char* text;
  } cases[] = {
      {sfNoradNr, "26958"},       {sfName, "Astra 2D"},      {sfRepLong, "28.200@ E"},
      {sfTransp, "Ku"},           {sfRemarks, "UK spot"},    {sfURL, "https://example.org/astra"},
      {sfCosparName, "2000-081A"}, {sfLong, "10.000@ W"},    {sfLat, "0.050@ S"},
      {sfHA, "-170.000@"},        {sfLHA, "23.200@"},        {sfPol, "-12.345@"},
      {sfDec, "-6.500@"},         {sfAzi, "20.000@ E"},      {sfElev, "28.123@"},
      {sfPulseCount, ""},         {sfPos, "12"},             {sfRotorHA, ""},
      {sfCalcPC, "480"},          {sfDev, ""},               {20, ""},
      {-1, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SatFieldText(s, c.type, 2.0, 100.0), Deg(c.text)) << c.type;
}

TEST(FieldText, PulseCountFields) {
  TSat s = MakeSat();
  s.SatInfo.PulseCount = 470;
  s.SatInfo.RepLongitude = -5;
  s.SatInfo.DynHA = true;
  EXPECT_EQ(SatFieldText(s, sfPulseCount, 2, 100), "470");
  EXPECT_EQ(SatFieldText(s, sfRotorHA, 2, 100), Deg("170.000@"));  // minus the computed HA
  EXPECT_EQ(SatFieldText(s, sfDev, 2, 100), "10");
  EXPECT_EQ(SatFieldText(s, sfDev, 0.5, 0.125), "-374.88");
  EXPECT_EQ(SatFieldText(s, sfRepLong, 2, 100), Deg("5.000@ W"));  // the reported longitude wins
  s.SatInfo.DynHA = false;
  s.SatInfo.RotorHA = 12.5;
  EXPECT_EQ(SatFieldText(s, sfRotorHA, 2, 100), Deg("-12.500@"));
  s.TwoLine.NoradNr = SunNoradNr;
  EXPECT_EQ(SatFieldText(s, sfNoradNr, 2, 100), "-1");
}

struct EditCase {
  const char* what;
  int type;
  const char* text;
  bool changed;
  // setup and check on the satellite
  void (*setup)(TSat&);
  bool (*check)(const TSat&);
};

TEST(SetFieldText, Edits) {
  const EditCase cases[] = {
      // Reported longitude; the log says 28.2.
      {"log's longitude as shown", sfRepLong, "28.200@ E", false, nullptr,
       [](const TSat& s) { return s.SatInfo.RepLongitude == 0; }},
      {"east letter", sfRepLong, "19.2E", true, nullptr, [](const TSat& s) { return s.SatInfo.RepLongitude == 19.2; }},
      {"west letter", sfRepLong, " 5W ", true, nullptr, [](const TSat& s) { return s.SatInfo.RepLongitude == -5; }},
      {"degree sign", sfRepLong, "12.5@", true, nullptr, [](const TSat& s) { return s.SatInfo.RepLongitude == 12.5; }},
      {"plain number", sfRepLong, "-7.75", true, nullptr, [](const TSat& s) { return s.SatInfo.RepLongitude == -7.75; }},
      {"letters alone", sfRepLong, "abc", false, nullptr, [](const TSat& s) { return s.SatInfo.RepLongitude == 0; }},
      {"-360 is never stored", sfRepLong, "-360", false, nullptr,
       [](const TSat& s) { return s.SatInfo.RepLongitude == 0; }},
      {"cleared", sfRepLong, "", true, [](TSat& s) { s.SatInfo.RepLongitude = 13; },
       [](const TSat& s) { return s.SatInfo.RepLongitude == 0; }},
      {"zero", sfRepLong, "0", true, [](TSat& s) { s.SatInfo.RepLongitude = 13; },
       [](const TSat& s) { return s.SatInfo.RepLongitude == 0; }},
      {"the log's value over a reported one", sfRepLong, "28.2", true,
       [](TSat& s) { s.SatInfo.RepLongitude = 13; }, [](const TSat& s) { return s.SatInfo.RepLongitude == 0; }},
      {"cleared without a log entry", sfRepLong, "", true,
       [](TSat& s) {
         s.GeoLog.Longitude = 0;
         s.SatInfo.RepLongitude = 19.2;
       },
       [](const TSat& s) { return s.SatInfo.RepLongitude == 0; }},
      {"cell left as shown", sfRepLong, "13.000@ E", false, [](TSat& s) { s.SatInfo.RepLongitude = 13.0004; },
       [](const TSat& s) { return s.SatInfo.RepLongitude == 13.0004; }},
      // Texts.
      {"transponders cut to 20", sfTransp, "Ku C Ka X L S band 123", true, nullptr,
       [](const TSat& s) { return s.SatInfo.Bands == "Ku C Ka X L S band 1"; }},
      {"transponders unchanged", sfTransp, "  Ku ", false, nullptr, [](const TSat& s) { return s.SatInfo.Bands == "Ku"; }},
      {"remarks", sfRemarks, " new remark ", true, nullptr, [](const TSat& s) { return s.SatInfo.Remarks == "new remark"; }},
      {"remarks unchanged", sfRemarks, "UK spot", false, nullptr, [](const TSat&) { return true; }},
      {"URL", sfURL, "https://example.org/x", true, nullptr,
       [](const TSat& s) { return s.SatInfo.URL == "https://example.org/x"; }},
      {"position", sfPos, "13", true, nullptr, [](const TSat& s) { return s.SatInfo.StoredPos == "13"; }},
      // Pulse count.
      {"pulse count", sfPulseCount, "470", true, nullptr, [](const TSat& s) { return s.SatInfo.PulseCount == 470; }},
      {"same pulse count", sfPulseCount, "470", false, [](TSat& s) { s.SatInfo.PulseCount = 470; },
       [](const TSat& s) { return s.SatInfo.PulseCount == 470; }},
      {"pulse count cleared", sfPulseCount, "", true, [](TSat& s) { s.SatInfo.PulseCount = 470; },
       [](const TSat& s) { return !PulseCountIsSet(s.SatInfo.PulseCount); }},
      {"no number, still unset", sfPulseCount, "x", false, nullptr,
       [](const TSat& s) { return !PulseCountIsSet(s.SatInfo.PulseCount); }},
      // Rotor hour angle, held negated.
      {"dynamic: ignored", sfRotorHA, "33", false, [](TSat& s) { s.SatInfo.DynHA = true; },
       [](const TSat& s) { return s.SatInfo.RotorHA == 0; }},
      {"as shown", sfRotorHA, "12.000@", false,
       [](TSat& s) {
         s.SatInfo.DynHA = false;
         s.SatInfo.RotorHA = -12;
       },
       [](const TSat& s) { return s.SatInfo.RotorHA == -12; }},
      {"within 0.001", sfRotorHA, "12.0009", false,
       [](TSat& s) {
         s.SatInfo.DynHA = false;
         s.SatInfo.RotorHA = -12;
       },
       [](const TSat& s) { return s.SatInfo.RotorHA == -12; }},
      {"new value with degree sign", sfRotorHA, "13@", true,
       [](TSat& s) {
         s.SatInfo.DynHA = false;
         s.SatInfo.RotorHA = -12;
       },
       [](const TSat& s) { return s.SatInfo.RotorHA == -13; }},
      {"shown reduced", sfRotorHA, "170", false,
       [](TSat& s) {
         s.SatInfo.DynHA = false;
         s.SatInfo.RotorHA = 190;
       },
       [](const TSat& s) { return s.SatInfo.RotorHA == 190; }},
      {"not a number", sfRotorHA, "abc", false, [](TSat& s) { s.SatInfo.DynHA = false; },
       [](const TSat& s) { return s.SatInfo.RotorHA == 0; }},
      // Read-only fields.
      {"catalogue number", sfNoradNr, "1", false, nullptr, [](const TSat& s) { return s.TwoLine.NoradNr == 26958; }},
      {"computed longitude", sfLong, "1E", false, nullptr, [](const TSat& s) { return s.SatPos.Longitude == 350; }},
      {"computed pulse count", sfCalcPC, "1", false, nullptr, [](const TSat&) { return true; }},
      {"name without a collection", sfName, "Other", false, nullptr,
       [](const TSat& s) { return s.Name == "Astra 2D"; }},
  };
  for (const auto& c : cases) {
    TSat s = MakeSat();
    if (c.setup) c.setup(s);
    EXPECT_EQ(SetSatFieldText(s, c.type, Deg(c.text), nullptr), c.changed) << c.what;
    EXPECT_TRUE(c.check(s)) << c.what;
  }
}

TEST(SetFieldText, TheEmptySatelliteIsNeverChanged) {
  EmptySat = TSat();
  for (int type : {sfRemarks, sfTransp, sfPulseCount, sfRepLong})
    EXPECT_FALSE(SetSatFieldText(EmptySat, type, "7", nullptr)) << type;
  EXPECT_TRUE(EmptySat.SatInfo.Remarks.empty());
  EXPECT_FALSE(PulseCountIsSet(EmptySat.SatInfo.PulseCount));
}

TEST(FieldTable, HeadersAndLookUp) {
  EXPECT_EQ(SatFieldHeader(sfNoradNr), "Norad Nr");
  EXPECT_EQ(SatFieldHeader(sfDev), "Dev");
  EXPECT_EQ(SatFieldHeader(20), "");
  EXPECT_EQ(SatFieldTypeOf("cospar name"), sfCosparName);
  EXPECT_EQ(SatFieldTypeOf("ROTORHA"), sfRotorHA);
  EXPECT_EQ(SatFieldTypeOf("Nope"), -1);
}

}  // namespace
