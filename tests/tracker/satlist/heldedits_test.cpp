// What the user typed stays typed, in the shown main window driven with synthesized mouse and
// key events: a typed observer position is not replaced by the city's when the place box hides
// or its list closes without a choice; the shortcuts and buttons that change the shown
// satellite, page or time take the field being edited first, the main menu's shortcuts from
// inside every kind of field; a field clicked while the window is not active holds the clock;
// and text typed a key at a time while the clock ticks stays exactly as typed.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QButtonGroup>
#include <QSpinBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include <filesystem>
#include <string>

#include "datetimepicker.h"
#include "dishplots.h"
#include "format.h"
#include "optionform.h"
#include "options.h"
#include "qtext.h"
#include "sat.h"
#include "satlisttestutil.h"
#include "satmain.h"
#include "sats.h"
#include "toolplot.h"

using namespace satlisttest;
namespace fs = std::filesystem;

namespace {

constexpr const char* kSat = "SES-4";
constexpr int kLong = 30000;  // ms: generous, for a loaded machine

class HeldEditTest : public ShownWindowTest {
 protected:
  // The program folder holds the place files.
  static void WithPlaces(const uitest::TProgramFolder& f) {
    fs::copy(fs::path(uitest::BinFolder()) / "Countries", f.File("Countries"));
  }
  // Clicks into the box and opens its list.
  static void OpenList(QComboBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    QTest::keyClick(box, Qt::Key_F4);
    QTRY_VERIFY_WITH_TIMEOUT(box->view()->isVisible(), kLong);
  }
  // Waits for the box's list to close; the window in front is the main window again (the
  // headless platform leaves the closed list's window active).
  void ListClosed(QComboBox* box) {
    QTRY_VERIFY_WITH_TIMEOUT(!box->view()->isVisible(), kLong);
    form->activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), form, kLong);
  }
  std::string Remarks() const { return AnsiStr(form->RemarksMemo->toPlainText()); }
};

