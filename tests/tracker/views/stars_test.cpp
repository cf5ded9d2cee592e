#include "stars.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <unistd.h>
#include <filesystem>
#include <fstream>

namespace {

std::string Header() { return "RA;Dec;Mag;Nr;Designation;Constellation;Name\n"; }

TEST(StarSplit, KeepsInnerFieldsAndQuotes) {
  using stars_detail::SplitFields;
  EXPECT_EQ(SplitFields("a;b;c"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitFields("a; ;c"), (std::vector<std::string>{"a", " ", "c"}));
  EXPECT_EQ(SplitFields("a;\"x;y\";c"), (std::vector<std::string>{"a", "x;y", "c"}));
  EXPECT_EQ(SplitFields("\"say \"\"hi\"\"\";b"), (std::vector<std::string>{"say \"hi\"", "b"}));
  // An empty field at the very start or end is lost.
  EXPECT_EQ(SplitFields(";a;b;"), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(SplitFields("").empty());
}

struct NumberCase {
  const char* text;
  bool ok;
  double value;
};

TEST(StarNumbers, StrictDotGrammar) {
  const NumberCase cases[] = {{"6.75", true, 6.75},  {" -16.5 ", true, -16.5}, {"+2", true, 2},
                              {"1e2", true, 100},    {".5", true, 0.5},        {"5.", true, 5},
                              {"6,75", false, 0},    {"", false, 0},           {" ", false, 0},
                              {"nan", false, 0},     {"inf", false, 0},        {"0x10", false, 0},
                              {"1e999", false, 0},   {"-", false, 0},          {"1e", false, 0},
                              {"1.2.3", false, 0}};
  for (const auto& k : cases) {
    double v = 0;
    EXPECT_EQ(stars_detail::ParseNumber(k.text, v), k.ok) << k.text;
    if (k.ok) {
      EXPECT_DOUBLE_EQ(v, k.value) << k.text;
    }
  }
  int n = 0;
  EXPECT_TRUE(stars_detail::ParseInt(" 32349 ", n));
  EXPECT_EQ(n, 32349);
  EXPECT_FALSE(stars_detail::ParseInt("12a", n));
  EXPECT_FALSE(stars_detail::ParseInt("99999999999", n));
}

TEST(StarList, ReadsFieldsAndExtendsNames) {
  TStarList list;
  list.LoadFromText(Header() +
                    "6.75;-16.7;-1.44;32349;Alp;CMa;Sirius\r\n"
                    "1.0;2.0;4.5;77;N.A.;Cas; \r\n"
                    "2.0;3.0;3.5;78;Bet;Ori;Rigel\n"
                    "3.0;4.0;2.5;79;Alp1;Cen;Rigil Kentaurus\r"
                    "4.0;5.0;1.5;80;Alp2;Cen;Toliman\n");
  ASSERT_EQ(list.Count(), 5);
  const TStar& s = list.GetStar(0);
  EXPECT_DOUBLE_EQ(s.RA, 101.25);
  EXPECT_DOUBLE_EQ(s.Dec, -16.7);
  EXPECT_DOUBLE_EQ(s.Mag, -1.44);
  EXPECT_EQ(s.Nr, 32349);
  EXPECT_EQ(s.Designation, "Alp");
  EXPECT_EQ(s.Constellation, "CMa");
  EXPECT_EQ(s.StarName, "Sirius (CMa)");
  EXPECT_EQ(list.GetStar(1).StarName, "(Cas)");
  EXPECT_EQ(list.GetStar(2).StarName, "Rigel");
  EXPECT_EQ(list.GetStar(3).StarName, "Rigil Kentaurus (Cen)");
  EXPECT_EQ(list.GetStar(4).StarName, "Toliman");
  EXPECT_EQ(list.Stars[4].Text, "4");
}

TEST(StarList, DropsBadLinesAndKeepsEmptyFieldPlaces) {
  TStarList list;
  list.LoadFromText(Header() +
                    "x;1;1;1;Alp;And;Bad RA\n"       // right ascension does not parse
                    "1;1;100;1;Alp;And;Too faint\n"  // magnitude 100
                    "1;1;nan;1;Alp;And;NaN\n"
                    "1;1;1;1;Alp;And\n"              // six fields
                    "1;1;1;;Gam;;Empty fields\n"     // ";;" keeps the places
                    "1;1;1;x7;Del;Her;Bad number\n"  // catalogue number 0, star kept
                    "RA;1;1;1;Alp;And;Header again\n"
                    "2;2;2;2;Eps;Leo;O'Neil\n");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.GetStar(0).StarName, "Empty fields");
  EXPECT_EQ(list.GetStar(0).Nr, 0);
  EXPECT_EQ(list.GetStar(0).Constellation, "");
  EXPECT_EQ(list.GetStar(1).Nr, 0);
  EXPECT_EQ(list.GetStar(1).StarName, "Bad number");
  EXPECT_EQ(list.GetStar(2).StarName, "O Neil");
}

TEST(StarList, OutOfRangeGivesDefaultStar) {
  TStarList list;
  list.LoadFromText(Header() + "1;1;1;1;Alp;And;A\n");
  EXPECT_EQ(&list.GetStar(-1), &DefaultStar);
  EXPECT_EQ(&list.GetStar(list.Count()), &DefaultStar);
  EXPECT_DOUBLE_EQ(DefaultStar.Mag, 100);
  EXPECT_EQ(DefaultStar.Nr, 0);
}

TEST(StarList, LoadAppendsAndMissingFileAddsNothing) {
  std::string made = (std::filesystem::temp_directory_path() / "velmar-stars-XXXXXX").string();
  ASSERT_NE(::mkdtemp(made.data()), nullptr);
  const std::filesystem::path dir = made;
  {
    std::ofstream(dir / "stars.CSV") << Header() << "1;1;1;1;Alp;And;A\n";
  }
  TStarList list;
  list.LoadFromFile((dir / "nothing.csv").string());
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.FileName, (dir / "nothing.csv").string());
  list.LoadFromFile((dir / "Stars.csv").string());  // found in another case
  list.LoadFromFile((dir / "Stars.csv").string());
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Stars[1].Text, "1");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  std::filesystem::remove_all(dir);
}

