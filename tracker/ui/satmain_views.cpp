// Page switching and the drawing of the belt-family views.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPageLayout>
#include <QPrinter>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <typeinfo>

#include "anglehelpers.h"
#include "astro_transforms.h"
#include "canvas.h"
#include "clarkebelt.h"
#include "imagewidget.h"
#include "log.h"
#include "options.h"
#include "polarmaps.h"
#include "canvasfont.h"
#include "qtext.h"
#include "satmain.h"
#include "sats.h"
#include "sundial.h"

namespace {

int RoundHalfEven(double x) { return static_cast<int>(std::nearbyint(x)); }

// Names of the drawing list compare as the collection finds them: without regard to case.
bool SameName(const std::string& a, const std::string& b) {
  const TNameLess less;
  return !less(a, b) && !less(b, a);
}

}  // namespace

TClarkeBelt* TSatForm::ViewOfPage(QWidget* page) const {
  if (page == ClarkeTabSheet) return ClarkeBelt;
  if (page == SatGroundMapTabSheet) return SatGroundMap;
  if (page == SunDialTabSheet) return SunDial;
  if (page == HATabSheet) return HAMap;
  if (page == ElevMapTabSheet) return ElevMap;
  return nullptr;
}

QScrollArea* TSatForm::ScrollBoxOfView(const TClarkeBelt* view) const {
  if (!view) return nullptr;
  if (view == ClarkeBelt) return ClarkeScrollBox;
  if (view == SatGroundMap) return SatGroundMapScrollBox;
  if (view == SunDial) return SunDialScrollBox;
  if (view == HAMap) return HAScrollBox;
  if (view == ElevMap) return ElevScrollBox;
  return nullptr;
}

void TSatForm::DrawView(TClarkeBelt* View, int Width, int Height, bool PrintFont) {
  if (!View) return;
  const bool largeFont = PrintFont || Width > 1024 || Height > 768;
  QScrollArea* box = ScrollBoxOfView(View);
  if (Width != 0 || Height != 0) {
    if (box) box->setWidgetResizable(false);
  } else if (MenuViewLarge->isChecked()) {
    if (box) box->setWidgetResizable(false);
    Width = RoundHalfEven(1.5 * ClarkeTabSheet->width());
    Height = RoundHalfEven(1.5 * ClarkeTabSheet->height());
  } else if (MenuViewPrint->isChecked()) {
    if (box) box->setWidgetResizable(false);
    Width = 4488;
    Height = 5906;
    if (Printer) {
      const QRect page = Printer->pageLayout().paintRectPixels(Printer->resolution());
      if (!page.isEmpty()) {
        Width = page.width();
        Height = page.height();
      }
    }
  } else {
    if (box) box->setWidgetResizable(true);
    Width = ClarkeTabSheet->width();
    Height = ClarkeTabSheet->height();
  }
  View->SetSize(Width, Height);

  const bool exactBelt = typeid(*View) == typeid(TClarkeBelt);
  if (exactBelt) {
    if (MenuMagAll->isChecked())
      View->StarMagLimit = 50;
    else if (MenuMag5->isChecked())
      View->StarMagLimit = 5;
    else if (MenuMag4->isChecked())
      View->StarMagLimit = 4;
    else if (MenuMag3->isChecked())
      View->StarMagLimit = 3;
    else {
      View->StarMagLimit = -30;
      MenuMagHide->setChecked(true);
    }
    View->ShowStars = !MenuMagHide->isChecked();
    View->ShowStarDsg = MenuShowStarDsg->isChecked();
    View->Proportional = MenuViewProportional->isChecked();
    View->ShowSats = MenuViewGroundMap->isChecked();
    View->LclStarTime = Normalize360(static_cast<double>(astro::GreenwichSiderealTime(Sats->UTC)) +
                                     (Options ? Options->ObsLon : 0.0));
  }
  View->UTC = Sats->UTC;

  // The drawing list: the selectable names with the selected one moved to the end. The
  // selection is remembered by name, so taking the Sun or the Moon out of the list below never
  // passes the mark on to another satellite.
  std::vector<std::string> list;
  list.reserve(static_cast<size_t>(SatListBox->count()));
  for (int i = 0; i < SatListBox->count(); ++i) list.push_back(AnsiStr(SatListBox->item(i)->text()));
  const int selected = SatListBox->currentRow();
  std::string selectedName;
  if (selected >= 0 && selected < static_cast<int>(list.size())) {
    selectedName = list[static_cast<size_t>(selected)];
    std::swap(list[static_cast<size_t>(selected)], list.back());
  }

  // The names the belt writes: those of the satellites listed (a renamed one is listed under its
  // former name).
  View->LabelNames.clear();
  if (exactBelt)
    for (const std::string& name : list)
      if (const auto it = Sats->NameList().find(name); it != Sats->NameList().end())
        View->LabelNames.push_back(it->second->Name);
  if (Options) View->ViewFont = CanvasFontOf(largeFont ? Options->PrintFont : Options->ImgFont);
  View->Clear();
  const bool sunDial = typeid(*View) == typeid(TSunDial);
  if (sunDial) {
    View->ShowSats = MenuViewGroundMap->isChecked();
    View->UTC = Sats->UTC;
  }
  View->Layout();

  const auto drawSelected = [&](const std::string& name, bool eights) {
    View->Selected = true;
    View->ShowEights = eights;
    View->DrawSat(*Sats->FindSat(name));
    View->Selected = false;
    View->ShowEights = false;
  };
  // Every item of the list, the last one marked when it is the selection.
  const auto drawList = [&](bool eights) {
    if (list.empty()) return;
    for (size_t i = 0; i + 1 < list.size(); ++i) View->DrawSat(*Sats->FindSat(list[i]));
    if (!selectedName.empty() && SameName(list.back(), selectedName))
      drawSelected(list.back(), eights);
    else
      View->DrawSat(*Sats->FindSat(list.back()));
  };

  if (exactBelt) {
    const bool sunInFront = MenuViewSunInFront->isChecked();
    const bool eights = MenuViewEights->isChecked();
    if (!sunInFront) {
      // Moon and Sun first, behind everything else.
      for (int nr : {MoonNoradNr, SunNoradNr}) {
        const std::string name = Sats->NameOfNorad(nr);
        if (name.empty()) continue;
        for (auto it = list.begin(); it != list.end(); ++it)
          if (SameName(*it, name)) {
            list.erase(it);
            break;
          }
        if (!selectedName.empty() && SameName(name, selectedName))
          drawSelected(name, eights);
        else
          View->DrawSat(*Sats->FindSat(name));
      }
    }
    drawList(eights);
    if (sunInFront) {
      for (int nr : {MoonNoradNr, SunNoradNr}) {
        const std::string name = Sats->NameOfNorad(nr);
        if (!name.empty()) View->DrawSat(*Sats->FindSat(name));
      }
    }
  } else if (!(sunDial && !View->ShowSats)) {
    // The polar maps and the sun dial: every satellite, the selected one last.
    drawList(false);
  }
  View->Invalidate();
}

