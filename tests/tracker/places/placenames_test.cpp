// Place names: the line split, the places and regions read from a country file, the country
// list, lookups without regard to case, and the shipped place files of the Netherlands.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "placenames.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder for place files, removed afterwards.
class TTempFolder {
 public:
  TTempFolder() {
    std::string tmpl = (fs::temp_directory_path() / "velmar-places-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
  }
  ~TTempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
  }
  std::string Path() const { return path_.string(); }

 private:
  fs::path path_;
};

// One country-file line in the 25-field layout; the fields not given are filled in.
std::string Line(const std::string& lat, const std::string& lon, const std::string& dsg, const std::string& adm1,
                 const std::string& nameType, const std::string& fullName, const std::string& nameNd) {
  std::vector<std::string> f = {"1",      "-1", "-2", lat,  lon, "", "", "", "", "P", dsg, "", "XX",
                                adm1,     "",   "",   "",   nameType, "", "", "", "SORT", fullName, nameNd,
                                "2025-01-01"};
  std::string s;
  for (size_t i = 0; i < f.size(); ++i) s += (i ? "\t" : "") + f[i];
  return s + "\r\n";
}

const char* kHeader =
    "RC\tUFI\tUNI\tLAT\tLONG\tDMS_LAT\tDMS_LONG\tMGRS\tJOG\tFC\tDSG\tPC\tCC1\tADM1\tPOP\tELEV\tCC2\tNT\tLC\t"
    "SHORT_FORM\tGENERIC\tSORT_NAME\tFULL_NAME\tFULL_NAME_ND\tMODIFY_DATE\r\n";

}  // namespace

TEST(PlaceLineSplit, FieldsKeepTheirPlaces) {
  const struct {
    const char* Line;
    std::vector<std::string> Fields;
  } cases[] = {
      {"a\tb\tc", {"a ", "b ", "c"}},
      {"a\t\tc", {"a ", " ", "c"}},                       // an empty field holds a blank
      {"'s-Gravenland\tx", {"`s-Gravenland ", "x"}},      // apostrophes become grave accents
      {"1\t\"two\tparts\"\t3", {"1 ", "two \tparts ", "3"}},  // a quoted stretch holds a tab
      {"\"say \"\"hi\"\"\"\tz", {"say \"hi\" ", "z"}},    // doubled quotes read as one
      {"\"open\tto the end", {"open \tto the end"}},      // an unclosed quote runs to the end
      {"x\t", {"x ", ""}},
      {"", {""}},
  };
  for (const auto& c : cases) EXPECT_EQ(TGnsList::SplitLine(c.Line), c.Fields) << c.Line;
}

TEST(PlaceNames, PlacesAndRegionsOfACountry) {
  TTempFolder dir;
  dir.Write("Countries.txt", "Testland=tl\r\nOtherland=ot\r\n");
  std::string f = kHeader;
  f += Line("50.5", "4.25", "ADM1", "01", "N", "North Province", "North Province");
  f += Line("50.0", "4.0", "ADM1", "02", "N", "Sud\xE9", "");           // name from field 22
  f += Line("50.0", "4.0", "ADM1", "03", "V", "Variant Region", "Variant Region");  // no region
  f += Line("51.0", "5.0", "ADM1", "04", "N", "Coast's End", "Coast's End");
  f += Line("52.1", "5.1", "PPLC", "01", "N", "Capitol", "Capitol");
  f += Line("52.1", "5.1", "PPLC", "01", "V", "Kapitol", "Kapitol");
  f += Line("51.9", "4.3", "PPL", "02", "N", "'s-Hertog", "'s-Hertog");
  f += Line("x", "4.3", "PPL", "02", "N", "Bad Lat", "Bad Lat");        // coordinates do not parse
  f += Line("51.9", "", "PPL", "02", "N", "No Lon", "No Lon");
  f += Line("51.9", "4.3", "PPL", "", "N", "No Region", "No Region");   // region code missing
  f += Line("51.9", "4.3", "PPL", "-3", "N", "Minus Region", "Minus Region");
  f += Line("51.9", "4.3", "STM", "02", "N", "A River", "A River");     // not a place
  f += Line("51.9", "4.3", "PPL", "02", "N", "Empty Nd", "");           // no name without diacritics
  for (const char* dsg : {"PPLX", "PPLL", "PPLR", "PPLW", "PPLQ", "PPLA", "PPLF"})
    f += Line("50", "5", dsg, "04", "N", std::string("Town") + dsg, std::string("Town") + dsg);
  // 23 fields are passed over, 24 are read.
  f += "1\t2\t3\t50\t5\t5\t6\t7\t8\tP\tPPL\t11\t12\t04\t14\t15\t16\tN\t18\t19\t20\t21\tShort\r\n";
  f += "1\t2\t3\t50\t5\t5\t6\t7\t8\tP\tPPL\t11\t12\t04\t14\t15\t16\tN\t18\t19\t20\t21\tLong\tLong\r\n";
  dir.Write("tl.txt", f);

  const TGnsList list(dir.Path(), "testland");  // the country is found whatever its case
  std::vector<std::string> names;
  for (const auto& item : list.Items()) names.push_back(item.Name);
  const std::vector<std::string> expected = {
      "'s-Hertog",
      "Capitol (Capital)",
      "Kapitol (Capital) (Alt. spelling)",
      "Long",
      "TownPPLA (Province Seat)",
      "TownPPLF",
      "TownPPLL (Locality)",
      "TownPPLQ (Abandoned)",
      "TownPPLR (Religious)",
      "TownPPLW (Destroyed)",
      "TownPPLX (Section of place)",
  };
  EXPECT_EQ(names, expected);
  const std::vector<std::string> provinces = {"1=North Province", "2=Sud\xE9", "4=Coast's End"};
  EXPECT_EQ(list.Provinces, provinces);

  const long capitol = list.IndexOf("CAPITOL (capital)");
  ASSERT_GE(capitol, 0);
  EXPECT_DOUBLE_EQ(list.Objects(capitol).Lat, 52.1);
  EXPECT_DOUBLE_EQ(list.Objects(capitol).Lon, 5.1);
  EXPECT_EQ(list.IndexOf("Capitol"), -1);

  EXPECT_EQ(list.GetProvince("kapitol (capital) (alt. spelling)"), "North Province");
  EXPECT_EQ(list.GetProvince("'s-hertog"), "Sud\xE9");
  EXPECT_EQ(list.GetProvince("Nowhere"), "");
  EXPECT_EQ(list.GetCountryFile("OTHERLAND"), "ot");
  EXPECT_EQ(list.GetCountryFile("Atlantis"), "");
}

