// The started program for the clock and settings tests, and a scoped time zone.
#pragma once

#include <memory>
#include <string>

#include "format.h"
#include "program.h"
#include "satmain.h"
#include "uitestutil.h"

namespace clocktest {

// Sets TZ for the scope (POSIX zone texts work without the zone database); back to UTC0 after.
class TTimeZone {
 public:
  explicit TTimeZone(const char* zone);
  ~TTimeZone();
};

class ClockTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the program in a fresh folder (first application of the settings included).
  TSatForm* Start(const std::string& ini = "[Update]\r\nAutoUpdate=0\r\n");
  // Real time off, then the shown (local) time set as a user's change of InfoDatePicker.
  void ShowTime(TDateTime local);
  // Index of the first log line at or after `from` whose message starts with `start`; -1 when none.
  static int IndexOfLine(const std::string& start, int from = 0);
  // The message of a log line (after the time stamp and its two blanks).
  static std::string Message(int index);

  uitest::TScriptedPrompts prompts;
  std::unique_ptr<uitest::TProgramFolder> folder;
  std::unique_ptr<TVelmarProgram> program;
  TSatForm* form = nullptr;
};

// Local date and time.
TDateTime At(int year, int month, int day, int hour, int minute, int second = 0);

}  // namespace clocktest
