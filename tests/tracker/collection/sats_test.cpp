// The satellite collection against the in-memory stand-in of the orbit library.
#include "sats.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "astro_transforms.h"
#include "commatext.h"
#include "datafiles.h"
#include "fakesatellites.h"
#include "format.h"
#include "geosat.h"
#include "log.h"
#include "testutil.h"

namespace {

using testutil::Elements;
using Strings = std::vector<std::string>;

class FakeHost : public ISatsHost {
 public:
  Strings messages;
  struct Run {
    std::string program;
    Strings args;
    std::string folder;
  };
  std::vector<Run> runs;
  std::string system = "/nonexistent-velmar-system";
  int result = 33;
  std::function<void()> onRun;

  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  int RunProgramAndWait(const std::string& program, const Strings& args, const std::string& folder) override {
    runs.push_back({program, args, folder});
    if (onRun) onRun();
    return result;
  }
  std::string SystemFolder() override { return system; }
};

// A collection connected to a fake library.
struct Fixture : ::testing::Test {
  FakeHost host;
  FakeSatellites lib;
  testutil::TempDir dir;
  std::unique_ptr<TSats> sats;

  void Connect() {
    sats = std::make_unique<TSats>(host, [this](ISatellites** out) {
      lib.AddRef();
      *out = &lib;
      return S_OK;
    });
  }
  void SetUp() override { Connect(); }

