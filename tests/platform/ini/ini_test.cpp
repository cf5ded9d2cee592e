#include "inifile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "faultinject.h"

namespace {

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string base = std::filesystem::temp_directory_path().string() + "/velmar-ini-XXXXXX";
    ASSERT_NE(mkdtemp(base.data()), nullptr);
    dir_ = base;
    file_ = dir_ + "/test.ini";
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  void Put(const std::string& bytes) {
    std::ofstream out(file_, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  std::string Get() const {
    std::ifstream in(file_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string dir_, file_;
};

TEST_F(IniTest, ReadingFindsTheFirstMatchWithoutRegardToCase) {
  Put("Loose=1\r\n"
      "; comment=ignored\r\n"
      "[ Files ] trailing\r\n"
      "  Path = /a b/c  \r\n"
      "path=second\r\n"
      "Empty=\r\n"
      "Quoted=\" padded \"\r\n"
      "Single='x'\r\n"
      "Half=\"x\r\n"
      "NoEquals\r\n"
      "[files]\r\n"
      "Other=2\r\n");
  TIniFile ini(file_);
  const struct {
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"Files", "Path", "/a b/c"},     {"FILES", "PATH", "/a b/c"},  {"files", "Empty", ""},
      {"Files", "Quoted", " padded "}, {"Files", "Single", "x"},     {"Files", "Half", "\"x"},
      {"Files", "Other", "DEF"},       {"Files", "NoEquals", "DEF"}, {"Files", "Missing", "DEF"},
      {"None", "Path", "DEF"},         {"Files", "; comment", "DEF"}, {"", "Loose", "DEF"},
  };
  for (const auto& c : cases) EXPECT_EQ(ini.ReadString(c.section, c.key, "DEF"), c.expected) << c.key;
  EXPECT_TRUE(ini.SectionExists("FILES"));
  EXPECT_FALSE(ini.SectionExists("Observer"));
  EXPECT_TRUE(ini.ValueExists("Files", "empty"));
  EXPECT_FALSE(ini.ValueExists("Files", "Missing"));
}

TEST_F(IniTest, MissingFileGivesDefaults) {
  TIniFile ini(dir_ + "/none.ini");
  EXPECT_EQ(ini.ReadString("A", "B", "d"), "d");
  EXPECT_EQ(ini.ReadInteger("A", "B", -20), -20);
  EXPECT_EQ(ini.ReadFloat("A", "B", 1e-6), 1e-6);
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/none.ini"));
}

TEST_F(IniTest, FolderInPlaceOfTheFileGivesDefaults) {
  std::filesystem::create_directory(dir_ + "/folder.ini");
  TIniFile ini(dir_ + "/folder.ini");
  EXPECT_EQ(ini.ReadString("A", "B", "d"), "d");
  EXPECT_FALSE(ini.SectionExists("A"));
  EXPECT_THROW(ini.WriteString("A", "B", "v"), EIniFileException);
}

TEST_F(IniTest, TypedReads) {
  Put("[S]\nI1=42\nI2=abc\nI3=$FF\nI4=0x10\nI5=\nI6=4294967296\nI7=-2147483640\n"
      "B1=2\nB2=0\nB3=yes\nB4=-1\n"
      "F1=52.083\nF2=1E-6\nF3=1,5\nF4=\nF5=nan\nF6=-4.5e+2\n");
  TIniFile ini(file_);
  const std::pair<const char*, std::int32_t> ints[] = {
      {"I1", 42}, {"I2", 7}, {"I3", 255}, {"I4", 16}, {"I5", 7}, {"I6", 7}, {"I7", -2147483640}};
  for (const auto& [k, v] : ints) EXPECT_EQ(ini.ReadInteger("S", k, 7), v) << k;
  const std::pair<const char*, bool> bools[] = {{"B1", true}, {"B2", false}, {"B3", false}, {"B4", true}};
  for (const auto& [k, v] : bools) EXPECT_EQ(ini.ReadBool("S", k, false), v) << k;
  EXPECT_TRUE(ini.ReadBool("S", "B3", true));  // not an integer: the default
  const std::pair<const char*, double> floats[] = {
      {"F1", 52.083}, {"F2", 1e-6}, {"F3", 9.5}, {"F4", 9.5}, {"F5", 9.5}, {"F6", -450}};
  const std::pair<const char*, double> texts[] = {
      {"1e-400", 0}, {"0.000000000000000000000000000000000000000000000000000000000000000000000000000000000"
                      "00000000000000000000000000000000000000000000000000000000000000000000000000000000000"
                      "00000000000000000000000000000000000000000000000000000000000000000000000000000000000"
                      "00000000000000000000000000000000000000000000000000000000000000000000000000000000001", 0},
      {"0.001e-400", 0}, {"1e400", 9.5}, {"100e307", 9.5}, {"-1e-999999999999", 0}};
  for (const auto& [t, v] : texts) {
    double r = 9.5;
    ini::ParseFloat(t, r);
    EXPECT_EQ(r, v) << t;
  }
  for (const auto& [k, v] : floats) EXPECT_EQ(ini.ReadFloat("S", k, 9.5), v) << k;
}

TEST_F(IniTest, NewFileAndNewSections) {
  TIniFile ini(file_);
  ini.WriteBool("Misc", "SaveSettings", false);
  EXPECT_EQ(Get(), "[Misc]\r\nSaveSettings=0\r\n");
  ini.WriteString("Files", "Path", "/x");
  ini.WriteInteger("Misc", "StarMag", -20);
  EXPECT_EQ(Get(), "[Misc]\r\nSaveSettings=0\r\nStarMag=-20\r\n\r\n[Files]\r\nPath=/x\r\n");
}

TEST_F(IniTest, WritesReplaceInPlaceAndKeepEverythingElse) {
  Put("; top comment\n"
      "[Files]\n"
      "Path=old\n"
      "Unknown=keep me\n"
      "; section comment\n"
      "\n"
      "[Misc]\n"
      "a=1\n");
  TIniFile ini(file_);
  ini.WriteString("FILES", "PATH", "new");
  ini.WriteString("files", "Added", "v");
  ini.WriteString("Misc", "b", "2");
  EXPECT_EQ(Get(),
            "; top comment\r\n"
            "[Files]\r\n"
            "PATH=new\r\n"
            "Unknown=keep me\r\n"
            "Added=v\r\n"
            "; section comment\r\n"
            "\r\n"
            "[Misc]\r\n"
            "a=1\r\n"
            "b=2\r\n");
  EXPECT_EQ(ini.ReadString("Files", "Path", ""), "new");
}

TEST_F(IniTest, OnlyTheFirstOfTwoEqualKeysIsReplaced) {
  Put("[S]\r\nK=1\r\nk=2\r\n");
  TIniFile ini(file_);
  ini.WriteString("S", "K", "3");
  EXPECT_EQ(Get(), "[S]\r\nK=3\r\nk=2\r\n");
}

TEST_F(IniTest, ValuesCannotAddLines) {
  TIniFile ini(file_);
  ini.WriteString("S", "K", "a\r\n[Evil]\nX=1");
  EXPECT_FALSE(ini.SectionExists("Evil"));
  EXPECT_EQ(ini.ReadString("S", "K", ""), "a  [Evil] X=1");
}

TEST_F(IniTest, FailedWriteThrowsWithTheFileName) {
  TIniFile ini(dir_ + "/missing/folder/x.ini");
  try {
    ini.WriteString("S", "K", "v");
    FAIL() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir_ + "/missing/folder/x.ini: no such file or directory");
  }
  TIniFile bad(file_);
  EXPECT_THROW(bad.WriteString("", "K", "v"), EIniFileException);
}

TEST_F(IniTest, WriteKeepsThePermissionsAndLeavesNoTemporaryFile) {
  Put("[S]\r\nK=1\r\n");
  ASSERT_EQ(::chmod(file_.c_str(), 0640), 0);
  TIniFile ini(file_);
  ini.WriteString("S", "K", "2");
  struct stat st {};
  ASSERT_EQ(::stat(file_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir_)) (void)e, ++files;
  EXPECT_EQ(files, 1);
}

// The settings as a real file holds them: one section of many keys, about 3 KB.
std::string SettingValue(int key, bool fresh) {
  return (fresh ? "new-value-" : "old-") + std::string(static_cast<size_t>(key % 7) * (fresh ? 5 : 3), fresh ? 'n' : 'o');
}

std::string SettingsText(bool fresh) {
  std::string text = "; settings\r\n[Misc]\r\n";
  for (int k = 0; k < 120; ++k) text += "Key" + std::to_string(k) + "=" + SettingValue(k, fresh) + "\r\n";
  return text;
}

TEST_F(IniTest, AFullDiskLeavesTheOldFileAndReportsTheFailure) {
  const std::string readOnly = dir_ + "/ro";
  std::filesystem::create_directories(readOnly);
  ::chmod(dir_.c_str(), 0755);
  const std::string dataHome = dir_ + "/data-home";
  std::filesystem::create_directories(dataHome);
  ::chmod(dataHome.c_str(), 0777);
  setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
  struct TCase {
    std::string file;
    bool folderReadOnly;
  } cases[] = {{file_, false}, {readOnly + "/Velmar.ini", true}};
  for (const TCase& c : cases) {
    const std::string old = SettingsText(false);
    faultinject::WriteBytes(c.file, old);
    ::chmod(c.file.c_str(), 0666);
    ::chmod(readOnly.c_str(), c.folderReadOnly ? 0555 : 0755);
    const auto r = faultinject::RunInChild(
        [&] {
          TIniFile ini(c.file);
          try {
            ini.WriteString("Misc", "Key5", std::string(2000, 'v'));
          } catch (const EIniFileException& e) {
            return std::string(e.what()).rfind("Unable to write to " + c.file + ": ", 0) != 0;
          }
          return true;
        },
        old.size() + 1000, c.folderReadOnly);
    EXPECT_EQ(r, faultinject::TChildResult::Failed) << c.file;
    EXPECT_EQ(faultinject::ReadBytes(c.file), old) << c.file;
    ::chmod(readOnly.c_str(), 0755);
  }
}

// A writer in a child stops itself at its n-th file write or sync (a write three quarters done,
// as a disk may hold it when the power goes), tells the parent over a pipe and waits there to be
// killed; the kill so falls where the child is, however slowly it runs. The test binary is
// linked with pwrite and fsync wrapped (see CMakeLists.txt); outside a stopping child they pass
// straight through.
int gStopCountdown = 0;  // 0: no stop (the parent, the other tests)
int gStopReport = -1;

[[noreturn]] void StopHere(char what) {
  (void)!::write(gStopReport, &what, 1);
  for (;;) ::pause();
}

bool StopIsDue() { return gStopCountdown > 0 && --gStopCountdown == 0; }

}  // namespace

extern "C" ssize_t __real_pwrite(int fd, const void* buf, size_t n, off_t offset);
extern "C" int __real_fsync(int fd);

extern "C" ssize_t __wrap_pwrite(int fd, const void* buf, size_t n, off_t offset) {
  if (StopIsDue()) {
    (void)__real_pwrite(fd, buf, n / 4 * 3, offset);
    StopHere('w');
  }
  return __real_pwrite(fd, buf, n, offset);
}

extern "C" int __wrap_fsync(int fd) {
  if (StopIsDue()) StopHere('s');
  return __real_fsync(fd);
}

namespace {

// A save in a folder that takes no temporary file, killed at every step of it (the backup copy
// written, synced and in place, the file partly and wholly overwritten), at keys all over the file:
// at the next start every setting reads back as its old or its new value, none is lost.
TEST_F(IniTest, KilledSavesInAReadOnlyFolderNeverLoseSettings) {
  const std::string folder = dir_ + "/ro";
  const std::string file = folder + "/Velmar.ini";
  const std::string dataHome = dir_ + "/data-home";
  std::filesystem::create_directories(folder);
  std::filesystem::create_directories(dataHome);
  ::chmod(dir_.c_str(), 0755);
  ::chmod(dataHome.c_str(), 0777);
  setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
  faultinject::WriteBytes(file, SettingsText(false));
  ::chmod(file.c_str(), 0666);
  ::chmod(folder.c_str(), 0555);
  const auto settingsIn = [](const std::string& path) {  // how many keys read back old or new
    const TIniFile ini(path);
    int good = 0;
    for (int k = 0; k < 120; ++k) {
      const std::string v = ini.ReadString("Misc", "Key" + std::to_string(k), "<lost>");
      good += v == SettingValue(k, false) || v == SettingValue(k, true);
    }
    return good;
  };

  std::mt19937 rng(2024);
  std::uniform_int_distribution<int> step(1, 25);  // five saves of five writes and syncs
  constexpr int kRounds = 100;
  int cut = 0, torn = 0;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    int report[2];
    ASSERT_EQ(::pipe2(report, O_CLOEXEC), 0);
    const int stopAt = step(rng);
    const int firstKey = (round * 37) % 120;
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(report[0]);
      faultinject::DropRootInChild();
      TIniFile ini(file);
      gStopReport = report[1];
      gStopCountdown = stopAt;
      for (int i = firstKey;; ++i) {
        const int k = i % 120;
        const std::string key = "Key" + std::to_string(k);
        try {  // every save changes the file: the other value
          ini.WriteString("Misc", key, SettingValue(k, ini.ReadString("Misc", key, "") != SettingValue(k, true)));
        } catch (...) {
          ::_exit(7);
        }
      }
    }
    ::close(report[1]);
    pollfd p{report[0], POLLIN, 0};
    char what = 0;
    const bool stopped = ::poll(&p, 1, 60000) == 1 && ::read(report[0], &what, 1) == 1;
    ::close(report[0]);
    bool backup = false;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dataHome + "/velmar/backup", ec))
      backup = backup || e.path().extension() == ".bak";
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(stopped) << "the writer did not reach write or sync " << stopAt;
    ASSERT_TRUE(WIFSIGNALED(status));
    cut += backup;
    // The file as the kill left it, read where no backup copy belongs to it.
    faultinject::WriteBytes(dir_ + "/as-left.ini", faultinject::ReadBytes(file));
    torn += settingsIn(dir_ + "/as-left.ini") < 120;
    ASSERT_EQ(settingsIn(file), 120) << "stopped at " << what << stopAt;  // the next start
  }
  ::chmod(folder.c_str(), 0755);
  // Three of a save's five writes and syncs come after its backup copy is in place; a partial
  // write of the file itself leaves it damaged when the change lies in the part written.
  EXPECT_GT(cut, kRounds / 3) << "kills inside a save";
  EXPECT_GT(torn, kRounds / 20) << "kills that left a damaged file";
}

