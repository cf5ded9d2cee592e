// The main window's first size: every page's controls and values fit in it with the fonts used.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "program.h"
#include "satmain.h"
#include "uitestutil.h"

using namespace uitest;

void PrintTo(const QRect& r, std::ostream* os) {
  *os << r.width() << "x" << r.height() << "+" << r.x() << "+" << r.y();
}

namespace {

// The part of `w` that shows on the screen: its rectangle, cut by every ancestor (scroll-area
// viewports included), in the window's coordinates.
QRect VisiblePart(QWidget* w) {
  QRect r(w->mapTo(w->window(), QPoint(0, 0)), w->size());
  for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
    r &= QRect(p->mapTo(w->window(), QPoint(0, 0)), p->size());
  return r;
}

class StartSizeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
    SetUiPrompts(&prompts);
    const char* argv[] = {"Velmar"};
    form = program.Start(1, argv);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    QApplication::processEvents();
  }
  void TearDown() override { SetUiPrompts(nullptr); }

  TScriptedPrompts prompts;
  TProgramFolder folder;
  TVelmarProgram program;
  TSatForm* form = nullptr;
};

TEST_F(StartSizeTest, EveryObservedValueShowsWholeAtTheFirstSize) {
  ASSERT_EQ(form->MainPageControl->currentWidget(), form->SatInfoTabSheet);
  const QRect screen = form->screen()->availableGeometry();
  EXPECT_LE(form->frameGeometry().width(), screen.width());
  EXPECT_LE(form->frameGeometry().height(), screen.height());
  const auto labels = form->ObservedGroupBox->findChildren<QLabel*>();
  ASSERT_GE(labels.size(), 30);
  int values = 0;
  for (QLabel* l : labels) {
    if (!l->isVisibleTo(form)) continue;
    SCOPED_TRACE(l->objectName().toStdString() + " \"" + l->text().toStdString() + "\"");
    const QRect all(l->mapTo(form, QPoint(0, 0)), l->size());
    EXPECT_EQ(VisiblePart(l), all);
    // The text is not cut.
    EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text()));
    if (!l->objectName().endsWith("DescLabel") && !l->text().isEmpty()) ++values;
  }
  EXPECT_GE(values, 12);
  // The sub-pages below the fields show whole, not as a strip.
  EXPECT_GE(form->InfoPageControl->height(), form->InfoPageControl->sizeHint().height());
  EXPECT_EQ(VisiblePart(form->InfoPageControl), QRect(form->InfoPageControl->mapTo(form, QPoint(0, 0)),
                                                       form->InfoPageControl->size()));
}

TEST_F(StartSizeTest, NoPageChangesTheWindowsSizeWhenFirstShown) {
  const QSize first = form->size();
  QTabBar* tabs = form->MainPageControl->tabBar();
  for (int i = 0; i < form->MainPageControl->count(); ++i) {
    SCOPED_TRACE(form->MainPageControl->tabText(i).toStdString());
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(i).center());
    QApplication::processEvents();
    EXPECT_EQ(form->MainPageControl->currentIndex(), i);
    EXPECT_EQ(form->size(), first);
  }
}

}  // namespace