  // Writes an element file into the temporary folder.
  std::string Keps(const std::string& name, const std::string& text) {
    testutil::WriteFile(dir / name, text);
    return dir / name;
  }
  TSat* Sat(int nr) { return sats->SatOfNorad(nr); }
  Strings Names() { return sats->GetSatNameList(); }
};

Elements El(int nr, int elementNr = 1) {
  Elements e;
  e.norad = nr;
  e.elementNr = elementNr;
  return e;
}

// ---------------------------------------------------------------------------------------------
// Connecting and releasing

TEST_F(Fixture, ConnectingPutsTheObserverAndShutdownReleases) {
  EXPECT_TRUE(sats->Connected());
  EXPECT_EQ(lib.calls, (Strings{"VersionString", "ObsLon", "ObsLat", "ObsHeight"}));
  EXPECT_EQ(lib.obsLat, 52.0);
  EXPECT_EQ(lib.obsLon, 5.0);
  EXPECT_EQ(lib.obsHeight, 1.0);
  EXPECT_EQ(lib.refs, 2);
  sats.reset();
  EXPECT_EQ(lib.keplerPuts, Strings{""});
  EXPECT_EQ(lib.refs, 1);
}

// The log lines of a run, without their time stamps.
Strings LoggedMessages() {
  Strings out;
  for (const std::string& line : LogList) {
    const size_t at = line.find("  ");
    out.push_back(at == std::string::npos ? line : line.substr(at + 2));
  }
  return out;
}

bool Logged(const std::string& prefix) {
  for (const std::string& m : LoggedMessages())
    if (m.rfind(prefix, 0) == 0) return true;
  return false;
}

TEST_F(Fixture, LogsItsSteps) {
  LogList.clear();
  sats.reset();
  Connect();
  Keps("a.txt", testutil::ThreeLines("SAT A", El(11)));
  sats->SetKepFile(dir / "a.txt");
  const Strings m = LoggedMessages();
  ASSERT_GE(m.size(), 3u);
  EXPECT_EQ(m[0], "Destroying Sats");
  EXPECT_EQ(m[1], "Initialising Sats");
  EXPECT_EQ(m[2], "Connect to DLL");
  EXPECT_EQ(m[3], "DLL Connected successfully, version 3.2.0.20");
  EXPECT_TRUE(Logged("Setting Kep File " + dir / "a.txt"));
  EXPECT_TRUE(Logged("ISat.KeplerPath " + dir.path() + "/"));
  EXPECT_TRUE(Logged("Reading two-line data from " + dir / "a.txt"));
  EXPECT_TRUE(Logged("Finished loading file, 3 lines, new satcount is 3  UTC: "));
  EXPECT_TRUE(Logged("Last Sat: SAT A  Lon:   El: 1  Epoch: "));
  EXPECT_TRUE(Logged("Found kep file a.txt  Size: "));
}

TEST(SatsConnect, RegistersOnceWhenCreationFailsThenConnects) {
  testutil::TempDir sys;
  testutil::WriteFile(sys / TSats::kLibraryFile, "x");
  FakeHost host;
  host.system = sys.path();
  FakeSatellites lib;
  int attempts = 0;
  bool registered = false;
  host.onRun = [&] { registered = true; };
  TSats sats(host, [&](ISatellites** out) {
    ++attempts;
    if (!registered) return REGDB_E_CLASSNOTREG;
    lib.AddRef();
    *out = &lib;
    return S_OK;
  });
  EXPECT_TRUE(sats.Connected());
  EXPECT_EQ(attempts, 2);
  ASSERT_EQ(host.runs.size(), 1u);
  EXPECT_EQ(host.runs[0].program, sys / TSats::kRegisterTool);
  EXPECT_EQ(host.runs[0].args, Strings{sys / TSats::kLibraryFile});
  EXPECT_EQ(host.runs[0].folder, sys.path());
  EXPECT_TRUE(host.messages.empty());
}

TEST(SatsConnect, FailuresShowMessagesAndRunOnWithZeroPositions) {
  struct Case {
    const char* what;
    bool libraryFile, toolFile;
    int runResult;
    size_t runs, messages;
  };
  const Case cases[] = {
      {"library file missing", false, false, 33, 0, 2},
      {"tool did not run, tool present", true, true, 2, 1, 2},
      {"tool did not run, tool missing", true, false, 2, 1, 2},
      {"tool ran, creation still fails", true, true, 33, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testutil::TempDir sys;
    if (c.libraryFile) testutil::WriteFile(sys / TSats::kLibraryFile, "x");
    if (c.toolFile) testutil::WriteFile(sys / TSats::kRegisterTool, "x");
    FakeHost host;
    host.system = sys.path();
    host.result = c.runResult;
    int attempts = 0;
    TSats sats(host, [&](ISatellites** out) {
      ++attempts;
      *out = nullptr;
      return REGDB_E_CLASSNOTREG;
    });
    EXPECT_FALSE(sats.Connected());
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(host.runs.size(), c.runs);
    ASSERT_EQ(host.messages.size(), c.messages);
    EXPECT_NE(host.messages.back().find("Error connecting"), std::string::npos);

    // Without the library: readers still work, positions are zero, FilterVis leaves nothing.
    testutil::TempDir keps;
    testutil::WriteFile(keps / "a.txt", testutil::ThreeLines("SAT A", El(11)));
    sats.SetKepFile(keps / "a.txt");
    TSat* a = sats.FindSat("sat a");
    ASSERT_EQ(a->TwoLine.NoradNr, 11);
    EXPECT_EQ(a->SatPos.Azimuth, 0);
    EXPECT_TRUE(a->TwoLine.LibVersion.empty());
    sats.FilterVis = true;
    EXPECT_EQ(sats.GetSatNames(), "");
  }
}

TEST_F(Fixture, UnregisterReleasesThenRunsTheToolWithU) {
  testutil::TempDir sys;
  testutil::WriteFile(sys / TSats::kLibraryFile, "x");
  host.system = sys.path();
  sats->UnregisterDll();
  EXPECT_FALSE(sats->Connected());
  EXPECT_EQ(lib.keplerPuts, Strings{""});
  EXPECT_EQ(lib.refs, 1);
  ASSERT_EQ(host.runs.size(), 1u);
  EXPECT_EQ(host.runs[0].args, (Strings{"/U", sys / TSats::kLibraryFile}));
  EXPECT_TRUE(host.messages.empty());
  sats.reset();  // no second release
  EXPECT_EQ(lib.refs, 1);
}

TEST_F(Fixture, ObserverSettersPutAndRaiseOnFailure) {
  lib.calls.clear();
  sats->SetObsLat(48.5);
  sats->SetObsLon(-10);
  sats->SetObsHeight(120);
  EXPECT_EQ(lib.calls, (Strings{"ObsLat", "ObsLon", "ObsHeight"}));
  EXPECT_EQ(lib.obsLat, 48.5);
  EXPECT_EQ(lib.obsLon, -10);
  EXPECT_EQ(lib.obsHeight, 120);
  lib.failObserverPuts = true;
  try {
    sats->SetObsLat(1);
    FAIL() << "no exception";
  } catch (const ESatLibError& e) {
    EXPECT_STREQ(e.what(), "Observer rejected");
    EXPECT_EQ(e.Code, E_UNEXPECTED);
  }
  EXPECT_EQ(sats->ObsLat, 1);  // stored before the put
}

// ---------------------------------------------------------------------------------------------
// Position record

TEST_F(Fixture, CalcSatPosCallsInTheFixedOrder) {
  lib.bodies["ABCDEFGHIJKLMNO"] = FakeBody{};
  lib.calls.clear();
  sats->CalcSatPos("ABCDEFGHIJKLMNOPQRS");
  sats->CalcSatPos("SHORT NAME  ");
  sats->CalcSatPos("FOURTEEN CHARS PLUS");
  EXPECT_EQ(lib.calls, (Strings{"DateTimeToJT", "IsVisible ABCDEFGHIJKLMNO", "RevNumber", "OrbitPhase", "SatState",
                                "MeanAnomaly", "DateTimeToJT", "IsVisible SHORT NAME", "DateTimeToJT",
                                "IsVisible FOURTEEN CHARS"}));
  EXPECT_EQ(lib.lastThreshold, 0.5);
}

TEST_F(Fixture, GeostationaryGeometryThroughTheLibrary) {
  sats->SetObsLat(geosat::kObsLat);
  sats->SetObsLon(geosat::kObsLon);
  sats->SetObsHeight(0);
  lib.bodies["GEO"] = FakeBody{};
  double satLon = 19.2;
  lib.compute = [&](const std::string&, double jd) {
    const double gst = static_cast<double>(astro::GreenwichSiderealTime(jd - 2415018.5));
    const geosat::Look l = geosat::Compute(lib.obsLat, lib.obsLon, satLon, gst);
    FakeBody b;
    b.az = l.az, b.el = l.el, b.range = l.range, b.alt = l.alt;
    b.lon = satLon * geosat::kRad;
    b.x = l.x, b.y = l.y, b.z = l.z;
    b.xd = -3.07 * std::sin((gst + satLon) * geosat::kRad), b.yd = 3.07 * std::cos((gst + satLon) * geosat::kRad);
    b.rev = 7, b.orbitPhase = 1.0, b.meanAnomaly = 12.25;
    return b;
  };
  sats->UTC = EncodeDate(2024, 3, 20) + 0.3;
  sats->ModifiedPolarMount = true;
  TSatPosRecord r = sats->CalcSatPos("GEO");
  EXPECT_NEAR(r.Elevation, 28.987, 1e-3);
  EXPECT_NEAR(r.Azimuth, 162.379, 1e-3);
  EXPECT_NEAR(r.PolAngle, 10.721, 1e-3);
  EXPECT_NEAR(r.HA, 15.49, 1e-2);
  EXPECT_EQ(r.HA2, r.HA);
  EXPECT_NEAR(r.Declination, -7.47, 1e-2);
  EXPECT_NEAR(r.Longitude, 19.2, 1e-9);
  EXPECT_NEAR(r.RelLongitude, 19.2 - 5.133, 1e-9);
  EXPECT_NEAR(r.Radius, kGeoRadiusKm, 1e-6);
  EXPECT_NEAR(r.Speed, 3.07, 1e-9);
  EXPECT_EQ(r.RevNr, 7);
  EXPECT_NEAR(r.OrbitPhase, 180 / M_PI, 1e-9);
  EXPECT_NEAR(r.Anomaly, 90, 1e-9);
  EXPECT_TRUE(r.Visible);
  EXPECT_EQ(r.UTC, sats->UTC);
  EXPECT_NEAR(r.StarTime, static_cast<double>(astro::GreenwichSiderealTime(sats->UTC)), 1e-12);

  satLon = geosat::kObsLon;  // on the observer's meridian
  r = sats->CalcSatPos("GEO");
  EXPECT_NEAR(r.TheoDeclination, 7.4951, 1e-3);
  EXPECT_NEAR(r.PolAxCorr, 0.6605, 1e-3);
  EXPECT_NEAR(r.PolAxis, 37.2564, 1e-3);
  EXPECT_NEAR(r.HA, 0, 1e-3);
  sats->ModifiedPolarMount = false;
  r = sats->CalcSatPos("GEO");
  EXPECT_EQ(r.PolAxCorr, 0);
  EXPECT_NEAR(r.PolAxis, 37.917, 1e-3);
}

TEST_F(Fixture, ZeroRecordCases) {
  FakeBody moon;
  moon.az = 1, moon.el = 0.5, moon.x = 384000, moon.alt = 380000, moon.phase = 2;
  lib.bodies["MOON"] = moon;
  const auto isZero = [](const TSatPosRecord& r) {
    return r.Azimuth == 0 && r.Elevation == 0 && r.X == 0 && r.HA == 0 && r.Radius == 0 && r.UTC == 0 &&
           r.LclStarTime == 0 && r.ObsX == 0 && r.TheoDeclination == 0 && !r.Visible;
  };
  const TSatPosRecord m = sats->CalcSatPos("Moon");
  EXPECT_FALSE(isZero(m));
  EXPECT_EQ(m.Phase, 2);

  // Not held by the library: the library would report the moon's position through SatState.
  EXPECT_TRUE(isZero(sats->CalcSatPos("ONLY IN SATS CSV")));
  // A failing library call.
  lib.failIsVisible = true;
  EXPECT_TRUE(isZero(sats->CalcSatPos("Moon")));
  lib.failIsVisible = false;
  // A maths failure: latitude exactly 0 (no clamp here).
  sats->SetObsLat(0);
  EXPECT_TRUE(isZero(sats->CalcSatPos("Moon")));
  sats->SetObsLat(52);
  // Non-finite answers.
  lib.bodies["MOON"].x = std::nan("");
  EXPECT_TRUE(isZero(sats->CalcSatPos("Moon")));
  lib.bodies["MOON"].x = 1;
  lib.bodies["MOON"].meanAnomaly = INFINITY;
  EXPECT_TRUE(isZero(sats->CalcSatPos("Moon")));
  // No element folder: the library holds no list and every call fails.
  lib.bodies["MOON"].meanAnomaly = 0;
  sats->SetKepFile("");
  EXPECT_TRUE(isZero(sats->CalcSatPos("Moon")));
}

// ---------------------------------------------------------------------------------------------
// Element files

TEST_F(Fixture, SetKepFilePutsTheFolderAndReadsEveryElementFile) {
  Keps("b.TLE", testutil::ThreeLines("SAT B", El(22)));
  Keps("a.txt", testutil::ThreeLines("SAT A", El(11)));
  Keps("c.2li", testutil::ThreeLines("SAT C", El(33)));
  Keps("d.dat", testutil::ThreeLines("SAT D", El(44)));
  Keps("TLEnotes.txt", "11 137.5\r\n");
  lib.keplerPuts.clear();
  sats->SetKepFile("");
  sats->SetKepFile(dir / "geo.txt");  // the named file need not exist
  EXPECT_EQ(lib.keplerPuts, (Strings{"", dir.path() + "/"}));
  EXPECT_EQ(sats->KepFile(), dir / "geo.txt");
  EXPECT_EQ(Names(), (Strings{"Moon", "SAT A", "SAT B", "SAT C", "Sun"}));
  EXPECT_EQ(Sat(11)->TwoLine.LibVersion, "3.2.0.20");
  EXPECT_EQ(Sat(-1)->TwoLine.Name, "SUN");
  EXPECT_EQ(Sat(-2)->TwoLine.Name, "MOON");
  EXPECT_EQ(sats->NameOfNorad(-2), "Moon");
  EXPECT_EQ(sats->NameOfNorad(12345), "");

  // Reloading empties the collection first.
  sats->SetKepFile("");
  EXPECT_EQ(sats->NameCount(), 0u);
  EXPECT_EQ(sats->NoradList().size(), 0u);
}

TEST_F(Fixture, MissingOrEmptyElementFolderReadsNothing) {
  // A folder without element files, and a missing folder: nothing read, KepFile emptied,
  // and never the process's current folder (which here holds an element file).
  testutil::TempDir cwd;
  testutil::WriteFile(cwd / "here.txt", testutil::ThreeLines("CWD SAT", El(5)));
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(cwd.path());
  Keps("readme.md", "nothing");
  for (const std::string& file : {dir / "geo.txt", dir / "missing/geo.txt", std::string("geo.txt")}) {
    SCOPED_TRACE(file);
    lib.keplerPuts.clear();
    sats->SetKepFile(file);
    EXPECT_EQ(sats->KepFile(), "");
    EXPECT_EQ(sats->SatOfNorad(5), nullptr);
    if (file != dir / "geo.txt") {
      EXPECT_EQ(lib.keplerPuts, Strings{""});
    }
  }
  std::filesystem::current_path(old);
}

TEST_F(Fixture, ElementReaderRules) {
  std::string text;
  text += testutil::ThreeLines("FIRST", El(100, 1));
  text += "garbage line\r\n";
  text += testutil::ThreeLines("SECOND", El(200, 1));
  text += testutil::ThreeLines("RENAMED FIRST", El(100, 2));  // known number, new name, same epoch
  text += testutil::ThreeLines("second", El(300, 1));         // name taken by another number
  text += testutil::ThreeLines("", El(400, 1));               // empty name: not counted
  text += testutil::ThreeLines("ZERO", El(0, 1));             // number 0: not counted
  text += testutil::ThreeLines(std::string(35, 'L'), El(500, 1));
  sats->SetKepFile(Keps("k.txt", text));
  EXPECT_EQ(sats->NoradList().size(), 5u);  // 100, 200, 500, Sun, Moon
  TSat* first = Sat(100);
  EXPECT_EQ(first->Name, "RENAMED FIRST");
  // Of two sets of one epoch the library keeps the first read: so does the satellite's record.
  EXPECT_EQ(first->TwoLine.ElementNr, 1);
  EXPECT_EQ(first->TwoLine.Name, "FIRST");
  EXPECT_EQ(sats->FindSat("first"), first);  // still listed under its former name
  EXPECT_EQ(sats->FindSat("RENAMED FIRST"), &EmptySat);
  EXPECT_EQ(Sat(300), nullptr);
  EXPECT_EQ(Sat(500)->Name, std::string(30, 'L'));
}

TEST_F(Fixture, AnOversizedElementFileIsSkippedWithALogLine) {
  Keps("a.txt", testutil::ThreeLines("SAT A", El(11)));
  // Larger than any real collection (a sparse file: no disk is used).
  const std::string huge = Keps("huge.tle", testutil::ThreeLines("SAT H", El(12)));
  std::filesystem::resize_file(huge, satfiles::kMaxDataFileBytes + 1);
  LogList.clear();
  sats->SetKepFile(dir / "a.txt");
  ASSERT_NE(Sat(11), nullptr);
  EXPECT_EQ(Sat(12), nullptr);
  bool logged = false;
  for (const std::string& line : LogList)
    if (line.find("Skipping " + huge + " : larger than 64 MB") != std::string::npos) logged = true;
  EXPECT_TRUE(logged);
}

TEST_F(Fixture, BareTwoLineSetsReadEverySecondSet) {
  std::string text;
  for (int nr : {1, 2, 3, 4}) {
    const auto [a, b] = testutil::MakeTle(El(nr));
    text += a + "\r\n" + b + "\r\n";
  }
  sats->SetKepFile(Keps("bare.tle", text));
  EXPECT_EQ(Sat(1), nullptr);
  EXPECT_EQ(Sat(3), nullptr);
  ASSERT_NE(Sat(2), nullptr);
  ASSERT_NE(Sat(4), nullptr);
  EXPECT_EQ(Sat(2)->Name, testutil::MakeTle(El(1)).second.substr(0, 30));
}

TEST_F(Fixture, RenamedSunIsNotDuplicated) {
  sats->SetKepFile(Keps("a.txt", testutil::ThreeLines("SAT A", El(11))));
  sats->RenameSat("Sol", Sat(-1));
  sats->LoadTwoLineFile(dir / "a.txt");
  EXPECT_EQ(sats->NoradList().size(), 3u);
  EXPECT_EQ(Names(), (Strings{"Moon", "SAT A", "Sol"}));
}

// ---------------------------------------------------------------------------------------------
// sats.csv and geo.log

TEST_F(Fixture, SatCsvAndGeoLogAreMatchedByNumber) {
  testutil::WriteFile(dir / "sats.csv",
                      "Hot Bird 13B;25049;13.0E\r\n"
                      "Astra 1KR;99001;19.2E;Ku\r\n"
                      ";25049;x\r\n"
                      "bad;-4;1E\r\n"
                      "A;1\r\n");
  testutil::GeoLogFields g;
  testutil::WriteFile(dir / "geo.log", testutil::MakeGeoLogLine(g) + "\r\nshort line\r\n");
  Keps("k.txt", testutil::ThreeLines("HOTBIRD", El(25049)));
  sats->SetKepFile("");
  sats->SetSatCsvFile(dir / "sats.csv");
  sats->SetGeoLogFile(dir / "geo.log");
  EXPECT_EQ(sats->NoradList().size(), 0u);  // only stored while KepFile is empty
  sats->SetKepFile(dir / "k.txt");

  TSat* hb = Sat(25049);
  EXPECT_EQ(hb->Name, "Hot Bird 13B");
  EXPECT_EQ(sats->FindSat("HOT BIRD 13b"), hb);
  EXPECT_EQ(sats->FindSat("HOTBIRD"), &EmptySat);
  EXPECT_EQ(hb->TwoLine.Name, "HOTBIRD");
  EXPECT_DOUBLE_EQ(hb->SatInfo.RepLongitude, 13.0);
  EXPECT_EQ(hb->GeoLog.Name, "EUTELSAT W2");
  EXPECT_DOUBLE_EQ(hb->GeoLog.Longitude, 19.2);

  TSat* astra = Sat(99001);  // known only from sats.csv
  ASSERT_NE(astra, nullptr);
  EXPECT_EQ(astra->Name, "Astra 1KR");
  EXPECT_EQ(astra->TwoLine.Name, "Astra 1KR");
  EXPECT_EQ(astra->TwoLine.LibVersion, "3.2.0.20");
  EXPECT_EQ(astra->SatInfo.Bands, "Ku");
  EXPECT_EQ(Sat(-4), nullptr);
  EXPECT_EQ(sats->SatCsvFile(), dir / "sats.csv");
  EXPECT_EQ(sats->GeoLogFile(), dir / "geo.log");
}

TEST_F(Fixture, CsvNameTakenByAnotherSatellite) {
  Keps("k.txt", testutil::ThreeLines("ALPHA", El(1)) + testutil::ThreeLines("BETA", El(2)));
  testutil::WriteFile(dir / "sats.csv", "alpha;2;;Ku\r\n");
  sats->SetSatCsvFile(dir / "sats.csv");
  sats->SetKepFile(dir / "k.txt");
  // Beta's entry goes; Alpha keeps its own entry, which carries the name Beta now wants.
  EXPECT_EQ(sats->FindSat("ALPHA"), Sat(1));
  EXPECT_EQ(Sat(2)->Name, "alpha");
  EXPECT_EQ(Names(), (Strings{"ALPHA", "Moon", "Sun"}));
  // Saving still writes Beta's information.
  ASSERT_TRUE(sats->SaveSatCsvAs(dir / "out.csv"));
  EXPECT_NE(testutil::ReadFile(dir / "out.csv").find("alpha;2;"), std::string::npos);
}

TEST_F(Fixture, RenameSat) {
  sats->SetKepFile(Keps("k.txt", testutil::ThreeLines("ALPHA", El(1)) + testutil::ThreeLines("BETA", El(2)) +
                                     testutil::ThreeLines("GAMMA", El(3))));
  TSat* a = Sat(1);
  sats->RenameSat("", a);
  sats->RenameSat("ALPHA", a);
  EXPECT_TRUE(a->SatInfo.CsvName.empty());
  sats->RenameSat("Alpha One", a);
  EXPECT_EQ(a->Name, "Alpha One");
  EXPECT_EQ(a->SatInfo.CsvName, "Alpha One");
  EXPECT_EQ(sats->FindSat("alpha one"), a);
  EXPECT_EQ(sats->FindSat("ALPHA"), &EmptySat);
  // To another satellite's name: that one leaves the name list but stays in the collection.
  sats->RenameSat("beta", a);
  EXPECT_EQ(sats->FindSat("BETA"), a);
  EXPECT_EQ(Sat(2)->Name, "BETA");
  EXPECT_EQ(Names(), (Strings{"beta", "GAMMA", "Moon", "Sun"}));
  // A long name is cut to the information record's capacity only.
  sats->RenameSat(std::string(60, 'x'), Sat(3));
  EXPECT_EQ(Sat(3)->SatInfo.CsvName.str(), std::string(50, 'x'));
  EXPECT_EQ(Sat(3)->Name, std::string(60, 'x'));
}

TEST_F(Fixture, RenameRemovesTheEntryHoldingTheSatellite) {
  // The element reader leaves satellite 1 listed under "OLD" while its name is "NEW"; another
  // satellite carries the name "NEW" in the list. Renaming 1 must not drop that other entry.
  sats->SetKepFile(Keps("k.txt", testutil::ThreeLines("OLD", El(1)) + testutil::ThreeLines("OTHER", El(2))));
  sats->RenameSat("NEW", Sat(2));
  sats->LoadTwoLineFile(Keps("k2.txt", testutil::ThreeLines("NEW", El(1))));
  ASSERT_EQ(Sat(1)->Name, "NEW");
  sats->RenameSat("Renamed", Sat(1));
  EXPECT_EQ(sats->FindSat("NEW"), Sat(2));
  EXPECT_EQ(sats->FindSat("Renamed"), Sat(1));
  EXPECT_EQ(sats->FindSat("OLD"), &EmptySat);
}

TEST_F(Fixture, SavingRoundTripsUnchanged) {
  Keps("k.txt", testutil::ThreeLines("ALPHA", El(1)) + testutil::ThreeLines("BETA", El(2)) +
                    testutil::ThreeLines("GAMMA", El(3)) + testutil::ThreeLines("DELTA", El(4)));
  // UTF-8 file: the degree signs arrive as 0xB0.
  testutil::WriteFile(dir / "sats.csv",
                      "Alpha Sat;1;19.200\xC2\xB0 E;Ku C;first; http://a ;P1;1200;0;-12.345\xC2\xB0;0\r\n"
                      "Beta;2;5.000\xC2\xB0 W;Ka;semi;colon;;;;;\r\n");
  sats->SetSatCsvFile(dir / "sats.csv");
  sats->SetKepFile(dir / "k.txt");
  Sat(3)->SatInfo.PulseCount = 777;  // rotor data only
  Sat(4)->SatInfo.Remarks = "has;semicolon";
  ASSERT_TRUE(sats->SaveSatCsv());
  const std::string first = testutil::ReadFile(dir / "sats.csv");
  EXPECT_EQ(first,
            "Alpha Sat;1;19.200\xB0 E;Ku C;first;http://a;P1;1200;0;-12.345\xB0;0\r\n"
            "Beta;2;5.000\xB0 W;Ka;semi;colon;;-2147483647;0;0.000\xB0;1\r\n"
            "DELTA;4;0.000\xB0;;has,semicolon;;;-2147483647;0;0.000\xB0;1\r\n"
            "GAMMA;3;0.000\xB0;;;;;777;0;0.000\xB0;1\r\n");
  EXPECT_EQ(Sat(3)->SatInfo.CsvName, "GAMMA");

  // Read back into a fresh collection and write again: the same bytes.
  sats.reset();
  Connect();
  sats->SetSatCsvFile(dir / "sats.csv");
  sats->SetKepFile(dir / "k.txt");
  EXPECT_EQ(Sat(3)->SatInfo.PulseCount, 777);
  EXPECT_DOUBLE_EQ(Sat(1)->SatInfo.RotorHA, -12.345);
  EXPECT_FALSE(Sat(1)->SatInfo.DynHA);
  ASSERT_TRUE(sats->SaveSatCsvAs(dir / "again.csv"));
  EXPECT_EQ(testutil::ReadFile(dir / "again.csv"), first);
}

TEST_F(Fixture, SavingEdgeCases) {
  Keps("k.txt", testutil::ThreeLines("ALPHA", El(1)));
  // A missing sats.csv counts as empty: the name is kept and saving creates the file.
  sats->SetSatCsvFile(dir / "sats.csv");
  sats->SetKepFile(dir / "k.txt");
  EXPECT_EQ(sats->SatCsvFile(), dir / "sats.csv");
  // Nothing to save: the file is not created, and that is success.
  EXPECT_TRUE(sats->SaveSatCsv());
  EXPECT_FALSE(std::filesystem::exists(dir / "sats.csv"));
  Sat(1)->SatInfo.Bands = "Ku";
  ASSERT_TRUE(sats->SaveSatCsv());
  EXPECT_EQ(testutil::ReadFile(dir / "sats.csv"), "ALPHA;1;0.000\xB0;Ku;;;;-2147483647;0;0.000\xB0;1\r\n");

  // A failed write leaves the old file intact.
  std::filesystem::create_directory(dir / "taken.csv");
  EXPECT_FALSE(sats->SaveSatCsvAs(dir / "taken.csv"));
  EXPECT_FALSE(sats->SaveSatCsvAs(dir / "nofolder/sats.csv"));
  EXPECT_EQ(testutil::ReadFile(dir / "sats.csv"), "ALPHA;1;0.000\xB0;Ku;;;;-2147483647;0;0.000\xB0;1\r\n");

  // A sats.csv that cannot be read (a folder) empties the name, so nothing is saved there.
  sats->SetSatCsvFile(dir / "taken.csv");
  EXPECT_EQ(sats->SatCsvFile(), "");
  EXPECT_FALSE(sats->SaveSatCsv());
}

// ---------------------------------------------------------------------------------------------
// Selectable names and the pulse fit

struct FilterCase {
  const char* what;
  bool ku, c, vis, sort;
  Strings names;
};

TEST_F(Fixture, GetSatNamesFiltersAndSorts) {
  Keps("k.txt", testutil::ThreeLines("KU AND C", El(1)) + testutil::ThreeLines("KA ONLY", El(2)) +
                    testutil::ThreeLines("LOWER KU", El(3)) + testutil::ThreeLines("C ONLY", El(4)) +
                    testutil::ThreeLines("HIDDEN KU", El(5)));
  testutil::WriteFile(dir / "sats.csv", "KU AND C;1;;Ku C\r\nKA ONLY;2;;Ka\r\nLOWER KU;3;;ku\r\nC ONLY;4;;C\r\n"
                                        "HIDDEN KU;5;;Ku\r\n");
  sats->SetSatCsvFile(dir / "sats.csv");
  sats->SetKepFile(dir / "k.txt");
  // Hour angles in the opposite order of the names; HIDDEN KU below the horizon.
  const std::pair<const char*, double> bodies[] = {
      {"KU AND C", 40}, {"KA ONLY", 30}, {"LOWER KU", 20}, {"C ONLY", 10}, {"HIDDEN KU", 2}};
  for (auto [name, lon] : bodies) {
    lib.bodies[name] = FakeBody{};
  }
  lib.compute = [&](const std::string& key, double jd) {
    double lon = 0;
    for (auto [name, l] : bodies)
      if (key == name) lon = l;
    const double gst = static_cast<double>(astro::GreenwichSiderealTime(jd - 2415018.5));
    const geosat::Look l = geosat::Compute(52, 5, lon, gst);
    FakeBody b;
    b.az = l.az, b.el = key == "HIDDEN KU" ? -0.1 : l.el, b.alt = l.alt, b.x = l.x, b.y = l.y;
    return b;
  };
  const FilterCase cases[] = {
      {"no flags: the name list as it is", false, false, false, false,
       {"C ONLY", "HIDDEN KU", "KA ONLY", "KU AND C", "LOWER KU", "Moon", "Sun"}},
      {"Ku and C", true, true, false, false, {"C ONLY", "HIDDEN KU", "KU AND C"}},
      {"Ku alone", true, false, false, false, {"HIDDEN KU", "KU AND C"}},
      {"C alone", false, true, false, false, {"C ONLY", "KU AND C"}},
      {"visible and Ku", true, false, true, false, {"KU AND C"}},
      {"sort alone", false, false, false, true,
       {"HIDDEN KU", "Moon", "Sun", "C ONLY", "LOWER KU", "KA ONLY", "KU AND C"}},
      {"sort and visible: Sun and Moon unknown to the library are not visible", false, false, true, true,
       {"C ONLY", "LOWER KU", "KA ONLY", "KU AND C"}},
  };
  for (const FilterCase& c : cases) {
    SCOPED_TRACE(c.what);
    sats->FilterKu = c.ku, sats->FilterC = c.c, sats->FilterVis = c.vis, sats->SortLongitude = c.sort;
    EXPECT_EQ(Names(), c.names);
  }
  sats->FilterKu = sats->FilterC = sats->FilterVis = sats->SortLongitude = false;
  EXPECT_EQ(sats->GetSatNames(), "\"C ONLY\",\"HIDDEN KU\",\"KA ONLY\",\"KU AND C\",\"LOWER KU\",Moon,Sun");
}

TEST(CommaText, Quoting) {
  EXPECT_EQ(commatext::Join({}), "");
  EXPECT_EQ(commatext::Join({""}), "\"\"");
  EXPECT_EQ(commatext::Join({"ISS", "NOAA 16"}), "ISS,\"NOAA 16\"");
  EXPECT_EQ(commatext::Join({"a,b", "say \"x\"", "tab\t"}), "\"a,b\",\"say \"\"x\"\"\",\"tab\t\"");
  EXPECT_EQ(commatext::Join({"a", ""}), "a,");
}

TEST_F(Fixture, PulseFitThroughTheCollection) {
  Keps("k.txt", testutil::ThreeLines("A", El(1)) + testutil::ThreeLines("B", El(2)) +
                    testutil::ThreeLines("C", El(3)) + testutil::ThreeLines("D", El(4)));
  sats->SetKepFile(dir / "k.txt");
  lib.bodies["A"] = FakeBody{};
  lib.compute = [&](const std::string&, double jd) {
    // Hour angle 10 degrees east for A: a geostationary satellite placed to give it.
    const double gst = static_cast<double>(astro::GreenwichSiderealTime(jd - 2415018.5));
    const geosat::Look l = geosat::Compute(sats->ObsLat, sats->ObsLon, sats->ObsLon + 9.0, gst);
    FakeBody b;
    b.az = l.az, b.el = l.el, b.alt = l.alt, b.x = l.x, b.y = l.y;
    return b;
  };
  Sat(1)->SatInfo.PulseCount = 1000;  // dynamic: the computed hour angle
  Sat(2)->SatInfo.PulseCount = 2000;
  Sat(2)->SatInfo.DynHA = false;
  Sat(2)->SatInfo.RotorHA = 20;
  Sat(3)->SatInfo.PulseCount = 5;  // ignored
  Sat(3)->SatInfo.IgnorePC = true;
  sats->CalcPulseFit();
  const double ha = Sat(1)->SatPos.HA;
  EXPECT_GT(ha, 9);
  EXPECT_EQ(sats->FitCount, 2);
  EXPECT_NEAR(sats->FitSlope, 1000 / (20 - ha), 1e-9);
  EXPECT_NEAR(sats->FitCorrelation, 1, 1e-12);

  Sat(2)->SatInfo.RotorHA = ha;  // two equal hour angles
  sats->CalcPulseFit();
  EXPECT_EQ(sats->FitCount, -1);
  EXPECT_EQ(sats->FitSlope, 1e-9);
  EXPECT_EQ(sats->FitIntercept, 0);
  EXPECT_EQ(sats->FitCorrelation, 0);

  Sat(2)->SatInfo.PulseCount = PulseCountUnset;
  sats->CalcPulseFit();
  EXPECT_EQ(sats->FitCount, 1);
  EXPECT_EQ(sats->FitSlope, 1e-9);
}

}  // namespace
