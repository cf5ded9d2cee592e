// The clock of the main window: real time, the stepped simulation, the step buttons, the six
// date-time pickers kept equal, and the time steps of the "Shortcuts" menu.
//
// The shown time (the value of `InfoDatePicker`) is local time; the collection computes in UTC,
// the shown time minus the current offset of local time from UTC.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>

#include "datetimepicker.h"
#include "format.h"
#include "satmain.h"
#include "sats.h"

namespace {

constexpr double kMinute = 1.0 / 1440;   // days
constexpr double kQuarter = 1.0 / 96;    // 15 minutes
constexpr int kRealTimeIntervalMs = 1000;
constexpr int kSimulationIntervalMs = 100;

// A time the clock may show: after 30 December 1899 and no later than the year 9999.
bool ValidClockTime(TDateTime t) {
  TDateTimeParts parts;
  return t > 0 && TryDecodeDateTime(t, parts);
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// t moved by whole calendar months: the same day, or the last day of a shorter month, at the
// same time of day. False when the result is outside the calendar.
bool IncMonth(TDateTime t, int months, TDateTime& result) {
  TDateTimeParts p;
  if (!TryDecodeDateTime(t, p)) return false;
  const int index = p.Year * 12 + (p.Month - 1) + months;
  const int year = index >= 0 ? index / 12 : -((-index + 11) / 12);
  const int month = index - year * 12 + 1;
  if (year < 1 || year > 9999) return false;
  const int day = std::min(p.Day, DaysInMonth(year, month));
  TDateTime date = 0;
  if (!TryEncodeDate(year, month, day, date)) return false;
  const double time = std::fabs(t - std::trunc(t));
  result = date >= 0 ? date + time : date - time;
  return true;
}

// Runs the pickers' enter handler when one of them receives the focus from the user (not when
// the window is activated again or a picker's calendar closes), or is clicked into: the focus of
// a window that the click activates arrives as the window's.
class TPickerFocusWatcher : public QObject {
 public:
  explicit TPickerFocusWatcher(TSatForm* form) : QObject(form), form_(form) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) {
      QObject* picker = watched;
      while (picker && !qobject_cast<TDateTimePicker*>(picker)) picker = picker->parent();
      if (picker) form_->DateTimePickerClick(picker);
    } else if (event->type() == QEvent::FocusIn && qobject_cast<TDateTimePicker*>(watched)) {
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) form_->DateTimePickerClick(watched);
    }
    return false;
  }

 private:
  TSatForm* form_;
};

}  // namespace

void TSatForm::ConnectClockHandlers() {
  for (QCheckBox* box : {LocRealTimeCheckBox, InfoRealTimeCheckBox, ObstRealTimeCheckBox})
    connect(box, &QCheckBox::toggled, this, [this, box] { RealTimeCheckBoxClick(box); });
  for (QToolButton* b : {LocTimerButton, InfoTimerButton, ObstTimerButton})
    connect(b, &QToolButton::clicked, this, [this, b] { TimerButtonClick(b); });
  for (QToolButton* b : {LocClockDownButton, LocClockUpButton, InfoClockDownButton, InfoClockUpButton,
                         ObstClockDownButton, ObstClockUpButton})
    connect(b, &QToolButton::clicked, this, [this, b] { InfoClockButtonClick(b); });
  auto* watcher = new TPickerFocusWatcher(this);
  for (TDateTimePicker* p : {InfoDatePicker, InfoTimePicker, LocDatePicker, LocTimePicker, ObstDatePicker,
                             ObstTimePicker}) {
    p->installEventFilter(watcher);
    if (auto* text = p->findChild<QLineEdit*>()) text->installEventFilter(watcher);
  }
}

void TSatForm::StopRealTime() {
  if (!InfoRealTimeCheckBox->isChecked()) return;
  {
    const QSignalBlocker block(InfoRealTimeCheckBox);
    InfoRealTimeCheckBox->setChecked(false);
  }
  RealTimeCheckBoxClick(InfoRealTimeCheckBox);
}

void TSatForm::RealTimeCheckBoxClick(QObject* Sender) {
  auto* box = qobject_cast<QCheckBox*>(Sender);
  if (!box) box = InfoRealTimeCheckBox;
  const bool on = box->isChecked();
  // The other boxes follow without running this handler again.
  for (QCheckBox* other : {LocRealTimeCheckBox, InfoRealTimeCheckBox, ObstRealTimeCheckBox})
    if (other != box) {
      const QSignalBlocker block(other);
      other->setChecked(on);
    }
  for (QToolButton* b : {LocTimerButton, InfoTimerButton, ObstTimerButton}) b->setChecked(false);
  ClockTimer->setInterval(kRealTimeIntervalMs);
  if (on)
    ClockTimer->start();
  else
    ClockTimer->stop();
  InfoDatePicker->SetValue(Now());
  DateTimePickerChange(InfoDatePicker);
}

void TSatForm::TimerButtonClick(QObject* Sender) {
  CommitPendingEdits();  // the clock runs over no field being edited
  bool running;
  if (InfoRealTimeCheckBox->isChecked()) {
    StopRealTime();
    running = true;
  } else {
    auto* button = qobject_cast<QToolButton*>(Sender);
    running = (button ? button : InfoTimerButton)->isChecked();
  }
  for (QToolButton* b : {LocTimerButton, InfoTimerButton, ObstTimerButton}) b->setChecked(running);
  ClockTimer->setInterval(kSimulationIntervalMs);
  if (running)
    ClockTimer->start();
  else
    ClockTimer->stop();
}

