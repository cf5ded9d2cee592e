#include "sat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Sat, NewRecordDefaults) {
  const TSat s;
  EXPECT_TRUE(s.Name.empty());
  EXPECT_EQ(s.SatInfo.PulseCount, -2147483647);
  EXPECT_FALSE(PulseCountIsSet(s.SatInfo.PulseCount));
  EXPECT_TRUE(PulseCountIsSet(-2147483646));
  EXPECT_TRUE(s.SatInfo.DynHA);
  EXPECT_FALSE(s.SatInfo.IgnorePC);
  EXPECT_EQ(s.TwoLine.Classification, ' ');
  EXPECT_EQ(s.TwoLine.NoradNr, 0);
  EXPECT_TRUE(s.TwoLine.Name.empty());
  EXPECT_EQ(s.SatPos.RevNr, 0);
  EXPECT_FALSE(s.SatPos.Visible);
  EXPECT_EQ(s.GeoLog.LogTime, 0);
  EXPECT_TRUE(EmptySat.Name.empty());
  EXPECT_EQ(EmptySat.SatInfo.PulseCount, PulseCountUnset);
}

TEST(Sat, ShortTextsAreCutOnAssignment) {
  TSat s;
  s.TwoLine.Name = std::string(35, 'N');
  EXPECT_EQ(s.TwoLine.Name.size(), 30u);
  s.SatInfo.CsvName = std::string(60, 'c');
  EXPECT_EQ(s.SatInfo.CsvName.str(), std::string(50, 'c'));
  s.SatInfo.Bands = "Ku-band and C-band fixed";  // 24 characters
  EXPECT_EQ(s.SatInfo.Bands, "Ku-band and C-band f");
  s.TwoLine.CosparName = "1998-050A";
  EXPECT_EQ(s.TwoLine.CosparName.view(), "1998-050A");
  s.GeoLog.LogCode = "ABCDEFGHIJ";
  EXPECT_EQ(s.GeoLog.LogCode, "ABCDEFGH");
  s.TwoLine.Name = "SUN";  // a shorter text leaves nothing of the longer one behind
  EXPECT_EQ(s.TwoLine.Name.str(), "SUN");
}

TEST(Sat, RecordsCopyAsWholeValues) {
  TSat a;
  a.TwoLine.Name = "MOON";
  a.TwoLine.NoradNr = MoonNoradNr;
  a.SatPos.Azimuth = 12.5;
  TSat b;
  b.TwoLine = a.TwoLine;
  b.SatPos = a.SatPos;
  a.TwoLine.Name = "X";
  EXPECT_EQ(b.TwoLine.Name, "MOON");
  EXPECT_EQ(b.TwoLine.NoradNr, -2);
  EXPECT_EQ(b.SatPos.Azimuth, 12.5);
  b.SatPos = TSatPosRecord();
  EXPECT_EQ(b.SatPos.Azimuth, 0);
}

}  // namespace
