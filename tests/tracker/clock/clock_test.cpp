// The clock of the main window, driven by direct calls: real time, the simulation and its
// speed, the step buttons, the pickers kept equal, and the time menu.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <vector>

#include "clocktestutil.h"
#include "datetimepicker.h"
#include "log.h"
#include "options.h"
#include "sats.h"

using namespace clocktest;

namespace {

constexpr double kMinute = 1.0 / 1440;
constexpr double kMs = 1.0 / 86400000;

std::vector<TDateTimePicker*> Pickers(TSatForm* f) {
  return {f->InfoDatePicker, f->InfoTimePicker, f->LocDatePicker,
          f->LocTimePicker,  f->ObstDatePicker, f->ObstTimePicker};
}

void ExpectAllPickers(TSatForm* f, TDateTime value) {
  for (TDateTimePicker* p : Pickers(f)) EXPECT_NEAR(p->Value(), value, kMs) << p->objectName().toStdString();
}

void ExpectRealTime(TSatForm* f, bool on) {
  for (QCheckBox* b : {f->LocRealTimeCheckBox, f->InfoRealTimeCheckBox, f->ObstRealTimeCheckBox})
    EXPECT_EQ(b->isChecked(), on) << b->objectName().toStdString();
}

void ExpectTimerButtons(TSatForm* f, bool down) {
  for (QToolButton* b : {f->LocTimerButton, f->InfoTimerButton, f->ObstTimerButton})
    EXPECT_EQ(b->isChecked(), down) << b->objectName().toStdString();
}

TEST_F(ClockTest, SimulationSpeedHalvesAndDoublesAndTurnsBelowOneMinute) {
  Start();
  form->InfoTimerButton->click();  // real time off, simulation on
  ExpectRealTime(form, false);
  ExpectTimerButtons(form, true);
  EXPECT_TRUE(form->ClockTimer->isActive());
  EXPECT_EQ(form->ClockTimer->interval(), 100);
  ASSERT_DOUBLE_EQ(form->ClockStep, kMinute);

  QToolButton* const down[] = {form->InfoClockDownButton, form->LocClockDownButton, form->ObstClockDownButton};
  QToolButton* const up[] = {form->InfoClockUpButton, form->LocClockUpButton, form->ObstClockUpButton};
  const struct {
    bool up;
    double minutes;
  } presses[] = {{false, -1}, {false, -2}, {false, -4}, {true, -2}, {true, -1}, {true, 1}, {true, 2},
                 {false, 1},  {false, -1}, {true, 1},   {true, 2},  {true, 4},  {false, 2}, {false, 1}};
  int n = 0;
  for (const auto& p : presses) {
    (p.up ? up : down)[n++ % 3]->click();
    EXPECT_DOUBLE_EQ(form->ClockStep, p.minutes * kMinute) << "press " << n;
  }
  // The simulation keeps running; the shown time is not stepped by the buttons.
  EXPECT_TRUE(form->ClockTimer->isActive());
  ExpectTimerButtons(form, true);
  // Any other sender counts as a down press.
  form->InfoClockButtonClick(nullptr);
  EXPECT_DOUBLE_EQ(form->ClockStep, -kMinute);
}

TEST_F(ClockTest, StoppedClockStepsAllSixPickersByAQuarterInLocalTime) {
  const TTimeZone zone("CET-1");
  Start();
  const TDateTime start = At(2024, 3, 10, 23, 50);
  ShowTime(start);
  ExpectRealTime(form, false);
  EXPECT_FALSE(form->ClockTimer->isActive());

  form->LocClockUpButton->click();
  ExpectAllPickers(form, start + 15 * kMinute);
  EXPECT_NEAR(Sats->UTC, start + 15 * kMinute - 1.0 / 24, kMs);
  EXPECT_EQ(form->InfoDatePicker->date(), QDate(2024, 3, 11));
  EXPECT_EQ(form->ObstTimePicker->time(), QTime(0, 5));

  form->ObstClockDownButton->click();
  form->InfoClockDownButton->click();
  ExpectAllPickers(form, start - 15 * kMinute);
  EXPECT_NEAR(Sats->UTC, start - 15 * kMinute - 1.0 / 24, kMs);
  EXPECT_DOUBLE_EQ(form->ClockStep, kMinute);  // the speed is left alone
}

TEST_F(ClockTest, AStepButtonWithRealTimeOnStopsItFirst) {
  Start();
  ExpectRealTime(form, true);
  const TDateTime before = Now();
  form->ObstClockUpButton->click();
  ExpectRealTime(form, false);
  EXPECT_FALSE(form->ClockTimer->isActive());
  // From the present, one quarter on.
  EXPECT_GE(form->InfoDatePicker->Value(), before + 15 * kMinute - kMs);
  EXPECT_LE(form->InfoDatePicker->Value(), Now() + 15 * kMinute + kMs);
  ExpectAllPickers(form, form->InfoDatePicker->Value());
}

TEST_F(ClockTest, RealTimeBoxesFollowEachOther) {
  Start();
  form->InfoTimerButton->click();
  form->InfoTimerButton->click();  // simulation stopped again
  ShowTime(At(2020, 6, 1, 12, 0));
  EXPECT_FALSE(form->ClockTimer->isActive());

  form->ObstRealTimeCheckBox->setChecked(true);
  ExpectRealTime(form, true);
  ExpectTimerButtons(form, false);
  EXPECT_TRUE(form->ClockTimer->isActive());
  EXPECT_EQ(form->ClockTimer->interval(), 1000);
  EXPECT_NEAR(form->InfoDatePicker->Value(), Now(), 5.0 / 86400);
  ExpectAllPickers(form, form->InfoDatePicker->Value());
  EXPECT_NEAR(Sats->UTC, form->InfoDatePicker->Value(), kMs);  // UTC0

  // Unticking any box stops the clock at the present.
  form->InfoTimerButton->click();  // simulation from real time
  ExpectRealTime(form, false);
  ExpectTimerButtons(form, true);
  form->LocRealTimeCheckBox->setChecked(false);  // already off: nothing
  ExpectTimerButtons(form, true);
  form->LocRealTimeCheckBox->setChecked(true);
  form->LocRealTimeCheckBox->setChecked(false);
  ExpectRealTime(form, false);
  ExpectTimerButtons(form, false);
  EXPECT_FALSE(form->ClockTimer->isActive());
  EXPECT_NEAR(form->InfoDatePicker->Value(), Now(), 5.0 / 86400);
}

TEST_F(ClockTest, TicksFollowTheModeOfTheClock) {
  Start();
  // Simulation: each tick adds the step, backwards too.
  ShowTime(At(2023, 5, 5, 5, 5));
  form->ObstTimerButton->click();
  form->InfoClockDownButton->click();  // -1 minute
  form->InfoClockDownButton->click();  // -2 minutes
  form->ClockTimerTimer();
  form->ClockTimerTimer();
  ExpectAllPickers(form, At(2023, 5, 5, 5, 1));
  EXPECT_NEAR(Sats->UTC, At(2023, 5, 5, 5, 1), kMs);

  // A simulation running back to the first day of the calendar stops there.
  ShowTime(1.5 * kMinute);
  form->ClockTimerTimer();
  ExpectAllPickers(form, 1.5 * kMinute);

  // Real time: each tick shows the present.
  ShowTime(At(2001, 1, 1, 0, 0));
  form->InfoRealTimeCheckBox->setChecked(true);
  form->InfoDatePicker->SetValue(At(2001, 1, 1, 0, 0));
  form->ClockTimerTimer();
  EXPECT_NEAR(form->InfoDatePicker->Value(), Now(), 5.0 / 86400);
  ExpectAllPickers(form, form->InfoDatePicker->Value());
}

TEST_F(ClockTest, EnteringAPickerFreezesTheTime) {
  Start();
  // From real time: stopped at the present.
  form->DateTimePickerClick(form->LocDatePicker);
  ExpectRealTime(form, false);
  EXPECT_FALSE(form->ClockTimer->isActive());

  // From the simulation: stopped where it is.
  ShowTime(At(2022, 2, 2, 2, 2));
  form->InfoTimerButton->click();
  ASSERT_TRUE(form->ClockTimer->isActive());
  // A focus change caused by the window's activation leaves the clock running; the user's does not.
  QFocusEvent activated(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(form->ObstTimePicker, &activated);
  EXPECT_TRUE(form->ClockTimer->isActive());
  QFocusEvent tabbed(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(form->ObstTimePicker, &tabbed);
  EXPECT_FALSE(form->ClockTimer->isActive());
  ExpectTimerButtons(form, false);
  ExpectAllPickers(form, At(2022, 2, 2, 2, 2));
}

TEST_F(ClockTest, EditingOnePickerSetsTheOtherFiveAndTheCollection) {
  const TTimeZone zone("EST5");
  Start();
  ShowTime(At(2021, 7, 14, 8, 30));
  // The user types a time into the Obstacle page's time picker.
  form->ObstTimePicker->setTime(QTime(17, 45, 10));
  ExpectAllPickers(form, At(2021, 7, 14, 17, 45, 10));
  EXPECT_NEAR(Sats->UTC, At(2021, 7, 14, 22, 45, 10), kMs);
  EXPECT_FALSE(form->PickerGuard);
  // And a date into the Location page's date picker.
  form->LocDatePicker->setDate(QDate(2021, 12, 31));
  ExpectAllPickers(form, At(2021, 12, 31, 17, 45, 10));
  EXPECT_NEAR(Sats->UTC, At(2021, 12, 31, 22, 45, 10), kMs);
}

struct TimeMenuCase {
  const char* item;
  TDateTime from;
  TDateTime to;
};

TEST_F(ClockTest, TimeMenuStepsTheShownTime) {
  Start();
  const TimeMenuCase cases[] = {
      {"MonthInc", At(2023, 1, 31, 10, 0), At(2023, 2, 28, 10, 0)},
      {"MonthInc", At(2024, 1, 31, 10, 0), At(2024, 2, 29, 10, 0)},
      {"MonthInc", At(2023, 12, 15, 23, 59, 59), At(2024, 1, 15, 23, 59, 59)},
      {"MonthDec", At(2023, 3, 31, 6, 0), At(2023, 2, 28, 6, 0)},
      {"MonthDec", At(2024, 1, 10, 0, 0), At(2023, 12, 10, 0, 0)},
      {"WeekInc", At(2023, 12, 28, 1, 0), At(2024, 1, 4, 1, 0)},
      {"WeekDec", At(2023, 3, 1, 1, 0), At(2023, 2, 22, 1, 0)},
      {"DayInc", At(2024, 2, 28, 12, 0), At(2024, 2, 29, 12, 0)},
      {"DayDec", At(2024, 3, 1, 12, 0), At(2024, 2, 29, 12, 0)},
      {"HoursInc", At(2024, 5, 1, 20, 0), At(2024, 5, 2, 2, 0)},
      {"HoursDec", At(2024, 5, 1, 2, 0), At(2024, 4, 30, 20, 0)},
      {"HourInc", At(2024, 5, 1, 23, 30), At(2024, 5, 2, 0, 30)},
      {"HourDec", At(2024, 5, 1, 0, 30), At(2024, 4, 30, 23, 30)},
      {"QuarterInc", At(2024, 5, 1, 10, 50), At(2024, 5, 1, 11, 5)},
      {"QuarterDec", At(2024, 5, 1, 10, 5), At(2024, 5, 1, 9, 50)},
      {"MinInc", At(2024, 12, 31, 23, 59, 30), At(2025, 1, 1, 0, 0, 30)},
      {"MinDec", At(2024, 5, 1, 10, 0), At(2024, 5, 1, 9, 59)},
  };
  for (const TimeMenuCase& c : cases) {
    SCOPED_TRACE(c.item);
    ShowTime(c.from);
    form->findChild<QAction*>(c.item)->trigger();
    ExpectAllPickers(form, c.to);
    EXPECT_NEAR(Sats->UTC, c.to, kMs);
  }
}

TEST_F(ClockTest, TimeMenuStopsRealTimeAndTheSimulation) {
  Start();
  form->DayInc->trigger();
  ExpectRealTime(form, false);
  EXPECT_FALSE(form->ClockTimer->isActive());
  EXPECT_NEAR(form->InfoDatePicker->Value(), Now() + 1, 5.0 / 86400);

  form->InfoTimerButton->click();
  ASSERT_TRUE(form->ClockTimer->isActive());
  const TDateTime t = form->InfoDatePicker->Value();
  form->WeekDec->trigger();
  ExpectTimerButtons(form, false);
  EXPECT_FALSE(form->ClockTimer->isActive());
  EXPECT_EQ(form->ClockTimer->interval(), 1000);
  ExpectAllPickers(form, t - 7);
}

TEST_F(ClockTest, TimeStepsOutsideTheCalendarAreIgnored) {
  Start();
  const struct {
    const char* item;
    TDateTime from;
  } cases[] = {
      {"MinDec", 30.0 / 86400},               // 30 December 1899 00:00:30
      {"DayDec", 0.75},                       // 30 December 1899 18:00
      {"MonthDec", At(1900, 1, 29, 0, 0)},    // 29 December 1899 would be before the first day
      {"MonthInc", At(9999, 12, 31, 12, 0)},  // after the year 9999
      {"NextSat", At(2024, 1, 1, 0, 0)},      // not a time item
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    // Real time stays on: the time is put into the pickers without a change event.
    form->InfoRealTimeCheckBox->setChecked(true);
    for (TDateTimePicker* p : Pickers(form)) p->SetValue(c.from);
    const TDateTime utc = Sats->UTC;
    form->MenuTimeClick(form->findChild<QAction*>(c.item));
    ExpectRealTime(form, true);
    EXPECT_TRUE(form->ClockTimer->isActive());
    ExpectAllPickers(form, c.from);
    EXPECT_EQ(Sats->UTC, utc);
  }
  form->MenuTimeClick(nullptr);
  ExpectRealTime(form, true);

  // A quarter step down from the first quarter of the first day is ignored as well.
  ShowTime(10 * kMinute);
  form->InfoClockDownButton->click();
  ExpectAllPickers(form, 10 * kMinute);
}

// ---- a clock tick, a time change or an apply arriving while a page is being filled ----------

TEST_F(ClockTest, ATickDuringAPageFillIsSkipped) {
  Start();
  ShowTime(At(2023, 8, 1, 12, 0));  // stopped: a tick adds the step
  {
    const TSatForm::TPageFill fill(*form);
    form->ClockTimerTimer();
    ExpectAllPickers(form, At(2023, 8, 1, 12, 0));
    EXPECT_NEAR(Sats->UTC, At(2023, 8, 1, 12, 0), kMs);
  }
  QCoreApplication::processEvents();
  ExpectAllPickers(form, At(2023, 8, 1, 12, 0));  // nothing was held back
  form->ClockTimerTimer();
  ExpectAllPickers(form, At(2023, 8, 1, 12, 1));
}

TEST_F(ClockTest, ATimeChangeDuringAPageFillReachesTheCollectionAfterIt) {
  Start();
  ShowTime(At(2023, 8, 1, 12, 0));
  {
    const TSatForm::TPageFill fill(*form);
    form->HourInc->trigger();
    ExpectAllPickers(form, At(2023, 8, 1, 13, 0));
    EXPECT_NEAR(Sats->UTC, At(2023, 8, 1, 12, 0), kMs);
  }
  EXPECT_NEAR(Sats->UTC, At(2023, 8, 1, 12, 0), kMs);
  QCoreApplication::processEvents();
  EXPECT_NEAR(Sats->UTC, At(2023, 8, 1, 13, 0), kMs);
}

TEST_F(ClockTest, TicksAndAppliesInsideTheSatelliteFillWaitForIt) {
  Start();
  ShowTime(At(2023, 8, 1, 12, 0));
  ASSERT_GE(form->SatListBox->count(), 2);
  const int satellites = static_cast<int>(Sats->NameCount());

  // While the satellite is shown, a tick and the options dialog's Apply with new data files
  // arrive (as pending messages would).
  int fills = 0, nested = 0;
  bool reloadedInside = false;
  QObject::connect(form->SatNameEdit, &QLineEdit::textChanged, form, [&] {
    ++fills;
    if (fills > 1) {
      ++nested;
      return;
    }
    const int logged = static_cast<int>(LogList.size());
    Options->FilesChanged = true;
    form->OptionsChanged(form);
    form->ClockTimerTimer();
    reloadedInside = IndexOfLine("Setting Files", logged) >= 0;
    EXPECT_EQ(static_cast<int>(Sats->NameCount()), satellites);
  });
  form->SatListBox->setCurrentRow(1);
  EXPECT_FALSE(reloadedInside);
  EXPECT_EQ(nested, 0);
  EXPECT_TRUE(Options->FilesChanged);
  ExpectAllPickers(form, At(2023, 8, 1, 12, 0));

  // Once the fill is over, the settings are applied and the files reloaded.
  const int logged = static_cast<int>(LogList.size());
  QCoreApplication::processEvents();
  EXPECT_FALSE(Options->FilesChanged);
  EXPECT_GE(IndexOfLine("Files Set", logged), 0);
  EXPECT_EQ(static_cast<int>(Sats->NameCount()), satellites);
  EXPECT_EQ(form->PageFillDepth, 0);
}

}  // namespace
