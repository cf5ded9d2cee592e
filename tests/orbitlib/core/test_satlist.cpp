#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "mathtime.h"
#include "observer.h"
#include "satlist.h"

using namespace orbit;
namespace fs = std::filesystem;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Two element lines built from fields; every line is exactly 69 characters.
struct Elements {
    std::string cat = "25544";
    std::string epoch = "23001.50000000";  // 14 characters
    std::string incl = " 51.6400";          // 8
    std::string raan = "247.4627";          // 8
    std::string ecc = "0006703";            // 7
    std::string argp = "130.5360";          // 8
    std::string ma = "325.0288";            // 8
    std::string mm = "15.50000000";         // 11
    std::string rev = "12345";              // 5
    std::string bstar = " 10270-3";         // columns 54-61 (sign, 5 digits, exponent)
};

std::string Put(std::string line, int col, const std::string& text) {
    line.replace(static_cast<std::size_t>(col - 1), text.size(), text);
    return line;
}

std::string Line1(const Elements& e) {
    std::string l = "1 00000U 98067A   00000.00000000  .00016717  00000-0  00000-0 0  9993";
    l = Put(l, 3, e.cat);
    l = Put(l, 19, e.epoch);
    l = Put(l, 54, e.bstar);
    return l;
}

std::string Line2(const Elements& e) {
    std::string l = "2 00000  00.0000 000.0000 0000000 000.0000 000.0000 00.00000000000000";
    l = Put(l, 3, e.cat);
    l = Put(l, 9, e.incl);
    l = Put(l, 18, e.raan);
    l = Put(l, 27, e.ecc);
    l = Put(l, 35, e.argp);
    l = Put(l, 44, e.ma);
    l = Put(l, 53, e.mm);
    l = Put(l, 64, e.rev);
    return l;
}

std::string Set(const std::string& name, const Elements& e) { return name + "\n" + Line1(e) + "\n" + Line2(e) + "\n"; }

Elements Sat(const std::string& cat, const std::string& epoch = "23001.50000000") {
    Elements e;
    e.cat = cat;
    e.epoch = epoch;
    return e;
}

class TempFolder {
public:
    TempFolder() {
        std::string made = (fs::temp_directory_path() / "orbitcore-test-XXXXXX").string();
        if (!::mkdtemp(made.data())) throw std::runtime_error("no temporary folder");
        path_ = made;
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream out(path_ / name, std::ios::binary);
        out << text;
    }
    std::string Path() const { return path_.string(); }

private:
    fs::path path_;
};

// Structural invariants of a list: sorted unique names, each entry's satellite carries
// its name, catalogue numbers are unique and found again, numbers are finite.
void ExpectConsistent(const TSatelliteList& list) {
    std::set<std::string> cats;
    for (int i = 0; i < list.Count(); ++i) {
        const TSatellite* s = list.GetSat(i);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->name, list.Name(i));
        if (i > 0) {
            EXPECT_LT(list.Name(i - 1), list.Name(i));
        }
        EXPECT_TRUE(cats.insert(s->catNr).second) << s->catNr;
        EXPECT_EQ(list.IndexOfCatNr(s->catNr), i);
        EXPECT_EQ(list.IndexOf(s->name), i);
        for (double v : {s->meanAnomaly, s->raan, s->argPerigee, s->eccentricity, s->inclination, s->meanMotion,
                         s->bstar, s->epoch, s->revAtEpoch, s->orbitPhase, s->orbitPos})
            EXPECT_TRUE(std::isfinite(v));
    }
}

}  // namespace

struct KeyCase { const char* line; const char* key; };
TEST(SatList, SatelliteKey) {
    const KeyCase cases[] = {
        {"noaa-l", "NOAA 16"},
        {"NOAA-L   ", "NOAA 16"},
        {"iss (zarya)", "ISS (ZARYA)"},
        {"SATELLITE      XYZWV", "SATELLITE"},     // cut to 15 characters, then trimmed
        {"ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNO"},
        {"  \tmeteor 3-5", "METEOR 3-5"},
        {"NOAA-LX", "NOAA-LX"},
        {"\xc3\xa9toile-\xc3\xa9toile-abc", "\xc3\xa9TOILE-\xc3\xa9TOILE-A"},  // 15 characters of UTF-8 text
    };
    for (const auto& c : cases) EXPECT_EQ(SatelliteKey(c.line), c.key) << c.line;
}

