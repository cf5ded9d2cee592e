#include "toolstestutil.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

#include "datetimepicker.h"
#include "format.h"
#include "satmain.h"
#include "sats.h"

namespace toolstest {

void ToolsTest::SetUp() {
  if (!uitest::ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
  SetUiPrompts(&prompts);
}

void ToolsTest::TearDown() {
  program.reset();
  folder.reset();
  SetUiPrompts(nullptr);
}

TSatForm* ToolsTest::Start(int width, int height) {
  folder = std::make_unique<uitest::TProgramFolder>();
  const char* argv[] = {"Velmar"};
  program = std::make_unique<TVelmarProgram>();
  form = program->Start(1, argv);
  form->resize(width, height);
  form->show();
  QApplication::processEvents();
  return form;
}

void ToolsTest::FreezeAt(double utc) {
  for (QCheckBox* box : {form->LocRealTimeCheckBox, form->InfoRealTimeCheckBox, form->ObstRealTimeCheckBox}) {
    const QSignalBlocker block(box);
    box->setChecked(false);
  }
  form->ClockTimer->stop();
  for (TDateTimePicker* p : {form->InfoDatePicker, form->InfoTimePicker, form->LocDatePicker, form->LocTimePicker,
                             form->ObstDatePicker, form->ObstTimePicker})
    p->SetValue(utc + OffsetFromUTC());
  Sats->UTC = utc;
  ShowPage(form->SatInfoTabSheet);
}

void ToolsTest::ShowPage(QWidget* page) {
  if (form->MainPageControl->currentWidget() == page)
    form->MainPageControlChange(form->MainPageControl);
  else
    form->MainPageControl->setCurrentWidget(page);
  QApplication::processEvents();
}

std::vector<QString> ToolsTest::ListedNames() const {
  std::vector<QString> names;
  for (int i = 0; i < form->SatListBox->count(); ++i) names.push_back(form->SatListBox->item(i)->text());
  return names;
}

std::string OutputFolder() {
  namespace fs = std::filesystem;
  const char* out = std::getenv("VELMAR_TEST_OUT");
  const fs::path dir = out && *out ? fs::path(out) : fs::temp_directory_path();
  fs::create_directories(dir);
  return dir.string();
}

}  // namespace toolstest
