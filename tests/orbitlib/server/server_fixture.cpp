#include "server_fixture.h"

#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace fs = std::filesystem;

namespace servertest {
namespace {
std::string gTemp;
int gCounter = 0;

void RemoveTemp() {
  std::error_code ec;
  if (!gTemp.empty()) fs::remove_all(gTemp, ec);
}
}  // namespace

std::string BinFolder() {
  const char* bin = std::getenv("VELMAR_BIN");
  return bin && *bin ? bin : VELMAR_DEFAULT_BIN;
}

std::string LibraryPath() {
  std::string path = BinFolder() + "/" + marnsatlib::kLibraryFileName;
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

std::string DataFolder() { return SERVER_TEST_DATA; }

RunResult RunTool(const std::string& program, const std::vector<std::string>& args) {
  RunResult r;
  std::string out = ServerEnvironment::TempFolder() + "/run-" + std::to_string(++gCounter) + ".out";
  std::string exe = BinFolder() + "/" + program;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(exe.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return r;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(out);
  std::stringstream ss;
  ss << in.rdbuf();
  r.output = ss.str();
  return r;
}

void ServerEnvironment::SetUp() {
  if (!gTemp.empty()) return;
  char pattern[] = "/tmp/velmar-server-test-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  gTemp = pattern;
  std::atexit(RemoveTemp);
  ::setenv("VELMAR_REGISTRY", (gTemp + "/registry").c_str(), 1);
  // The object's first list is read from the working folder: make it an empty one.
  fs::create_directory(gTemp + "/cwd");
  ASSERT_EQ(::chdir((gTemp + "/cwd").c_str()), 0);
  RunResult reg = RunTool("regsvr", {"/S", LibraryPath()});
  ASSERT_EQ(reg.exitCode, 0) << reg.output;
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
}

std::string ServerEnvironment::TempFolder() { return gTemp; }

std::string ServerEnvironment::CopyDataFolder(const std::string& subfolder) {
  std::string target = gTemp + "/elements-" + std::to_string(++gCounter);
  fs::create_directory(target);
  for (const auto& entry : fs::directory_iterator(DataFolder() + "/" + subfolder))
    fs::copy_file(entry.path(), target / entry.path().filename());
  return target;
}

void SatellitesTest::SetUpTestSuite() { ServerEnvironment::SetUp(); }

void SatellitesTest::SetUp() {
  ServerEnvironment::SetUp();
  HRESULT hr = CoCreateInstance(CLSID_Satellites, nullptr, CLSCTX_INPROC_SERVER, IID_ISatellites,
                                reinterpret_cast<void**>(&sats));
  ASSERT_EQ(hr, S_OK);
  ASSERT_NE(sats, nullptr);
}

void SatellitesTest::TearDown() {
  if (sats) sats->Release();
  sats = nullptr;
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) == S_OK) info->Release();
}

void SatellitesTest::SetPath(const std::string& path) {
  Bstr p(path);
  ASSERT_EQ(sats->put_KeplerPath(p.get()), S_OK) << TakeErrorDescription();
}

double SatellitesTest::Elevation(const char* name, double jd) {
  Bstr n(name);
  VARIANT_BOOL south = 0, visible = 0;
  double az = 0, el = -99, lon = 0, lat = 0, range = 0, rate = 0, alt = 0, phase = 0;
  HRESULT hr = sats->IsVisible(n.get(), jd, 0.0, &south, &az, &el, &lon, &lat, &range, &rate, &alt, &phase, &visible);
  EXPECT_EQ(hr, S_OK) << TakeErrorDescription();
  return el;
}

std::string SatellitesTest::TakeErrorDescription(std::string* source, GUID* guid) {
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK || !info) return std::string();
  Bstr description, src;
  info->GetDescription(description.out());
  info->GetSource(src.out());
  if (source) *source = src.str();
  if (guid) info->GetGUID(guid);
  info->Release();
  return description.str();
}

}  // namespace servertest