TEST_F(HeldEditTest, ATypedPositionStaysUntilTheUserPicksACity) {
  StartShown(WithPlaces, "[Update]\r\nAutoUpdate=0\r\n[Misc]\r\nSaveSettings=1\r\n[Observer]\r\nHomeCountry=Netherlands"
                         "\r\nHomeCity=Utrecht\r\nObsLat=52.083\r\nObsLon=5.133\r\nObsHeight=0\r\n");
  ClickTab(form->LocationTabSheet);
  QComboBox* city = form->CityComboBox;
  // The city list opened and closed without a choice.
  OpenList(city);
  QTest::keyClick(city->view(), Qt::Key_Escape);
  ListClosed(city);
  ASSERT_NE(form->GnsList, nullptr);
  QApplication::processEvents();
  EXPECT_DOUBLE_EQ(Options->ObsLon, 5.133);
  // A city typed into the box is taken by a shortcut pressed in it (Day +), as by leaving the box.
  const TDateTime day = form->InfoDatePicker->Value();
  TypeInto(city, "Aalsmeer");
  PressAtFocus(Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(Options->HomeCity, "Aalsmeer");
  EXPECT_DOUBLE_EQ(Options->ObsLat, 52.25917);
  EXPECT_NEAR(form->InfoDatePicker->Value() - day, 1, 1e-9);
  // A typed latitude, then a page switch there and back.
  TypeInto(form->LocObsLatEdit, "45N");
  PressAtFocus(Qt::Key_Return);
  ClickTab(form->SatInfoTabSheet);
  ClickTab(form->LocationTabSheet);
  EXPECT_DOUBLE_EQ(Options->ObsLat, 45);
  EXPECT_EQ(AnsiStr(form->LocObsLatEdit->text()).substr(0, 6), "45.000");
  // A picked city sets the observer; a height typed after it stays, also at exit.
  OpenList(city);
  ClickInOpenList(city, "Aalsmeer");
  ListClosed(city);
  QTRY_COMPARE_WITH_TIMEOUT(Options->HomeCity, std::string("Aalsmeer"), kLong);
  EXPECT_DOUBLE_EQ(Options->ObsLat, 52.25917);
  TypeInto(form->LocObsHeightEdit, "15");
  PressAtFocus(Qt::Key_Return);
  ClickTab(form->ClarkeTabSheet);
  ClickTab(form->LocationTabSheet);
  EXPECT_DOUBLE_EQ(Options->ObsHeight, 15);
  form->close();
  QApplication::processEvents();
  program.reset();
  const std::string ini = uitest::ReadFile(folder->File("Velmar.ini"));
  for (const char* line : {"HomeCity=Aalsmeer", "ObsHeight=15\r", "ObsLat=52.25917\r"})
    EXPECT_NE(ini.find(line), std::string::npos) << line << " in\n" << ini;
}

TEST_F(HeldEditTest, ShortcutsAndButtonsThatChangeTheShownSatelliteOrTimeTakeTheFieldFirst) {
  StartShown();
  constexpr auto kCtrl = Qt::ControlModifier;
  constexpr auto kCtrlAlt = Qt::ControlModifier | Qt::AltModifier;
  // Ctrl+Z (Next Sat) is a field's own undo, and Ctrl+U (6 Hours +) the line delete of a line
  // edit or spin box on X11 keyboards: the menu takes them from inside every field.
  const struct {
    const char* field;
    const char* typed;  // over the field's text; for the time picker, the up arrow (an hour on)
    int key;  // a shortcut; 0: "Next Sat" from the menu; -1: the sort button
    Qt::KeyboardModifiers modifiers;
    int step;      // rows from the satellite's row in the list as it then shows
    double hours;  // the shown time moved by
  } cases[] = {
      {"RemarksMemo", "Typed remark", Qt::Key_Z, kCtrlAlt, -1, 0},  // Previous Sat
      {"BandsEdit", "Ka", 0, {}, 1, 0},
      {"StoredPosEdit", "17", Qt::Key_H, kCtrl, 0, 1},  // Hour +
      {"RemarksMemo", "Day back", Qt::Key_D, kCtrlAlt, 0, -24},
      {"BandsEdit", "Ku sorted", -1, {}, 0, 0},
      {"BandsEdit", "Ku C T15", Qt::Key_Z, kCtrl, 1, 0},
      {"RemarksMemo", "Next one", Qt::Key_Z, kCtrl, 1, 0},
      {"StoredPosEdit", "18", Qt::Key_Z, kCtrl, 1, 0},
      {"BandsEdit", "Ku C", Qt::Key_U, kCtrl, 0, 6},  // still passes the Ku filter
      {"RemarksMemo", "Six hours on", Qt::Key_U, kCtrl, 0, 6},
      {"ToolGridSpinEdit", "15", Qt::Key_Z, kCtrl, 1, 0},
      {"ToolGridSpinEdit", "20", Qt::Key_U, kCtrl, 0, 6},
      {"ToolGridSpinEdit", "25", Qt::Key_Z, kCtrlAlt, -1, 0},
      {"InfoTimePicker", "", Qt::Key_Z, kCtrl, 1, 1},
      {"InfoTimePicker", "", Qt::Key_U, kCtrl, 0, 7},
      {"SatNameEdit", "SES-4 typed", Qt::Key_Z, kCtrlAlt, -1, 0},  // renames the satellite: last
  };
  const TDateTime start = form->InfoDatePicker->Value();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    SCOPED_TRACE(c.field);
    const std::string field = c.field;
    // Each case starts at the same moment (the visible satellites change with the time).
    form->InfoDatePicker->SetValue(start);
    form->DateTimePickerChange(form->InfoDatePicker);
    ClickTab(form->SatInfoTabSheet);
    ClickSat(kSat);
    TSat* sat = Sats->FindSat(kSat);
    ASSERT_EQ(form->CurrentSat, sat);
    if (field == "StoredPosEdit") form->InfoPageControl->setCurrentWidget(form->RotorTabSheet);
    if (field == "ToolGridSpinEdit") {
      ClickTab(form->ToolsTabSheet);
      QTest::mouseClick(form->ToolsRadioButtons->button(1), Qt::LeftButton, {}, QPoint(6, 6));  // "Degrees Square"
      ASSERT_TRUE(WaitFor([&] { return form->ToolGridSpinEdit->isVisible(); }));
    }
    const double before = form->InfoDatePicker->Value();
    if (field == "InfoTimePicker") {
      QWidget* text = form->InfoTimePicker->findChild<QLineEdit*>();
      QTest::mouseClick(text, Qt::LeftButton, {}, QPoint(4, text->height() / 2));
      ASSERT_EQ(QApplication::focusWidget(), form->InfoTimePicker);
      PressAtFocus(Qt::Key_Up);
    } else {
      TypeInto(form->findChild<QWidget*>(c.field), c.typed);
    }
    Options->SatInfoEdited = false;
    if (c.key > 0)
      PressAtFocus(c.key, c.modifiers);
    else if (c.key == 0)
      ClickMenu(form->MenuHelp, form->MenuTime->menuAction(), form->MenuTime, form->NextSat);
    else
      QTest::mouseClick(form->SortLonButton, Qt::LeftButton);
    QApplication::processEvents();
    if (field == "ToolGridSpinEdit") {
      EXPECT_EQ(form->ToolGridSpinEdit->text().toStdString(), c.typed);
      ASSERT_NE(ToolPlot, nullptr);
      EXPECT_EQ(ToolPlot->GridStep, std::stoi(c.typed));
    } else if (field != "InfoTimePicker") {
      const std::string stored = field == "RemarksMemo"   ? sat->SatInfo.Remarks
                                 : field == "BandsEdit"   ? sat->SatInfo.Bands.str()
                                 : field == "SatNameEdit" ? sat->Name
                                                          : sat->SatInfo.StoredPos;
      EXPECT_EQ(stored, c.typed);
      EXPECT_TRUE(Options->SatInfoEdited);
    }
    EXPECT_NEAR((form->InfoDatePicker->Value() - before) * 24, c.hours, 1e-6);
    EXPECT_NEAR(Sats->UTC + OffsetFromUTC() - form->InfoDatePicker->Value(), 0, 1e-6);
    const int row = form->SatListBox->row(form->SatListBox->findItems(QStr(sat->Name), Qt::MatchFixedString).value(0));
    ASSERT_GT(row, 0);
    const int want = row + c.step;
    EXPECT_EQ(form->SatListBox->currentRow(), want);
    EXPECT_EQ(form->SatNameEdit->text(), form->SatListBox->item(want)->text());
    if (c.key < 0) QTest::mouseClick(form->SortNameButton, Qt::LeftButton);
  }
}