struct RealCase { const char* line; int col, width; double expected; };
TEST(SatList, ColumnReal) {
    const RealCase cases[] = {
        {"1 25544U 98067A   23001.50000000  .00016717", 19, 14, 23001.5},
        {"xx .00073094", 3, 10, 0.00073094},
        {"xx-.00002182", 3, 10, -0.00002182},
        {"x 13844", 2, 6, 13844},
        {"x-11606", 2, 6, -11606},
        {"abc", 1, 3, 0},
        {"1.2.3", 1, 5, 0},
        {"1e5", 1, 3, 1e5},
        {"1e", 1, 2, 0},
        {"12", 5, 4, 0},          // beyond the end of the line: empty, reads 0
        {"123456", 4, 10, 456},   // shorter when the line ends first
        {"  -  ", 1, 5, 0},       // "00-00" is not a number
        {"+1.5 ", 1, 5, 1.5},     // "+1.50"
        {"1e999", 1, 5, 0},       // out of range
        {"nan", 1, 3, 0},
        {"inf", 1, 3, 0},
        {"0x1A", 1, 4, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ColumnReal(c.line, c.col, c.width), c.expected) << c.line;
}

TEST(SatList, ColumnIntAndDigits) {
    EXPECT_EQ(ColumnInt("x-4", 2, 2), -4);
    EXPECT_EQ(ColumnInt("x+3", 2, 2), 3);
    EXPECT_EQ(ColumnInt("  999", 3, 3), 999);
    EXPECT_EQ(ColumnInt(" 9 ", 1, 3), 90);  // blanks are zeros
    EXPECT_EQ(ColumnInt("", 1, 3), 0);
    EXPECT_EQ(ColumnInt("12345678901", 1, 11), 0);
    EXPECT_EQ(ColumnInt("1.5", 1, 3), 0);
    EXPECT_EQ(ColumnStr3(7), "007");
    EXPECT_EQ(ColumnStr3(123), "123");
    EXPECT_EQ(TwoDigits(45), "45");
    EXPECT_EQ(BlanksToZeros(" 1 2 "), "01020");
}

TEST(SatList, ParseElementsFields) {
    Elements e;
    TSatellite s;
    s.ParseElements(Line1(e), Line2(e));
    EXPECT_EQ(s.catNr, "25544");
    EXPECT_EQ(s.elementSetNr, "999");
    EXPECT_DOUBLE_EQ(s.epochText, 23001.5);
    EXPECT_NEAR(s.epoch, 2459946.0, 1e-9);
    EXPECT_NEAR(s.eccentricity, 0.0006703, 1e-15);
    EXPECT_NEAR(s.bstar, 1.027e-4, 1e-16);
    EXPECT_NEAR(s.inclination, 51.64 * kPi / 180, 1e-15);
    EXPECT_NEAR(s.meanMotion, 15.5 * 2 * kPi / 1440, 1e-15);
    EXPECT_NEAR(s.firstDerivative, 0.00016717 * 2 * kPi / (1440.0 * 1440.0), 1e-20);
    EXPECT_EQ(s.revAtEpoch, 12345);
    EXPECT_FALSE(s.deepSpace);
    EXPECT_EQ(s.initNeeded, 1);

    // Second derivative and B* with their powers of ten; lower-case catalogue letters.
    std::string l1 = Put(Line1(e), 45, "-12345-5");
    l1 = Put(l1, 54, "-11606-4");
    l1 = Put(l1, 3, "a5544");
    TSatellite t;
    t.ParseElements(l1, Put(Line2(e), 3, "a5544"));
    EXPECT_EQ(t.catNr, "A5544");
    EXPECT_NEAR(t.secondDerivative, -0.12345e-5 * 2 * kPi / (1440.0 * 1440.0 * 1440.0), 1e-24);
    EXPECT_NEAR(t.bstar, -0.11606e-4, 1e-16);
}

struct EpochYearCase { const char* epoch; double jd; };
TEST(SatList, EpochYears) {
    const EpochYearCase cases[] = {{"56001.00000000", 2471997.5 + 1}, {"57001.00000000", 2435839.5},
                                   {"00001.00000000", 2451544.5}};
    for (const auto& c : cases) {
        Elements e;
        e.epoch = c.epoch;
        TSatellite s;
        s.ParseElements(Line1(e), Line2(e));
        EXPECT_NEAR(s.epoch, c.jd, 1e-9) << c.epoch;
    }
}

// Period from the model mean motion n'' decides the deep-space flag at 225 minutes.
TEST(SatList, DeepSpaceBoundary) {
    auto periodOf = [](double revPerDay, double ecc, double inclDeg) {
        const double n = revPerDay * 2 * kPi / 1440;
        const double ci = std::cos(inclDeg * kPi / 180);
        const double a1 = std::pow(XKE / n, 2.0 / 3.0);
        const double k = 0.00081196185 * (3 * ci * ci - 1) / std::pow(1 - ecc * ecc, 1.5);
        const double d1 = k / (a1 * a1);
        const double a0 = a1 * (1 - d1 * (1.0 / 3 + d1 * (1 + 134.0 / 81 * d1)));
        const double d0 = k / (a0 * a0);
        return 2 * kPi / (n / (1 + d0));
    };
    struct Case { double period; bool deep; };
    const Case cases[] = {{224.9, false}, {224.99, false}, {225.01, true}, {1436.0, true}, {100.0, false}};
    for (const auto& c : cases) {
        double lo = 0.5, hi = 20;  // rev/day; the period falls as the mean motion grows
        for (int i = 0; i < 100; ++i) {
            const double mid = 0.5 * (lo + hi);
            (periodOf(mid, 0.0006703, 51.64) > c.period ? lo : hi) = mid;
        }
        char mm[32];
        std::snprintf(mm, sizeof mm, "%11.8f", c.deep ? hi : lo);
        Elements e;
        e.mm = mm;
        TSatellite s;
        s.ParseElements(Line1(e), Line2(e));
        EXPECT_EQ(s.deepSpace, c.deep) << c.period;
    }
}

struct RejectCase { const char* what; Elements e; };
TEST(SatList, ImpossibleElementsAreRejected) {
    Elements zeroMotion;
    zeroMotion.mm = "00.00000000";
    Elements negativeMotion;
    negativeMotion.mm = "-1.00000000";
    for (const Elements& e : {zeroMotion, negativeMotion}) {
        TSatellite s;
        EXPECT_THROW(s.ParseElements(Line1(e), Line2(e)), EMathError);
    }
}

struct PrecedenceCase {
    const char* file1;
    const char* epoch1;
    const char* file2;
    const char* epoch2;
    const char* winner;
};
TEST(SatList, SameCatalogueNumberInTwoFiles) {
    const PrecedenceCase cases[] = {
        {"a.tle", "23001.00000000", "b.txt", "23002.00000000", "FROM B.TXT"},  // later epoch wins
        {"a.tle", "23003.00000000", "b.txt", "23002.00000000", "FROM A.TLE"},
        {"a.tle", "23002.00000000", "b.txt", "23002.00000000", "FROM A.TLE"},  // equal: first loaded stays
        {"z.2li", "23002.00000000", "a.tle", "23002.00000000", "FROM Z.2LI"},  // patterns in order
        {"b.txt", "23002.00000000", "a.txt", "23002.00000000", "FROM A.TXT"},  // sorted within a pattern
    };
    for (const auto& c : cases) {
        TempFolder dir;
        dir.Write(c.file1, Set(std::string("from ") + c.file1, Sat("11111", c.epoch1)));
        dir.Write(c.file2, Set(std::string("from ") + c.file2, Sat("11111", c.epoch2)));
        TSatelliteList list(dir.Path());
        ASSERT_EQ(list.Count(), 1) << c.file1;
        EXPECT_EQ(list.Name(0), c.winner);
        ExpectConsistent(list);
    }
}

TEST(SatList, OneEntryPerName) {
    TempFolder dir;
    dir.Write("x.txt", Set("LONGSATELLITENAME1", Sat("11111")) + Set("LONGSATELLITENAME2", Sat("22222")));
    TSatelliteList list(dir.Path());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Name(0), "LONGSATELLITENA");
    EXPECT_EQ(list.GetSat(0)->catNr, "22222");
    EXPECT_EQ(list.IndexOfCatNr("11111"), -1);
    EXPECT_EQ(list.IndexOfCatNr("22222"), 0);
    ExpectConsistent(list);
}