TEST_F(IniTest, FloatsReadBackExactly) {
  TIniFile ini(file_);
  std::mt19937_64 rng(12345);
  std::uniform_real_distribution<double> angle(-180, 180);
  std::vector<double> values = {52.083, 1e-6, -89.999999, 0.1 + 0.2, 6378.137, 1e300, -4.9406564584124654e-324};
  for (int i = 0; i < 40; ++i) values.push_back(angle(rng));
  for (std::size_t i = 0; i < values.size(); ++i) ini.WriteFloat("F", "K" + std::to_string(i), values[i]);
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(ini.ReadFloat("F", "K" + std::to_string(i), 99), values[i]) << i;
  ini.WriteFloat("F", "H", 1e-6);
  EXPECT_EQ(ini.ReadString("F", "H", ""), "1E-6");
}

TEST(IniNumbers, GeneralForm) {
  const std::pair<double, const char*> cases[] = {
      {52.083, "52.083"}, {1e-6, "1E-6"}, {100, "100"}, {0.00001, "0.00001"}, {-2.5e20, "-2.5E20"}, {0, "0"},
  };
  for (const auto& [v, s] : cases) EXPECT_EQ(ini::FormatGeneral(v, 0), s);
  EXPECT_EQ(ini::FormatGeneral(0.1 + 0.2, 15), "0.3");
  EXPECT_EQ(ini::FormatGeneral(0.1 + 0.2, 0), "0.30000000000000004");
  EXPECT_EQ(ini::FormatGeneral(std::nan(""), 0), "NAN");
}

TEST(IniNumbers, Lines) {
  EXPECT_EQ(ini::SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(ini::SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_TRUE(ini::SplitLines("").empty());
}

}  // namespace
