#include "satlisttestutil.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest/QTest>

#include <cstdlib>
#include <filesystem>

#include "datetimepicker.h"
#include "format.h"
#include "qtext.h"
#include "satmain.h"
#include "sats.h"

namespace satlisttest {

namespace {
// 1 December 2026, 12:00 UTC.
constexpr double kFrozenUtc = 46357.5;
}  // namespace

void SatListTest::SetUp() {
  if (!uitest::ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
  SetUiPrompts(&prompts);
}

void SatListTest::TearDown() {
  program.reset();
  folder.reset();
  SetUiPrompts(nullptr);
}

TSatForm* SatListTest::Start(const std::string& ini,
                             const std::function<void(const uitest::TProgramFolder&)>& prepare) {
  folder = std::make_unique<uitest::TProgramFolder>(ini);
  if (prepare) prepare(*folder);
  const char* argv[] = {"Velmar"};
  program = std::make_unique<TVelmarProgram>();
  form = program->Start(1, argv);
  form->resize(1000, 700);
  form->show();
  QApplication::processEvents();
  for (QCheckBox* box : {form->LocRealTimeCheckBox, form->InfoRealTimeCheckBox, form->ObstRealTimeCheckBox}) {
    const QSignalBlocker block(box);
    box->setChecked(false);
  }
  form->ClockTimer->stop();
  for (TDateTimePicker* p : {form->InfoDatePicker, form->InfoTimePicker, form->LocDatePicker, form->LocTimePicker,
                             form->ObstDatePicker, form->ObstTimePicker})
    p->SetValue(kFrozenUtc + OffsetFromUTC());
  Sats->UTC = kFrozenUtc;
  form->MainPageControl->setCurrentWidget(form->SatInfoTabSheet);
  form->MainPageControlChange(form->MainPageControl);
  return form;
}

TSat& SatListTest::ShowOnSatInfo(const std::string& name) {
  form->MainPageControl->setCurrentWidget(form->SatInfoTabSheet);
  const auto found = form->SatListBox->findItems(QStr(name), Qt::MatchFixedString);
  EXPECT_FALSE(found.isEmpty()) << name;
  if (!found.isEmpty()) {
    const QSignalBlocker block(form->SatListBox);
    form->SatListBox->setCurrentItem(found.front());
  }
  TSat* sat = Sats->FindSat(name);
  form->ShowSatInfo(*sat);
  return *sat;
}

bool WaitFor(const std::function<bool()>& done, int ms) {
  for (int waited = 0; !done() && waited < ms; waited += 10) QTest::qWait(10);
  return done();
}

void ShownWindowTest::StartShown(const std::function<void(const uitest::TProgramFolder&)>& prepare,
                                 const std::string& ini) {
  Start(ini, prepare);
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
}

void ShownWindowTest::ClickTab(QWidget* page) {
  QTabBar* bar = form->MainPageControl->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(form->MainPageControl->indexOf(page)).center());
  QApplication::processEvents();
  ASSERT_EQ(form->MainPageControl->currentWidget(), page);
}

void ShownWindowTest::ClickSat(const std::string& name) {
  const auto found = form->SatListBox->findItems(QStr(name), Qt::MatchFixedString);
  ASSERT_FALSE(found.isEmpty()) << name;
  form->SatListBox->scrollToItem(found.front());
  QTest::mouseClick(form->SatListBox->viewport(), Qt::LeftButton, {},
                    form->SatListBox->visualItemRect(found.front()).center());
  QApplication::processEvents();
}

void ShownWindowTest::TypeInto(QWidget* field, const std::string& text) {
  QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(4, field->height() / 2));
  EXPECT_EQ(QApplication::focusWidget(), field) << field->objectName().toStdString();
  TypeAtFocus(text);
}

void ShownWindowTest::TypeAtFocus(const std::string& text) {
  QWidget* focus = QApplication::focusWidget();
  if (!focus) return;
  QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(focus, QStr(text));
}

void ShownWindowTest::PressAtFocus(int key, Qt::KeyboardModifiers modifiers) {
  if (QWidget* focus = QApplication::focusWidget()) QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
}

void ShownWindowTest::ClickMenu(QMenu* menu, QAction* action, QMenu* sub, QAction* inner) {
  QMenuBar* bar = form->MainMenu1;
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
  ASSERT_TRUE(WaitFor([menu] { return menu->isVisible(); }));
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
  if (sub) {
    ASSERT_TRUE(WaitFor([sub] { return sub->isVisible(); }, 30000));
    QTest::mouseClick(sub, Qt::LeftButton, {}, sub->actionGeometry(inner).center());
  }
  QApplication::processEvents();
}

void ShownWindowTest::ClickInOpenList(QComboBox* box, const QString& item) {
  QAbstractItemView* view = box->view();
  const QModelIndex index = box->model()->index(box->findText(item), 0);
  ASSERT_TRUE(index.isValid()) << item.toStdString();
  view->scrollTo(index);
  for (int tries = 0; view->isVisible() && tries < 100; ++tries) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    WaitFor([view] { return !view->isVisible(); }, QApplication::doubleClickInterval());
  }
}

std::string TestOutFolder() {
  const char* env = std::getenv("VELMAR_TEST_OUT");
  const std::string dir = env && *env ? env : std::filesystem::temp_directory_path().string();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return dir;
}

}  // namespace satlisttest