TEST_F(HeldEditTest, AFieldClickedWhileTheWindowIsNotActiveHoldsTheClock) {
  enum class TThen { Tick, FileMenu, Nothing };
  const struct {
    bool optionsDialog;  // else another program's window is in front
    TThen then;
    bool picker;  // a time picker clicked, else the remarks
  } cases[] = {{true, TThen::Tick, false}, {true, TThen::FileMenu, false}, {false, TThen::Tick, false},
               {false, TThen::Nothing, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.optionsDialog);
    SCOPED_TRACE(static_cast<int>(c.then));
    StartShown();
    ClickSat(kSat);
    QTest::mouseClick(form->InfoRealTimeCheckBox, Qt::LeftButton, {}, QPoint(6, form->InfoRealTimeCheckBox->height() / 2));
    ASSERT_TRUE(form->InfoRealTimeCheckBox->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(form->ClockTimer->isActive(), kLong);
    QWidget other;
    QWidget* front = c.optionsDialog ? static_cast<QWidget*>(form->OptionForm) : &other;
    front->show();
    front->activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), front, kLong);
    if (c.optionsDialog) QTest::mouseClick(form->OptionForm->ApplyButton, Qt::LeftButton);
    // The click lands in the window in the back, which the window manager then activates.
    QWidget* target = c.picker ? form->InfoTimePicker->findChild<QLineEdit*>() : form->RemarksMemo->viewport();
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(4, 4));
    form->activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), form, kLong);
    if (c.picker) {  // the time is frozen
      EXPECT_FALSE(form->InfoRealTimeCheckBox->isChecked());
      EXPECT_FALSE(form->ClockTimer->isActive());
      continue;
    }
    ASSERT_EQ(QApplication::focusWidget(), form->RemarksMemo);
    TypeAtFocus("Typed after a click");
    ASSERT_EQ(Remarks(), "Typed after a click");
    // The user looks into the File menu meanwhile.
    if (c.then == TThen::FileMenu) {
      QTest::mouseClick(form->MainMenu1, Qt::LeftButton, {},
                        form->MainMenu1->actionGeometry(form->MenuFile->menuAction()).center());
      QTRY_VERIFY_WITH_TIMEOUT(form->MenuFile->isVisible(), kLong);
    }
    // A tick puts the stored text back; a held clock gives none.
    QTRY_VERIFY_WITH_TIMEOUT(!form->ClockTimer->isActive() || Remarks() != "Typed after a click", kLong);
    EXPECT_EQ(Remarks(), "Typed after a click");
    if (c.then == TThen::FileMenu) {
      QTest::keyClick(form->MenuFile, Qt::Key_Escape);
      QTRY_VERIFY_WITH_TIMEOUT(!form->MenuFile->isVisible(), kLong);
      EXPECT_EQ(Remarks(), "Typed after a click");
    }
    // Leaving the field takes the text and runs the clock again.
    ClickSat(kSat);
    EXPECT_EQ(Sats->FindSat(kSat)->SatInfo.Remarks, "Typed after a click");
    EXPECT_TRUE(form->ClockTimer->isActive());
    form->OptionForm->hide();
    TearDown();
    SetUp();
  }
}