void TSatForm::InfoClockButtonClick(QObject* Sender) {
  const bool up = Sender != nullptr &&
                  (Sender == InfoClockUpButton || Sender == LocClockUpButton || Sender == ObstClockUpButton);
  CommitPendingEdits();  // before the time changes
  StopRealTime();
  if (InfoTimerButton->isChecked()) {
    // The simulation's speed: doubled or halved; below one minute the direction turns, so the
    // time never stands still.
    double step = ClockStep;
    if (!std::isfinite(step) || step == 0) step = kMinute;
    const double factor = step < 0 ? 0.5 : 2.0;
    step = up ? step * factor : step / factor;
    if (!std::isfinite(step)) return;  // as fast as it goes
    if (std::fabs(step) < kMinute) step = step < 0 ? kMinute : -kMinute;
    ClockStep = step;
    return;
  }
  const TDateTime x = InfoDatePicker->Value() + (up ? kQuarter : -kQuarter);
  if (!ValidClockTime(x)) return;
  InfoDatePicker->SetValue(x);
  DateTimePickerChange(InfoDatePicker);
}

void TSatForm::ClockTimerTimer() {
  // A tick in the middle of a page fill is skipped; the next one catches up.
  if (PageFilling()) return;
  // A field being typed into holds the clock, however its typing began; leaving the field runs
  // the clock again.
  if (FieldBeingEdited()) {
    ClockTimer->stop();
    return;
  }
  if (InfoRealTimeCheckBox->isChecked()) {
    InfoDatePicker->SetValue(Now());
  } else {
    const TDateTime x = InfoDatePicker->Value() + ClockStep;
    if (!ValidClockTime(x)) return;
    InfoDatePicker->SetValue(x);
  }
  // A tick only refreshes the page: a field being typed into (the clock runs on while the
  // obstacle's lengths or the place are typed) keeps exactly what was typed until the user
  // leaves it or presses Enter, so the tick takes no field.
  const QScopedValueRollback<bool> noCommit(committing_, true);
  DateTimePickerChange(InfoDatePicker);
}

void TSatForm::DateTimePickerClick(QObject* Sender) {
  // Entering a picker freezes the time.
  if (InfoRealTimeCheckBox->isChecked()) {
    StopRealTime();
    return;
  }
  if (InfoTimerButton->isChecked()) {
    InfoTimerButton->setChecked(false);
    TimerButtonClick(InfoTimerButton);
  }
}

void TSatForm::DateTimePickerChange(QObject* Sender) {
  if (PickerGuard) return;
  PickerGuard = true;
  auto* source = qobject_cast<TDateTimePicker*>(Sender);
  const TDateTime v = (source ? source : InfoDatePicker)->Value();
  for (TDateTimePicker* p : {InfoTimePicker, InfoDatePicker, LocTimePicker, LocDatePicker, ObstTimePicker,
                             ObstDatePicker})
    if (p != source) p->SetValue(v);
  PickerGuard = false;

  if (PageFilling()) {
    // The collection keeps its time until the fill ends; then the page is refreshed.
    pendingClock_ = true;
    return;
  }
  if (!Sats) return;
  Sats->UTC = v - OffsetFromUTC();
  const TPageFill fill(*this);
  QWidget* page = MainPageControl->currentWidget();
  if (page == LocationTabSheet)
    ShowLocationInfo();
  else if (page == SatInfoTabSheet || page == ObstacleTabSheet)
    SatListBoxClick(Sender);
  else
    MainPageControlChange(InfoDatePicker);
}

void TSatForm::MenuTimeClick(QObject* Sender) {
  CommitPendingEdits();  // before the time changes
  const TDateTime t = InfoDatePicker->Value();
  TDateTime x = 0;
  if (Sender != nullptr && (Sender == MonthInc || Sender == MonthDec)) {
    if (!IncMonth(t, Sender == MonthInc ? 1 : -1, x)) x = 0;
  } else if (Sender != nullptr) {
    const struct {
      QAction* inc;
      QAction* dec;
      double days;
    } steps[] = {{WeekInc, WeekDec, 7.0},           {DayInc, DayDec, 1.0},
                 {HoursInc, HoursDec, 6.0 / 24},    {HourInc, HourDec, 1.0 / 24},
                 {QuarterInc, QuarterDec, kQuarter}, {MinInc, MinDec, kMinute}};
    for (const auto& s : steps) {
      if (Sender == s.inc) x = t + s.days;
      if (Sender == s.dec) x = t - s.days;
    }
  }
  if (!ValidClockTime(x)) return;

  StopRealTime();
  if (InfoTimerButton->isChecked()) {
    for (QToolButton* b : {LocTimerButton, InfoTimerButton, ObstTimerButton}) b->setChecked(false);
    ClockTimer->setInterval(kRealTimeIntervalMs);
  }
  ClockTimer->stop();
  InfoDatePicker->SetValue(x);
  DateTimePickerChange(InfoDatePicker);
  // Show the new picture before a held shortcut repeats (input waits for the next turn).
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
