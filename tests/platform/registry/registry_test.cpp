// The registry file: keys, values, deletion rules, the file format and concurrent writers.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "faultinject.h"
#include "lockholder.h"
#include "velmar_registry.h"

namespace fs = std::filesystem;
using namespace velmar::registry;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class RegistryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // In memory where there is such a folder: every change is synced, which a loaded disk can
    // make slower than the lock's bound, and what concurrent writers test is the taking of turns.
    std::string pattern = fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    pattern += "/velmar-registry-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    file_ = dir_ + "/sub/folder/registry";  // missing folders are created on the first write
    ::setenv("VELMAR_REGISTRY", file_.c_str(), 1);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string dir_, file_;
};

}  // namespace

TEST(RegistryHive, KeysAndValuesIgnoreCase) {
  Hive h;
  ASSERT_EQ(h.Set("CLSID\\{ABC}\\InprocServer32", "", "/lib/x.so"), Status::Ok);
  ASSERT_EQ(h.Set("clsid\\{abc}\\inprocserver32", "ThreadingModel", "Apartment"), Status::Ok);
  ASSERT_EQ(h.Set("CLSID\\{ABC}\\InprocServer32", "threadingmodel", "Both"), Status::Ok);
  EXPECT_TRUE(h.Exists("CLSID"));
  EXPECT_TRUE(h.Exists("Clsid\\{Abc}"));
  EXPECT_TRUE(h.Exists("\\CLSID\\{ABC}\\"));  // separators at the ends do not matter
  std::string v;
  ASSERT_EQ(h.Get("CLSID\\{abc}\\INPROCSERVER32", "ThreadingModel", v), Status::Ok);
  EXPECT_EQ(v, "Both");
  ASSERT_EQ(h.Get("CLSID\\{ABC}\\InprocServer32", "", v), Status::Ok);
  EXPECT_EQ(v, "/lib/x.so");
  EXPECT_EQ(h.Get("CLSID\\{ABC}", "", v), Status::NotFound);  // a key without a default value
  EXPECT_EQ(h.Get("CLSID\\{ABD}", "", v), Status::NotFound);
  EXPECT_EQ(h.Keys(), (std::vector<std::string>{"CLSID", "CLSID\\{ABC}", "CLSID\\{ABC}\\InprocServer32"}));
  EXPECT_EQ(h.Children(""), std::vector<std::string>{"CLSID"});
  EXPECT_EQ(h.Children("clsid"), std::vector<std::string>{"{ABC}"});
}

TEST(RegistryHive, InvalidNames) {
  Hive h;
  for (const char* bad : {"", "\\", "\\\\", "a\\\\b"}) {
    EXPECT_EQ(h.Create(bad), Status::InvalidName) << bad;
    EXPECT_EQ(h.Set(bad, "", "x"), Status::InvalidName) << bad;
  }
  EXPECT_TRUE(h.empty());
}

TEST(RegistryHive, DeletingAKeyWithSubKeysFails) {
  Hive h;
  ASSERT_EQ(h.Create("A\\B\\C"), Status::Ok);
  ASSERT_EQ(h.Create("A!"), Status::Ok);  // sorts between "a" and "a\b"
  ASSERT_EQ(h.Create("A-B"), Status::Ok);
  EXPECT_EQ(h.Remove("A"), Status::HasSubKeys);
  EXPECT_EQ(h.Remove("a\\b"), Status::HasSubKeys);
  EXPECT_EQ(h.Remove("A\\B\\C"), Status::Ok);
  EXPECT_EQ(h.Remove("A\\B\\C"), Status::NotFound);
  EXPECT_EQ(h.Remove("A\\B"), Status::Ok);
  EXPECT_EQ(h.Remove("A"), Status::Ok);
  EXPECT_EQ(h.Keys(), (std::vector<std::string>{"A!", "A-B"}));
}

