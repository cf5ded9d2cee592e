// Editing the satellite information in the fields of the Sat Info page: what each field stores,
// when the "edited" flag is set, the check boxes of the rotor page, the dish and rotor model
// lists, and the clock around an edit.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <string>

#include "anglehelpers.h"
#include "format.h"
#include "options.h"
#include "qtext.h"
#include "sat.h"
#include "satlisttestutil.h"
#include "satmain.h"
#include "sats.h"
#include "texthelpers.h"

using namespace satlisttest;

namespace {

constexpr const char* kSat = "SES-4";

class SatEditTest : public SatListTest {
 protected:
  void SetUp() override {
    SatListTest::SetUp();
    if (IsSkipped()) return;
    Start();
    sat = &ShowOnSatInfo(kSat);
    ASSERT_NE(form->BandsEdit, nullptr) << "the Sat Info fields are not built";
  }
  // The user types the text into the field and leaves it.
  void Leave(QLineEdit* edit, const std::string& text) {
    edit->setText(QStr(text));
    edit->setModified(true);
    form->EditFieldExit(edit);
  }
  // An angle field's number, read as the page wrote it.
  static double AngleIn(const QLineEdit* edit) {
    std::string t = AnsiStr(edit->text());
    std::replace(t.begin(), t.end(), DegreeSign, ' ');
    double v = NAN;
    EXPECT_TRUE(TryStrToFloat(Trim(t), v)) << t;
    return v;
  }

