// The collection against the real orbit library, created through a registry file in a
// temporary folder and registered by the collection itself with the registration tool.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "anglehelpers.h"
#include "astro_transforms.h"
#include "format.h"
#include "lockholder.h"
#include "log.h"
#include "sats.h"
#include "testutil.h"

namespace {

class RecordingHost : public TDefaultSatsHost {
 public:
  explicit RecordingHost(std::string bin) : bin_(std::move(bin)) {}
  std::vector<std::string> messages;
  int runs = 0;  // of the registration tool
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  int RunProgramAndWait(const std::string& program, const std::vector<std::string>& args,
                        const std::string& folder) override {
    ++runs;
    return TDefaultSatsHost::RunProgramAndWait(program, args, folder);
  }
  std::string SystemFolder() override { return bin_; }

 private:
  std::string bin_;
};

class RealLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    // VELMAR_BIN, or the build's bin folder beside the tests folder this program runs from.
    const char* env = std::getenv("VELMAR_BIN");
    std::error_code ec;
    const std::string bin = env ? std::string(env)
                                : (std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().parent_path() /
                                   "bin").string();
    if (!std::filesystem::exists(bin + "/" + TSats::kLibraryFile) ||
        !std::filesystem::exists(bin + "/" + TSats::kRegisterTool))
      GTEST_SKIP() << "the orbit library or the registration tool is not built";
    bin_ = bin;
    // A registry of our own, so the test never touches another one; the registration tool,
    // started by the collection, inherits it.
    setenv("VELMAR_REGISTRY", (dir_ / "registry.reg").c_str(), 1);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  void TearDown() override {
    if (!bin_.empty()) CoUninitialize();
  }

  std::string bin_;
  testutil::TempDir dir_;
};

// Elevation of the published refraction rule, degrees, for a geometric elevation h (degrees).
double Refraction(double h) { return 1.02 / std::tan((h + 10.3 / (h + 5.11)) * M_PI / 180) / 60; }

// Another program holding the registry's lock: the collection says so at once, naming the lock,
// instead of running the registration tool and creating again, which would wait on it twice more.
TEST_F(RealLibrary, AHeldRegistryLockIsNamedAtOnce) {
  const std::string lock = std::filesystem::weakly_canonical(dir_ / "registry.reg").string() + ".lock";
  TLockHolder holder(lock);
  ASSERT_TRUE(holder.Held());
  RecordingHost host(bin_);
  {
    TSats sats(host);
    EXPECT_FALSE(sats.Connected());
  }
  EXPECT_EQ(host.runs, 0);
  ASSERT_EQ(host.messages.size(), 1u);
  const std::string says = "Error connecting to in-process COM server MarnSatLib.so\n\nThe registry lock file " +
                           lock + " is held by another program";
  EXPECT_EQ(host.messages[0].rfind(says, 0), 0u) << host.messages[0];
  // Once the lock is free, the collection registers the library and connects.
  holder.Release();
  RecordingHost later(bin_);
  TSats sats(later);
  EXPECT_TRUE(sats.Connected());
  EXPECT_TRUE(later.messages.empty());
}

