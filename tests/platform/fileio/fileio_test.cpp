// The safe replacement of a user's file: a failure at any step leaves the old file as it was.
#include "fileio.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>

#include "faultinject.h"

namespace {

using faultinject::ReadBytes;
using faultinject::RunInChild;
using faultinject::TChildResult;
using faultinject::WriteBytes;

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string base = std::filesystem::temp_directory_path().string() + "/velmar-fileio-XXXXXX";
    ASSERT_NE(::mkdtemp(base.data()), nullptr);
    dir_ = base;
    ::chmod(dir_.c_str(), 0755);
    dataHome_ = dir_ + "/data-home";
    setenv("XDG_DATA_HOME", dataHome_.c_str(), 1);
  }
  void TearDown() override {
    ::chmod(Folder().c_str(), 0755);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  // A folder with one file in it that everybody may write, the folder itself read-only.
  std::string ReadOnlyFolderWith(const std::string& bytes) {
    std::filesystem::create_directories(Folder());
    WriteBytes(File(), bytes);
    ::chmod(File().c_str(), 0666);
    std::filesystem::create_directories(dataHome_);
    ::chmod(dataHome_.c_str(), 0777);
    ::chmod(Folder().c_str(), 0555);
    return File();
  }
  std::string Folder() const { return dir_ + "/settings"; }
  std::string File() const { return Folder() + "/Velmar.ini"; }
  std::vector<std::string> Entries(const std::string& folder) const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
    return names;
  }
  std::string dir_, dataHome_;
};

TEST_F(FileIoTest, RefusedTargetsGiveAReason) {
  std::filesystem::create_directories(dir_ + "/folder");
  struct TCase {
    std::string path;
    std::string reason;
  } cases[] = {
      {dir_ + "/folder", "not a regular file"},
      {dir_ + "/missing/x.txt", "no such file or directory"},
      {dir_ + "/", "not a file name"},
  };
  for (const TCase& c : cases) {
    std::string why;
    EXPECT_FALSE(fileio::ReplaceFile(c.path, "x", &why)) << c.path;
    EXPECT_EQ(why, c.reason) << c.path;
  }
}

TEST_F(FileIoTest, AReadOnlyFolderIsWrittenInPlaceAndLeavesNoCopy) {
  const std::string path = ReadOnlyFolderWith("old contents that are long\r\n");
  for (const std::string& next : {std::string("short"), std::string(5000, 'g'), std::string("x")}) {
    const TChildResult r = RunInChild([&] { return fileio::ReplaceFile(path, next); }, 0, true);
    EXPECT_EQ(r, TChildResult::Succeeded);
    EXPECT_EQ(ReadBytes(path), next);
    EXPECT_TRUE(Entries(fileio::BackupFolder()).empty());
  }
}

TEST_F(FileIoTest, ACutSaveInPlaceIsUndoneAtTheNextStart) {
  const std::string old = "[Misc]\r\nKey=old value\r\n";
  const std::string path = ReadOnlyFolderWith(old);
  // A writer killed in the middle of the file leaves the copy of the old text and a cut file.
  const std::string copyText = std::string("velmar-backup\n") + path + "\n" + old;
  std::filesystem::create_directories(fileio::BackupFolder());
  WriteBytes(fileio::BackupFolder() + "/0000000000000000.bak", copyText);
  WriteBytes(path, "[Misc]\r\nKe");
  EXPECT_EQ(fileio::RecoverInterruptedSaves(), 1);
  EXPECT_EQ(ReadBytes(path), old);
  EXPECT_TRUE(Entries(fileio::BackupFolder()).empty());
}