TEST(RegistryHive, ValuesCanBeRemoved) {
  Hive h;
  h.Set("K", "", "default");
  h.Set("K", "Name", "named");
  EXPECT_EQ(h.RemoveValue("K", "NAME"), Status::Ok);
  EXPECT_EQ(h.RemoveValue("K", "Name"), Status::NotFound);
  std::string v;
  EXPECT_EQ(h.Get("K", "", v), Status::Ok);
  EXPECT_EQ(h.RemoveValue("missing", ""), Status::NotFound);
}

TEST(RegistryHive, FileTextRoundTripsEveryByte) {
  Hive h;
  std::string awkward = "quote \" backslash \\ tab\t cr\r lf\n nul";
  awkward += '\0';
  awkward += "\x7f\x01 latin \xB0 utf8 \xC2\xB0";
  ASSERT_EQ(h.Set("Path With Blanks\\{X}", "", "/opt/Program Files/lib.so"), Status::Ok);
  ASSERT_EQ(h.Set("Path With Blanks\\{X}", awkward, awkward), Status::Ok);
  const std::string text = h.Serialize();
  EXPECT_EQ(text.find('\0'), std::string::npos);
  Hive back;
  ASSERT_EQ(Hive::Parse(text, back), Status::Ok);
  EXPECT_EQ(back.Serialize(), text);
  std::string v;
  ASSERT_EQ(back.Get("path with blanks\\{x}", awkward, v), Status::Ok);
  EXPECT_EQ(v, awkward);
  // Lines ending in CR LF read the same.
  std::string crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  Hive again;
  ASSERT_EQ(Hive::Parse(crlf, again), Status::Ok);
  EXPECT_EQ(again.Serialize(), text);
}

TEST(RegistryHive, DamagedTextIsRefused) {
  const char* cases[] = {
      "",
      "not a registry\n",
      "VELMAR-REGISTRY 1\nvalue \"a\" \"b\"\n",               // a value before any key
      "VELMAR-REGISTRY 1\nkey \"A\nvalue \"\" \"x\"\n",       // unterminated quote
      "VELMAR-REGISTRY 1\nkey \"A\" trailing\n",
      "VELMAR-REGISTRY 1\nkey \"A\"\nvalue \"\" \"\\q\"\n",   // unknown escape
      "VELMAR-REGISTRY 1\nkey \"A\"\nvalue \"\" \"\\x4\"\n",  // short hex escape
      "VELMAR-REGISTRY 1\nkey \"\"\n",                        // empty key name
      "VELMAR-REGISTRY 1\nsomething else\n",
  };
  for (const char* text : cases) {
    Hive h;
    EXPECT_EQ(Hive::Parse(text, h), Status::BadFile) << text;
  }
}

TEST_F(RegistryFileTest, LocationComesFromTheEnvironment) {
  EXPECT_EQ(FilePath(), file_);
  ::unsetenv("VELMAR_REGISTRY");
  ::setenv("XDG_DATA_HOME", "/data/home", 1);
  EXPECT_EQ(FilePath(), "/data/home/velmar/registry");
  ::unsetenv("XDG_DATA_HOME");
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(FilePath(), "/home/someone/.local/share/velmar/registry");
}

