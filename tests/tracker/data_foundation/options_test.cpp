#include "options.h"

#include <gtest/gtest.h>

#include <memory>

#include "log.h"
#include "programpath.h"
#include "testdir.h"

namespace {

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramFileName(dir_.file("Velmar"));
    ini_ = dir_.file("Velmar.ini");
    LogList.clear();
    LogFileName.clear();
    CrashDebugMode = false;
  }
  void TearDown() override { SetProgramFileName(""); }

  std::unique_ptr<TOptions> Open() { return std::make_unique<TOptions>(); }

  TempDir dir_;
  std::string ini_;
};

TEST_F(OptionsTest, NoIniGivesDefaultsAndExitWritesOnlySaveSettings) {
  auto o = Open();
  EXPECT_EQ(o->FileName(), ini_);
  ASSERT_FALSE(LogList.empty());
  EXPECT_NE(LogList.back().find("  Reading Ini " + ini_), std::string::npos);
  const std::string folder = dir_.path() + "/";
  EXPECT_EQ(o->SatCsvFile, folder + "sats.csv");
  EXPECT_EQ(o->GeoLogFile, folder + "geo.log");
  EXPECT_EQ(o->TwoLineFile, folder + "Keps/geo.txt");
  EXPECT_EQ(o->CountryFolder, folder + "Countries");
  EXPECT_EQ(o->ObsHeight, 1e-6);
  EXPECT_EQ(o->ObsLat, 52.083);
  EXPECT_EQ(o->ObsLon, 5.133);
  EXPECT_EQ(o->HomeCity, "Utrecht");
  EXPECT_EQ(o->HomeCountry, "Netherlands");
  EXPECT_EQ(o->ImgDpi, 150);
  EXPECT_EQ(o->StarMag, -20);
  EXPECT_TRUE(o->DecimalDegs && o->FilterKu && o->SortLongitude && o->AutoUpdate && o->ViewSats &&
              o->FilterVis && o->AziRelToSouth && o->ModifiedPolarMount && o->SunInFront);
  EXPECT_FALSE(o->SaveSettings || o->SaveSatCsv || o->FilterC || o->ViewProp || o->ViewStarNames);
  EXPECT_TRUE(o->FilesChanged);
  EXPECT_FALSE(o->SatInfoEdited);
  EXPECT_EQ(o->ImgFont, (TFontSpec{"Verdana", 10, clWindowText, false, false}));
  EXPECT_EQ(o->PrintFont, (TFontSpec{"Verdana", 14, clWindowText, false, false}));
  EXPECT_EQ(o->TwoLineUrl3, "");
  EXPECT_EQ(o->TwoLineUrl1, DefaultTwoLineUrl1);
  EXPECT_NE(std::string(DefaultTwoLineUrlList).find("/NORAD/elements/weather.txt,"), std::string::npos);
  EXPECT_NE(std::string(DefaultGeoLogUrl).find("/space/logs/geo.log"), std::string::npos);
  o.reset();
  EXPECT_EQ(ReadBytes(ini_), "[Misc]\r\nSaveSettings=0\r\n");
}

TEST_F(OptionsTest, ObserverClamps) {
  struct Case {
    const char* key;
    const char* text;
    double TOptions::*field;
    double expected;
  };
  const Case cases[] = {
      {"ObsLat", "0", &TOptions::ObsLat, 1e-6},
      {"ObsLat", "95", &TOptions::ObsLat, 89.999999},
      {"ObsLat", "-95", &TOptions::ObsLat, -89.999999},
      {"ObsLat", "-0.0000001", &TOptions::ObsLat, 1e-6},
      {"ObsLat", "north", &TOptions::ObsLat, 52.083},
      {"ObsHeight", "0", &TOptions::ObsHeight, 1e-6},
      {"ObsHeight", "-12.5", &TOptions::ObsHeight, -12.5},
      {"ObsLon", "400", &TOptions::ObsLon, 400},
      {"ObsLon", "", &TOptions::ObsLon, 5.133},
  };
  for (const Case& c : cases) {
    WriteBytes(ini_, std::string("[Observer]\r\n") + c.key + "=" + c.text + "\r\n");
    auto o = Open();
    EXPECT_EQ((*o).*c.field, c.expected) << c.key << "=" << c.text;
  }
  auto o = Open();
  o->SetObsLat(0);
  EXPECT_EQ(o->ObsLat, 1e-6);
  o->SetObsLat(-90);
  EXPECT_EQ(o->ObsLat, -89.999999);
  o->SetObsHeight(1e-7);
  EXPECT_EQ(o->ObsHeight, 1e-6);
}

TEST_F(OptionsTest, ForgivingReadsAndFonts) {
  WriteBytes(ini_,
             "[Misc]\r\nImgDpi=abc\r\nFilterC=2\r\nStarMag=7\r\n"
             "[Font]\r\nFontColor=255\r\nFontBold=1\r\nFontItalic=1\r\nFontName=Arial\r\nFontSize=x\r\n"
             "PrintFontColor=$00FF00\r\n");
  auto o = Open();
  EXPECT_EQ(o->ImgDpi, 150);
  EXPECT_TRUE(o->FilterC);
  EXPECT_EQ(o->StarMag, 7);
  EXPECT_EQ(o->ImgFont, (TFontSpec{"Arial", 10, clRed, true, true}));
  EXPECT_EQ(o->PrintFont.Color, 0x00FF00);
}

