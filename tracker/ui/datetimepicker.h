// Date and time pickers of the clock: a date-time edit that shows either the date or the time
// of one full date-time value (days since 30 December 1899), kept exactly as set.
#pragma once

#include <QDateTimeEdit>

#include "format.h"

class TDateTimePicker : public QDateTimeEdit {
  Q_OBJECT
 public:
  enum class TKind { Date, Time };
  explicit TDateTimePicker(TKind kind, QWidget* parent = nullptr);

  TKind Kind() const { return kind_; }
  // The full date-time value, whatever part is shown.
  TDateTime Value() const { return value_; }
  // Sets the value without raising `Changed` (as the toolkit's pickers do for code changes).
  void SetValue(TDateTime value);

 signals:
  // The user changed the shown part; `Value()` holds the new full value.
  void Changed();

 private:
  void OnEdited(const QDateTime& shown);
  void Show();

  TKind kind_;
  TDateTime value_ = 0;
  bool setting_ = false;
};
