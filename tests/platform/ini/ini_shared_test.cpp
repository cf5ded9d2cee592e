// A settings file shared by running programs, and files the program must not replace: each
// writer runs as a process of its own, as a second copy of the program would.
#include "fileio.h"
#include "inifile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "faultinject.h"

namespace {

namespace fs = std::filesystem;
using faultinject::ReadBytes;
using faultinject::WriteBytes;

class IniSharedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // In memory where there is such a folder: the writers sync every save, which a loaded disk
    // makes slow, and what is tested is the taking of turns, not the disk.
    const std::string root = fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path().string();
    std::string base = root + "/velmar-inishared-XXXXXX";
    ASSERT_NE(::mkdtemp(base.data()), nullptr);
    dir_ = base;
    ::chmod(dir_.c_str(), 0755);
    dataHome_ = dir_ + "/data-home";
    fs::create_directories(dataHome_);
    ::chmod(dataHome_.c_str(), 0777);
    setenv("XDG_DATA_HOME", dataHome_.c_str(), 1);
    folder_ = dir_ + "/settings";
    fs::create_directories(folder_);
  }
  void TearDown() override {
    ::chmod(folder_.c_str(), 0755);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  // Bytes this process has read from files so far.
  static long long BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string name;
    long long value = 0;
    while (io >> name >> value)
      if (name == "rchar:") return value;
    return -1;
  }
  int Copies() const {
    int n = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dataHome_ + "/velmar/backup", ec)) n += e.path().extension() == ".bak";
    return n;
  }
  std::string dir_, dataHome_, folder_;
};

// Runs the works at once, each in a child process of its own (as nobody when asked); true when
// every one succeeded.
bool RunTogether(const std::vector<std::function<bool()>>& works, bool dropRoot) {
  std::vector<pid_t> children;
  for (const auto& work : works) children.push_back(faultinject::StartChild(work, 0, dropRoot));
  bool ok = true;
  for (pid_t child : children) ok = faultinject::WaitChild(child) == faultinject::TChildResult::Succeeded && ok;
  return ok;
}

std::string Value(int writer, int key, int round) {
  return "w" + std::to_string(writer) + "-r" + std::to_string(round) + std::string(static_cast<size_t>(key % 9), 'x');
}

// Two copies of the program each write 200 keys of their own into one file at the same time:
// every key is there afterwards and every line of the file is whole. The copies may have been
// started from different places: one from the desktop (with a runtime folder), one from a
// terminal or a job (without one, and with another home and data folder).
struct TWritersCase {
  const char* name;
  bool readOnly;
  bool ownEnvironments;
  int rounds;
};

class TwoWriters : public IniSharedTest, public ::testing::WithParamInterface<TWritersCase> {
 protected:
  // Gives writer `w` an environment of its own (in its child process).
  void Environment(int w) const {
    const std::string home = dir_ + "/home" + std::to_string(w);
    fs::create_directories(home + "/data");
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
    if (w == 0) {
      fs::create_directories(home + "/run");
      ::chmod((home + "/run").c_str(), 0700);
      ::setenv("XDG_RUNTIME_DIR", (home + "/run").c_str(), 1);
    } else {
      ::unsetenv("XDG_RUNTIME_DIR");
    }
  }
};