TEST(SatList, RecordAcceptance) {
    Elements a = Sat("25544");
    const std::string l1 = Line1(a), l2 = Line2(a);
    struct Case { const char* what; std::string text; int count; };
    const Case cases[] = {
        {"plain", "ISS\n" + l1 + "\n" + l2 + "\n", 1},
        {"CR line ends", "ISS\r" + l1 + "\r" + l2, 1},
        {"CR LF line ends, blank lines before", "\r\n\r\n  \r\nISS\r\n" + l1 + "\r\n" + l2 + "\r\n", 1},
        {"trailing blank on line 1", "ISS\n" + l1 + " \n" + l2 + "\n", 0},
        {"catalogue numbers differ", "ISS\n" + l1 + "\n" + Put(l2, 3, "25545") + "\n", 0},
        {"line 1 not starting with 1", "ISS\n" + Put(l1, 1, "3") + "\n" + l2 + "\n", 0},
        {"blank catalogue number", "ISS\n" + Put(l1, 3, "     ") + "\n" + Put(l2, 3, "     ") + "\n", 0},
        {"name line only", "ISS\n", 0},
        {"no line after line 1", "ISS\n" + l1, 0},
        {"extra lines between", "ISS\ncomment\n" + l1 + "\nshort\n" + l2 + "\n", 1},
        {"short last line stands as line 2", "ISS\n" + l1 + "\n" + l2.substr(0, 60), 1},
        {"short last line of another number", "ISS\n" + l1 + "\n" + Put(l2, 3, "25545").substr(0, 60), 0},
    };
    for (const auto& c : cases) {
        TempFolder dir;
        dir.Write("set.tle", c.text);
        TSatelliteList list(dir.Path());
        EXPECT_EQ(list.Count(), c.count) << c.what;
        ExpectConsistent(list);
    }
}

