// Running programs, the system folder and the operating-system version text.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace shell {

// The outcome of RunProgram.
struct ProgramRun {
  int Error = 0;          // 0 when the program started; otherwise the errno of the failed start
  pid_t Pid = -1;
  bool Exited = false;    // it ended within the wait (only when waited for)
  int ExitCode = -1;      // its exit status when Exited; 128 + the signal number when killed
  bool Started() const { return Error == 0; }
};

// Starts `program` with the argument list `args` (never through a shell; a program name
// without '/' is looked up in PATH), in `workDir` when that is not empty.
// waitMs < 0: wait until it ends; 0: do not wait; > 0: wait at most that many milliseconds.
// A program not waited for to its end is reaped in the background, leaving no zombie.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& workDir = std::string(), int waitMs = 0);

// The folder that holds the installed program's libraries (the folder of the running module:
// the program or the shared library this code is linked into), without a trailing '/'.
// The environment variable VELMAR_SYSTEM_DIR overrides it.
std::string SystemFolder();

// The full path of the running program file ("" when it cannot be found).
std::string ExecutablePath();

// The operating system, e.g. "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64 x86_64".
std::string OsVersionText();
// The same from given parts: PRETTY_NAME of an os-release text and the uname fields.
std::string OsVersionText(const std::string& osRelease, const std::string& sysname,
                          const std::string& release, const std::string& machine);

}  // namespace shell
