#include "shell.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "testdir.h"

namespace {

TEST(Shell, RunsWithArgumentsAndExitCode) {
  const shell::ProgramRun r = shell::RunProgram("/bin/sh", {"-c", "exit 3"}, "", -1);
  ASSERT_TRUE(r.Started());
  EXPECT_TRUE(r.Exited);
  EXPECT_EQ(r.ExitCode, 3);
  // An argument holding blanks arrives whole; the program is found in PATH.
  const shell::ProgramRun blanks =
      shell::RunProgram("sh", {"-c", "[ $# -eq 1 ] && [ \"$1\" = 'a b;c' ]", "sh", "a b;c"}, "", 5000);
  EXPECT_TRUE(blanks.Exited);
  EXPECT_EQ(blanks.ExitCode, 0);
}

TEST(Shell, WorkingFolder) {
  TempDir dir;
  const shell::ProgramRun r = shell::RunProgram("/bin/sh", {"-c", "touch here"}, dir.path(), 5000);
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_TRUE(std::filesystem::exists(dir.file("here")));
}

TEST(Shell, MissingProgramIsAnError) {
  const shell::ProgramRun r = shell::RunProgram("/no/such/program", {}, "", -1);
  EXPECT_FALSE(r.Started());
  EXPECT_EQ(r.Error, ENOENT);
  EXPECT_FALSE(shell::RunProgram("no-such-program-velmar", {}).Started());
  EXPECT_FALSE(shell::RunProgram("", {}).Started());
}

TEST(Shell, WaitIsBounded) {
  const auto start = std::chrono::steady_clock::now();
  const shell::ProgramRun r = shell::RunProgram("/bin/sleep", {"120"}, "", 100);
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_TRUE(r.Started());
  EXPECT_FALSE(r.Exited);
  EXPECT_LT(took, std::chrono::seconds(60));  // far below the program's own two minutes
  ::kill(r.Pid, SIGKILL);
  const shell::ProgramRun quick = shell::RunProgram("/bin/true", {}, "", 0);
  EXPECT_TRUE(quick.Started());
  EXPECT_FALSE(quick.Exited);
}

TEST(Shell, SystemFolder) {
  ::setenv("VELMAR_SYSTEM_DIR", "/opt/velmar/lib/", 1);
  EXPECT_EQ(shell::SystemFolder(), "/opt/velmar/lib");
  ::unsetenv("VELMAR_SYSTEM_DIR");
  // Linked into this test program: the program's own folder.
  const std::string exe = shell::ExecutablePath();
  EXPECT_EQ(shell::SystemFolder(), std::filesystem::canonical(exe).parent_path().string());
}

TEST(Shell, OsVersionText) {
  EXPECT_EQ(shell::OsVersionText("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n",
                                 "Linux", "6.1.0-18-amd64", "x86_64"),
            "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64 x86_64");
  EXPECT_EQ(shell::OsVersionText("", "Linux", "6.1.0", "x86_64"), "Linux 6.1.0 x86_64");
  EXPECT_EQ(shell::OsVersionText("PRETTY_NAME=Alpine\r\n", "", "", ""), "Alpine");
  EXPECT_FALSE(shell::OsVersionText().empty());
}

}  // namespace
