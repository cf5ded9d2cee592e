// Shared set-up of the MarnSatLib tests: a temporary registry file and working folder, the
// library registered by the registration tool (run as a child process), and helpers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ISatellites.h"

namespace servertest {

struct RunResult {
  int exitCode = -1;
  std::string output;  // stdout and stderr
};

// Runs $VELMAR_BIN/<program> with the arguments and waits for it.
RunResult RunTool(const std::string& program, const std::vector<std::string>& args);
std::string BinFolder();
std::string LibraryPath();  // resolved path of MarnSatLib.so
std::string DataFolder();   // the test data in the source tree

// Process-wide environment: temporary folder, registry file, working folder, registration.
class ServerEnvironment {
 public:
  static void SetUp();     // idempotent
  static std::string TempFolder();
  // Copies the files of a data subfolder into a new temporary folder and returns its path.
  static std::string CopyDataFolder(const std::string& subfolder);
};

// Creates a Satellites object and holds ISatellites.
class SatellitesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  void SetPath(const std::string& path);
  // The elevation (rad) of IsVisible at a Julian date; fails the test on an error.
  double Elevation(const char* name, double jd);
  // The thread's error description after a failed call (and clears it).
  static std::string TakeErrorDescription(std::string* source = nullptr, GUID* guid = nullptr);

  ISatellites* sats = nullptr;
};

}  // namespace servertest