TEST(StarList, UtfEightNamesBecomeSingleByte) {
  TStarList list;
  list.LoadFromText(Header() + "1;1;1;1;Bet;Ori;R\xC3\xA9gel\n");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.GetStar(0).StarName, "R\xE9gel");
}

// The shipped catalogue, copied beside the program by the build.
TEST(ShippedCatalogue, HoldsBrightStarsInTheReadersFormat) {
  const char* bin = std::getenv("VELMAR_BIN");
  TStarList list;
  list.LoadFromFile(std::string(bin ? bin : VIEWS_TEST_DIST_DIR) + "/Stars.csv");
  ASSERT_GE(list.Count(), 5000);
  int toFive = 0;
  bool sirius = false, undesignated = false;
  for (int i = 0; i < list.Count(); ++i) {
    const TStar& s = list.GetStar(i);
    if (s.Mag < 5) ++toFive;
    if (s.Nr == 32349) {
      sirius = true;
      EXPECT_EQ(s.StarName, "Sirius (CMa)");
      EXPECT_NEAR(s.RA, 6.75248 * 15, 1e-9);
    }
    if (s.Designation == "N.A.") undesignated = true;
    EXPECT_GE(s.RA, 0);
    EXPECT_LT(s.RA, 360);
    EXPECT_LE(std::abs(s.Dec), 90);
    EXPECT_FALSE(s.Designation.empty());
  }
  EXPECT_GE(toFive, 1600);
  EXPECT_TRUE(sirius);
  EXPECT_TRUE(undesignated);
}

}  // namespace
