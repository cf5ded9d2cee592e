// Set-up shared by the list and editing tests: the program started on the sample data in a
// folder of its own, scripted dialogs, and the clock stopped at a fixed moment.
#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <string>

#include "program.h"
#include "uitestutil.h"

class QComboBox;
class QLineEdit;
class QMenu;
class QAction;
class QWidget;
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

// Waits (events running) until `done` holds or `ms` have passed; the last answer of `done`.
bool WaitFor(const std::function<bool()>& done, int ms = 30000);

// The window shown and active, driven with synthesized mouse and key events.
class ShownWindowTest : public SatListTest {
 protected:
  void StartShown(const std::function<void(const uitest::TProgramFolder&)>& prepare = {},
                  const std::string& ini = "[Update]\r\nAutoUpdate=0\r\n");
  void ClickTab(QWidget* page);
  // Clicks the satellite's row in the Sat Info page's list.
  void ClickSat(const std::string& name);
  // Clicks into the field, selects what it holds and types the text over it; the keys go where
  // the focus is, as typed keys do.
  static void TypeInto(QWidget* field, const std::string& text);
  static void TypeAtFocus(const std::string& text);
  static void PressAtFocus(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  // Clicks the item of the menu bar's menu; `inner`: the item of the submenu that `action` opens.
  void ClickMenu(QMenu* menu, QAction* action, QMenu* sub = nullptr, QAction* inner = nullptr);
  // Clicks the item in the box's open list until the list takes the click and closes: after the
  // click that opened it the list takes none until a timer of the toolkit has run out and the
  // event loop has seen it.
  static void ClickInOpenList(QComboBox* box, const QString& item);
};

// Folder for pictures a person may look at (VELMAR_TEST_OUT), created when missing.
std::string TestOutFolder();

}  // namespace satlisttest