// Without name lines every record starts one line off: a line 1 is taken as a name, so
// most sets are passed over and the ones taken are named after an element line.
TEST(SatList, BareTwoLineFile) {
    std::string text;
    for (const char* cat : {"10001", "10002", "10003", "10004", "10005", "10006"})
        text += Line1(Sat(cat)) + "\n" + Line2(Sat(cat)) + "\n";
    TempFolder dir;
    dir.Write("bare.txt", text);
    TSatelliteList list(dir.Path());
    ASSERT_EQ(list.Count(), 2);
    EXPECT_GE(list.IndexOfCatNr("10003"), 0);
    EXPECT_GE(list.IndexOfCatNr("10006"), 0);
    EXPECT_EQ(list.Name(0).substr(0, 7), "2 10002");
    ExpectConsistent(list);
}

TEST(SatList, FolderScanning) {
    TempFolder dir;
    dir.Write("GEO.TXT", Set("GEO SAT", Sat("30001")));
    dir.Write("mixed.Tle", Set("MIXED", Sat("30002")));
    dir.Write("one.2LI", Set("TWOLI", Sat("30003")));
    dir.Write("other.dat", Set("OTHER", Sat("30004")));
    dir.Write("tlenotes.TXT", Set("NOTES SET", Sat("30005")) + "30001 137.5\n");
    TSatelliteList list(dir.Path());
    EXPECT_EQ(list.Count(), 3);
    EXPECT_GE(list.IndexOf("geo sat"), 0);
    EXPECT_GE(list.IndexOf("MIXED"), 0);
    EXPECT_GE(list.IndexOf("TwoLi"), 0);
    EXPECT_EQ(list.IndexOfCatNr("30005"), -1);
    // The notes file in any case is read as notes.
    EXPECT_DOUBLE_EQ(list.GetSat(list.IndexOfCatNr("30001"))->frequency, 137.5);
    EXPECT_EQ(list.GetSat(0)->sourceFile, "GEO.TXT");
    EXPECT_EQ(list.Folder(), dir.Path() + "/");
    ExpectConsistent(list);
    // A folder that does not exist gives an empty list.
    TSatelliteList missing(dir.Path() + "/nothing-here");
    EXPECT_EQ(missing.Count(), 0);
}

