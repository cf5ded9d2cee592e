// Random and mutated data files: the readers neither crash nor hang, and a bad record does not
// stop the file.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "datafiles.h"
#include "fakesatellites.h"
#include "satfilerecords.h"
#include "sats.h"
#include "testutil.h"

namespace {

class QuietHost : public ISatsHost {
 public:
  void ShowMessage(const std::string&) override {}
  int RunProgramAndWait(const std::string&, const std::vector<std::string>&, const std::string&) override {
    return 0;
  }
  std::string SystemFolder() override { return "/nonexistent"; }
};

// Bytes drawn to favour the characters the formats care about.
std::string RandomText(std::mt19937& rng, size_t n) {
  static const std::string alphabet = "0123456789 .-+eE;;\"'12SsNWXnoDat\r\n\t\xB0\xC2\xFF";
  std::string s;
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> any(0, 255);
  for (size_t i = 0; i < n; ++i) s += rng() % 8 ? alphabet[pick(rng)] : static_cast<char>(any(rng));
  return s;
}

std::string Mutate(std::mt19937& rng, std::string s, int edits) {
  std::uniform_int_distribution<int> any(0, 255);
  for (int k = 0; k < edits && !s.empty(); ++k) {
    const size_t at = rng() % s.size();
    switch (rng() % 4) {
      case 0: s[at] = static_cast<char>(any(rng)); break;
      case 1: s.erase(at, 1 + rng() % 5); break;
      case 2: s.insert(at, 1, "0123456789;.-\r\n "[rng() % 16]); break;
      default: s.insert(at, s.substr(rng() % s.size(), rng() % 20)); break;
    }
  }
  return s;
}

std::string GoodElements() {
  std::string text;
  for (int nr = 1; nr <= 5; ++nr) {
    testutil::Elements e;
    e.norad = nr * 1000;
    text += testutil::ThreeLines("SAT " + std::to_string(nr), e);
  }
  return text;
}

std::string GoodSatCsv() {
  return "SAT 1;1000;19.200\xB0 E;Ku;r;u;P;12;0;-1.500\xB0;1\r\n"
         "SAT 2;2000;5.000\xB0 W;C\r\n"
         "SAT 3;3000;0.000\xB0;;;;;-2147483647;0;0.000\xB0;1\r\n";
}

std::string GoodGeoLog() {
  std::string text;
  for (int nr = 1; nr <= 5; ++nr) {
    testutil::GeoLogFields f;
    f.nr = std::to_string(nr * 1000);
    text += testutil::MakeGeoLogLine(f) + "\r\n";
  }
  return text;
}

TEST(Fuzz, RandomAndMutatedFilesThroughTheCollection) {
  std::mt19937 rng(20240611);
  QuietHost host;
  FakeSatellites lib;
  testutil::TempDir dir;
  const std::string base[] = {GoodElements(), GoodSatCsv(), GoodGeoLog()};
  for (int round = 0; round < 150; ++round) {
    std::string files[3];
    for (int k = 0; k < 3; ++k)
      files[k] = round % 3 == 0 ? RandomText(rng, 50 + rng() % 3000) : Mutate(rng, base[k], 1 + round % 40);
    testutil::WriteFile(dir / "k.txt", files[0]);
    testutil::WriteFile(dir / "sats.csv", files[1]);
    testutil::WriteFile(dir / "geo.log", files[2]);
    TSats sats(host, [&](ISatellites** out) {
      lib.AddRef();
      *out = &lib;
      return S_OK;
    });
    lib.recordCalls = false;
    sats.SetSatCsvFile(dir / "sats.csv");
    sats.SetGeoLogFile(dir / "geo.log");
    sats.SetKepFile(dir / "k.txt");
    sats.SortLongitude = true;
    (void)sats.GetSatNames();
    sats.CalcPulseFit();
    ASSERT_TRUE(sats.SaveSatCsvAs(dir / "out.csv"));
    // What was written reads back to the same information.
    std::vector<std::string> lines;
    satfiles::ReadTextLines(dir / "out.csv", lines);
    for (const std::string& line : lines) {
      int nr;
      TSatInfoRecord info;
      ASSERT_TRUE(satfiles::ParseSatCsvLine(line, nr, info)) << line;
      EXPECT_EQ(satfiles::FormatSatCsvLine(nr, info), line);
    }
    std::remove((dir / "out.csv").c_str());
  }
}

TEST(Fuzz, ABadRecordDoesNotStopTheFile) {
  QuietHost host;
  FakeSatellites lib;
  testutil::TempDir dir;
  testutil::Elements good;
  good.norad = 777;
  auto [l1, l2] = testutil::MakeTle(good);
  testutil::Elements bad = good;
  bad.norad = 555;
  auto [b1, b2] = testutil::MakeTle(bad);
  b2.replace(10, 5, "x.y.z");
  testutil::WriteFile(dir / "k.txt", "BAD\r\n" + b1 + "\r\n" + b2 + "\r\n\r\n1 \r\n2 \r\nGOOD\r\n" + l1 + "\r\n" + l2);
  testutil::GeoLogFields g;
  g.nr = "777";
  testutil::GeoLogFields broken = g;
  broken.nr = "555";
  broken.period = "?";
  testutil::WriteFile(dir / "geo.log", testutil::MakeGeoLogLine(broken) + "\n\x01\x02\n" + testutil::MakeGeoLogLine(g));
  testutil::WriteFile(dir / "sats.csv", "\"unbalanced;555;1E\r\n;;;;\r\nGood one;777;1.5E;Ku\r\n");
  TSats sats(host, [&](ISatellites** out) {
    lib.AddRef();
    *out = &lib;
    return S_OK;
  });
  sats.SetSatCsvFile(dir / "sats.csv");
  sats.SetGeoLogFile(dir / "geo.log");
  sats.SetKepFile(dir / "k.txt");
  TSat* s = sats.SatOfNorad(777);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Name, "Good one");
  EXPECT_DOUBLE_EQ(s->SatInfo.RepLongitude, 1.5);
  EXPECT_DOUBLE_EQ(s->GeoLog.Period, 1436.10);
  TSat* b = sats.SatOfNorad(555);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->TwoLine.Inclination, 0);
  EXPECT_EQ(b->GeoLog.Period, 0);
  EXPECT_EQ(b->GeoLog.Name, "EUTELSAT W2");
}

}  // namespace