TEST_F(RealLibrary, RegistersConnectsAndPlacesAGeostationarySatellite) {
  RecordingHost host(bin_);
  TSats sats(host);
  ASSERT_TRUE(sats.Connected()) << (host.messages.empty() ? "" : host.messages.back());
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(sats.LibVersion().empty());

  // An element set that puts the satellite at 19.2 E at its epoch: node, perigee and mean
  // anomaly together at the sidereal angle of that meridian.
  const TDateTime epoch = EncodeDate(2024, 1, 1) + 99.0;
  const double gst = static_cast<double>(astro::GreenwichSiderealTime(epoch));
  testutil::Elements e;
  e.norad = 40001;
  e.epochYear = 24;
  e.epochDay = 100.0;
  e.incl = 0.01;
  e.ecc = 0.0001;
  e.argp = 0;
  e.meanAnom = 0;
  e.raan = Normalize360(gst + 19.2);
  e.meanMotion = 1.00273791;
  testutil::WriteFile(dir_ / "geo.txt", testutil::ThreeLines("GEO TEST", e));
  testutil::WriteFile(dir_ / "sats.csv", "Only Here;88888;1E;Ku\r\n");

  sats.SetObsLat(52.083);
  sats.SetObsLon(5.133);
  sats.SetObsHeight(0);
  sats.ModifiedPolarMount = true;
  sats.UTC = epoch;
  sats.SetKepFile("");
  sats.SetSatCsvFile(dir_ / "sats.csv");
  sats.SetKepFile(dir_ / "geo.txt");
  ASSERT_EQ(sats.KepFile(), dir_ / "geo.txt");

  const TSatPosRecord& r = sats.FindSat("geo test")->SatPos;
  EXPECT_NEAR(r.Longitude, 19.2, 0.05);
  EXPECT_NEAR(r.Azimuth, 162.379, 0.05);
  // The library's elevation includes refraction.
  EXPECT_NEAR(r.Elevation, 28.987 + Refraction(28.987), 0.05);
  EXPECT_NEAR(r.PolAngle, 10.721, 0.05);
  EXPECT_NEAR(r.HA, 15.49, 0.05);
  // The declination follows from the refracted elevation.
  const double rad = M_PI / 180, elr = (28.987 + Refraction(28.987)) * rad, phi = 52.083 * rad;
  const double declination =
      std::asin(std::sin(elr) * std::sin(phi) + std::cos(elr) * std::cos(phi) * std::cos(162.379 * rad)) / rad;
  EXPECT_NEAR(declination, -7.47, 0.05);
  EXPECT_NEAR(r.Declination, declination, 0.05);
  EXPECT_NEAR(r.PolAxCorr, 0.6605, 1e-4);
  EXPECT_NEAR(r.PolAxis, 37.2564, 1e-3);
  EXPECT_NEAR(r.Radius, 42164.57, 50);
  EXPECT_TRUE(r.Visible);
  EXPECT_EQ(r.UTC, epoch);

  // The Sun is the library's own; a satellite only in sats.csv is not held: zero record.
  EXPECT_NE(sats.FindSat("Sun")->SatPos.Range, 0);
  const TSatPosRecord& only = sats.FindSat("Only Here")->SatPos;
  EXPECT_EQ(only.Range, 0);
  EXPECT_EQ(only.X, 0);
  EXPECT_EQ(only.HA, 0);

  // Reloading without an element folder leaves the library without a list: zeros throughout.
  sats.SetKepFile("");
  EXPECT_EQ(sats.CalcSatPos("SUN").Range, 0);
}

// One catalogue number in two files of one folder under two names: the satellite, listed under
// the first name and named by the second file, shows the position and the element data (epoch,
// element number) of the set the library keeps (the later epoch; of equal epochs the first read),
// whichever file names it. So do the filter of visible satellites (the Clarke belt's list) and the
// log line of the last satellite read.
TEST_F(RealLibrary, ASatelliteRenamedByASecondElementFileKeepsItsPosition) {
  // A geostationary set that puts the satellite at `lon` E at its epoch, day `day` of 2024.
  const auto geo = [](double day, double lon) {
    testutil::Elements e;
    e.norad = 40001;
    e.epochYear = 24;
    e.epochDay = day;
    e.incl = 0.01;
    e.ecc = 0.0001;
    e.argp = 0;
    e.meanAnom = 0;
    e.raan = Normalize360(static_cast<double>(astro::GreenwichSiderealTime(EncodeDate(2024, 1, 1) + day - 1)) + lon);
    e.meanMotion = 1.00273791;
    return e;
  };
  const struct {
    double dayA, lonA, dayB, lonB, lon;
    const char* held;  // the element-set name of the set the library keeps
  } cases[] = {
      {100, 19.2, 100, 19.2, 19.2, "GEO FIRST"},   // the same set in both files
      {100, 19.2, 101, 13.0, 13.0, "GEO SECOND"},  // the second file newer
      {101, 13.0, 100, 19.2, 13.0, "GEO FIRST"},   // the first file newer: the older set read last
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dayB - c.dayA);
    const std::string keps = dir_ / ("keps" + std::to_string(static_cast<int>(c.dayB - c.dayA) + 1));
    std::filesystem::create_directory(keps);
    testutil::Elements first = geo(c.dayA, c.lonA), second = geo(c.dayB, c.lonB);
    first.elementNr = 111;
    second.elementNr = 222;
    testutil::WriteFile(keps + "/a.txt", testutil::ThreeLines("GEO FIRST", first));
    testutil::WriteFile(keps + "/b.txt", testutil::ThreeLines("GEO SECOND", second));
    RecordingHost host(bin_);
    TSats sats(host);
    ASSERT_TRUE(sats.Connected());
    sats.SetObsLat(52.083);
    sats.SetObsLon(5.133);
    sats.SetObsHeight(0);
    sats.UTC = EncodeDate(2024, 1, 1) + std::max(c.dayA, c.dayB) - 1;
    LogList.clear();
    sats.SetKepFile(keps + "/a.txt");

    const TSat* listed = sats.FindSat("GEO FIRST");
    ASSERT_EQ(listed, sats.SatOfNorad(40001));
    EXPECT_EQ(listed->Name, "GEO SECOND");
    // The element data of the set in use: day 101 of 2024 is 10 April.
    EXPECT_EQ(listed->TwoLine.Name, c.held);
    const bool firstHeld = std::string(c.held) == "GEO FIRST";
    EXPECT_EQ(listed->TwoLine.ElementNr, firstHeld ? 111 : 222);
    EXPECT_EQ(FormatDateTime("dd/mm/yy", listed->TwoLine.Epoch),
              std::max(c.dayA, c.dayB) == 101 ? "10/04/24" : "09/04/24");
    EXPECT_NEAR(listed->SatPos.Longitude, c.lon, 0.05);
    EXPECT_GT(listed->SatPos.Elevation, 25);
    EXPECT_NEAR(listed->SatPos.Radius, 42164.57, 50);
    sats.FilterVis = true;
    const std::vector<std::string> visible = sats.GetSatNameList();
    EXPECT_NE(std::find(visible.begin(), visible.end(), "GEO FIRST"), visible.end());

    std::string line;
    for (const std::string& l : LogList)
      if (l.find("Last Sat: GEO SECOND  Lon: ") != std::string::npos) line = l;
    ASSERT_FALSE(line.empty());
    EXPECT_NEAR(std::atof(line.c_str() + line.find("Lon: ") + 5), c.lon, 0.05) << line;
    EXPECT_EQ(line.find("1899"), std::string::npos) << line;
  }
}

