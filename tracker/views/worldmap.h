// The world-map frame: a Mercator world map (all longitudes, latitudes from 70 S to 70 N) with
// four round marks: the observer, the Sun, the Moon and one satellite. The main window shows one
// on the Location page and one on the "Map" sub-page of the Sat Info page.
//
// The marks keep their places until the next ShowSat; resizing the frame does not move them.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <optional>
#include <string>

class TImageWidget;
class TSat;

// The Mercator ordinate of a latitude (degrees): log10(tan(latitude / 2 + 45 degrees)). Only
// ratios of it are used, so the base of the logarithm only sets a scale. Not finite at the poles.
double MercatorY(double Latitude);

// The scale of a map picture of size Picture shown proportionally and centred in Box.
struct TWorldMapScale {
  double Kx = 0;  // pixels per degree of longitude
  double Ky = 0;  // pixels per Mercator unit
  int Cx = 0;     // the box centre (the map's longitude 0, latitude 0)
  int Cy = 0;
};
// Empty when the box or the picture has no area.
std::optional<TWorldMapScale> WorldMapScale(const QRect& Box, const QSize& Picture);
// The pixel of a point, as Cx + round(Longitude * Kx), Cy - round(MercatorY(Latitude) * Ky),
// halves to even. The longitude is used as given. Empty for a point that is not finite; far
// points are held within a million pixels of the centre.
std::optional<QPoint> WorldMapPoint(const TWorldMapScale& Scale, double Longitude, double Latitude);

// One round mark: a circle filling the widget, in its colour with a black rim.
class TMapMark : public QWidget {
  Q_OBJECT
 public:
  TMapMark(const QString& name, int diameter, const QColor& colour, const QString& hint, QWidget* parent);
  QColor Colour() const { return colour_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor colour_;
};

class TWorldMapFrame : public QWidget {
  Q_OBJECT
 public:
  // The picture the program ships ("WorldMap.png" in the program folder) and its size.
  static std::string DefaultMapFile();
  static constexpr int NominalMapWidth = 1024;
  static constexpr int NominalMapHeight = 566;

  // Loads the default picture when `mapFile` is empty.
  explicit TWorldMapFrame(QWidget* parent = nullptr, const std::string& mapFile = std::string());

  // Places the observer mark and the mark of the given body: the Sun for the element name
  // "SUN", the Moon for "MOON" (each hides the satellite mark), else the satellite mark, shown
  // with the satellite's name as hint unless its catalogue number is 0 (the empty satellite).
  // The satellite is remembered, not owned.
  virtual void ShowSat(const TSat& Sat);
  const TSat* Sat() const { return sat_; }

  // Replaces the map picture (false and an empty picture when the file does not load). Without a
  // picture the marks are placed as on a map of the nominal size.
  bool LoadMap(const std::string& fileName);
  const QImage& Map() const { return map_; }

  // The size hint of an empty place: the map at its nominal size.
  QSize sizeHint() const override { return QSize(NominalMapWidth / 2, NominalMapHeight / 2); }

  // The observer, degrees north and east (set by the settings).
  double ObsLat = 0;
  double ObsLon = 0;

  TImageWidget* WorldMapImg = nullptr;
  TMapMark* ObserverShape = nullptr;
  TMapMark* SatShape = nullptr;
  TMapMark* SunShape = nullptr;
  TMapMark* MoonShape = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QImage map_;
  const TSat* sat_ = nullptr;
};