TEST_F(OptionsTest, ImgDpiFromTheFileIsLimited) {
  const std::pair<const char*, int> cases[] = {{"100000", 1200}, {"10", 25}, {"-5", 25}, {"300", 300}};
  for (const auto& [text, dpi] : cases) {
    WriteBytes(ini_, std::string("[Misc]\r\nImgDpi=") + text + "\r\n");
    EXPECT_EQ(Open()->ImgDpi, dpi) << text;
  }
}

TEST_F(OptionsTest, BackslashesInPathsBecomeSlashes) {
  WriteBytes(ini_, "[Files]\r\nTwoLineFile=Keps\\geo.txt\r\n");
  EXPECT_EQ(Open()->TwoLineFile, "Keps/geo.txt");
}

TEST_F(OptionsTest, KeysAndSectionsInAnyCase) {
  WriteBytes(ini_, "[MISC]\r\nfilterku=0\r\n[observer]\r\nHOMECITY=Delft\r\n");
  auto o = Open();
  EXPECT_FALSE(o->FilterKu);
  EXPECT_EQ(o->HomeCity, "Delft");
}

TEST_F(OptionsTest, SaveSettingsWritesEverySectionInOrder) {
  {
    auto o = Open();
    o->SaveSettings = true;
    o->SetObsLat(52.08333333333333);
    o->HomeCity = "Den Haag";
    o->PrintFont.Bold = true;
  }
  const std::string text = ReadBytes(ini_);
  const std::size_t files = text.find("[Files]"), observer = text.find("[Observer]"),
                    update = text.find("[Update]"), misc = text.find("[Misc]"), font = text.find("[Font]");
  ASSERT_NE(font, std::string::npos);
  EXPECT_EQ(files, 0u);
  EXPECT_LT(files, observer);
  EXPECT_LT(observer, update);
  EXPECT_LT(update, misc);
  EXPECT_LT(misc, font);
  EXPECT_NE(text.find("FontColor=-2147483640\r\n"), std::string::npos);
  EXPECT_NE(text.find("ObsHeight=1E-6\r\n"), std::string::npos);
  EXPECT_NE(text.find("SaveSettings=1\r\n"), std::string::npos);
  // BrowserExecutable comes back into "Files" after the observer was written.
  const std::size_t browser = text.find("BrowserExecutable=");
  EXPECT_LT(files, browser);
  EXPECT_LT(browser, observer);

  auto again = Open();
  EXPECT_EQ(again->ObsLat, 52.08333333333333);
  EXPECT_EQ(again->HomeCity, "Den Haag");
  EXPECT_TRUE(again->PrintFont.Bold);
  EXPECT_TRUE(again->SaveSettings);
}

TEST_F(OptionsTest, WritesKeepCommentsAndUnknownKeys) {
  WriteBytes(ini_, "; my settings\r\n[Misc]\r\nUnknown=5\r\nSaveSettings=1\r\n\r\n[Extra]\r\nA=b\r\n");
  Open().reset();
  const std::string text = ReadBytes(ini_);
  EXPECT_EQ(text.find("; my settings\r\n[Misc]\r\nUnknown=5\r\nSaveSettings=1\r\n"), 0u);
  EXPECT_NE(text.find("[Extra]\r\nA=b\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Font]"), std::string::npos);
}

TEST_F(OptionsTest, FailedWriteAtExitIsLoggedNotThrown) {
  const std::string missing = dir_.file("no/such/folder/Velmar.ini");
  {
    TOptions o(missing);
    o.SaveSettings = true;
  }
  bool logged = false;
  for (const std::string& line : LogList)
    if (line.find("  Unable to write to " + missing) != std::string::npos) logged = true;
  EXPECT_TRUE(logged);
  TOptions o(missing);
  EXPECT_THROW(o.WriteSettings(), EIniFileException);
}

TEST(ProgramPath, FileNamesFromTheProgram) {
  const std::pair<const char*, const char*> cases[] = {
      {"/opt/velmar/Velmar", "/opt/velmar/Velmar.ini"},
      {"/opt/velmar/Velmar.exe", "/opt/velmar/Velmar.ini"},
      {"/opt/v.1/Velmar", "/opt/v.1/Velmar.ini"},
      {"Velmar.bin.x", "Velmar.bin.ini"},
  };
  for (const auto& [path, ini] : cases) EXPECT_EQ(ChangeFileExt(path, ".ini"), ini);
  SetProgramFileName("/srv/prog/Velmar");
  EXPECT_EQ(ProgramFolder(), "/srv/prog/");
  SetProgramFileName("");
  EXPECT_FALSE(ProgramFileName().empty());
  EXPECT_EQ(ProgramFolder().back(), '/');
}

}  // namespace
