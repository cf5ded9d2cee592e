// The tracker's readers given files whose reading would never end or never start: links into the
// proc file system (which state a size of 0 and go on for gigabytes), a device, a pipe without a
// writer. Each reader stops at its cap or refuses the file, says why in the log, and the process
// stays small. Run in a child process, whose peak memory is its own.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "datafiles.h"
#include "log.h"
#include "placenames.h"
#include "sats.h"
#include "testutil.h"

namespace {

class TQuietHost : public ISatsHost {
 public:
  void ShowMessage(const std::string&) override {}
  int RunProgramAndWait(const std::string&, const std::vector<std::string>&, const std::string&) override { return 2; }
  std::string SystemFolder() override { return "/nonexistent"; }
};

bool Logged(const std::string& part) {
  for (const std::string& line : LogList)
    if (line.find(part) != std::string::npos) return true;
  return false;
}

TEST(EndlessFiles, EveryReaderStopsAtItsCapInBoundedMemory) {
  testutil::TempDir dir;
  const std::string proc = "/proc/self/pagemap";
  std::filesystem::create_directories(dir / "keps");
  std::filesystem::create_directories(dir / "places1");
  std::filesystem::create_directories(dir / "places2");
  testutil::Elements good;
  good.norad = 11;
  testutil::WriteFile(dir / "keps/a.txt", testutil::ThreeLines("SAT A", good));
  std::filesystem::create_symlink(proc, dir / "keps/x.txt");
  std::filesystem::create_symlink("/dev/zero", dir / "keps/zero.tle");
  ASSERT_EQ(::mkfifo((dir / "keps/pipe.2li").c_str(), 0644), 0);
  std::filesystem::create_symlink(proc, dir / "geo.log");
  std::filesystem::create_symlink(proc, dir / "sats.csv");
  ASSERT_EQ(::mkfifo((dir / "fifo.csv").c_str(), 0644), 0);
  std::filesystem::create_symlink(proc, dir / "places1/Countries.txt");
  testutil::WriteFile(dir / "places2/Countries.txt", "Land=land\r\n");
  std::filesystem::create_symlink(proc, dir / "places2/land.txt");

  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(out[0]);
    std::string report;
    auto check = [&](bool ok, const std::string& what) {
      if (!ok) report += what + "\n";
    };
    {
      TQuietHost host;
      TSats sats(host, [](ISatellites** lib) {
        *lib = nullptr;
        return REGDB_E_CLASSNOTREG;
      });
      sats.SetKepFile(dir / "keps/a.txt");
      check(sats.FindSat("sat a")->TwoLine.NoradNr == 11, "the good element file was not read");
      check(Logged("Skipping " + dir / "keps/x.txt" + " : larger than 64 MB"), "element file: no reason logged");
      check(Logged("Loading " + dir / "keps/zero.tle" + " Failed"), "device: no failure logged");
      check(Logged("Loading " + dir / "keps/pipe.2li" + " Failed"), "pipe: no failure logged");
      check(!sats.LoadGeoLog(dir / "geo.log"), "geo.log read");
      check(Logged("Skipping " + dir / "geo.log" + " : larger than 64 MB"), "geo.log: no reason logged");
      check(!sats.LoadSatCsv(dir / "sats.csv"), "sats.csv read");
      check(Logged("Error Reading " + dir / "sats.csv" + " : larger than 64 MB"), "sats.csv: no reason logged");
      check(!sats.LoadSatCsv(dir / "fifo.csv"), "a pipe read as sats.csv");
    }
    const TGnsList list(dir / "places1", "Land");
    check(list.CountryList.empty(), "country list read");
    check(Logged("Error Reading " + dir / "places1/Countries.txt" + " : larger than 4 MB"), "country list: no reason");
    const TGnsList places(dir / "places2", "Land");
    check(places.CountryList.size() == 1 && places.Count() == 0, "country file read");
    check(Logged("Error Reading " + dir / "places2/land.txt" + " : larger than 256 MB"), "country file: no reason");
    std::string bytes;
    check(satfiles::ReadFileBytes(proc, 16 << 20, bytes) == satfiles::TReadResult::TooLarge && bytes.empty(),
          "whole-file read of the proc file");
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    report += "peak " + std::to_string(use.ru_maxrss / 1024) + "\n";
    if (::write(out[1], report.data(), report.size()) < 0) ::_exit(3);
    ::_exit(0);
  }
  ::close(out[1]);
  std::string report;
  char buf[4096];
  for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) report.append(buf, static_cast<size_t>(n));
  ::close(out[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << report;
  ASSERT_EQ(report.rfind("peak ", 0), 0u) << report;  // nothing before it: every check held
  std::fprintf(stderr, "%s", report.c_str());
#if defined(__SANITIZE_ADDRESS__)
  const long limitMb = 400;  // the sanitizer's shadow and quarantine come on top
#else
  const long limitMb = 100;
#endif
  EXPECT_LT(std::stol(report.substr(5)), limitMb);
}

}  // namespace
