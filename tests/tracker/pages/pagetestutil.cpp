#include "pagetestutil.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTimer>

#include "clarkebelt.h"
#include "datetimepicker.h"
#include "format.h"
#include "qtext.h"
#include "satmain.h"
#include "sats.h"

namespace pagetest {

void PageTest::SetUp() {
  if (!uitest::ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
  SetUiPrompts(&prompts);
}

void PageTest::TearDown() {
  program.reset();
  folder.reset();
  SetUiPrompts(nullptr);
}

TSatForm* PageTest::Start(const std::string& ini, int width, int height) {
  folder = std::make_unique<uitest::TProgramFolder>(ini);
  const char* argv[] = {"Velmar"};
  program = std::make_unique<TVelmarProgram>();
  form = program->Start(1, argv);
  form->resize(width, height);
  form->show();
  QApplication::processEvents();
  return form;
}

void PageTest::FreezeAt(double utc) {
  for (QCheckBox* box : {form->LocRealTimeCheckBox, form->InfoRealTimeCheckBox, form->ObstRealTimeCheckBox}) {
    const QSignalBlocker block(box);
    box->setChecked(false);
  }
  form->ClockTimer->stop();
  for (TDateTimePicker* p : {form->InfoDatePicker, form->InfoTimePicker, form->LocDatePicker, form->LocTimePicker,
                             form->ObstDatePicker, form->ObstTimePicker})
    p->SetValue(utc + OffsetFromUTC());
  Sats->UTC = utc;
  // The lists of the Sat Info page are made for that moment (the filters may depend on it).
  form->MainPageControl->setCurrentWidget(form->SatInfoTabSheet);
  form->MainPageControlChange(form->MainPageControl);
}

void PageTest::SelectInList(const std::string& name) {
  const QSignalBlocker block(form->SatListBox);
  const auto found = form->SatListBox->findItems(QStr(name), Qt::MatchFixedString);
  ASSERT_FALSE(found.isEmpty()) << name;
  form->SatListBox->setCurrentItem(found.front());
}

QPoint PixelOf(TClarkeBelt& view, TSat& sat) {
  view.CurSat = &sat;
  int x = 0, y = 0;
  double angle = 0;
  view.SatToXY(x, y, angle);
  return {x, y};
}

int CountColour(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
  return n;
}

int CountColourNear(const QImage& image, QPoint p, int r, QRgb colour) {
  int n = 0;
  for (int y = p.y() - r; y <= p.y() + r; ++y)
    for (int x = p.x() - r; x <= p.x() + r; ++x)
      if (image.valid(x, y) && image.pixel(x, y) == colour) ++n;
  return n;
}

}  // namespace pagetest