TEST(PlaceNames, EqualNamesReadLastComeFirst) {
  TTempFolder dir;
  dir.Write("Countries.txt", "Testland=tl\r\n");
  std::string f;
  f += Line("1", "1", "ADM1", "7", "N", "Seven", "Seven");
  f += Line("1", "1", "PPL", "1", "N", "Borg", "Borg");
  f += Line("2", "2", "PPL", "7", "N", "borg", "borg");
  f += Line("3", "3", "PPL", "2", "N", "BORG", "BORG");
  f += Line("0", "0", "PPL", "1", "N", "Aa", "Aa");
  f += Line("0", "0", "PPL", "1", "N", "Zz", "Zz");
  dir.Write("tl.txt", f);
  const TGnsList list(dir.Path(), "Testland");
  ASSERT_EQ(list.Count(), 5u);
  const std::vector<std::string> names = {"Aa", "BORG", "borg", "Borg", "Zz"};
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(list.Strings(i), names[i]);
  EXPECT_EQ(list.IndexOf("borg"), 1);
  EXPECT_EQ(list.GetProvince("Borg"), "");  // the last read has region 2, which is not listed
}

TEST(PlaceNames, MissingFilesAndLetterCaseOfFileNames) {
  TTempFolder dir;
  EXPECT_EQ(TGnsList(dir.Path() + "/absent", "Testland").GetCountryList(), "");
  dir.Write("COUNTRIES.TXT", "Testland=tl\r\nNoFile=nf\r\n\"Q\" land=q\r\n");
  dir.Write("TL.txt", Line("1", "1", "PPL", "1", "N", "Here", "Here"));
  EXPECT_EQ(TGnsList(dir.Path() + "/", "Testland").Count(), 1u);
  EXPECT_EQ(TGnsList(dir.Path(), "NoFile").Count(), 0u);
  // A country absent from the list: no places, but the full country list.
  const TGnsList absent(dir.Path(), "Atlantis");
  EXPECT_EQ(absent.Count(), 0u);
  EXPECT_EQ(absent.GetCountryList(), "\"Testland\",\"NoFile\",\"\"\"Q\"\" land\"");
  EXPECT_EQ(FindPlaceFile(dir.Path(), "tl.TXT"), dir.Path() + "/TL.txt");
  EXPECT_EQ(FindPlaceFile(dir.Path(), ".txt"), "");
}

TEST(PlaceNames, ShippedNetherlands) {
  const TGnsList list(PLACES_TEST_COUNTRY_DIR, "Netherlands");
  EXPECT_EQ(list.Provinces.size(), 12u);
  EXPECT_EQ(list.Count(), 1575u);  // 1560 places, 14 province seats, one capital
  const long utrecht = list.IndexOf("utrecht");
  ASSERT_GE(utrecht, 0);
  EXPECT_NEAR(list.Objects(utrecht).Lat, 52.09083, 1e-9);
  EXPECT_NEAR(list.Objects(utrecht).Lon, 5.12222, 1e-9);
  EXPECT_EQ(list.GetProvince("Amsterdam (Capital)"), "Noord-Holland");
  EXPECT_GE(list.IndexOf("The Hague (Province Seat) (Alt. spelling)"), 0);
  EXPECT_GE(list.IndexOf("'s-Gravenland"), 0);
  for (const auto& item : list.Items()) EXPECT_EQ(item.Name.find('`'), std::string::npos) << item.Name;
}
