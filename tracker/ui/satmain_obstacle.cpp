// The obstacle calculator of the Obstacle page: the four edits with their spin buttons, the
// double-clicks on the captions that solve for one of the three lengths, the obstacle height
// from a measured shadow, and the tree picture standing on the obstacle plot.
//
// The page itself (labels, plots, sun data) is filled by ShowSatInfo; every handler here ends by
// redrawing the page (SatListBoxClick) or by a clock tick that does.
#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <exception>
#include <optional>
#include <string>

#include "anglehelpers.h"
#include "astro_sun.h"
#include "dishplots.h"
#include "format.h"
#include "imagewidget.h"
#include "log.h"
#include "obstaclecalc.h"
#include "options.h"
#include "programpath.h"
#include "qtext.h"
#include "sat.h"
#include "satmain.h"
#include "sats.h"
#include "spinbutton.h"

namespace {

// The edit's place in the calculator, or nothing for another control.
bool WhichObstEdit(const TSatForm& f, const QObject* edit, TObstEdit& which) {
  if (!edit) return false;
  if (edit == f.ObstHeightEdit) which = TObstEdit::Height;
  else if (edit == f.ObstDistEdit) which = TObstEdit::Distance;
  else if (edit == f.DishHeightEdit) which = TObstEdit::DishHeight;
  else if (edit == f.ObstShadowEdit) which = TObstEdit::Shadow;
  else return false;
  return true;
}

// Runs the edits' enter and exit handlers when the focus moves between controls (not when the
// window is deactivated or a context menu opens), and the solving double-clicks of the captions.
class TObstacleWatcher : public QObject {
 public:
  explicit TObstacleWatcher(TSatForm* form) : QObject(form), form_(form) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        // A click enters the shadow edit also in a window that the click activates.
        if (watched == form_->ObstShadowEdit) form_->ObstShadowEditEnter(watched);
        break;
      case QEvent::FocusIn:
      case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) break;
        if (event->type() == QEvent::FocusIn) {
          if (watched == form_->ObstShadowEdit) form_->ObstShadowEditEnter(watched);
        } else {
          form_->ObstEditExit(watched);
        }
        break;
      }
      case QEvent::MouseButtonDblClick: {
        const QString name = watched->objectName();
        if (name == "ObstHeightDescLabel") {
          form_->ObstHeightDescLabelDblClick(watched);
        } else if (name == "ObstDistDescLabel") {
          form_->ObstDistDescLabelDblClick(watched);
        } else if (name == "DishHeightDescLabel" || name == "MinElevDescLabel" || name == "ElevDiffDescLabel") {
          form_->MinElevLabelDblClick(watched);
        } else {
          break;
        }
        return true;
      }
      case QEvent::Resize:
        if (qobject_cast<QScrollArea*>(watched)) form_->ObstScrollBoxResize(watched);
        break;
      default:
        break;
    }
    return false;
  }

 private:
  TSatForm* form_;
};

