#include "clocktestutil.h"

#include <QCheckBox>

#include <cstdlib>
#include <ctime>

#include "datetimepicker.h"
#include "log.h"

namespace clocktest {

TTimeZone::TTimeZone(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}

TTimeZone::~TTimeZone() {
  setenv("TZ", "UTC0", 1);
  tzset();
}

void ClockTest::SetUp() {
  if (!uitest::ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
  SetUiPrompts(&prompts);
}

void ClockTest::TearDown() {
  program.reset();
  folder.reset();
  SetUiPrompts(nullptr);
}

TSatForm* ClockTest::Start(const std::string& ini) {
  folder = std::make_unique<uitest::TProgramFolder>(ini);
  const char* argv[] = {"Velmar"};
  program = std::make_unique<TVelmarProgram>();
  form = program->Start(1, argv);
  return form;
}

void ClockTest::ShowTime(TDateTime local) {
  form->InfoRealTimeCheckBox->setChecked(false);
  form->InfoDatePicker->SetValue(local);
  form->DateTimePickerChange(form->InfoDatePicker);
}

int ClockTest::IndexOfLine(const std::string& start, int from) {
  for (int i = from; i < static_cast<int>(LogList.size()); ++i)
    if (Message(i).rfind(start, 0) == 0) return i;
  return -1;
}

std::string ClockTest::Message(int index) {
  const std::string& line = LogList.at(static_cast<size_t>(index));
  const size_t at = line.find("  ");
  return at == std::string::npos ? line : line.substr(at + 2);
}

TDateTime At(int year, int month, int day, int hour, int minute, int second) {
  return EncodeDate(year, month, day) + EncodeTime(hour, minute, second, 0);
}

}  // namespace clocktest
