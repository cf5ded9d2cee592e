// A look by a person: the running program on the Clarke-belt page with the sample satellites,
// saved to the build folder ($VELMAR_TEST_OUT/velmar-clarke-belt.png).
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <QTabWidget>

#include <cstdlib>
#include <set>

#include "canvas.h"
#include "clarkebelt.h"
#include "imagewidget.h"
#include "program.h"
#include "satmain.h"
#include "sats.h"
#include "uitestutil.h"

using namespace uitest;

namespace {

TEST(Screenshot, ClarkeBeltPageWithTheSampleSatellites) {
  if (!ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
  TScriptedPrompts prompts;
  SetUiPrompts(&prompts);
  {
    TProgramFolder folder;
    TVelmarProgram program;
    const char* argv[] = {"Velmar"};
    TSatForm* form = program.Start(1, argv);
    form->resize(1000, 700);
    form->show();
    QApplication::processEvents();

    std::vector<TTextCall> texts;
    ClarkeBelt->Canvas().SetTextRecorder(&texts);
    form->MainPageControl->setCurrentWidget(form->ClarkeTabSheet);
    QApplication::processEvents();
    ClarkeBelt->Canvas().SetTextRecorder(nullptr);

    EXPECT_TRUE(form->MenuView->menuAction()->isVisible());
    EXPECT_EQ(form->ClockTimer->interval(), 60000);
    // The view fills the page and names the listed satellites.
    EXPECT_EQ(ClarkeBelt->Picture().width(), form->ClarkeTabSheet->width());
    EXPECT_EQ(ClarkeBelt->Picture().height(), form->ClarkeTabSheet->height());
    std::set<std::string> drawn;
    for (const TTextCall& t : texts) drawn.insert(t.Text);
    int named = 0;
    for (int i = 0; i < form->SatListBox->count(); ++i)
      named += drawn.count(form->SatListBox->item(i)->text().toStdString()) ? 1 : 0;
    EXPECT_GE(named, form->SatListBox->count() / 2) << "of " << form->SatListBox->count();
    EXPECT_EQ(form->windowTitle(), form->SatListBox->currentItem()->text());

    const QImage shot = form->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 7)
      for (int x = 0; x < shot.width(); x += 7) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 5u);

    const char* out = std::getenv("VELMAR_TEST_OUT");
    const fs::path dir = out && *out ? fs::path(out) : fs::temp_directory_path();
    fs::create_directories(dir);
    EXPECT_TRUE(shot.save(QString::fromStdString((dir / "velmar-clarke-belt.png").string())));
    form->close();
  }
  SetUiPrompts(nullptr);
}

}  // namespace