// The tree picture: the bundled "Tree.png" cut to its drawn part, so that the tree's foot stands
// on the ground line and its top at the obstacle's height. A null picture when it is missing.
QImage LoadTreePicture() {
  const std::string file = ProgramFolder() + "Tree.png";
  QImage picture;
  if (!picture.load(QPath(file))) {
    WriteLog("Tree picture not found: " + file);
    return QImage();
  }
  picture = picture.convertToFormat(QImage::Format_ARGB32);
  int left = picture.width(), right = -1, top = picture.height(), bottom = -1;
  for (int y = 0; y < picture.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    for (int x = 0; x < picture.width(); ++x) {
      if (qAlpha(line[x]) == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < left || bottom < top) return picture;
  return picture.copy(left, top, right - left + 1, bottom - top + 1);
}

}  // namespace

void TSatForm::ConnectObstacleHandlers() {
  // The edits are made with the page's fields; each gets its spin button beside it.
  const struct {
    QLineEdit* edit;
    TSpinButton** spin;
    const char* name;
  } edits[] = {{ObstHeightEdit, &ObstHeightSpinButton, "ObstHeightSpinButton"},
               {ObstDistEdit, &ObstDistSpinButton, "ObstDistSpinButton"},
               {DishHeightEdit, &DishHeightSpinButton, "DishHeightSpinButton"},
               {ObstShadowEdit, &ObstShadowSpinButton, "ObstShadowSpinButton"}};
  auto* watcher = new TObstacleWatcher(this);
  for (const auto& e : edits) {
    if (!e.edit) continue;
    auto* spin = new TSpinButton(e.edit->parentWidget());
    spin->setObjectName(e.name);
    spin->setToolTip(e.edit->toolTip());
    *e.spin = spin;
    bool placed = false;
    for (QGridLayout* grid : e.edit->parentWidget()->findChildren<QGridLayout*>()) {
      const int index = grid->indexOf(e.edit);
      if (index < 0) continue;
      int row = 0, col = 0, rowSpan = 0, colSpan = 0;
      grid->getItemPosition(index, &row, &col, &rowSpan, &colSpan);
      grid->addWidget(spin, row, col + colSpan);
      placed = true;
      break;
    }
    if (!placed) spin->hide();
    connect(spin->DownButton, &QToolButton::clicked, this, [this, spin] { ObstSpinButtonDownClick(spin); });
    connect(spin->UpButton, &QToolButton::clicked, this, [this, spin] { ObstSpinButtonUpClick(spin); });
    QLineEdit* edit = e.edit;
    connect(edit, &QLineEdit::returnPressed, this, [this, edit] {
      char key = '\r';
      ObstEditKeyPress(edit, key);
    });
    edit->installEventFilter(watcher);
  }
  for (const char* name : {"ObstHeightDescLabel", "ObstDistDescLabel", "DishHeightDescLabel", "MinElevDescLabel",
                           "ElevDiffDescLabel"})
    if (auto* label = findChild<QLabel*>(name)) label->installEventFilter(watcher);
  for (QScrollArea* box : {ObstScrollBox, AngleScrollBox, DishPlotScrollBox})
    if (box) box->installEventFilter(watcher);

  // The tree waits hidden until it is placed on the obstacle plot.
  TreeBitmap = LoadTreePicture();
  if (TreeImage) {
    TreeImage->hide();
    TreeImage->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
}

// ---- the edits ------------------------------------------------------------------------------

void TSatForm::ObstEditExit(QObject* Sender) {
  if (destroyed_) return;
  TObstEdit which;
  if (!WhichObstEdit(*this, Sender, which)) return;
  auto* edit = static_cast<QLineEdit*>(Sender);
  const double v = ObstExitValue(which, AnsiStr(edit->text()));
  edit->setText(QStr(ObstEditText(v)));
  if (which != TObstEdit::Shadow) {
    SatListBoxClick(Sender);
    return;
  }

  // The shadow measured now gives the obstacle's height, while the sun is up.
  astro::Extended elevation = 0, azimuth = 0;
  try {
    if (Sats && Options) astro::SunHorizontal(elevation, azimuth, Sats->UTC, -Options->ObsLon, Options->ObsLat);
  } catch (const std::exception& e) {
    WriteLog(std::string("Sun position failed: ") + e.what());
    elevation = 0;
  }
  if (const auto h = ShadowObstacleHeight(Normalize180(static_cast<double>(elevation)), v))
    ObstHeightEdit->setText(QStr(FormatFloat("##0.00", *h)));

  // The clock runs again as the "Real Time" box and the timer button say.
  if (InfoRealTimeCheckBox->isChecked() || InfoTimerButton->isChecked()) {
    ClockTimer->start();
    ClockTimerTimer();
  } else {
    ClockTimer->stop();
    SatListBoxClick(Sender);
  }
}

void TSatForm::ObstEditKeyPress(QObject* Sender, char& Key) {
  if (Key != '\r') return;
  Key = 0;
  ObstEditExit(Sender);
}

void TSatForm::ObstShadowEditEnter(QObject*) {
  // The redraws would overwrite the shadow being typed.
  if (!destroyed_ && ClockTimer) ClockTimer->stop();
}

namespace {
QLineEdit* EditOfSpin(const TSatForm& f, QObject* spin) {
  // The spin button or one of its arrows.
  for (QObject* o = spin; o; o = o->parent()) {
    if (o == f.ObstHeightSpinButton) return f.ObstHeightEdit;
    if (o == f.ObstDistSpinButton) return f.ObstDistEdit;
    if (o == f.DishHeightSpinButton) return f.DishHeightEdit;
    if (o == f.ObstShadowSpinButton) return f.ObstShadowEdit;
  }
  return nullptr;
}
}  // namespace

void TSatForm::ObstSpinButtonDownClick(QObject* Sender) {
  if (destroyed_) return;
  QLineEdit* edit = EditOfSpin(*this, Sender);
  TObstEdit which;
  if (!WhichObstEdit(*this, edit, which)) return;
  edit->setText(QStr(ObstEditText(ObstSpinValue(which, AnsiStr(edit->text()), false))));
  if (which == TObstEdit::Shadow)
    ObstEditExit(edit);
  else
    SatListBoxClick(Sender);
}

void TSatForm::ObstSpinButtonUpClick(QObject* Sender) {
  if (destroyed_) return;
  QLineEdit* edit = EditOfSpin(*this, Sender);
  TObstEdit which;
  if (!WhichObstEdit(*this, edit, which)) return;
  edit->setText(QStr(ObstEditText(ObstSpinValue(which, AnsiStr(edit->text()), true))));
  if (which == TObstEdit::Shadow)
    ObstEditExit(edit);
  else
    SatListBoxClick(Sender);
}

// ---- the solving double-clicks --------------------------------------------------------------

namespace {
// The shown satellite's elevation, or nothing.
std::optional<double> CurrentElevation(const TSat* sat) {
  if (!sat) return std::nullopt;
  return sat->SatPos.Elevation;
}

void WriteSolved(QLineEdit* edit, const std::optional<std::string>& text) {
  if (edit && text) edit->setText(QStr(*text));
}
}  // namespace

void TSatForm::ObstHeightDescLabelDblClick(QObject* Sender) {
  if (destroyed_) return;
  if (const auto el = CurrentElevation(CurrentSat))
    WriteSolved(ObstHeightEdit,
                SolveObstacleHeight(AnsiStr(DishHeightEdit->text()), AnsiStr(ObstDistEdit->text()), *el));
  SatListBoxClick(Sender);
}

void TSatForm::ObstDistDescLabelDblClick(QObject* Sender) {
  if (destroyed_) return;
  if (const auto el = CurrentElevation(CurrentSat))
    WriteSolved(ObstDistEdit,
                SolveObstacleDistance(AnsiStr(ObstHeightEdit->text()), AnsiStr(DishHeightEdit->text()), *el));
  SatListBoxClick(Sender);
}

void TSatForm::MinElevLabelDblClick(QObject* Sender) {
  if (destroyed_) return;
  if (const auto el = CurrentElevation(CurrentSat))
    WriteSolved(DishHeightEdit,
                SolveDishHeight(AnsiStr(ObstHeightEdit->text()), AnsiStr(ObstDistEdit->text()), *el));
  SatListBoxClick(Sender);
}

// ---- the plots' boxes and the tree ----------------------------------------------------------

void TSatForm::ObstScrollBoxResize(QObject*) {
  // The obstacle plot's scale follows its size. Resizes come in bursts (a box and the window
  // together, the dish plot's box moving between pages): one redraw once they have settled.
  if (destroyed_ || obstRedrawQueued_) return;
  obstRedrawQueued_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        obstRedrawQueued_ = false;
        if (destroyed_ || !Sats || MainPageControl->currentWidget() != ObstacleTabSheet) return;
        if (PageFilling()) {
          ObstScrollBoxResize(ObstScrollBox);  // after the fill that lets messages run now
        } else if (!FieldBeingEdited()) {
          // Only a redraw: the edits keep what is being typed (leaving one redraws the page).
          const QScopedValueRollback<bool> noCommit(committing_, true);
          SatListBoxClick(ObstScrollBox);
        }
      },
      Qt::QueuedConnection);
}

void TSatForm::PlaceTreeImage() {
  if (!ObstPlot || !TreeImage) return;
  if (TreeImage->parentWidget() != ObstPlot) {
    // The tree stands on the obstacle plot, over its drawing.
    TreeImage->setParent(ObstPlot);
    TreeImage->SetImage(TreeBitmap.isNull() ? nullptr : &TreeBitmap);
  }
  const TTreeRect r = TreeBitmap.isNull()
                          ? TreeImageRect(ObstPlot->ObstHeight, ObstPlot->ObstDist, ObstPlot->Scale, ObstPlot->OriginX,
                                          ObstPlot->OriginY)
                          : TreeImageRect(ObstPlot->ObstHeight, ObstPlot->ObstDist, ObstPlot->Scale, ObstPlot->OriginX,
                                          ObstPlot->OriginY, TreeBitmap.width(), TreeBitmap.height());
  if (TreeImage->height() != r.Height || TreeImage->width() != r.Width) TreeImage->resize(r.Width, r.Height);
  if (TreeImage->y() != r.Top || TreeImage->x() != r.Left) TreeImage->move(r.Left, r.Top);
  TreeImage->setVisible(r.Width > 0 && r.Height > 0 && !TreeBitmap.isNull());
}