void TSatForm::MainPageControlChange(QObject* Sender) {
  CommitPendingEdits();  // the page is filled anew
  QWidget* page = MainPageControl->currentWidget();
  if (!Sats) {
    setWindowTitle("Something smells fishy");
    WriteLog("MainPageControl changed while Sats = Nil");
    setFocus();
    return;
  }
  if (InfoTimerButton->isChecked()) {
    for (QToolButton* b : {InfoTimerButton, LocTimerButton, ObstTimerButton}) b->setChecked(false);
    ClockTimer->stop();
  }
  const bool clockPage = page == LocationTabSheet || page == SatInfoTabSheet || page == ObstacleTabSheet;
  if (InfoRealTimeCheckBox->isChecked()) {
    ClockTimer->setInterval(clockPage ? 1000 : 60000);
    if (page != SatListTabSheet && page != ToolsTabSheet)
      ClockTimer->start();
    else
      ClockTimer->stop();
  } else {
    ClockTimer->stop();
  }

  const bool viewPage = page == ClarkeTabSheet || page == SatGroundMapTabSheet || page == SunDialTabSheet ||
                        page == HATabSheet || page == ElevMapTabSheet;
  MenuView->menuAction()->setVisible(viewPage);
  MenuSelectFields->setVisible(page == SatListTabSheet);
  MenuSaveSatCsv->setVisible(page == SatListTabSheet || page == SatInfoTabSheet);
  MenuViewGroundMap->setVisible(page == ClarkeTabSheet || page == SunDialTabSheet);
  MenuStars->menuAction()->setVisible(page == ClarkeTabSheet);
  MenuViewSunInFront->setVisible(page == ClarkeTabSheet);
  MenuViewProportional->setVisible(page == ClarkeTabSheet);
  if (!MenuViewNormal->isChecked() && !MenuViewLarge->isChecked() && !MenuViewPrint->isChecked())
    MenuViewNormal->setChecked(true);

  if (page == SatInfoTabSheet || page == ClarkeTabSheet) {
    if (SatListBox->currentRow() >= 0) setWindowTitle(SatListBox->currentItem()->text());
  } else {
    setWindowTitle("Umbrisk");
  }

  if (viewPage) {
    DrawView(ViewOfPage(page), 0, 0);
  } else if (page == SatInfoTabSheet || page == ObstacleTabSheet) {
    ListBoxGuard = true;
    SatListBox->clear();
    ObstSatListBox->clear();
    for (const std::string& name : Sats->GetSatNameList()) {
      SatListBox->addItem(QStr(name));
      ObstSatListBox->addItem(QStr(name));
    }
    const QString caption = "Satellites (" + QString::number(SatListBox->count()) + ")";
    SatSelectGroupBox->setTitle(caption);
    ObstSatSelectGroupBox->setTitle(caption);
    int index = -1;
    const QString shown = QStr(ShownSatListName());
    for (int i = 0; i < SatListBox->count(); ++i)
      if (SatListBox->item(i)->text().compare(shown, Qt::CaseInsensitive) == 0) {
        index = i;
        break;
      }
    if (index < 0) {
      index = 0;
      if (SatListBox->count() > 0) SatNameEdit->setText(SatListBox->item(0)->text());
    }
    SatListBox->setCurrentRow(SatListBox->count() > 0 ? index : -1);
    ObstSatListBox->setCurrentRow(ObstSatListBox->count() > 0 ? index : -1);
    ListBoxGuard = false;
    QWidget* dishParent = page == SatInfoTabSheet ? DishTabSheet : ObstDishPlotPanel;
    if (DishPlotScrollBox->parentWidget() != dishParent) {
      dishParent->layout()->addWidget(DishPlotScrollBox);
    }
    SatListBoxClick(Sender);
  } else if (page == LocationTabSheet) {
    ShowLocationInfo();
  } else if (page == SatListTabSheet) {
    FillSatGrid(Sats->GetSatNames());
  } else if (page == ToolsTabSheet) {
    // The second tool satellite keeps the previous partner of the current satellite.
    const QString shown = QStr(ShownSatListName());
    QString keep = ToolsSat1ComboBox->currentText();
    if (keep == shown) keep = ToolsSat2ComboBox->currentText();
    QStringList names;
    for (int i = 0; i < SatListBox->count(); ++i) names << SatListBox->item(i)->text();
    {
      const QSignalBlocker block1(ToolsSat1ComboBox);
      const QSignalBlocker block2(ToolsSat2ComboBox);
      for (QComboBox* box : {ToolsSat1ComboBox, ToolsSat2ComboBox}) {
        box->clear();
        box->addItems(names);
      }
      ToolsSat1ComboBox->setEditText(shown);
      ToolsSat2ComboBox->setEditText(keep);
    }
    DrawTools();
  }

  if (ClockTimer->isActive() && (page == LocationTabSheet || page == SatInfoTabSheet)) ClockTimerTimer();
  // After a page change no control keeps the focus. A refresh of the shown page leaves a control
  // of that page where the user put it: leaving a field refreshes the page while the click that
  // left it moves the focus on to the next one.
  if (QWidget* focus = focusWidget(); focus && (Sender == MainPageControl || !page || !page->isAncestorOf(focus)))
    focus->clearFocus();
}

void TSatForm::InfoPageControlChange(QObject* Sender) {
  if (InfoPageControl->currentWidget() == RotorTabSheet && Sats) Sats->CalcPulseFit();
  SatListBoxClick(Sender);
}

void TSatForm::TabSheetResize(QObject* Sender) {
  // Printing sizes the page it captures; that is no page change.
  if (PrintDialog1.Tag != 0) return;
  if (Sender != MainPageControl->currentWidget() || Destroyed()) return;
  // A new size only redraws the page: it takes no field being typed into, and a typed field that
  // the redraw would write holds it (leaving the field redraws the page).
  if (FieldBeingEdited()) return;
  const QScopedValueRollback<bool> noCommit(committing_, true);
  MainPageControlChange(Sender);
}

void TSatForm::MenuViewClick(QObject* Sender) { MainPageControlChange(Sender); }

void TSatForm::MenuPrintSetupClick(QObject* Sender) {
  try {
    PrinterSetupDialog1.Execute();
  } catch (...) {
    WriteLog("Error executing Printer Setup");
  }
}