TEST_P(TwoWriters, LoseNoKeyAndDamageNoLine) {
  const bool readOnly = GetParam().readOnly;
  const std::string file = folder_ + "/Velmar.ini";
  constexpr int kKeys = 200;
  const auto section = [](int w, int k) { return k % 2 ? "Misc" : "Writer" + std::to_string(w); };
  const auto key = [](int w, int k) { return "W" + std::to_string(w) + "K" + std::to_string(k); };
  for (int round = 0; round < GetParam().rounds && !HasFailure(); ++round) {
    WriteBytes(file, "; shared\r\n[Misc]\r\nSaveSettings=0\r\n");
    ::chmod(file.c_str(), 0666);
    ::chmod(folder_.c_str(), readOnly ? 0555 : 0755);
    std::vector<std::function<bool()>> writers;
    for (int w = 0; w < 2; ++w)
      writers.push_back([&, w] {
        if (GetParam().ownEnvironments) Environment(w);
        TIniFile ini(file);
        for (int k = 0; k < kKeys; ++k) ini.WriteString(section(w, k), key(w, k), Value(w, k, round));
        return true;
      });
    EXPECT_TRUE(RunTogether(writers, readOnly)) << "round " << round;
    ::chmod(folder_.c_str(), 0755);

    const TIniFile ini(file);
    int lost = 0;
    for (int w = 0; w < 2; ++w)
      for (int k = 0; k < kKeys; ++k) lost += ini.ReadString(section(w, k), key(w, k), "<lost>") != Value(w, k, round);
    EXPECT_EQ(lost, 0) << "round " << round;
    // Whole lines only: the comment, 3 headers, a blank before each new one, SaveSettings, the keys.
    const std::string text = ReadBytes(file);
    EXPECT_EQ(text.find('\0'), std::string::npos) << "round " << round;
    size_t lines = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, 2u * kKeys + 7) << "round " << round;
    EXPECT_TRUE(text.ends_with("\r\n"));
    EXPECT_EQ(Copies(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Folder, TwoWriters,
                         ::testing::Values(TWritersCase{"WritableFolder", false, false, 20},
                                           TWritersCase{"ReadOnlyFolder", true, false, 20},
                                           TWritersCase{"StartedFromDesktopAndTerminal", false, true, 5}),
                         [](const auto& info) { return info.param.name; });

// Whole-file saves (the satellite information, a saved list) by two programs in a folder that
// takes no temporary file: the file read under its lock is always one of the saved texts.
TEST_F(IniSharedTest, WholeFileSavesInAReadOnlyFolderTakeTurns) {
  const std::string file = folder_ + "/sats.csv";
  const std::string texts[] = {std::string(300000, 'a') + "\r\n", std::string(1000, 'b') + "\r\n"};
  WriteBytes(file, "old\r\n");
  ::chmod(file.c_str(), 0666);
  ::chmod(folder_.c_str(), 0555);
  std::vector<std::function<bool()>> writers;
  for (int w = 0; w < 2; ++w)
    writers.push_back([&, w] {
      for (int i = 0; i < 60; ++i) {
        if (!fileio::ReplaceFile(file, texts[w])) return false;
        const fileio::TFileLock lock(file);  // as the settings are read
        const std::string now = ReadBytes(file);
        if (now != texts[0] && now != texts[1]) return false;
      }
      return true;
    });
  EXPECT_TRUE(RunTogether(writers, true));
  EXPECT_EQ(Copies(), 0);
}

// A program holding the file's lock for good: a write gives up within the bound, naming the
// lock file, and the file is left as it was.
TEST_F(IniSharedTest, AHeldLockEndsTheWaitWithAnErrorNamingTheLock) {
  const std::string file = folder_ + "/Velmar.ini";
  WriteBytes(file, "[Misc]\r\nA=1\r\n");
  int held[2], done[2];
  ASSERT_EQ(::pipe(held), 0);
  ASSERT_EQ(::pipe(done), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(held[0]);
    ::close(done[1]);
    fileio::TFileLock lock(file);
    (void)!::write(held[1], lock.Held() ? "y" : "n", 1);
    char c;
    (void)!::read(done[0], &c, 1);  // until the parent closes its end
    ::_exit(0);
  }
  ::close(held[1]);
  ::close(done[0]);
  char c = 0;
  ASSERT_EQ(::read(held[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  TIniFile ini(file);
  std::string message;
  try {
    ini.WriteString("Misc", "B", "2");
  } catch (const EIniFileException& e) {
    message = e.what();
  }
  ::close(done[1]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(held[0]);
  EXPECT_NE(message.find("Unable to write to " + file), std::string::npos) << message;
  EXPECT_NE(message.find("velmar-locks"), std::string::npos) << message;
  EXPECT_EQ(ReadBytes(file), "[Misc]\r\nA=1\r\n");
  // Once the other program has let go, the write goes through.
  ini.WriteString("Misc", "B", "2");
  EXPECT_EQ(ini.ReadString("Misc", "B", ""), "2");
}

// A settings file that is there but cannot be read (write-only for its owner) keeps its
// settings: reads give the defaults and say why, a write is refused.
TEST_F(IniSharedTest, AnUnreadableFileIsNeverReplaced) {
  const std::string file = folder_ + "/Velmar.ini";
  const std::string old = "[Observer]\r\nObsLat=48.1\r\nHomeCity=Munich\r\n";
  WriteBytes(file, old);
  ASSERT_EQ(::chown(file.c_str(), faultinject::kNobody, faultinject::kNobody), 0);
  ::chmod(file.c_str(), 0200);
  const auto r = faultinject::RunInChild(
      [&] {
        TIniFile ini(file);
        if (ini.ReadString("Observer", "HomeCity", "Utrecht") != "Utrecht") return false;
        if (ini.ReadProblem() != "permission denied") return false;
        try {
          ini.WriteString("Misc", "SaveSettings", "0");
        } catch (const EIniFileException& e) {
          return std::string(e.what()).find("cannot be read (permission denied)") != std::string::npos;
        }
        return false;
      },
      0, true);
  EXPECT_EQ(r, faultinject::TChildResult::Succeeded);
  EXPECT_EQ(ReadBytes(file), old);
}

// A settings file reached through a link is written at the link's target; the link stays.
TEST_F(IniSharedTest, ALinkedFileIsWrittenAtItsTargetAndStaysALink) {
  fs::create_directories(dir_ + "/real/deeper");
  struct TCase {
    const char* link;
    std::string target;  // as the link holds it
    std::string real;    // the file written
  } cases[] = {
      {"relative.ini", "../real/a.ini", dir_ + "/real/a.ini"},
      {"absolute.ini", dir_ + "/real/b.ini", dir_ + "/real/b.ini"},
      {"chain.ini", "relative.ini", dir_ + "/real/a.ini"},
      {"dangling.ini", "../real/deeper/new.ini", dir_ + "/real/deeper/new.ini"},
  };
  WriteBytes(dir_ + "/real/a.ini", "[Misc]\r\nKeep=1\r\n");
  WriteBytes(dir_ + "/real/b.ini", "[Misc]\r\nKeep=1\r\n");
  for (const TCase& c : cases) fs::create_symlink(c.target, folder_ + "/" + c.link);
  for (const TCase& c : cases) {
    TIniFile ini(folder_ + "/" + c.link);
    ini.WriteString("Misc", std::string("Via_") + c.link, "1");
    EXPECT_TRUE(fs::is_symlink(folder_ + "/" + c.link)) << c.link;
    EXPECT_EQ(fs::read_symlink(folder_ + "/" + c.link).string(), c.target) << c.link;
    const TIniFile real(c.real);
    EXPECT_EQ(real.ReadString("Misc", std::string("Via_") + c.link, ""), "1") << c.link;
  }
  EXPECT_EQ(TIniFile(dir_ + "/real/a.ini").ReadString("Misc", "Keep", ""), "1");
  // A link into a folder that is not there: the write fails and says why.
  fs::create_symlink("../real/missing/new.ini", folder_ + "/dangling2.ini");
  std::string message;
  try {
    TIniFile(folder_ + "/dangling2.ini").WriteString("Misc", "A", "1");
  } catch (const EIniFileException& e) {
    message = e.what();
  }
  EXPECT_EQ(message, "Unable to write to " + folder_ + "/dangling2.ini: no such file or directory");
}

// A file is read once however many keys are read, and only up to the limit.
TEST_F(IniSharedTest, TheFileIsReadOnceAndOnlyUpToTheLimit) {
  const std::string file = folder_ + "/Velmar.ini";
  std::string lines;
  for (int i = 0; i < 1 << 21; ++i) lines += "\r\n";  // 4 MB of empty lines
  const auto aged = [&] { fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1)); };
  WriteBytes(file, lines + "[Misc]\r\nStarMag=-5\r\n");
  aged();  // a file written just now is read again at each key until it has been still a while
  long long before = BytesRead();
  {
    const TIniFile ini(file);
    for (int k = 0; k < 60; ++k) EXPECT_EQ(ini.ReadInteger("Misc", "StarMag", -20), -5);
    EXPECT_EQ(ini.ReadProblem(), "");
  }
  EXPECT_LT(BytesRead() - before, 2LL * static_cast<long long>(lines.size()));

  WriteBytes(file, "[Misc]\r\nStarMag=-5\r\n" + std::string(TIniFile::kMaxBytes, ';'));
  aged();
  before = BytesRead();
  TIniFile big(file);
  for (int k = 0; k < 20; ++k) EXPECT_EQ(big.ReadInteger("Misc", "StarMag", -20), -20);
  EXPECT_EQ(big.ReadProblem(), "larger than 8 MB");
  EXPECT_LT(BytesRead() - before, 2LL * static_cast<long long>(TIniFile::kMaxBytes));
  EXPECT_THROW(big.WriteString("Misc", "StarMag", "1"), EIniFileException);
  EXPECT_EQ(fs::file_size(file), TIniFile::kMaxBytes + 20);
}

}  // namespace
