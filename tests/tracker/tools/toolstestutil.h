// Set-up of the Tools page and value-label tests: the program started on the sample data in a
// folder of its own, with scripted dialogs.
#pragma once

#include <QImage>
#include <QString>

#include <memory>
#include <string>

#include "program.h"
#include "uitestutil.h"

class TSatForm;

namespace toolstest {

class ToolsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the program (downloads off), shows the main window at the given size and lets the
  // first layout run.
  TSatForm* Start(int width = 900, int height = 650);
  // Sets the collection's time (UTC) with the real-time clock stopped and refills the lists on
  // the Sat Info page.
  void FreezeAt(double utc);
  // Turns to a page of the main window (its change handler runs).
  void ShowPage(QWidget* page);
  // The names of the Sat Info list, in order.
  std::vector<QString> ListedNames() const;

  uitest::TScriptedPrompts prompts;
  std::unique_ptr<uitest::TProgramFolder> folder;
  std::unique_ptr<TVelmarProgram> program;
  TSatForm* form = nullptr;
};

// The folder for pictures a person looks at ($VELMAR_TEST_OUT).
std::string OutputFolder();

}  // namespace toolstest
