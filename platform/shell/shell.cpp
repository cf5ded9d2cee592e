#include "shell.h"

#include <dlfcn.h>
#include <spawn.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace shell {

namespace {

int StatusToCode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

void ReapInBackground(pid_t pid) {
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string RealPath(const char* path) {
  char buf[PATH_MAX];
  if (path && ::realpath(path, buf)) return buf;
  return path ? path : "";
}

}  // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& workDir, int waitMs) {
  ProgramRun run;
  if (program.empty()) {
    run.Error = ENOENT;
    return run;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
  pid_t pid = -1;
  const int rc = program.find('/') == std::string::npos
                     ? ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ)
                     : ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    run.Error = rc;
    return run;
  }
  run.Pid = pid;
  if (waitMs == 0) {
    ReapInBackground(pid);
    return run;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, waitMs < 0 ? 0 : WNOHANG);
    if (r == pid) {
      run.Exited = true;
      run.ExitCode = StatusToCode(status);
      return run;
    }
    if (r < 0 && errno != EINTR) return run;  // already reaped elsewhere
    if (waitMs > 0 && std::chrono::steady_clock::now() >= deadline) {
      ReapInBackground(pid);
      return run;
    }
    if (r == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

std::string ExecutablePath() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return std::string();
  return std::string(buf, static_cast<std::size_t>(n));
}

std::string SystemFolder() {
  if (const char* env = std::getenv("VELMAR_SYSTEM_DIR"); env && *env) {
    std::string dir = env;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
  }
  Dl_info info {};
  if (::dladdr(reinterpret_cast<void*>(&SystemFolder), &info) && info.dli_fname && *info.dli_fname)
    return FolderOf(RealPath(info.dli_fname));
  const std::string exe = ExecutablePath();
  return exe.empty() ? std::string(".") : FolderOf(exe);
}

std::string OsVersionText(const std::string& osRelease, const std::string& sysname,
                          const std::string& release, const std::string& machine) {
  std::string pretty;
  std::size_t pos = 0;
  while (pos < osRelease.size()) {
    std::size_t end = osRelease.find('\n', pos);
    if (end == std::string::npos) end = osRelease.size();
    std::string line = osRelease.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("PRETTY_NAME=", 0) == 0) {
      pretty = line.substr(12);
      if (pretty.size() >= 2 && (pretty.front() == '"' || pretty.front() == '\'') &&
          pretty.back() == pretty.front())
        pretty = pretty.substr(1, pretty.size() - 2);
      break;
    }
    pos = end + 1;
  }
  std::string kernel = sysname;
  if (!release.empty()) kernel += (kernel.empty() ? "" : " ") + release;
  if (!machine.empty()) kernel += (kernel.empty() ? "" : " ") + machine;
  if (pretty.empty()) return kernel;
  if (kernel.empty()) return pretty;
  return pretty + ", " + kernel;
}

std::string OsVersionText() {
  std::string osRelease;
  for (const char* name : {"/etc/os-release", "/usr/lib/os-release"}) {
    std::ifstream in(name, std::ios::binary);
    if (in) {
      osRelease.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      break;
    }
  }
  struct utsname u {};
  if (::uname(&u) != 0) return OsVersionText(osRelease, "", "", "");
  return OsVersionText(osRelease, u.sysname, u.release, u.machine);
}

}  // namespace shell
