// Drawing the belt-family views through the main window: sizes and fonts, the star and menu
// flags, the drawing order with the selected satellite last, and the Sun and the Moon behind
// or in front.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QListWidget>
#include <QPageLayout>
#include <QPrinter>
#include <QScrollArea>
#include <QTabWidget>

#include <cmath>
#include <set>

#include "anglehelpers.h"
#include "astro_transforms.h"
#include "clarkebelt.h"
#include "format.h"
#include "imagewidget.h"
#include "options.h"
#include "pagetestutil.h"
#include "polarmaps.h"
#include "satmain.h"
#include "sats.h"
#include "sundial.h"

using namespace pagetest;

namespace {

const std::string kFontIni =
    "[Update]\r\nAutoUpdate=0\r\n[Font]\r\nFontName=DejaVu Sans\r\nFontSize=9\r\n"
    "PrintFontName=Verdana\r\nPrintFontSize=15\r\n";

// 12 October 2026, 10:46 UTC: seen from the default observer (52.083 N, 5.133 E) the Sun stands
// within 0.03 degree of the sample satellite "HOTBIRD 13B" (a solar outage).
TDateTime OutageTime() { return EncodeDate(2026, 10, 12) + EncodeTime(10, 46, 0, 0); }
const char* const kOutageSat = "HOTBIRD 13B";

// Names of the listed satellites in the order the view wrote them.
std::vector<std::string> NamesDrawn(const std::vector<TTextCall>& texts, const QListWidget* list) {
  std::set<std::string> listed;
  for (int i = 0; i < list->count(); ++i) listed.insert(list->item(i)->text().toStdString());
  std::vector<std::string> out;
  for (const TTextCall& t : texts)
    if (listed.count(t.Text)) out.push_back(t.Text);
  return out;
}

TEST_F(PageTest, ExplicitSizesAboveTheScreenUseThePrintFont) {
  Start(kFontIni);
  const struct {
    int width, height;
    const char* font;
    int size;
  } cases[] = {
      {1025, 700, "Verdana", 15},
      {1000, 769, "Verdana", 15},
      {1024, 768, "DejaVu Sans", 9},
      {640, 480, "DejaVu Sans", 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    form->DrawView(ClarkeBelt, c.width, c.height);
    EXPECT_EQ(ClarkeBelt->ViewFont.Name, c.font);
    EXPECT_EQ(ClarkeBelt->ViewFont.Size(), c.size);
    EXPECT_EQ(ClarkeBelt->Picture().size(), QSize(c.width, c.height));
    EXPECT_FALSE(form->ClarkeScrollBox->widgetResizable());
  }
}

TEST_F(PageTest, LargeIsOneAndAHalfTimesThePageRoundedHalfToEven) {
  Start(kFontIni);
  form->MainPageControl->setCurrentWidget(form->ClarkeTabSheet);
  // A page of 903 x 603 pixels: 1354.5 x 904.5 rounds to 1354 x 904.
  const QSize page = form->ClarkeTabSheet->size();
  form->resize(form->width() + 903 - page.width(), form->height() + 603 - page.height());
  QApplication::processEvents();
  ASSERT_EQ(form->ClarkeTabSheet->size(), QSize(903, 603));

  form->MenuViewLarge->trigger();
  EXPECT_EQ(ClarkeBelt->Picture().size(), QSize(1354, 904));
  EXPECT_EQ(form->ClarkeImage->size(), QSize(1354, 904));
  EXPECT_FALSE(form->ClarkeScrollBox->widgetResizable());
  EXPECT_EQ(ClarkeBelt->ViewFont.Name, "DejaVu Sans");
  // Every view takes the Clarke-belt page's size; the polar maps keep their proportions.
  form->MainPageControl->setCurrentWidget(form->HATabSheet);
  const QSize ha = HAMap->Picture().size();
  EXPECT_TRUE(ha.width() == 1354 || ha.height() == 904) << ha.width() << " x " << ha.height();

  form->MainPageControl->setCurrentWidget(form->ClarkeTabSheet);
  form->MenuViewPrint->trigger();
  QSize printSize(4488, 5906);
  if (form->Printer) {
    const QRect r = form->Printer->pageLayout().paintRectPixels(form->Printer->resolution());
    if (!r.isEmpty()) printSize = r.size();
  }
  EXPECT_EQ(ClarkeBelt->Picture().size(), printSize);
  EXPECT_EQ(ClarkeBelt->ViewFont.Name, "DejaVu Sans");  // the screen font, whatever the size

  form->MenuViewNormal->trigger();
  EXPECT_EQ(ClarkeBelt->Picture().size(), QSize(903, 603));
  EXPECT_TRUE(form->ClarkeScrollBox->widgetResizable());
}

TEST_F(PageTest, StarMenuSetsTheClarkeBeltOnly) {
  Start();
  form->MainPageControl->setCurrentWidget(form->ClarkeTabSheet);
  const struct {
    QAction* item;
    double limit;
    bool stars;
  } cases[] = {{form->MenuMag3, 3, true},     {form->MenuMag4, 4, true}, {form->MenuMag5, 5, true},
               {form->MenuMagAll, 50, true},  {form->MenuMagHide, -30, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item->text().toStdString());
    c.item->trigger();
    EXPECT_EQ(ClarkeBelt->StarMagLimit, c.limit);
    EXPECT_EQ(ClarkeBelt->ShowStars, c.stars);
  }
  // No magnitude ticked at all: "Hide" is ticked again.
  form->MenuMagGroup->setExclusive(false);
  form->MenuMagHide->setChecked(false);
  form->DrawView(ClarkeBelt, 0, 0);
  form->MenuMagGroup->setExclusive(true);
  EXPECT_TRUE(form->MenuMagHide->isChecked());
  EXPECT_EQ(ClarkeBelt->StarMagLimit, -30);

  form->MenuShowStarDsg->trigger();
  form->MenuViewProportional->trigger();
  EXPECT_TRUE(ClarkeBelt->ShowStarDsg);
  EXPECT_TRUE(ClarkeBelt->Proportional);
  const double expected = Normalize360(static_cast<double>(astro::GreenwichSiderealTime(Sats->UTC)) + Options->ObsLon);
  EXPECT_NEAR(ClarkeBelt->LclStarTime, expected, 1e-9);

  // The derived views keep their own settings.
  SatGroundMap->StarMagLimit = 4.0;
  form->MainPageControl->setCurrentWidget(form->SatGroundMapTabSheet);
  EXPECT_EQ(SatGroundMap->StarMagLimit, 4.0);
  EXPECT_FALSE(SatGroundMap->ShowStars);
  EXPECT_FALSE(SatGroundMap->ShowStarDsg);
  EXPECT_EQ(SatGroundMap->UTC, Sats->UTC);
}

TEST_F(PageTest, TheSelectedSatelliteIsDrawnLastAndRed) {
  Start();
  FreezeAt(OutageTime());
  SelectInList("ASTRA 1KR");
  for (TClarkeBelt* view : {ClarkeBelt, static_cast<TClarkeBelt*>(SatGroundMap), static_cast<TClarkeBelt*>(HAMap),
                            static_cast<TClarkeBelt*>(ElevMap)}) {
    SCOPED_TRACE(view->Title);
    std::vector<TTextCall> texts;
    view->Canvas().SetTextRecorder(&texts);
    form->DrawView(view, 0, 0);
    view->Canvas().SetTextRecorder(nullptr);
    const std::vector<std::string> names = NamesDrawn(texts, form->SatListBox);
    ASSERT_GT(names.size(), 5u);
    EXPECT_EQ(names.back(), "ASTRA 1KR");
    EXPECT_EQ(std::count(names.begin(), names.end(), "ASTRA 1KR"), 1);
  }
  // On the Clarke belt its disc is the only red one.
  form->DrawView(ClarkeBelt, 0, 0);
  const QPoint at = PixelOf(*ClarkeBelt, *Sats->FindSat("ASTRA 1KR"));
  const int red = CountColour(ClarkeBelt->Picture(), kRed);
  EXPECT_GT(red, 0);
  EXPECT_EQ(CountColourNear(ClarkeBelt->Picture(), at, 3, kRed), red);
  EXPECT_GT(CountColour(ClarkeBelt->Picture(), kBlue), 10 * red);
}

TEST_F(PageTest, SunInFrontCoversASatelliteAtTheSamePlace) {
  Start();
  FreezeAt(OutageTime());
  SelectInList("ASTRA 1KR");
  form->MainPageControl->setCurrentWidget(form->ClarkeTabSheet);
  TSat& sun = *Sats->FindSat(Sats->NameOfNorad(SunNoradNr));
  TSat& sat = *Sats->FindSat(kOutageSat);
  ASSERT_TRUE(sun.SatPos.Visible && sun.SatPos.Elevation > 0);
  const QPoint at = PixelOf(*ClarkeBelt, sat);
  ASSERT_LE((PixelOf(*ClarkeBelt, sun) - at).manhattanLength(), 1) << "the Sun has left the satellite";

  ASSERT_TRUE(form->MenuViewSunInFront->isChecked());
  form->DrawView(ClarkeBelt, 0, 0);
  EXPECT_EQ(ClarkeBelt->Picture().pixel(at), kYellow);
  EXPECT_EQ(CountColourNear(ClarkeBelt->Picture(), at, 2, kBlue), 0);

  form->MenuViewSunInFront->trigger();  // behind
  EXPECT_EQ(ClarkeBelt->Picture().pixel(at), kBlue);
  EXPECT_GT(CountColourNear(ClarkeBelt->Picture(), at, 8, kYellow), 20);  // the Sun around it
}

TEST_F(PageTest, ASelectedSunOrMoonBehindMarksNoOtherSatellite) {
  // Without the band and visibility filters the Sun and the Moon are listed and selectable. In
  // name order "TURKSAT 4A" (well above the horizon) comes last once a selected body has been
  // moved to the end and taken out again: the satellite a mark by list position would hit.
  Start("[Update]\r\nAutoUpdate=0\r\n[Misc]\r\nFilterKu=0\r\nFilterVis=0\r\nSortLongitude=0\r\n");
  FreezeAt(OutageTime());
  form->MainPageControl->setCurrentWidget(form->ClarkeTabSheet);
  for (int nr : {SunNoradNr, MoonNoradNr}) {
    const std::string body = Sats->NameOfNorad(nr);
    SCOPED_TRACE(body);
    ASSERT_FALSE(body.empty());
    SelectInList(body);
    for (bool inFront : {false, true}) {
      form->MenuViewSunInFront->setChecked(inFront);
      std::vector<TTextCall> texts;
      ClarkeBelt->Canvas().SetTextRecorder(&texts);
      form->DrawView(ClarkeBelt, 0, 0);
      ClarkeBelt->Canvas().SetTextRecorder(nullptr);
      EXPECT_EQ(CountColour(ClarkeBelt->Picture(), kRed), 0) << "in front: " << inFront;
      EXPECT_GT(CountColour(ClarkeBelt->Picture(), kBlue), 0);
      EXPECT_GT(CountColour(ClarkeBelt->Picture(), kYellow), 0);
      // Every other listed satellite above the horizon is still written once.
      const std::vector<std::string> names = NamesDrawn(texts, form->SatListBox);
      EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    }
  }
}

TEST_F(PageTest, AnEmptyListStillShowsTheSunOnTheBelt) {
  Start();
  FreezeAt(OutageTime());
  form->MainPageControl->setCurrentWidget(form->ClarkeTabSheet);
  form->SatListBox->blockSignals(true);
  form->SatListBox->clear();
  form->SatListBox->blockSignals(false);
  for (bool inFront : {true, false}) {
    form->MenuViewSunInFront->setChecked(inFront);
    form->DrawView(ClarkeBelt, 0, 0);
    EXPECT_GT(CountColour(ClarkeBelt->Picture(), kYellow), 50);
    EXPECT_EQ(CountColour(ClarkeBelt->Picture(), kRed), 0);
    EXPECT_EQ(CountColour(ClarkeBelt->Picture(), kBlue), 0);
  }
}

TEST_F(PageTest, TheSunDialDrawsSatellitesOnlyWhenAsked) {
  Start();
  FreezeAt(OutageTime());
  form->MainPageControl->setCurrentWidget(form->SunDialTabSheet);
  for (bool show : {true, false}) {
    form->MenuViewGroundMap->setChecked(show);
    std::vector<TTextCall> texts;
    SunDial->Canvas().SetTextRecorder(&texts);
    form->DrawView(SunDial, 0, 0);
    SunDial->Canvas().SetTextRecorder(nullptr);
    EXPECT_EQ(SunDial->ShowSats, show);
    EXPECT_EQ(NamesDrawn(texts, form->SatListBox).empty(), !show);
  }
}

}  // namespace
