// A spin button: two small arrow buttons, up above down, standing beside an edit. It holds no
// value; the window reacts to the clicks of its two buttons.
#pragma once

#include <QWidget>

class QToolButton;

class TSpinButton : public QWidget {
 public:
  explicit TSpinButton(QWidget* parent = nullptr);

  // The arrows, named "UpButton" and "DownButton".
  QToolButton* UpButton = nullptr;
  QToolButton* DownButton = nullptr;
};
