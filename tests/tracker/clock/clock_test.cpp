// The clock of the main window, driven by direct calls.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QToolButton>

#include <functional>

#include "clocktestutil.h"
#include "datetimepicker.h"
#include "log.h"
#include "options.h"
#include "sats.h"

using namespace clocktest;

namespace {

constexpr double kMinute = 1.0 / 1440;
constexpr double kMs = 1.0 / 86400000;

void ExpectAllPickers(TSatForm* f, TDateTime value) {
  for (TDateTimePicker* p : {f->InfoDatePicker, f->InfoTimePicker, f->LocDatePicker, f->LocTimePicker,
                             f->ObstDatePicker, f->ObstTimePicker})
    EXPECT_NEAR(p->Value(), value, kMs) << p->objectName().toStdString();
}

// The three "Real Time" boxes and the three start/stop buttons.
void ExpectMode(TSatForm* f, bool realTime, bool simulation) {
  for (QCheckBox* b : {f->LocRealTimeCheckBox, f->InfoRealTimeCheckBox, f->ObstRealTimeCheckBox})
    EXPECT_EQ(b->isChecked(), realTime) << b->objectName().toStdString();
  for (QToolButton* b : {f->LocTimerButton, f->InfoTimerButton, f->ObstTimerButton})
    EXPECT_EQ(b->isChecked(), simulation) << b->objectName().toStdString();
  EXPECT_EQ(f->ClockTimer->isActive(), realTime || simulation);
}

TEST_F(ClockTest, SimulationSpeedHalvesAndDoublesAndTurnsBelowOneMinute) {
  Start();
  form->InfoTimerButton->click();
  ExpectMode(form, false, true);
  EXPECT_EQ(form->ClockTimer->interval(), 100);
  QToolButton* const down[] = {form->InfoClockDownButton, form->LocClockDownButton, form->ObstClockDownButton};
  QToolButton* const up[] = {form->InfoClockUpButton, form->LocClockUpButton, form->ObstClockUpButton};
  const struct {
    bool up;
    double minutes;
  } presses[] = {{false, -1}, {false, -2}, {false, -4}, {true, -2}, {true, -1}, {true, 1}, {true, 2},
                 {false, 1},  {false, -1}, {true, 1},   {true, 2},  {false, 1}};
  int n = 0;
  for (const auto& p : presses) {
    (p.up ? up : down)[n++ % 3]->click();
    EXPECT_DOUBLE_EQ(form->ClockStep, p.minutes * kMinute) << "press " << n;
  }
  ExpectMode(form, false, true);
  // Each tick adds the step.
  form->InfoClockDownButton->click();  // -1 minute
  ShowTime(At(2023, 5, 5, 5, 5));
  form->ClockTimerTimer();
  ExpectAllPickers(form, At(2023, 5, 5, 5, 4));
}

TEST_F(ClockTest, StoppedClockAndEditedPickersMoveAllSixAndTheCollection) {
  const TTimeZone zone("CET-1");
  Start();
  const TDateTime start = At(2024, 3, 10, 23, 50);
  ShowTime(start);
  ExpectMode(form, false, false);
  form->LocClockUpButton->click();
  ExpectAllPickers(form, start + 15 * kMinute);
  EXPECT_NEAR(Sats->UTC, start + 15 * kMinute - 1.0 / 24, kMs);
  EXPECT_EQ(form->ObstDatePicker->date(), QDate(2024, 3, 11));
  form->ObstClockDownButton->click();
  form->InfoClockDownButton->click();
  ExpectAllPickers(form, start - 15 * kMinute);
  EXPECT_NEAR(Sats->UTC, start - 15 * kMinute - 1.0 / 24, kMs);

  // The user types into one picker: the other five and the collection follow.
  form->ObstTimePicker->setTime(QTime(17, 45, 10));
  ExpectAllPickers(form, At(2024, 3, 10, 17, 45, 10));
  EXPECT_NEAR(Sats->UTC, At(2024, 3, 10, 16, 45, 10), kMs);
  form->LocDatePicker->setDate(QDate(2021, 12, 31));
  ExpectAllPickers(form, At(2021, 12, 31, 17, 45, 10));
  EXPECT_FALSE(form->PickerGuard);
}

TEST_F(ClockTest, RealTimeStartStopStepsAndPickersChangeTheMode) {
  Start();
  // The pickers' time, whole seconds, lies between the clock read before and after an action,
  // however long the action took.
  TDateTime before = 0;
  const auto act = [&](const std::function<void()>& action) {
    before = Now();
    action();
  };
  const auto shows = [&](TDateTime offset) {
    const TDateTime v = form->InfoDatePicker->Value();
    return v >= before + offset - 1.0 / 86400 && v <= Now() + offset + 1.0 / 86400;
  };
  // A step button leaves real time: one quarter on from the present.
  act([&] { form->ObstClockUpButton->click(); });
  ExpectMode(form, false, false);
  EXPECT_TRUE(shows(15 * kMinute));
  // Ticking any box: all three, at the present, one tick a second.
  act([&] { form->ObstRealTimeCheckBox->setChecked(true); });
  ExpectMode(form, true, false);
  EXPECT_EQ(form->ClockTimer->interval(), 1000);
  EXPECT_TRUE(shows(0));
  // Start/stop from real time starts the simulation.
  form->LocTimerButton->click();
  ExpectMode(form, false, true);
  // Entering a picker stops it, unless the focus only came back with the window.
  QFocusEvent activated(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(form->ObstTimePicker, &activated);
  ExpectMode(form, false, true);
  QFocusEvent tabbed(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(form->ObstTimePicker, &tabbed);
  ExpectMode(form, false, false);
  // The time menu stops real time and the simulation.
  act([&] {
    form->InfoRealTimeCheckBox->setChecked(true);
    form->DayInc->trigger();
  });
  ExpectMode(form, false, false);
  EXPECT_TRUE(shows(1));
  form->InfoTimerButton->click();
  const TDateTime t = form->InfoDatePicker->Value();
  form->WeekDec->trigger();
  ExpectMode(form, false, false);
  EXPECT_EQ(form->ClockTimer->interval(), 1000);
  ExpectAllPickers(form, t - 7);
}

TEST_F(ClockTest, TimeMenuStepsTheShownTime) {
  Start();
  const struct {
    const char* item;
    TDateTime from, to;
  } cases[] = {
      {"MonthInc", At(2023, 1, 31, 10, 0), At(2023, 2, 28, 10, 0)},
      {"MonthInc", At(2024, 1, 31, 10, 0), At(2024, 2, 29, 10, 0)},
      {"MonthInc", At(2023, 12, 15, 23, 59, 59), At(2024, 1, 15, 23, 59, 59)},
      {"MonthDec", At(2023, 3, 31, 6, 0), At(2023, 2, 28, 6, 0)},
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
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    ShowTime(c.from);
    form->findChild<QAction*>(c.item)->trigger();
    ExpectAllPickers(form, c.to);
    EXPECT_NEAR(Sats->UTC, c.to, kMs);
  }
}

TEST_F(ClockTest, TimeStepsOutsideTheCalendarChangeNothing) {
  Start();
  const struct {
    const char* item;
    TDateTime from;
  } cases[] = {
      {"MinDec", 30.0 / 86400},               // 30 December 1899 00:00:30
      {"MonthDec", At(1900, 1, 29, 0, 0)},    // 29 December 1899
      {"MonthInc", At(9999, 12, 31, 12, 0)},  // after the year 9999
      {"NextSat", At(2024, 1, 1, 0, 0)},      // not a time item
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    form->InfoRealTimeCheckBox->setChecked(true);
    form->InfoDatePicker->SetValue(c.from);
    form->DateTimePickerChange(form->InfoDatePicker);
    const TDateTime utc = Sats->UTC;
    form->MenuTimeClick(form->findChild<QAction*>(c.item));
    ExpectMode(form, true, false);  // the Real Time boxes included
    ExpectAllPickers(form, c.from);
    EXPECT_EQ(Sats->UTC, utc);
  }
  // Neither a step button nor a running simulation goes back past the first day.
  ShowTime(10 * kMinute);
  form->InfoClockDownButton->click();
  form->InfoTimerButton->click();
  for (int i = 0; i < 5; ++i) form->InfoClockDownButton->click();  // -16 minutes
  form->ClockTimerTimer();
  ExpectAllPickers(form, 10 * kMinute);
}

// ---- a clock tick, a time change or an apply arriving while a page is being filled ----------

TEST_F(ClockTest, TicksAndAppliesInsideTheSatelliteFillWaitForIt) {
  Start();
  ShowTime(At(2023, 8, 1, 12, 0));
  ASSERT_GE(form->SatListBox->count(), 2);
  // While the satellite is shown, a tick and the options dialog's Apply with new data files
  // arrive (as pending messages would).
  int fills = 0;
  bool reloadedInside = true;
  QObject::connect(form->SatNameEdit, &QLineEdit::textChanged, form, [&] {
    if (++fills > 1) return;
    const int logged = static_cast<int>(LogList.size());
    Options->FilesChanged = true;
    form->OptionsChanged(form);
    form->ClockTimerTimer();
    reloadedInside = IndexOfLine("Setting Files", logged) >= 0;
  });
  form->SatListBox->setCurrentRow(1);
  EXPECT_EQ(fills, 1);
  EXPECT_FALSE(reloadedInside);
  EXPECT_TRUE(Options->FilesChanged);
  ExpectAllPickers(form, At(2023, 8, 1, 12, 0));
  // Once the fill is over, the settings are applied and the files reloaded.
  const int logged = static_cast<int>(LogList.size());
  QCoreApplication::processEvents();
  EXPECT_FALSE(Options->FilesChanged);
  EXPECT_GE(IndexOfLine("Files Set", logged), 0);
  EXPECT_EQ(Sats->NameCount(), 33u);
  // The tick was dropped, not kept.
  ExpectAllPickers(form, At(2023, 8, 1, 12, 0));
}

TEST_F(ClockTest, ATimeChangeDuringAPageFillReachesTheCollectionAfterIt) {
  Start();
  ShowTime(At(2023, 8, 1, 12, 0));
  {
    const TSatForm::TPageFill fill(*form);
    form->HourInc->trigger();
    ExpectAllPickers(form, At(2023, 8, 1, 13, 0));
  }
  EXPECT_NEAR(Sats->UTC, At(2023, 8, 1, 12, 0), kMs);
  QCoreApplication::processEvents();
  EXPECT_NEAR(Sats->UTC, At(2023, 8, 1, 13, 0), kMs);
}

}  // namespace
