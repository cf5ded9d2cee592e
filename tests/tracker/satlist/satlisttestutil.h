// Set-up shared by the list and editing tests: the program started on the sample data in a
// folder of its own, scripted dialogs, and the clock stopped at a fixed moment.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "program.h"
#include "uitestutil.h"

class TSat;
class TSatForm;

namespace satlisttest {

class SatListTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the program (downloads off), shows the main window and stops the clock at a fixed
  // moment, with the Sat Info page shown.
  // `prepare` may change the program folder's files before the program starts.
  TSatForm* Start(const std::string& ini = "[Update]\r\nAutoUpdate=0\r\n",
                  const std::function<void(const uitest::TProgramFolder&)>& prepare = {});
  // Shows the satellite on the Sat Info page, selected in its list.
  TSat& ShowOnSatInfo(const std::string& name);

  uitest::TScriptedPrompts prompts;
  std::unique_ptr<uitest::TProgramFolder> folder;
  std::unique_ptr<TVelmarProgram> program;
  TSatForm* form = nullptr;
};

// Folder for pictures a person may look at (VELMAR_TEST_OUT), created when missing.
std::string TestOutFolder();

}  // namespace satlisttest