TEST(SatList, IndexOfCatNr) {
    TempFolder dir;
    dir.Write("a.txt", Set("ALPHA", Sat("A1234")) + Set("BETA", Sat(" 1234")));
    TSatelliteList list(dir.Path());
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.IndexOfCatNr("a1234"), list.IndexOf("ALPHA"));
    EXPECT_EQ(list.IndexOfCatNr(" 1234"), list.IndexOf("BETA"));
    EXPECT_EQ(list.IndexOfCatNr("1234"), -1);
    EXPECT_EQ(list.IndexOfCatNr("01234"), -1);
    EXPECT_EQ(list.IndexOfCatNr("A12345"), -1);
    EXPECT_EQ(list.GetSat(5), nullptr);
    EXPECT_EQ(list.Name(-1), "");
}

struct SettingsCase {
    const char* name;
    double scan;
    bool noaa;
    int type;
    double freq;
    int lpm;
};
TEST(SatList, SettingsByName) {
    const SettingsCase cases[] = {
        {"NOAA 15", 55.37, true, 1, 137.5, 120},   {"NOAA-18", 55.37, true, 1, 0, 120},
        {"NOAA 14", 55.37, true, 1, 137.62, 120},  {"noaa-l", 55.37, true, 1, 137.62, 120},  // NOAA 16
        {"NOAA 1", 45, false, 0, 0, 120},          {"METEOR 3-5", 36, false, 3, 137.3, 120},
        {"MET-3/5", 36, false, 0, 0, 120},         {"METEOR 2-21", 45, false, 4, 137.4, 120},
        {"OKEAN-O", 45, false, 5, 137.4, 240},     {"SICH-1M", 45, false, 0, 0, 240},
        {"ISS (ZARYA)", 68, false, 6, 0, 120},     {"RESURS-DK 1", 45, false, 2, 137.85, 120},
        {"GOES 16", 45, false, 0, 0, 120},
    };
    int cat = 40000;
    for (const auto& c : cases) {
        TempFolder dir;
        dir.Write("s.txt", Set(c.name, Sat(std::to_string(++cat))));
        TSatelliteList list(dir.Path());
        ASSERT_EQ(list.Count(), 1) << c.name;
        const TSatellite& s = *list.GetSat(0);
        EXPECT_DOUBLE_EQ(s.scanHalfAngle, c.scan) << c.name;
        EXPECT_EQ(s.noaa, c.noaa) << c.name;
        EXPECT_EQ(s.type, c.type) << c.name;
        EXPECT_DOUBLE_EQ(s.frequency, c.freq) << c.name;
        EXPECT_EQ(s.linesPerMinute, c.lpm) << c.name;
        EXPECT_DOUBLE_EQ(s.offset, 33.5);
        EXPECT_EQ(s.launchDate, 0.0);
        EXPECT_EQ(s.initNeeded, 0);  // propagated once at its epoch
    }
}