// The folder for lock files taken by another user, and no HOME: saves still go through and still
// take turns, through a lock file beside the file, which a held lock names.
TEST_F(FileIoTest, ALockFolderTakenByAnotherUserStillLetsSavesTakeTurns) {
  if (::geteuid() != 0) GTEST_SKIP() << "acting as two users needs root";
  constexpr uid_t kUser = 65533;  // a user no other test acts as
  const std::string taken = "/tmp/velmar-locks-" + std::to_string(kUser);
  ::mkdir(taken.c_str(), 0755);
  struct stat st {};
  if (::lstat(taken.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) GTEST_SKIP() << taken << " is not a folder";
  ASSERT_EQ(::chown(taken.c_str(), 0, 0), 0);
  std::filesystem::create_directories(Folder());
  ::chmod(Folder().c_str(), 0777);
  const auto asUser = [] {
    ::unsetenv("HOME");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_RUNTIME_DIR");
    return ::setgid(kUser) == 0 && ::setuid(kUser) == 0;
  };
  const auto save = [&](const std::string& text, std::string& why) {
    return RunInChild([&] { return asUser() && fileio::ReplaceFile(File(), text, &why); });
  };
  std::string why;
  ASSERT_EQ(save("first", why), TChildResult::Succeeded);
  EXPECT_EQ(ReadBytes(File()), "first");

  int held[2], done[2];
  ASSERT_EQ(::pipe(held), 0);
  ASSERT_EQ(::pipe(done), 0);
  const pid_t holder = faultinject::StartChild([&] {
    ::close(done[1]);
    if (!asUser()) return false;
    const fileio::TFileLock lock(File());
    (void)!::write(held[1], lock.Held() ? "y" : "n", 1);
    char c;
    (void)!::read(done[0], &c, 1);  // until the parent closes its end
    return true;
  });
  ::close(held[1]);
  ::close(done[0]);
  char c = 0;
  EXPECT_EQ(::read(held[0], &c, 1), 1);
  EXPECT_EQ(c, 'y');
  const TChildResult r = RunInChild([&] {
    std::string reason;
    return asUser() && !fileio::ReplaceFile(File(), "second", &reason) &&
           reason.find(Folder() + "/.Velmar.ini.velmar-lock") != std::string::npos;
  });
  ::close(done[1]);
  ::close(held[0]);
  EXPECT_EQ(r, TChildResult::Succeeded);
  EXPECT_EQ(faultinject::WaitChild(holder), TChildResult::Succeeded);
  EXPECT_EQ(save("third", why), TChildResult::Succeeded);
  EXPECT_EQ(ReadBytes(File()), "third");
  EXPECT_FALSE(std::filesystem::exists(Folder() + "/.Velmar.ini.velmar-lock"));
}

TEST_F(FileIoTest, StaleTemporariesOfOurOwnNamingAreRemoved) {
  struct TCase {
    const char* name;
    double ageSeconds;
    bool removed;
  } cases[] = {
      {".Velmar.ini.velmar-tmp-Ab12Cd", 2 * 86400.0, true},
      {".sats.csv.velmar-tmp-XXXXXX", 1.5 * 86400.0, true},
      {".velmar-download-q1w2e3", 3 * 86400.0, true},
      {".Velmar.ini.velmar-tmp-Ab12Cd2", 3 * 86400.0, false},  // not six characters
      {".Velmar.ini.velmar-tmp-fresh1", 3600.0, false},        // younger than a day
      {"Velmar.ini.velmar-tmp-Ab12Cd", 3 * 86400.0, false},    // not hidden: not ours
      {"Velmar.ini", 30 * 86400.0, false},
      {"geo.log.AbCdEf", 30 * 86400.0, false},
  };
  const double now = static_cast<double>(std::time(nullptr));
  for (const TCase& c : cases) {
    const std::string path = dir_ + "/" + c.name;
    WriteBytes(path, "x");
    timeval times[2];
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(now - c.ageSeconds);
    times[0].tv_usec = times[1].tv_usec = 0;
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
  }
  std::filesystem::create_directories(dir_ + "/.old.velmar-tmp-folder");  // a folder is never removed
  int expected = 0;
  for (const TCase& c : cases) expected += c.removed ? 1 : 0;
  EXPECT_EQ(fileio::RemoveStaleTemporaries(dir_), expected);
  for (const TCase& c : cases)
    EXPECT_EQ(std::filesystem::exists(dir_ + "/" + c.name), !c.removed) << c.name;
}

// A save of a relative name in a read-only folder, killed while it writes: its copy names the
// file absolutely, so the recovery started from another working folder restores that file and
// leaves a file of the same name there alone. The child saves in a loop, so the kill may fall in
// its first save (the copy holds the old text) or a later one (the copy holds the new text): the
// file must come back as whichever complete text the copy kept.
TEST_F(FileIoTest, ACutSaveOfARelativeNameIsRestoredFromAnotherFolder) {
  const std::string old = "[Misc]\r\n" + std::string(2 << 20, 'o') + "\r\n";
  const std::string path = ReadOnlyFolderWith(old);
  const std::string elsewhere = dir_ + "/elsewhere";
  std::filesystem::create_directories(elsewhere);
  WriteBytes(elsewhere + "/Velmar.ini", "unrelated");
  const std::string next = "[Misc]\r\n" + std::string(3 << 20, 'n') + "\r\n";
  const std::string copy = fileio::BackupFolder() + "/";
  const auto copyName = [&] {
    for (const std::string& n : Entries(fileio::BackupFolder()))
      if (n.ends_with(".bak")) return n;
    return std::string();
  };
  bool cut = false;
  for (int attempt = 0; attempt < 50 && !cut; ++attempt) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      faultinject::DropRootInChild();
      if (::chdir(Folder().c_str()) != 0) ::_exit(3);
      (void)!::write(ready[1], "r", 1);
      for (;;) fileio::ReplaceFile("Velmar.ini", next);
    }
    ::close(ready[1]);
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    // Killed once a copy exists, that is inside a save.
    for (int i = 0; i < 100000 && copyName().empty(); ++i) ::usleep(100);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    cut = !copyName().empty();
    if (!cut) WriteBytes(path, old);
  }
  ASSERT_TRUE(cut) << "no kill fell inside a save";
  const std::string header = "velmar-backup\n" + path + "\n";
  const std::string copyText = ReadBytes(copy + copyName());
  ASSERT_EQ(copyText.substr(0, header.size()), header);
  const std::string kept = copyText.substr(header.size());
  ASSERT_TRUE(kept == old || kept == next) << "the copy holds " << kept.size() << " bytes, neither whole text";

  char* here = ::getcwd(nullptr, 0);
  ASSERT_EQ(::chdir(elsewhere.c_str()), 0);
  EXPECT_EQ(fileio::RecoverInterruptedSaves(), 1);
  EXPECT_EQ(::chdir(here), 0);
  std::free(here);
  EXPECT_EQ(ReadBytes(elsewhere + "/Velmar.ini"), "unrelated");
  EXPECT_EQ(ReadBytes(path), kept);
}

}  // namespace