TEST_F(HeldEditTest, TextTypedAKeyAtATimeStaysAsTypedWhileTheClockTicks) {
  StartShown();
  // Each key is typed after a tick of the real-time clock (a second) or the simulation (100 ms);
  // Enter then takes the text. The shadow edit stops the clock while it is typed into.
  const struct {
    const char* field;
    QWidget* clock;  // started for the case by a click
    const char* typed;
    const char* afterEnter;
    const double* value;  // what Enter made of it
    double expected;
  } cases[] = {
      {"ObstHeightEdit", form->ObstRealTimeCheckBox, "12.5", "12.5", &ObstPlot->ObstHeight, 12.5},
      {"ObstHeightEdit", form->ObstTimerButton, "12.5", "12.5", &ObstPlot->ObstHeight, 12.5},
      {"ObstDistEdit", form->ObstRealTimeCheckBox, "33.5", "33.5", &ObstPlot->ObstDist, 33.5},
      {"ObstDistEdit", form->ObstTimerButton, "33.5", "33.5", &ObstPlot->ObstDist, 33.5},
      {"DishHeightEdit", form->ObstRealTimeCheckBox, "1.25", "1.25", &ObstPlot->DishHeight, 1.25},
      {"DishHeightEdit", form->ObstTimerButton, "0.75", "0.75", &ObstPlot->DishHeight, 0.75},
      {"ObstShadowEdit", form->ObstTimerButton, "7.5", nullptr, nullptr, 0},
      {"LocObsLatEdit", form->LocRealTimeCheckBox, "45.5N", "45.500\xB0 N", &Options->ObsLat, 45.5},
      {"LocObsHeightEdit", form->LocTimerButton, "12", "12", &Options->ObsHeight, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    SCOPED_TRACE(c.clock->objectName().toStdString());
    auto* edit = form->findChild<QLineEdit*>(c.field);
    ASSERT_NE(edit, nullptr);
    ClickTab(form->LocationTabSheet->isAncestorOf(edit) ? form->LocationTabSheet : form->ObstacleTabSheet);
    QTest::mouseClick(c.clock, Qt::LeftButton, {}, QPoint(6, c.clock->height() / 2));
    QTRY_VERIFY_WITH_TIMEOUT(form->ClockTimer->isActive(), kLong);
    const bool held = c.value == nullptr;
    // A tick has passed when the collection's time moved on.
    const auto tick = [&] {
      const double before = Sats->UTC;
      return held ? !form->ClockTimer->isActive() : WaitFor([&] { return Sats->UTC != before; }, kLong);
    };
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(4, edit->height() / 2));
    ASSERT_EQ(QApplication::focusWidget(), edit);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    std::string typed;
    for (const char key : std::string(c.typed)) {
      ASSERT_TRUE(tick());
      QTest::keyClicks(edit, QString(QChar::fromLatin1(key)));
      typed += key;
      EXPECT_EQ(AnsiStr(edit->text()), typed);
    }
    ASSERT_TRUE(tick());
    EXPECT_EQ(AnsiStr(edit->text()), c.typed);
    QTest::keyClick(edit, Qt::Key_Return);
    QApplication::processEvents();
    if (held) {
      EXPECT_TRUE(form->ClockTimer->isActive());  // the clock runs again
    } else {
      EXPECT_EQ(AnsiStr(edit->text()), c.afterEnter);
      EXPECT_DOUBLE_EQ(*c.value, c.expected);
    }
    // The clock stopped for the next case (a new place already stopped the simulation).
    auto* box = qobject_cast<QCheckBox*>(c.clock);
    if (box ? box->isChecked() : static_cast<QToolButton*>(c.clock)->isChecked())
      QTest::mouseClick(c.clock, Qt::LeftButton, {}, QPoint(6, c.clock->height() / 2));
    QTRY_VERIFY_WITH_TIMEOUT(!form->ClockTimer->isActive(), kLong);
  }
}

TEST_F(HeldEditTest, AModelListClosedWithoutAChoiceKeepsATypedAngle) {
  StartShown();
  ClickSat(kSat);
  QComboBox* list = form->DishBrandComboBox;
  QTest::mouseClick(list, Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(list->view()->isVisible(), kLong);
  QTest::keyClick(list->view(), Qt::Key_Down);
  QTest::keyClick(list->view(), Qt::Key_Return);  // a model picked
  ListClosed(list);
  QTRY_COMPARE_WITH_TIMEOUT(list->width(), 22, kLong);
  ASSERT_FALSE(list->currentText().isEmpty());
  TypeInto(form->DishOffsetEdit, "25");
  PressAtFocus(Qt::Key_Return);
  QTest::mouseClick(list, Qt::LeftButton);  // opened again, closed without a choice
  QTRY_VERIFY_WITH_TIMEOUT(list->view()->isVisible(), kLong);
  QTest::keyClick(list->view(), Qt::Key_Escape);
  ListClosed(list);
  QTRY_COMPARE_WITH_TIMEOUT(list->width(), 22, kLong);
  EXPECT_EQ(AnsiStr(form->DishOffsetEdit->text()).substr(0, 4), "25.0");
}

}  // namespace
