// The bundled sample data: element lines that carry valid checksums, and satellites that the
// orbit library puts where "sats.csv" and "geo.log" say they are.
#include <cmath>
#include <sstream>

#include "anglehelpers.h"
#include "format.h"
#include "program.h"
#include "satmain.h"
#include "sats.h"
#include "uitestutil.h"

using namespace uitest;

namespace {

TEST(SampleData, ElementLinesHaveValidChecksums) {
  if (!ProgramBuilt()) GTEST_SKIP() << "the sample data are not built";
  std::istringstream in(ReadFile(fs::path(BinFolder()) / "Keps/geo.txt"));
  std::string line;
  int lines = 0;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("1 ", 0) != 0 && line.rfind("2 ", 0) != 0) continue;
    ASSERT_EQ(line.size(), 69u) << line;
    int sum = 0;
    for (size_t i = 0; i + 1 < line.size(); ++i) {
      if (std::isdigit(static_cast<unsigned char>(line[i]))) sum += line[i] - '0';
      if (line[i] == '-') sum += 1;
    }
    EXPECT_EQ(sum % 10, line.back() - '0') << line;
    ++lines;
  }
  EXPECT_EQ(lines, 62);
}

class SampleSatellites : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
    SetUiPrompts(&prompts);
    folder = std::make_unique<TProgramFolder>();
    const char* argv[] = {"Velmar"};
    program = std::make_unique<TVelmarProgram>();
    program->Start(1, argv);
  }
  void TearDown() override {
    program.reset();
    folder.reset();
    SetUiPrompts(nullptr);
  }
  TScriptedPrompts prompts;
  std::unique_ptr<TProgramFolder> folder;
  std::unique_ptr<TVelmarProgram> program;
};

TEST_F(SampleSatellites, GeostationarySatellitesStandAtTheirPositionsAtTheEpoch) {
  ASSERT_NE(Sats, nullptr);
  ASSERT_TRUE(Sats->Connected());
  Sats->UTC = EncodeDate(2026, 12, 1) + 0.5;  // the sample epoch
  int geo = 0;
  double west = 360, east = -360;
  for (const auto& [nr, sat] : Sats->NoradList()) {
    if (nr <= 0 || sat->TwoLine.MeanMotion > 2) continue;
    SCOPED_TRACE(sat->Name);
    ++geo;
    const double reported = sat->SatInfo.RepLongitude;
    EXPECT_NE(reported, 0.0);
    EXPECT_DOUBLE_EQ(sat->GeoLog.Longitude, reported);  // geo.log agrees with sats.csv
    EXPECT_FALSE(sat->SatInfo.Bands.empty());
    const TSat* found = Sats->FindSat(sat->Name);
    ASSERT_EQ(found, sat.get());
    EXPECT_NEAR(Normalize180(found->SatPos.Longitude - reported), 0.0, 0.1);
    EXPECT_NEAR(found->SatPos.Altitude, 35786, 30);
    EXPECT_LT(std::fabs(found->SatPos.Latitude), 3.0);
    west = std::min(west, reported);
    east = std::max(east, reported);
  }
  EXPECT_GE(geo, 25);
  EXPECT_LE(west, -60);
  EXPECT_LE(east, 100);
  EXPECT_GE(east, 90);

  // The station: low Earth orbit.
  TSat* iss = Sats->SatOfNorad(25544);
  ASSERT_NE(iss, nullptr);
  const TSat* found = Sats->FindSat(iss->Name);
  EXPECT_GT(found->SatPos.Altitude, 350);
  EXPECT_LT(found->SatPos.Altitude, 480);
  EXPECT_NEAR(found->TwoLine.Inclination, 51.64, 0.01);
}

}  // namespace
