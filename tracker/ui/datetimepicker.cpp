#include "datetimepicker.h"

#include <cmath>

namespace {

QDateTime ToQt(TDateTime value) {
  TDateTimeParts p;
  if (!TryDecodeDateTime(value, p)) return QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
  return QDateTime(QDate(p.Year, p.Month, p.Day), QTime(p.Hour, p.Minute, p.Second, p.MilliSecond),
                   Qt::UTC);
}

}  // namespace

TDateTimePicker::TDateTimePicker(TKind kind, QWidget* parent) : QDateTimeEdit(parent), kind_(kind) {
  setTimeSpec(Qt::UTC);
  setDisplayFormat(kind == TKind::Date ? "dd/MM/yyyy" : "HH:mm:ss");
  setCalendarPopup(kind == TKind::Date);
  setMinimumDateTime(QDateTime(QDate(1900, 1, 1), QTime(0, 0), Qt::UTC));
  connect(this, &QDateTimeEdit::dateTimeChanged, this, &TDateTimePicker::OnEdited);
  SetValue(Now());
}

void TDateTimePicker::SetValue(TDateTime value) {
  if (!std::isfinite(value)) return;
  value_ = value;
  Show();
}

void TDateTimePicker::Show() {
  setting_ = true;
  setDateTime(ToQt(value_));
  setting_ = false;
}

void TDateTimePicker::OnEdited(const QDateTime& shown) {
  if (setting_) return;
  const QDate d = shown.date();
  const QTime t = shown.time();
  TDateTime day = 0, time = 0;
  const TDateTime whole = std::trunc(value_);
  const TDateTime frac = std::fabs(value_ - whole);
  if (kind_ == TKind::Date) {
    if (!TryEncodeDate(d.year(), d.month(), d.day(), day)) return;
    value_ = day + frac;
  } else {
    if (!TryEncodeTime(t.hour(), t.minute(), t.second(), t.msec(), time)) return;
    value_ = whole >= 0 ? whole + time : whole - time;
  }
  emit Changed();
}
