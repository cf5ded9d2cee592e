#include "satlisttestutil.h"

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
#include "qtext.h"
#include "satmain.h"
#include "sats.h"

namespace satlisttest {

namespace {
// 1 December 2026, 12:00 UTC.
constexpr double kFrozenUtc = 46357.5;
}  // namespace

void SatListTest::SetUp() {
  if (!uitest::ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
  SetUiPrompts(&prompts);
}

void SatListTest::TearDown() {
  program.reset();
  folder.reset();
  SetUiPrompts(nullptr);
}

TSatForm* SatListTest::Start(const std::string& ini,
                             const std::function<void(const uitest::TProgramFolder&)>& prepare) {
  folder = std::make_unique<uitest::TProgramFolder>(ini);
  if (prepare) prepare(*folder);
  const char* argv[] = {"Velmar"};
  program = std::make_unique<TVelmarProgram>();
  form = program->Start(1, argv);
  form->resize(1000, 700);
  form->show();
  QApplication::processEvents();
  for (QCheckBox* box : {form->LocRealTimeCheckBox, form->InfoRealTimeCheckBox, form->ObstRealTimeCheckBox}) {
    const QSignalBlocker block(box);
    box->setChecked(false);
  }
  form->ClockTimer->stop();
  for (TDateTimePicker* p : {form->InfoDatePicker, form->InfoTimePicker, form->LocDatePicker, form->LocTimePicker,
                             form->ObstDatePicker, form->ObstTimePicker})
    p->SetValue(kFrozenUtc + OffsetFromUTC());
  Sats->UTC = kFrozenUtc;
  form->MainPageControl->setCurrentWidget(form->SatInfoTabSheet);
  form->MainPageControlChange(form->MainPageControl);
  return form;
}

TSat& SatListTest::ShowOnSatInfo(const std::string& name) {
  form->MainPageControl->setCurrentWidget(form->SatInfoTabSheet);
  const auto found = form->SatListBox->findItems(QStr(name), Qt::MatchFixedString);
  EXPECT_FALSE(found.isEmpty()) << name;
  if (!found.isEmpty()) {
    const QSignalBlocker block(form->SatListBox);
    form->SatListBox->setCurrentItem(found.front());
  }
  TSat* sat = Sats->FindSat(name);
  form->ShowSatInfo(*sat);
  return *sat;
}

std::string TestOutFolder() {
  const char* env = std::getenv("VELMAR_TEST_OUT");
  const std::string dir = env && *env ? env : std::filesystem::temp_directory_path().string();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return dir;
}

}  // namespace satlisttest