// At epoch, a satellite south of the equator counts the coming ascending node.
TEST(SatList, RevolutionNumberAtEpoch) {
    struct Case { const char* argp; const char* ma; double rev; };
    const Case cases[] = {{"000.0000", "045.0000", 12345}, {"000.0000", "225.0000", 12346},
                          {"090.0000", "045.0000", 12345}, {"180.0000", "090.0000", 12346}};
    for (const auto& c : cases) {
        Elements e = Sat("25544");
        e.argp = c.argp;
        e.ma = c.ma;
        TempFolder dir;
        dir.Write("s.txt", Set("SAT", e));
        TSatelliteList list(dir.Path());
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(list.GetSat(0)->revAtEpoch, c.rev) << c.argp << " " << c.ma;
    }
}

// A set the model cannot propagate is dropped and leaves an older set of its number in place.
TEST(SatList, FailingSetDoesNotDisplaceOlderSet) {
    Elements good = Sat("33333", "23001.00000000");
    Elements bad = Sat("33333", "23005.00000000");
    bad.mm = "17.90000000";  // perigee inside the Earth
    Elements zero = Sat("44444");
    zero.mm = "00.00000000";
    TempFolder dir;
    dir.Write("a.txt", Set("GOOD", good) + Set("BAD", bad) + Set("GOOD", zero));
    TSatelliteList list(dir.Path());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Name(0), "GOOD");
    EXPECT_EQ(list.GetSat(0)->catNr, "33333");
    EXPECT_NEAR(list.GetSat(0)->epoch, JulianDateOfEpoch(23001.0), 1e-9);
}

TEST(SatList, Notes) {
    TempFolder dir;
    dir.Write("a.txt", Set("ISS", Sat("25544")) + Set("OTHER", Sat("11111")) + Set("THIRD", Sat("22222")) +
                           Set("FOURTH", Sat("33333")));
    dir.Write("TLEnotes.txt",
              "; comment line\n"
              "25544 145.8 -3.5 LD=1998/11/20@06:40 test\n"
              "11111 137.1 the notes text ; trailing comment\n"
              "22222 401.5\n"
              "33333 abc +2 ld=2001/02/03\n"
              "99999 100.0 ignored\n"
              "x1111 1.0\n"
              "44444\n");
    TSatelliteList list(dir.Path());
    ASSERT_EQ(list.Count(), 4);
    const TSatellite& iss = *list.GetSat(list.IndexOfCatNr("25544"));
    EXPECT_DOUBLE_EQ(iss.frequency, 145.8);
    EXPECT_DOUBLE_EQ(iss.offset, -3.5);
    EXPECT_NEAR(iss.launchDate, 2451137.5 + 6.0 / 24 + 40.0 / 1440, 1e-9);  // 20 November 1998 6:40
    EXPECT_EQ(iss.notes, "test");
    const TSatellite& other = *list.GetSat(list.IndexOfCatNr("11111"));
    EXPECT_DOUBLE_EQ(other.frequency, 137.1);
    EXPECT_DOUBLE_EQ(other.offset, 33.5);
    EXPECT_EQ(other.notes, "the notes text");
    const TSatellite& third = *list.GetSat(list.IndexOfCatNr("22222"));
    EXPECT_DOUBLE_EQ(third.frequency, 401.5);
    EXPECT_EQ(third.notes, "");
    const TSatellite& fourth = *list.GetSat(list.IndexOfCatNr("33333"));
    EXPECT_DOUBLE_EQ(fourth.frequency, 0.0);  // not a number: unchanged
    EXPECT_DOUBLE_EQ(fourth.offset, 2.0);
    EXPECT_NEAR(fourth.launchDate, DateTimeToJulian(36925.0), 1e-9);  // 3 February 2001
    EXPECT_EQ(fourth.notes, "");
}