TEST_F(RegistryFileTest, OperationsOnTheFile) {
  std::string v;
  EXPECT_EQ(GetValue("A", "", v), Status::NotFound);  // no file yet: an empty registry
  EXPECT_EQ(KeyExists("A"), Status::NotFound);
  EXPECT_FALSE(fs::exists(file_));
  ASSERT_EQ(SetValue("A\\B", "", "one"), Status::Ok);
  ASSERT_EQ(SetValue("A\\B", "Named", "two"), Status::Ok);
  ASSERT_EQ(CreateKey("A\\C"), Status::Ok);
  EXPECT_EQ(KeyExists("a\\c"), Status::Ok);
  ASSERT_EQ(GetValue("a\\b", "named", v), Status::Ok);
  EXPECT_EQ(v, "two");
  std::vector<std::string> keys, names;
  ASSERT_EQ(ListKeys(keys), Status::Ok);
  EXPECT_EQ(keys, (std::vector<std::string>{"A", "A\\B", "A\\C"}));
  ASSERT_EQ(SubKeys("A", names), Status::Ok);
  EXPECT_EQ(names, (std::vector<std::string>{"B", "C"}));
  EXPECT_EQ(SubKeys("Z", names), Status::NotFound);
  EXPECT_EQ(DeleteKey("A"), Status::HasSubKeys);
  EXPECT_EQ(DeleteValue("A\\B", "Named"), Status::Ok);
  EXPECT_EQ(DeleteKey("A\\B"), Status::Ok);
  EXPECT_EQ(DeleteKey("A\\C"), Status::Ok);
  EXPECT_EQ(DeleteKey("A"), Status::Ok);
  ASSERT_EQ(ListKeys(keys), Status::Ok);
  EXPECT_TRUE(keys.empty());
  // Only the file and its lock are left: the temporary file was renamed over the file.
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(fs::path(file_).parent_path())) files.push_back(e.path().filename());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"registry", "registry.lock"}));
}

TEST_F(RegistryFileTest, ADamagedFileIsNeverOverwritten) {
  fs::create_directories(fs::path(file_).parent_path());
  { std::ofstream(file_) << "garbage\n"; }
  EXPECT_EQ(SetValue("A", "", "x"), Status::BadFile);
  EXPECT_EQ(DeleteKey("A"), Status::BadFile);
  std::string v;
  EXPECT_EQ(GetValue("A", "", v), Status::BadFile);
  EXPECT_EQ(ReadFile(file_), "garbage\n");
}

TEST_F(RegistryFileTest, AFolderStandingInTheWayIsAnIoError) {
  fs::create_directories(file_);  // a folder where the file should be
  EXPECT_EQ(SetValue("A", "", "x"), Status::IoError);
  std::string v;
  EXPECT_EQ(GetValue("A", "", v), Status::IoError);
  { std::ofstream(dir_ + "/plain") << "VELMAR-REGISTRY 1\n"; }
  ::setenv("VELMAR_REGISTRY", (dir_ + "/plain/below").c_str(), 1);  // a file where a folder should be
  EXPECT_EQ(SetValue("A", "", "x"), Status::IoError);
}

TEST_F(RegistryFileTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 4, kKeys = 25;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failures = 0;
      for (int k = 0; k < kKeys; ++k)
        if (SetValue("W" + std::to_string(w) + "\\K" + std::to_string(k), "", std::to_string(k)) != Status::Ok)
          ++failures;
      ::_exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::vector<std::string> keys;
  ASSERT_EQ(ListKeys(keys), Status::Ok);
  EXPECT_EQ(keys.size(), static_cast<size_t>(kWriters * (kKeys + 1)));
}

// Two programs writing one file, one through a link and one through the real path, take turns.
TEST_F(RegistryFileTest, WritersThroughALinkAndTheRealPathLoseNothing) {
  constexpr int kKeys = 150;
  ASSERT_EQ(SetValue("Start", "", "x"), Status::Ok);  // the folders and the file
  const std::string link = dir_ + "/link";
  fs::create_symlink(file_, link);
  std::vector<pid_t> children;
  for (int w = 0; w < 2; ++w)
    children.push_back(faultinject::StartChild([&, w] {
      ::setenv("VELMAR_REGISTRY", (w == 0 ? file_ : link).c_str(), 1);
      for (int k = 0; k < kKeys; ++k)
        if (SetValue("W" + std::to_string(w) + "\\K" + std::to_string(k), "", std::to_string(k)) != Status::Ok)
          return false;
      return true;
    }));
  for (pid_t pid : children) EXPECT_EQ(faultinject::WaitChild(pid), faultinject::TChildResult::Succeeded);
  std::vector<std::string> keys;
  ASSERT_EQ(ListKeys(keys), Status::Ok);
  EXPECT_EQ(keys.size(), static_cast<size_t>(1 + 2 * (kKeys + 1)));
  EXPECT_TRUE(fs::is_symlink(link));
}

