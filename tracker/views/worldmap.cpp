#include "worldmap.h"

#include <QPainter>
#include <QResizeEvent>

#include <cmath>

#include "anglehelpers.h"
#include "imagewidget.h"
#include "log.h"
#include "programpath.h"
#include "sat.h"

namespace {

constexpr double kMapLatitude = 70.0;  // the map is cut at 70 degrees north and south
constexpr double kFarPixels = 1.0e6;   // marks further off than this are held there

std::optional<int> RoundPixel(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  if (v > kFarPixels) v = kFarPixels;
  if (v < -kFarPixels) v = -kFarPixels;
  return static_cast<int>(std::nearbyint(v));
}

// Puts a mark with its top-left corner at (left, top), or hides it when there is no place.
void PlaceMark(QWidget* mark, std::optional<QPoint> topLeft) {
  if (!topLeft) {
    mark->hide();
    return;
  }
  mark->move(*topLeft);
  mark->show();
  mark->raise();
}

}  // namespace

double MercatorY(double Latitude) { return std::log10(std::tan(Latitude / 2.0 / 180.0 * M_PI + M_PI / 4.0)); }

std::optional<TWorldMapScale> WorldMapScale(const QRect& Box, const QSize& Picture) {
  if (Box.width() <= 0 || Box.height() <= 0 || Picture.width() <= 0 || Picture.height() <= 0) return std::nullopt;
  // The displayed map keeps the picture's proportions: the box's width, or, in a box that is
  // relatively wider than the picture, the width that goes with the box's height.
  double w = Box.width();
  if (static_cast<double>(Box.width()) * Picture.height() > static_cast<double>(Picture.width()) * Box.height())
    w = std::nearbyint(static_cast<double>(Picture.width()) / Picture.height() * Box.height());
  const double h = w / Picture.width() * Picture.height();
  TWorldMapScale s;
  s.Kx = w / 360.0;
  s.Ky = h / (2.0 * MercatorY(kMapLatitude));
  s.Cx = Box.left() + Box.width() / 2;
  s.Cy = Box.top() + Box.height() / 2;
  return s;
}

std::optional<QPoint> WorldMapPoint(const TWorldMapScale& Scale, double Longitude, double Latitude) {
  const std::optional<int> dx = RoundPixel(Longitude * Scale.Kx);
  const std::optional<int> dy = RoundPixel(MercatorY(Latitude) * Scale.Ky);
  if (!dx || !dy) return std::nullopt;
  return QPoint(Scale.Cx + *dx, Scale.Cy - *dy);
}

// ---- marks ----------------------------------------------------------------------------------

TMapMark::TMapMark(const QString& name, int diameter, const QColor& colour, const QString& hint, QWidget* parent)
    : QWidget(parent), colour_(colour) {
  setObjectName(name);
  setFixedSize(diameter, diameter);
  setToolTip(hint);
  setAttribute(Qt::WA_TranslucentBackground);
}

void TMapMark::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(colour_);
  p.drawEllipse(QRect(0, 0, width() - 1, height() - 1));
}

// ---- the frame ------------------------------------------------------------------------------

std::string TWorldMapFrame::DefaultMapFile() { return ProgramFolder() + "WorldMap.png"; }

TWorldMapFrame::TWorldMapFrame(QWidget* parent, const std::string& mapFile) : QWidget(parent) {
  setObjectName("WorldMapFrame");
  WorldMapImg = new TImageWidget(this);
  WorldMapImg->setObjectName("WorldMapImg");
  WorldMapImg->setGeometry(rect());
  // The marks lie over the picture; they show once they are placed.
  ObserverShape = new TMapMark("ObserverShape", 5, Qt::blue, "Observer", this);
  SatShape = new TMapMark("SatShape", 5, Qt::red, "Satellite", this);
  SunShape = new TMapMark("SunShape", 10, Qt::yellow, "Sun", this);
  MoonShape = new TMapMark("MoonShape", 10, Qt::gray, "Moon", this);
  for (QWidget* mark : {ObserverShape, SatShape, SunShape, MoonShape}) mark->hide();
  LoadMap(mapFile.empty() ? DefaultMapFile() : mapFile);
}

void TWorldMapFrame::resizeEvent(QResizeEvent* event) {
  // The picture fills the frame; the marks stay where they are until the next ShowSat.
  WorldMapImg->setGeometry(QRect(QPoint(0, 0), event->size()));
  QWidget::resizeEvent(event);
}

bool TWorldMapFrame::LoadMap(const std::string& fileName) {
  QImage img;
  if (!img.load(QString::fromStdString(fileName))) {
    WriteLog("World map picture not found: " + fileName);
    img = QImage();
  }
  map_ = img;
  WorldMapImg->SetImage(map_.isNull() ? nullptr : &map_);
  return !map_.isNull();
}

void TWorldMapFrame::ShowSat(const TSat& Sat) {
  sat_ = &Sat;
  // The picture control fills the frame (also before the frame was first laid out).
  const QRect box = rect();
  const QSize picture = map_.isNull() ? QSize(NominalMapWidth, NominalMapHeight) : map_.size();
  const std::optional<TWorldMapScale> scale = WorldMapScale(box, picture);
  if (!scale) {
    // No room for a map: nothing can be marked.
    for (QWidget* mark : {ObserverShape, SatShape, SunShape, MoonShape}) mark->hide();
    return;
  }

  const std::optional<QPoint> obs = WorldMapPoint(*scale, ObsLon, ObsLat);
  PlaceMark(ObserverShape, obs ? std::optional<QPoint>(*obs - QPoint(2, 2)) : std::nullopt);

  const std::optional<QPoint> at = WorldMapPoint(*scale, Normalize180(Sat.SatPos.Longitude), Sat.SatPos.Latitude);
  const auto centred = [&](const QWidget* mark) -> std::optional<QPoint> {
    if (!at) return std::nullopt;
    return *at - QPoint(mark->width() / 2, mark->height() / 2);
  };
  const std::string_view element = Sat.TwoLine.Name.view();
  if (element == "SUN") {
    PlaceMark(SunShape, centred(SunShape));
    SatShape->hide();
  } else if (element == "MOON") {
    PlaceMark(MoonShape, centred(MoonShape));
    SatShape->hide();
  } else {
    SatShape->setToolTip(QString::fromLatin1(Sat.Name.data(), static_cast<int>(Sat.Name.size())));
    PlaceMark(SatShape, Sat.TwoLine.NoradNr != 0 ? centred(SatShape) : std::nullopt);
  }
}