// Random and mutated element files never crash the reader and leave a consistent list.
TEST(SatList, FuzzedFiles) {
    std::mt19937 rng(12345);
    std::string valid;
    for (int i = 0; i < 20; ++i) {
        Elements e = Sat(std::to_string(50000 + i));
        e.mm = i % 5 == 0 ? " 1.00270000" : "14.20000000";
        valid += Set("SAT " + std::to_string(i % 7), e);
    }
    for (int round = 0; round < 60; ++round) {
        std::string text;
        switch (round % 4) {
        case 0: {  // random bytes
            text.resize(rng() % 4000);
            for (char& c : text) c = static_cast<char>(rng() % 256);
            break;
        }
        case 1: {  // mutated characters
            text = valid;
            for (int k = 0; k < 80; ++k) text[rng() % text.size()] = static_cast<char>(rng() % 256);
            break;
        }
        case 2: {  // digits, signs and points in the numeric fields
            text = valid;
            const char alphabet[] = "0123456789+-.eE ";
            for (int k = 0; k < 200; ++k) text[rng() % text.size()] = alphabet[rng() % (sizeof alphabet - 1)];
            break;
        }
        default: {  // truncated, duplicated and a huge line
            text = valid.substr(0, rng() % valid.size()) + std::string(100000, 'x') + "\n" + valid;
            break;
        }
        }
        TempFolder dir;
        dir.Write("fuzz.txt", text);
        dir.Write("TLEnotes.txt", text.substr(0, 3000));
        TSatelliteList list(dir.Path());
        ExpectConsistent(list);
    }
}

// An entry matching a pattern that cannot be opened as a file fails the whole list, and the
// failure names it.
TEST(SatList, AnEntryThatCannotBeOpenedFailsTheListNamingIt) {
    struct TCase {
        const char* entry;
        bool folder;
    } cases[] = {{"x.txt", true}, {"locked.tle", false}};
    for (const TCase& c : cases) {
        if (!c.folder && ::geteuid() == 0) continue;  // root reads a file of mode 000
        TempFolder dir;
        dir.Write("good.txt", Set("GOOD", Sat("30001")));
        const std::string path = dir.Path() + "/" + c.entry;
        if (c.folder) {
            fs::create_directory(path);
        } else {
            dir.Write(c.entry, Set("LOCKED", Sat("30002")));
            ::chmod(path.c_str(), 0);
        }
        try {
            TSatelliteList list(dir.Path());
            ADD_FAILURE() << c.entry << ": the list was built with " << list.Count() << " satellites";
        } catch (const std::exception& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
        ::chmod(path.c_str(), 0644);
    }
}

// Entries whose reading would never end or never start: a link into the proc file system (which
// states a size of 0 and goes on for gigabytes), a device, a pipe without a writer. Each fails the
// list with its reason after at most 64 MB, in a process that stays small.
TEST(SatList, EndlessOrWaitingEntriesStopAtTheCapInBoundedMemory) {
    struct TCase {
        const char* entry;
        const char* reason;
    } cases[] = {
        {"proc.txt", "is larger than 64 MB"},
        {"zero.tle", "Cannot open element file"},
        {"pipe.2li", "Cannot open element file"},
    };
    std::vector<TempFolder> dirs(std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        dirs[i].Write("good.txt", Set("GOOD", Sat("30001")));
        const std::string path = dirs[i].Path() + "/" + cases[i].entry;
        if (i == 0) fs::create_symlink("/proc/self/pagemap", path);
        if (i == 1) fs::create_symlink("/dev/zero", path);
        if (i == 2) {
            ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        }
    }
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(out[0]);
        std::string report;
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const std::string path = dirs[i].Path() + "/" + cases[i].entry;
            try {
                const TSatelliteList list(dirs[i].Path());
                report += std::string(cases[i].entry) + ": built\n";
            } catch (const std::exception& e) {
                const std::string what = e.what();
                if (what.find(path) == std::string::npos || what.find(cases[i].reason) == std::string::npos)
                    report += std::string(cases[i].entry) + ": " + what + "\n";
            }
        }
        rusage use{};
        ::getrusage(RUSAGE_SELF, &use);
        report += "peak " + std::to_string(use.ru_maxrss / 1024) + "\n";
        if (::write(out[1], report.data(), report.size()) < 0) ::_exit(3);
        ::_exit(0);
    }
    ::close(out[1]);
    std::string report;
    char buf[4096];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) report.append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << report;
    ASSERT_EQ(report.rfind("peak ", 0), 0u) << report;  // nothing before it: every case failed as it should
    std::fprintf(stderr, "%s", report.c_str());
    const long peakMb = std::stol(report.substr(5));