// A change on a full disk fails and leaves the file as it was; temporaries a killed writer left
// beside the file are cleared once they are a day old.
TEST_F(RegistryFileTest, AFullDiskKeepsTheFileAndStaleTemporariesAreCleared) {
  ASSERT_EQ(SetValue("CLSID\\{A}", "", "first"), Status::Ok);
  const std::string before = ReadFile(file_);
  const auto r = faultinject::RunInChild(
      [] { return SetValue("CLSID\\{B}\\InprocServer32", "", std::string(4000, 'p')) == Status::IoError; },
      before.size() + 100);
  EXPECT_EQ(r, faultinject::TChildResult::Succeeded);
  EXPECT_EQ(ReadFile(file_), before);

  const std::string folder = fs::path(file_).parent_path().string();
  const std::string stale = folder + "/.registry.velmar-tmp-a1b2c3";
  const std::string fresh = folder + "/.registry.velmar-tmp-d4e5f6";
  { std::ofstream(stale) << "half"; }
  { std::ofstream(fresh) << "half"; }
  fs::last_write_time(stale, fs::last_write_time(stale) - std::chrono::hours(30));
  ASSERT_EQ(SetValue("CLSID\\{A}", "", "second"), Status::Ok);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(fresh));  // may belong to a writer at work
}

// Another process holding the lock: every operation gives up with Busy and names the lock file,
// and works again once the lock is free.
TEST_F(RegistryFileTest, AHeldLockIsWaitedForWithABound) {
  ASSERT_EQ(SetValue("A", "", "x"), Status::Ok);
  TLockHolder holder(file_ + ".lock");
  ASSERT_TRUE(holder.Held());
  std::string v;
  EXPECT_EQ(GetValue("A", "", v), Status::Busy);
  EXPECT_NE(LastErrorText().find(file_ + ".lock"), std::string::npos) << LastErrorText();
  EXPECT_EQ(SetValue("B", "", "y"), Status::Busy);
  EXPECT_NE(LastErrorText().find(file_ + ".lock"), std::string::npos) << LastErrorText();
  holder.Release();
  EXPECT_EQ(SetValue("B", "", "y"), Status::Ok);
  EXPECT_EQ(GetValue("A", "", v), Status::Ok);
  EXPECT_EQ(v, "x");
}

// What stands where the file should be is read only when it is a regular file, and only up to
// the size limit, whatever size it states.
TEST_F(RegistryFileTest, OnlyARegularFileIsReadAndOnlyUpToTheLimit) {
  fs::create_directories(fs::path(file_).parent_path());
  const struct {
    const char* what;
    Status status;
    const char* reason;
  } cases[] = {
      {"pipe", Status::IoError, "is not a regular file"},
      {"device", Status::IoError, "is not a regular file"},
      {"proc link", Status::TooLarge, "is larger than 16 MB"},
      {"sparse file", Status::TooLarge, "is larger than 16 MB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(file_);
    const std::string what = c.what;
    if (what == "pipe") {
      ASSERT_EQ(::mkfifo(file_.c_str(), 0644), 0);
    }
    if (what == "device") fs::create_symlink("/dev/zero", file_);
    if (what == "proc link") fs::create_symlink("/proc/self/pagemap", file_);
    if (what == "sparse file") {
      std::ofstream(file_) << "VELMAR-REGISTRY 1\n";
      fs::resize_file(file_, kMaxFileBytes + 1);
    }
    std::string v;
    EXPECT_EQ(GetValue("A", "", v), c.status);
    EXPECT_NE(LastErrorText().find(file_ + " " + c.reason), std::string::npos) << LastErrorText();
    EXPECT_EQ(SetValue("A", "", "x"), c.status);
  }
}
