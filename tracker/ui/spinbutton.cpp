#include "spinbutton.h"

#include <QToolButton>
#include <QVBoxLayout>

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent) {
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->setSpacing(0);
  const auto arrow = [this, lay](const char* name, Qt::ArrowType type) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setArrowType(type);
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(16, 11);
    lay->addWidget(b);
    return b;
  };
  UpButton = arrow("UpButton", Qt::UpArrow);
  DownButton = arrow("DownButton", Qt::DownArrow);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}