// A satellite whose drag brings it down about 3.8 days after its epoch (2018 January 20.5):
// before that its position is computed; after that the library fails, and the record is all
// zeros (position unavailable), never a point inside the Earth.
TEST_F(RealLibrary, DecayedSatelliteHasNoPosition) {
  RecordingHost host(bin_);
  TSats sats(host);
  ASSERT_TRUE(sats.Connected());
  testutil::WriteFile(dir_ / "decaying.txt",
                      "DECAYING\r\n"
                      "1 90401U 18002A   18020.50000000  .05000000  00000-0  30000-2 0  9991\r\n"
                      "2 90401  51.6000 100.0000 0015000  90.0000 270.0000 16.25000000  1008\r\n");
  sats.SetObsLat(52.083);
  sats.SetObsLon(5.133);
  sats.SetObsHeight(0);
  const TDateTime epoch = EncodeDate(2018, 1, 20) + 0.5;
  sats.UTC = epoch + 1;
  sats.SetKepFile(dir_ / "decaying.txt");
  ASSERT_NE(sats.FindSat("decaying"), nullptr);

  const TSatPosRecord before = sats.CalcSatPos("DECAYING");
  EXPECT_GT(before.Radius, 6378.135);
  EXPECT_GT(before.Altitude, 100.0);
  EXPECT_NE(before.Range, 0);

  sats.UTC = epoch + 4.5;
  const TSatPosRecord after = sats.CalcSatPos("DECAYING");
  for (double v : {after.Radius, after.X, after.Y, after.Z, after.Range, after.Altitude, after.Azimuth,
                   after.Elevation, after.Longitude, after.Latitude, after.HA, after.UTC})
    EXPECT_EQ(v, 0);
  EXPECT_FALSE(after.Visible);
}

// An entry of the element folder that the library cannot open fails the load, and the failure
// the tracker logs names it.
TEST_F(RealLibrary, AnElementEntryThatCannotBeOpenedIsNamedInTheFailure) {
  RecordingHost host(bin_);
  TSats sats(host);
  ASSERT_TRUE(sats.Connected());
  testutil::WriteFile(dir_ / "geo.txt", testutil::ThreeLines("GEO TEST", testutil::Elements{}));
  std::filesystem::create_directory(dir_ / "x.txt");
  try {
    sats.SetKepFile(dir_ / "geo.txt");
    ADD_FAILURE() << "the load succeeded";
  } catch (const ESatLibError& e) {
    EXPECT_NE(std::string(e.what()).find(dir_ / "x.txt"), std::string::npos) << e.what();
  }
}

TEST_F(RealLibrary, UnregisterRemovesTheRegistration) {
  RecordingHost host(bin_);
  {
    TSats sats(host);
    ASSERT_TRUE(sats.Connected());
    sats.UnregisterDll();
    EXPECT_FALSE(sats.Connected());
    EXPECT_TRUE(host.messages.empty());
  }
  ISatellites* s = nullptr;
  EXPECT_EQ(CreateSatellitesObject(&s), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(s, nullptr);
}

}  // namespace