  TSat* sat = nullptr;
};

TEST_F(SatEditTest, ReportedLongitude) {
  const struct {
    std::string typed;
    double stored;
    bool edited;
  } cases[] = {
      {"19.2E", 19.2, true}, {"5W", -5, true},    {"-3.5", -3.5, true}, {"12.5\xB0", 12.5, true},
      {"19.2O", 19.2, true}, {"letters", 7, false}, {"E", 7, false},     {"", 0, true},
      {"7", 7, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("typed " + c.typed);
    sat->SatInfo.RepLongitude = 7;
    Options->SatInfoEdited = false;
    Leave(form->RepLongitudeEdit, c.typed);
    EXPECT_DOUBLE_EQ(sat->SatInfo.RepLongitude, c.stored);
    EXPECT_EQ(Options->SatInfoEdited, c.edited);
  }
  // The page shows the stored value again, in its own form.
  Leave(form->RepLongitudeEdit, "19.2E");
  EXPECT_EQ(AnsiStr(form->RepLongitudeEdit->text()), "19.200\xB0 E");
}

TEST_F(SatEditTest, ALongitudeFieldLeftAsShownChangesNothing) {
  // No reported longitude: the page shows the log's (rounded to three decimals).
  sat->SatInfo.RepLongitude = 0;
  sat->GeoLog.Longitude = -22.00049;
  form->ShowSatInfo(*sat);
  Options->SatInfoEdited = false;
  form->EditFieldExit(form->RepLongitudeEdit);
  EXPECT_EQ(sat->SatInfo.RepLongitude, 0);
  EXPECT_FALSE(Options->SatInfoEdited);
}

TEST_F(SatEditTest, PulseCount) {
  form->InfoPageControl->setCurrentWidget(form->RotorTabSheet);
  sat->SatInfo.IgnorePC = false;
  sat->SatInfo.PulseCount = 1000;
  Sats->CalcPulseFit();
  form->ShowSatInfo(*sat);
  const int counted = Sats->FitCount;
  const struct {
    std::string typed;
    std::int32_t stored;
    bool edited;
    int fitCount;
  } cases[] = {
      {"1000", 1000, false, counted},
      {"1200", 1200, true, counted},
      {"", PulseCountUnset, true, counted - 1},
      {"twelve", PulseCountUnset, false, counted - 1},
      {"-40", -40, true, counted},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("typed " + c.typed);
    Options->SatInfoEdited = false;
    Leave(form->PulseCountEdit, c.typed);
    EXPECT_EQ(sat->SatInfo.PulseCount, c.stored);
    EXPECT_EQ(Options->SatInfoEdited, c.edited);
    EXPECT_EQ(Sats->FitCount, c.fitCount);
  }
}

TEST_F(SatEditTest, RotorHourAngle) {
  form->InfoPageControl->setCurrentWidget(form->RotorTabSheet);
  sat->SatInfo.PulseCount = 1000;
  sat->SatInfo.DynHA = false;
  sat->SatInfo.RotorHA = -10;
  form->ShowSatInfo(*sat);
  Options->SatInfoEdited = false;
  form->EditFieldExit(form->RotorHAEdit);  // left as shown
  EXPECT_FALSE(Options->SatInfoEdited);
  Leave(form->RotorHAEdit, "10");  // the value it holds
  EXPECT_FALSE(Options->SatInfoEdited);

  Leave(form->RotorHAEdit, "12\xB0");
  EXPECT_EQ(sat->SatInfo.RotorHA, -12);
  EXPECT_TRUE(Options->SatInfoEdited);
  EXPECT_DOUBLE_EQ(AngleIn(form->RotorHAEdit), 12);

  Options->SatInfoEdited = false;
  Leave(form->RotorHAEdit, "twelve");
  EXPECT_EQ(sat->SatInfo.RotorHA, -12);
  EXPECT_FALSE(Options->SatInfoEdited);

  // With "Dynamic" ticked the field shows the computed hour angle and takes nothing.
  sat->SatInfo.DynHA = true;
  form->ShowSatInfo(*sat);
  ASSERT_TRUE(form->DynHACheckBox->isChecked());
  Leave(form->RotorHAEdit, "33");
  EXPECT_EQ(sat->SatInfo.RotorHA, -12);
  EXPECT_FALSE(Options->SatInfoEdited);
  EXPECT_NEAR(AngleIn(form->RotorHAEdit), Normalize180(-sat->SatPos.HA), 0.0005);
}

TEST_F(SatEditTest, TextFields) {
  Options->SatInfoEdited = false;
  Leave(form->BandsEdit, "  Ku C Ka L S X 12345678901  ");  // 25 characters inside the blanks
  EXPECT_EQ(sat->SatInfo.Bands.str(), "Ku C Ka L S X 123456");
  EXPECT_TRUE(Options->SatInfoEdited);
  Options->SatInfoEdited = false;
  Leave(form->BandsEdit, "Ku C Ka L S X 123456");
  EXPECT_FALSE(Options->SatInfoEdited);

  form->RemarksMemo->setPlainText("first line\nsecond line\n");
  form->EditFieldExit(form->RemarksMemo);
  EXPECT_EQ(sat->SatInfo.Remarks, "first line\r\nsecond line");
  EXPECT_EQ(form->RemarksMemo->toPlainText().toStdString(), "first line\nsecond line");

  Options->SatInfoEdited = false;
  Leave(form->StoredPosEdit, " 17 ");
  EXPECT_EQ(sat->SatInfo.StoredPos, "17");
  EXPECT_TRUE(Options->SatInfoEdited);

}

TEST_F(SatEditTest, RenamingRefillsTheListAndSelectsTheNewName) {
  Options->SatInfoEdited = false;
  Leave(form->SatNameEdit, "  aaa first  ");
  EXPECT_EQ(sat->Name, "aaa first");
  EXPECT_TRUE(Options->SatInfoEdited);
  EXPECT_EQ(Sats->FindSat("AAA FIRST"), sat);
  ASSERT_GE(form->SatListBox->currentRow(), 0);
  EXPECT_EQ(form->SatListBox->currentItem()->text().toStdString(), "aaa first");
  EXPECT_EQ(form->SatListBox->count(), static_cast<int>(Sats->GetSatNameList().size()));

  // An empty name is no name.
  Options->SatInfoEdited = false;
  Leave(form->SatNameEdit, "   ");
  EXPECT_EQ(sat->Name, "aaa first");
  EXPECT_FALSE(Options->SatInfoEdited);
  EXPECT_EQ(AnsiStr(form->SatNameEdit->text()), "aaa first");
}

TEST_F(SatEditTest, TheEmptySatelliteTakesNoEdit) {
  form->ShowSatInfo(EmptySat);
  Options->SatInfoEdited = false;
  const size_t names = Sats->NameCount();
  Leave(form->SatNameEdit, "Ghost");
  Leave(form->BandsEdit, "Ku");
  form->DynHACheckBox->setChecked(!form->DynHACheckBox->isChecked());
  EXPECT_EQ(Sats->NameCount(), names);
  EXPECT_EQ(Sats->FindSat("Ghost"), &EmptySat);
  EXPECT_TRUE(EmptySat.SatInfo.Bands.empty());
  EXPECT_TRUE(EmptySat.Name.empty());
  EXPECT_FALSE(Options->SatInfoEdited);
}

TEST_F(SatEditTest, CheckBoxes) {
  form->InfoPageControl->setCurrentWidget(form->RotorTabSheet);
  sat->SatInfo.PulseCount = 1000;
  sat->SatInfo.DynHA = true;
  sat->SatInfo.IgnorePC = false;
  sat->SatInfo.RotorHA = 0;
  Options->SatInfoEdited = false;
  form->ShowSatInfo(*sat);  // sets the boxes: not an edit
  EXPECT_FALSE(Options->SatInfoEdited);
  ASSERT_NE(sat->SatPos.HA, 0);

  // Clearing "Dynamic": the rotor's hour angle starts where the satellite stands.
  const std::string shown = AnsiStr(form->RotorHAEdit->text());
  form->DynHACheckBox->setChecked(false);
  EXPECT_FALSE(sat->SatInfo.DynHA);
  EXPECT_EQ(sat->SatInfo.RotorHA, sat->SatPos.HA);
  EXPECT_TRUE(Options->SatInfoEdited);
  EXPECT_EQ(AnsiStr(form->RotorHAEdit->text()), shown);

  const int counted = Sats->FitCount;
  form->IgnorePCCheckBox->setChecked(true);
  EXPECT_TRUE(sat->SatInfo.IgnorePC);
  EXPECT_FALSE(sat->SatInfo.DynHA);
  EXPECT_EQ(Sats->FitCount, counted - 1);
}

TEST_F(SatEditTest, ModelListsPutTheirAngleIntoTheEdit) {
  ASSERT_NE(form->DishBrandComboBox, nullptr);
  ASSERT_NE(form->RotorBrandComboBox, nullptr);
  EXPECT_EQ(form->DishBrandComboBox->count(), 30);
  EXPECT_EQ(form->RotorBrandComboBox->count(), 3);
  EXPECT_EQ(form->DishBrandComboBox->width(), 22);
  const struct {
    QComboBox* list;
    const char* item;
    QLineEdit* edit;
    double angle;
  } cases[] = {
      {form->DishBrandComboBox, "Gibertini 88er Alu  (21.1)", form->DishOffsetEdit, 21.1},
      {form->DishBrandComboBox, "Any Prime Focus (0)", form->DishOffsetEdit, 0},
      {form->DishBrandComboBox, "Jonsa S055 (24.62)", form->DishOffsetEdit, 24.62},
      {form->RotorBrandComboBox, "Moteck SG-2100 (40)", form->RotorAngleEdit, 40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    form->DishBrandComboBoxDropDown(c.list);
    EXPECT_EQ(c.list->width(), 160);
    const int index = c.list->findText(c.item);
    ASSERT_GE(index, 0);
    c.list->setCurrentIndex(index);
    form->DishBrandComboBoxCloseUp(c.list);
    EXPECT_EQ(c.list->width(), 22);
    EXPECT_DOUBLE_EQ(AngleIn(c.edit), c.angle);
  }
  // Closed again without a choice: an angle typed meanwhile stays.
  form->DishOffsetEdit->setText("5");
  form->DishBrandComboBoxDropDown(form->DishBrandComboBox);
  form->DishBrandComboBoxCloseUp(form->DishBrandComboBox);
  EXPECT_DOUBLE_EQ(AngleIn(form->DishOffsetEdit), 5);
}

TEST_F(SatEditTest, TheClockStopsWhileAFieldIsEdited) {
  form->InfoRealTimeCheckBox->setChecked(true);  // real time on the Sat Info page
  ASSERT_TRUE(form->ClockTimer->isActive());
  form->EditFieldEnter(form->BandsEdit);
  EXPECT_FALSE(form->ClockTimer->isActive());
  Leave(form->BandsEdit, "Ku");
  EXPECT_TRUE(form->ClockTimer->isActive());

  // Keys in the dish offset stop it too; Enter takes the value.
  char key = '2';
  form->DishOffsetEditKeyPress(form->DishOffsetEdit, key);
  EXPECT_FALSE(form->ClockTimer->isActive());
  form->DishOffsetEdit->setText(QStr("26\xB0"));
  key = '\r';
  form->DishOffsetEditKeyPress(form->DishOffsetEdit, key);
  EXPECT_TRUE(form->ClockTimer->isActive());
  EXPECT_EQ(AnsiStr(form->DishOffsetEdit->text()), "26.0\xB0");

  // On a page without the clock the timer stays off.
  form->MainPageControl->setCurrentWidget(form->ObstacleTabSheet);
  form->InfoRealTimeCheckBox->setChecked(false);
  form->EditFieldExit(form->BandsEdit);
  EXPECT_FALSE(form->ClockTimer->isActive());
}

}  // namespace
