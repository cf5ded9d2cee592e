// The Tools page (aiming templates), the mount box of the dish drawing and the keyboard steps
// to the next or previous satellite.
#include "satmain_tools.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QListWidget>
#include <QLineEdit>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>

#include <algorithm>
#include <charconv>
#include <exception>
#include <functional>
#include <string>

#include "imagewidget.h"
#include "log.h"
#include "options.h"
#include "canvasfont.h"
#include "qtext.h"
#include "satmain.h"
#include "sats.h"
#include "toolplot.h"

namespace {


// Calls the handler when the watched widget is resized.
class TToolsResizeWatcher : public QObject {
 public:
  TToolsResizeWatcher(QObject* parent, std::function<void(QObject*)> onResize)
      : QObject(parent), onResize_(std::move(onResize)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize) onResize_(watched);
    return false;
  }

 private:
  std::function<void(QObject*)> onResize_;
};

}  // namespace

int SpinEditValue(const QString& text, int min, int max) {
  if (max < min) std::swap(min, max);
  const std::string s = AnsiStr(text.trimmed());
  const char* first = s.data();
  const char* last = s.data() + s.size();
  if (first != last && *first == '+') ++first;
  int value = min;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (first == last || ec != std::errc() || end != last) return min;
  return std::clamp(value, min, max);
}

int SpinEditValue(const QSpinBox& spin) { return SpinEditValue(spin.cleanText(), spin.minimum(), spin.maximum()); }

// ---- the Tools page -----------------------------------------------------------------------------

void TSatForm::DrawTools() {
  if (!ToolPlot || Destroyed()) return;
  try {
    if (PrintDialog1.Tag == 0) {
      // On the screen the plot fills its box; printing and saving size it and set its font.
      // The box shows no scroll bars then (they go when the events run next).
      ToolsPlotScrollBox->setWidgetResizable(true);
      const QSize box = ToolsPlotScrollBox->maximumViewportSize();
      ToolPlot->SetSize(box.width(), box.height());
      if (Options) ToolPlot->ToolFont = CanvasFontOf(Options->ImgFont);
      ToolPlot->Clear();
    }
    const int tool = ToolsRadioButtons->checkedId();
    if (tool == 1) {
      ToolPlot->ToolMode = 1;
      try {
        ToolPlot->GridStep = SpinEditValue(*ToolGridSpinEdit);
        ToolPlot->GridCols = SpinEditValue(*ToolColsSpinEdit);
      } catch (...) {
        ToolPlot->GridStep = 0;
        ToolPlot->GridCols = 1;
      }
      ToolPlot->DrawSat(EmptySat);
    } else {
      ToolPlot->ToolMode = 0;
      for (QComboBox* box : {ToolsSat1ComboBox, ToolsSat2ComboBox}) {
        const QString name = box->currentText();
        if (name.isEmpty()) continue;
        ToolPlot->DrawSat(Sats ? *Sats->FindSat(AnsiStr(name)) : EmptySat);
      }
    }
    ToolSatPanel->setVisible(tool <= 0);
    ToolGridPanel->setVisible(tool == 1);
  } catch (const std::exception& e) {
    WriteLog(std::string("Error drawing the tools: ") + e.what());
  } catch (...) {
    WriteLog("Error drawing the tools");
  }
}

void TSatForm::ToolsSatComboBoxChange(QObject* Sender) { DrawTools(); }

void TSatForm::ToolsPlotScrollBoxResize(QObject* Sender) {
  // While printing or saving, the plot has the size of the sheet: a resize leaves it alone.
  if (PrintDialog1.Tag == 0) DrawTools();
}

void TSatForm::ViewModeComboBoxChange(QObject* Sender) {
  if (QWidget* focus = focusWidget()) focus->clearFocus();
  SatListBoxClick(Sender);
}

void TSatForm::ConnectToolsHandlers() {
  for (QComboBox* box : {ToolsSat1ComboBox, ToolsSat2ComboBox})
    connect(box, &QComboBox::currentTextChanged, this, [this, box] { ToolsSatComboBoxChange(box); });
  for (QSpinBox* spin : {ToolGridSpinEdit, ToolColsSpinEdit})
    connect(spin, &QSpinBox::textChanged, this, [this, spin] { ToolsSatComboBoxChange(spin); });
  connect(ToolsRadioButtons, &QButtonGroup::idClicked, this, [this] { ToolsSatComboBoxChange(ToolsRadioGroup); });
  ToolsPlotScrollBox->installEventFilter(
      new TToolsResizeWatcher(this, [this](QObject* box) { ToolsPlotScrollBoxResize(box); }));
  if (ViewModeComboBox)
    connect(ViewModeComboBox, &QComboBox::currentIndexChanged, this,
            [this] { ViewModeComboBoxChange(ViewModeComboBox); });
}

// ---- next and previous satellite ------------------------------------------------------------------

void TSatForm::NextPrevSatClick(QObject* Sender) {
  // A field being edited is taken first, as a click in the list would; a new name typed for the
  // satellite is then the one the list shows.
  CommitPendingEdits();
  const int count = SatListBox->count();
  int i = -1;
  const QString current = QStr(ShownSatListName());
  for (int k = 0; k < count; ++k)
    if (SatListBox->item(k)->text().compare(current, Qt::CaseInsensitive) == 0) {
      i = k;
      break;
    }
  i += Sender == PrevSat ? -1 : 1;
  // The list wraps around at both ends.
  if (i < 0) i = count - 1;
  if (i > count - 1) i = 0;
  if (i >= 0 && i < count) {
    SatNameEdit->setText(SatListBox->item(i)->text());
    // Both lists hold the same names in the same order: both select the new satellite, so that
    // showing it again on any page shows this one.
    const bool guard = ListBoxGuard;
    ListBoxGuard = true;
    SatListBox->setCurrentRow(i);
    if (i < ObstSatListBox->count()) ObstSatListBox->setCurrentRow(i);
    ListBoxGuard = guard;
  }
  QWidget* page = MainPageControl->currentWidget();
  if (page == ObstacleTabSheet || page == SatInfoTabSheet || page == LocationTabSheet)
    SatListBoxClick(Sender);
  else
    MainPageControlChange(Sender);
}
