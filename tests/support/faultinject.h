// Fault injection for tests: running a piece of work in a child process under a file-size limit
// (a full disk as writers see it), as another user, or killed at a chosen moment.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

namespace faultinject {

enum class TChildResult { Succeeded, Failed, Crashed };

// The unprivileged user a child switches to when the tests run as root, so that permissions
// (a read-only folder) hold for it.
constexpr uid_t kNobody = 65534;

inline void DropRootInChild() {
  if (::geteuid() == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(3);
  }
}

// Runs `work` in a forked child: SIGXFSZ is ignored and no file may grow past `limitBytes`
// (0: no limit), so a write past it fails with EFBIG as on a full disk. The child's answer is
// the work's return value; a crash or a stray exit is Crashed. Bounded: the child is killed
// after `timeoutSeconds`, a guard against a hang only (work of seconds may take ten times as long
// on a busy machine; the test runner's own limit is five minutes).
inline TChildResult RunInChild(const std::function<bool()>& work, rlim_t limitBytes = 0, bool dropRoot = false,
                               double timeoutSeconds = 240.0) {
  const pid_t pid = ::fork();
  if (pid < 0) return TChildResult::Crashed;
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    if (dropRoot) DropRootInChild();
    if (limitBytes > 0) {
      rlimit r{limitBytes, limitBytes};
      if (::setrlimit(RLIMIT_FSIZE, &r) != 0) ::_exit(4);
    }
    bool ok = false;
    try {
      ok = work();
    } catch (...) {
      ::_exit(5);
    }
    ::_exit(ok ? 0 : 1);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  int status = 0;
  for (;;) {
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return TChildResult::Crashed;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (!WIFEXITED(status)) return TChildResult::Crashed;
  if (WEXITSTATUS(status) == 0) return TChildResult::Succeeded;
  if (WEXITSTATUS(status) == 1) return TChildResult::Failed;
  return TChildResult::Crashed;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace faultinject
