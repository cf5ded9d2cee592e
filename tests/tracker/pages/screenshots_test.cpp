// A look by a person: the five view pages of the running program with the sample satellites at
// a fixed moment, saved into the build folder ($VELMAR_TEST_OUT/velmar-page-*.png).
#include <QApplication>
#include <QListWidget>
#include <QTabWidget>

#include <cstdlib>
#include <set>

#include "clarkebelt.h"
#include "format.h"
#include "pagetestutil.h"
#include "polarmaps.h"
#include "satmain.h"
#include "sats.h"
#include "sundial.h"

using namespace pagetest;

namespace {

namespace fs = std::filesystem;

fs::path OutputFolder() {
  const char* out = std::getenv("VELMAR_TEST_OUT");
  const fs::path dir = out && *out ? fs::path(out) : fs::temp_directory_path();
  fs::create_directories(dir);
  return dir;
}

TEST_F(PageTest, ScreenshotsOfTheViewPages) {
  Start("[Update]\r\nAutoUpdate=0\r\n", 1000, 720);
  FreezeAt(EncodeDate(2026, 10, 12) + EncodeTime(10, 46, 0, 0));
  SelectInList("ASTRA 1KR");
  const struct {
    QWidget* page;
    TClarkeBelt* view;
    const char* file;
    bool names;  // satellite names written on the view
  } pages[] = {
      {form->ClarkeTabSheet, ClarkeBelt, "velmar-page-clarke-belt.png", true},
      {form->SatGroundMapTabSheet, SatGroundMap, "velmar-page-ground-map.png", true},
      {form->SunDialTabSheet, SunDial, "velmar-page-sun-dial.png", true},
      {form->HATabSheet, HAMap, "velmar-page-ha-map.png", true},
      {form->ElevMapTabSheet, ElevMap, "velmar-page-elev-map.png", true},
  };
  std::set<std::string> listed;
  for (int i = 0; i < form->SatListBox->count(); ++i) listed.insert(form->SatListBox->item(i)->text().toStdString());
  for (const auto& p : pages) {
    SCOPED_TRACE(p.file);
    std::vector<TTextCall> texts;
    p.view->Canvas().SetTextRecorder(&texts);
    form->MainPageControl->setCurrentWidget(p.page);
    QApplication::processEvents();
    p.view->Canvas().SetTextRecorder(nullptr);
    int named = 0;
    for (const TTextCall& t : texts) named += listed.count(t.Text) ? 1 : 0;
    EXPECT_GE(named, p.names ? 5 : 0);

    const QImage shot = form->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 5)
      for (int x = 0; x < shot.width(); x += 5) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 3u);
    EXPECT_TRUE(shot.save(QString::fromStdString((OutputFolder() / p.file).string())));
  }
}

}  // namespace