#if defined(__SANITIZE_ADDRESS__)
    const long limitMb = 400;  // the sanitizer's shadow and quarantine come on top
#else
    const long limitMb = 100;
#endif
    EXPECT_LT(peakMb, limitMb);
}

// Lines end in CR LF, LF or CR, also where a line end falls across the reader's buffers, and the
// last line may lack its end: every form gives the list that plain LF lines give.
TEST(SatList, EveryFormOfLineEndReadsTheSame) {
    std::string text;
    for (int k = 0; k < 400; ++k) text += Set("SAT " + std::to_string(k), Sat(std::to_string(40000 + k)));
    TempFolder plain;
    plain.Write("a.txt", text);
    const TSatelliteList expected(plain.Path());
    ASSERT_EQ(expected.Count(), 400);
    auto with = [&](const std::string& end, std::size_t pad) {
        std::string out(pad, '\n');
        for (char c : text) {
            if (c == '\n') out += end;
            else out += c;
        }
        return out;
    };
    std::string noFinalEnd = text;
    noFinalEnd.pop_back();
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"CR LF", with("\r\n", 0)},
        {"CR", with("\r", 0)},
        {"CR LF across the first buffer", with("\r\n", 65536 - 70)},
        {"CR LF split by the buffer", with("\r\n", 65535 - 5)},
        {"no final line end", noFinalEnd},
    };
    for (const auto& c : cases) {
        TempFolder dir;
        dir.Write("a.txt", c.bytes);
        const TSatelliteList list(dir.Path());
        ASSERT_EQ(list.Count(), expected.Count()) << c.what;
        for (int i = 0; i < list.Count(); ++i) {
            EXPECT_EQ(list.Name(i), expected.Name(i)) << c.what;
            EXPECT_EQ(list.GetSat(i)->catNr, expected.GetSat(i)->catNr) << c.what;
            EXPECT_EQ(list.GetSat(i)->meanAnomaly, expected.GetSat(i)->meanAnomaly) << c.what;
        }
    }
}

// 48 MB of line breaks are read, 200 MB of them stop the load at 64 MB with the reason; the
// process stays far below what a string per line would cost (some 50 bytes each).
TEST(SatList, AFolderOfLineBreaksLoadsInBoundedMemory) {
    TempFolder dir;
    const std::string mb(1 << 20, '\n');
    {
        std::ofstream big(dir.Path() + "/huge.txt", std::ios::binary);
        for (int i = 0; i < 200; ++i) big.write(mb.data(), static_cast<std::streamsize>(mb.size()));
        std::ofstream read(dir.Path() + "/breaks.tle", std::ios::binary);
        for (int i = 0; i < 48; ++i) read.write(mb.data(), static_cast<std::streamsize>(mb.size()));
        read << Set("LAST", Sat("30009"));
    }
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int code = 1;
        try {
            TSatelliteList list;
            list.LoadFromFile(dir.Path() + "/breaks.tle");
            bool stopped = false;
            try {
                list.LoadFromFile(dir.Path() + "/huge.txt");
            } catch (const std::runtime_error& e) {
                stopped = std::string(e.what()).find("huge.txt is larger than 64 MB") != std::string::npos;
            }
            rusage use{};
            ::getrusage(RUSAGE_SELF, &use);
            const long peakMb = use.ru_maxrss / 1024;
            std::fprintf(stderr, "peak %ld MB, %d satellites\n", peakMb, list.Count());
            code = list.Count() == 1 && stopped && peakMb < 300 ? 0 : 1;
        } catch (...) {
            code = 2;
        }
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
