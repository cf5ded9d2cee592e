// The dialog seam, the runtime's message boxes, and the date-time pickers.

#include "datetimepicker.h"
#include "prompts.h"
#include "uitestutil.h"
#include "velmarcom.h"

using namespace uitest;

namespace {

TEST(Prompts, ToolkitFiltersBecomeQtNameFilters) {
  const std::pair<const char*, const char*> cases[] = {
      {"Bitmap (*.bmp)|*.bmp|JPEG (*.jpg)|*.jpg", "Bitmap (*.bmp);;JPEG (*.jpg)"},
      {"Program Files|*.exe;*.com|All Files (*.*)|*.*", "Program Files (*.exe *.com);;All Files (*)"},
      {"", ""},
      {"Only a description", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(QtNameFilters(in), out) << in;
}

TEST(Prompts, DialogsAskTheInstalledPrompts) {
  TScriptedPrompts prompts;
  SetUiPrompts(&prompts);
  prompts.Answers = {mrYes};
  EXPECT_EQ(MessageDlg("Sure?", TMsgDlgType::Confirmation, mbYes | mbNo), mrYes);
  EXPECT_EQ(MessageDlg("Sure?", TMsgDlgType::Confirmation, mbYes | mbNo), mrNo);
  EXPECT_EQ(MessageDlg("Failed", TMsgDlgType::Error, mbAbort), mrAbort);
  TSaveDialog save;
  EXPECT_FALSE(save.Execute());
  TPrintDialog print;
  EXPECT_FALSE(print.Execute());
  EXPECT_EQ(prompts.FileDialogs, 1);
  EXPECT_EQ(prompts.PrintDialogs, 1);
  EXPECT_EQ(prompts.Messages.size(), 3u);
  SetUiPrompts(nullptr);
}

TEST(Prompts, RuntimeMessageBoxesReachThePrompts) {
  TScriptedPrompts prompts;
  SetUiPrompts(&prompts);
  RouteRuntimeMessagesToPrompts();
  EXPECT_EQ(VcomMessageBox("Class not registered", "DAX Error", MB_OK | MB_ICONERROR), 1);
  VcomMessageBox("Registered", "Velmar", MB_OK | MB_ICONINFORMATION);
  ASSERT_EQ(prompts.Messages.size(), 2u);
  EXPECT_EQ(prompts.Messages[0].Type, TMsgDlgType::Error);
  EXPECT_NE(prompts.Messages[0].Text.find("Class not registered"), std::string::npos);
  EXPECT_EQ(prompts.Messages[1].Type, TMsgDlgType::Information);
  EXPECT_EQ(prompts.Messages[1].Text, "Registered");
  SetUiPrompts(nullptr);
}

TEST(DateTimePicker, KeepsTheFullValueAndReportsOnlyUserChanges) {
  TDateTimePicker time(TDateTimePicker::TKind::Time);
  TDateTimePicker date(TDateTimePicker::TKind::Date);
  int timeChanged = 0, dateChanged = 0;
  QObject::connect(&time, &TDateTimePicker::Changed, [&] { ++timeChanged; });
  QObject::connect(&date, &TDateTimePicker::Changed, [&] { ++dateChanged; });
  const TDateTime v = EncodeDate(2026, 3, 5) + EncodeTime(7, 4, 30, 0);
  time.SetValue(v);
  date.SetValue(v);
  EXPECT_DOUBLE_EQ(time.Value(), v);
  EXPECT_DOUBLE_EQ(date.Value(), v);
  EXPECT_EQ(timeChanged, 0);
  EXPECT_EQ(time.time(), QTime(7, 4, 30));
  EXPECT_EQ(date.date(), QDate(2026, 3, 5));

  // An edit of the shown part keeps the other part.
  time.setTime(QTime(23, 15, 0));
  EXPECT_EQ(timeChanged, 1);
  EXPECT_NEAR(time.Value(), EncodeDate(2026, 3, 5) + EncodeTime(23, 15, 0, 0), 1e-9);
  date.setDate(QDate(2027, 1, 31));
  EXPECT_EQ(dateChanged, 1);
  EXPECT_NEAR(date.Value(), EncodeDate(2027, 1, 31) + EncodeTime(7, 4, 30, 0), 1e-9);
}

}  // namespace
