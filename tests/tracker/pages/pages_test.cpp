// Turning the main window's pages: the clock per page, the menus, the caption, the refill of
// the satellite lists, and the small handlers that lead into a page refresh.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <stdexcept>

#include "clarkebelt.h"
#include "log.h"
#include "pagetestutil.h"
#include "polarmaps.h"
#include "satmain.h"
#include "sats.h"
#include "sundial.h"

using namespace pagetest;

namespace {

bool LogHas(const std::string& line) {
  for (const std::string& l : LogList)
    if (l.find("  " + line) != std::string::npos) return true;
  return false;
}

TEST_F(PageTest, EveryPageSetsItsClockMenusAndCaption) {
  Start();
  const std::string selected = form->SatListBox->currentItem()->text().toStdString();
  ASSERT_FALSE(selected.empty());
  // Real time is on: views tick every minute, the clock pages every second, list and tools not at all.
  const struct {
    QWidget* page;
    int interval;  // 0: timer off
    bool view, stars, showSats, clarkeOnly, selectFields, saveSatCsv;
    bool captionIsSatellite;
  } cases[] = {
      // page                       ms    view   stars  sats   clarke select save   caption
      {form->LocationTabSheet, 1000, false, false, false, false, false, false, false},
      {form->SatInfoTabSheet, 1000, false, false, false, false, false, true, true},
      {form->ClarkeTabSheet, 60000, true, true, true, true, false, false, true},
      {form->SatGroundMapTabSheet, 60000, true, false, false, false, false, false, false},
      {form->SunDialTabSheet, 60000, true, false, true, false, false, false, false},
      {form->HATabSheet, 60000, true, false, false, false, false, false, false},
      {form->ElevMapTabSheet, 60000, true, false, false, false, false, false, false},
      {form->SatListTabSheet, 0, false, false, false, false, true, true, false},
      // The Obstacle page shows the selected satellite, whose name becomes the caption.
      {form->ObstacleTabSheet, 1000, false, false, false, false, false, false, true},
      {form->ToolsTabSheet, 0, false, false, false, false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page->objectName().toStdString());
    form->MainPageControl->setCurrentWidget(c.page);
    EXPECT_EQ(form->ClockTimer->isActive(), c.interval != 0);
    if (c.interval) {
      EXPECT_EQ(form->ClockTimer->interval(), c.interval);
    }
    EXPECT_EQ(form->MenuView->menuAction()->isVisible(), c.view);
    EXPECT_EQ(form->MenuStars->menuAction()->isVisible(), c.stars);
    EXPECT_EQ(form->MenuViewGroundMap->isVisible(), c.showSats);
    EXPECT_EQ(form->MenuViewSunInFront->isVisible(), c.clarkeOnly);
    EXPECT_EQ(form->MenuViewProportional->isVisible(), c.clarkeOnly);
    EXPECT_EQ(form->MenuSelectFields->isVisible(), c.selectFields);
    EXPECT_EQ(form->MenuSaveSatCsv->isVisible(), c.saveSatCsv);
    EXPECT_EQ(form->windowTitle().toStdString(), c.captionIsSatellite ? selected : "Umbrisk");
    EXPECT_EQ(QApplication::focusWidget(), nullptr);
  }
}

TEST_F(PageTest, WithoutRealTimeNoPageRunsTheClock) {
  Start();
  for (QCheckBox* box : {form->LocRealTimeCheckBox, form->InfoRealTimeCheckBox, form->ObstRealTimeCheckBox}) {
    const QSignalBlocker block(box);
    box->setChecked(false);
  }
  for (int i = 0; i < form->MainPageControl->count(); ++i) {
    form->MainPageControl->setCurrentIndex(i);
    EXPECT_FALSE(form->ClockTimer->isActive()) << i;
  }
}

TEST_F(PageTest, APageChangeStopsTheSimulation) {
  Start();
  for (QCheckBox* box : {form->LocRealTimeCheckBox, form->InfoRealTimeCheckBox, form->ObstRealTimeCheckBox}) {
    const QSignalBlocker block(box);
    box->setChecked(false);
  }
  for (QToolButton* b : {form->InfoTimerButton, form->LocTimerButton, form->ObstTimerButton}) b->setChecked(true);
  form->ClockTimer->start(100);
  form->MainPageControl->setCurrentWidget(form->LocationTabSheet);
  for (QToolButton* b : {form->InfoTimerButton, form->LocTimerButton, form->ObstTimerButton})
    EXPECT_FALSE(b->isChecked()) << b->objectName().toStdString();
  EXPECT_FALSE(form->ClockTimer->isActive());
}

TEST_F(PageTest, WithoutTheCollectionOnlyTheCaptionAndTheLogChange) {
  Start();
  form->MainPageControl->setCurrentWidget(form->ClarkeTabSheet);
  const int items = form->SatListBox->count();
  TSats* keep = Sats;
  Sats = nullptr;
  form->MainPageControlChange(form->MainPageControl);
  Sats = keep;
  EXPECT_EQ(form->windowTitle().toStdString(), "Something smells fishy");
  EXPECT_TRUE(LogHas("MainPageControl changed while Sats = Nil"));
  EXPECT_EQ(form->SatListBox->count(), items);
}

TEST_F(PageTest, SatInfoAndObstacleRefillBothListsAndKeepTheCurrentSatellite) {
  Start();
  const std::vector<std::string> names = Sats->GetSatNameList();
  ASSERT_GT(names.size(), 3u);
  const struct {
    std::string edit;  // text of the name field before the change
    int index;         // expected selection
    std::string after; // the name field afterwards
  } cases[] = {
      {names[2], 2, names[2]},
      {QString::fromStdString(names[3]).toLower().toStdString(), 3, QString::fromStdString(names[3]).toLower().toStdString()},
      {"NO SUCH SATELLITE", 0, names[0]},
  };
  QWidget* pages[] = {form->ObstacleTabSheet, form->SatInfoTabSheet};
  int round = 0;
  for (const auto& c : cases) {
    QWidget* page = pages[round++ % 2];
    SCOPED_TRACE(c.edit + " on " + page->objectName().toStdString());
    form->MainPageControl->setCurrentWidget(form->LocationTabSheet);
    form->SatNameEdit->setText(QString::fromStdString(c.edit));
    form->MainPageControl->setCurrentWidget(page);
    ASSERT_EQ(form->SatListBox->count(), static_cast<int>(names.size()));
    ASSERT_EQ(form->ObstSatListBox->count(), static_cast<int>(names.size()));
    for (int i = 0; i < form->SatListBox->count(); ++i) {
      EXPECT_EQ(form->SatListBox->item(i)->text().toStdString(), names[static_cast<size_t>(i)]);
      EXPECT_EQ(form->ObstSatListBox->item(i)->text(), form->SatListBox->item(i)->text());
    }
    const std::string caption = "Satellites (" + std::to_string(names.size()) + ")";
    EXPECT_EQ(form->SatSelectGroupBox->title().toStdString(), caption);
    EXPECT_EQ(form->ObstSatSelectGroupBox->title().toStdString(), caption);
    EXPECT_EQ(form->SatListBox->currentRow(), c.index);
    EXPECT_EQ(form->ObstSatListBox->currentRow(), c.index);
    EXPECT_EQ(form->SatNameEdit->text().compare(QString::fromStdString(c.after), Qt::CaseInsensitive), 0);
    // The satellite at the selection is the one shown; the dish plot sits on the page.
    ASSERT_NE(form->CurrentSat, nullptr);
    EXPECT_EQ(form->CurrentSat->Name, names[static_cast<size_t>(c.index)]);
    EXPECT_TRUE(page->isAncestorOf(form->DishPlotScrollBox));
  }
}

TEST_F(PageTest, ResizingRedrawsTheShownPageOnly) {
  Start();
  form->MainPageControl->setCurrentWidget(form->ClarkeTabSheet);
  std::vector<TTextCall> shown, hidden;
  ClarkeBelt->Canvas().SetTextRecorder(&shown);
  SatGroundMap->Canvas().SetTextRecorder(&hidden);
  form->TabSheetResize(form->SatGroundMapTabSheet);
  form->TabSheetResize(form->ObstacleTabSheet);
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(hidden.empty());
  form->TabSheetResize(form->ClarkeTabSheet);
  EXPECT_FALSE(shown.empty());
  EXPECT_TRUE(hidden.empty());

  // A real resize of the window: the shown view follows the page; the hidden one keeps its picture.
  shown.clear();
  const QSize before = SatGroundMap->Picture().size();
  form->resize(form->width() + 60, form->height() + 40);
  QApplication::processEvents();
  EXPECT_FALSE(shown.empty());
  EXPECT_TRUE(hidden.empty());
  EXPECT_EQ(ClarkeBelt->Picture().size(), form->ClarkeTabSheet->size());
  EXPECT_EQ(SatGroundMap->Picture().size(), before);
  ClarkeBelt->Canvas().SetTextRecorder(nullptr);
  SatGroundMap->Canvas().SetTextRecorder(nullptr);
}

TEST_F(PageTest, ViewMenuItemsRedrawTheShownView) {
  Start();
  form->MainPageControl->setCurrentWidget(form->ClarkeTabSheet);
  ASSERT_FALSE(ClarkeBelt->ShowStars);
  form->MenuMag5->trigger();
  EXPECT_TRUE(ClarkeBelt->ShowStars);
  EXPECT_EQ(ClarkeBelt->StarMagLimit, 5);
  form->MenuViewGroundMap->trigger();  // "Show Satellites" off
  EXPECT_FALSE(ClarkeBelt->ShowSats);
  form->MainPageControl->setCurrentWidget(form->SunDialTabSheet);
  form->MenuViewGroundMap->trigger();  // on again: the sun dial shows the satellite half
  EXPECT_TRUE(SunDial->ShowSats);
}

TEST_F(PageTest, PrinterSetupRunsTheDialogAndLogsItsFailure) {
  Start();
  form->MenuPrintSetup->trigger();
  EXPECT_EQ(prompts.PrintDialogs, 1);
  EXPECT_FALSE(LogHas("Error executing Printer Setup"));

  struct TFailingPrompts : uitest::TScriptedPrompts {
    bool ExecutePrinterSetupDialog(TPrinterSetupDialog&) override { throw std::runtime_error("no printer"); }
  } failing;
  SetUiPrompts(&failing);
  EXPECT_NO_THROW(form->MenuPrintSetupClick(form->MenuPrintSetup));
  SetUiPrompts(&prompts);
  EXPECT_TRUE(LogHas("Error executing Printer Setup"));
  EXPECT_TRUE(failing.Messages.empty());
}

TEST_F(PageTest, TheRotorSubPageRefitsThePulsesAndShowsTheSatellite) {
  Start();
  form->MainPageControl->setCurrentWidget(form->SatInfoTabSheet);
  form->SatListBox->setCurrentRow(1);
  Sats->FitCount = -1;  // a value the fit never leaves
  form->InfoPageControl->setCurrentWidget(form->RotorTabSheet);
  EXPECT_GE(Sats->FitCount, 0);
  ASSERT_NE(form->CurrentSat, nullptr);
  EXPECT_EQ(form->CurrentSat->Name, form->SatListBox->item(1)->text().toStdString());
  Sats->FitCount = -1;
  form->InfoPageControl->setCurrentWidget(form->XYTabSheet);
  EXPECT_EQ(Sats->FitCount, -1);
}

}  // namespace
