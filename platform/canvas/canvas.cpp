#include "canvas.h"

#include <QFontMetrics>
#include <QPainterPath>
#include <QTransform>

#include <cfenv>
#include <climits>
#include <cmath>
#include <cstring>
#include <algorithm>

int Nearest(double x) {
  if (!std::isfinite(x)) throw std::domain_error("Nearest: value is not finite");
  const double r = std::nearbyint(x);  // default rounding mode: halves to even
  if (r < static_cast<double>(INT_MIN) || r > static_cast<double>(INT_MAX))
    throw std::domain_error("Nearest: value out of range");
  return static_cast<int>(r);
}

void InstallFontSubstitutions() {
  QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}

QColor ColorFromToolkit(std::uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t ColorToToolkit(const QColor& c) {
  return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
         (static_cast<std::uint32_t>(c.blue()) << 16);
}

// ---- fonts ---------------------------------------------------------------------------------

namespace {

// a * b / c rounded, halves away from zero (the toolkit's size conversion).
int MulDivRound(int a, int b, int c) {
  const long long n = static_cast<long long>(a) * b;
  const long long q = (std::llabs(n) * 2 + c) / (2LL * c);
  return static_cast<int>(n < 0 ? -q : q);
}

QString FromLatin1(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

int TFont::Size() const { return -MulDivRound(Height, 72, 96); }

void TFont::SetSize(int points) { Height = -MulDivRound(points, 96, 72); }

QFont TFont::ToQFont() const {
  QFont f(FromLatin1(Name));
  int px = Height < 0 ? -Height : Height;
  if (px < 1) px = 1;
  f.setPixelSize(px);
  int w = Weight;
  if (w <= 0) w = kFontWeightNormal;  // "don't care" in a font description
  if (w > 1000) w = 1000;
  f.setWeight(static_cast<QFont::Weight>(w));
  f.setItalic(Italic);
  f.setUnderline(Underline);
  f.setStrikeOut(StrikeOut);
  f.setKerning(false);
  return f;
}

TFont FontFromLogFont(const TLogFont& lf, const QColor& color) {
  TFont f;
  f.Name = lf.FaceName;
  f.Height = lf.Height;
  f.Weight = lf.Weight;
  f.Italic = lf.Italic;
  f.Underline = lf.Underline;
  f.StrikeOut = lf.StrikeOut;
  f.CharSet = lf.CharSet;
  f.Color = color;
  f.Escapement = lf.Escapement;
  f.Orientation = lf.Orientation;
  return f;
}

// ---- canvas --------------------------------------------------------------------------------

TCanvas::TCanvas() = default;

TCanvas::~TCanvas() { EndPainting(); }

void TCanvas::EndPainting() const {
  if (painter_) {
    painter_->end();
    painter_.reset();
  }
}

QPainter* TCanvas::Painter() {
  if (image_.isNull()) return nullptr;
  if (!painter_) {
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&image_)) {
      painter_.reset();
      return nullptr;
    }
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setBackgroundMode(Qt::TransparentMode);
  }
  return painter_.get();
}

const QImage& TCanvas::Image() const {
  EndPainting();
  return image_;
}

void TCanvas::SetSize(int width, int height) {
  if (width < 0 || height < 0) throw std::invalid_argument("TCanvas::SetSize: negative size");
  if (width == image_.width() && height == image_.height()) return;
  EndPainting();
  if (width == 0 || height == 0) {
    image_ = QImage();
    return;
  }
  QImage next(width, height, QImage::Format_RGB32);
  if (next.isNull()) throw std::bad_alloc();
  next.fill(brush_.Color);
  if (!image_.isNull()) {
    const int rows = std::min(height, image_.height());
    const int bytes = std::min(width, image_.width()) * 4;
    for (int y = 0; y < rows; ++y)
      std::memcpy(next.scanLine(y), image_.constScanLine(y), static_cast<size_t>(bytes));
  }
  image_ = std::move(next);
}

void TCanvas::ApplyPen(QPainter& p, bool gapFill) {
  if (pen_.Style == TPenStyle::Clear) {
    p.setPen(Qt::NoPen);
    return;
  }
  QPen qp(gapFill ? brush_.Color : pen_.Color);
  if (pen_.Width <= 1) {
    qp.setWidth(1);
    qp.setCosmetic(true);
    qp.setCapStyle(Qt::FlatCap);
    if (pen_.Style == TPenStyle::Dot && !gapFill) qp.setDashPattern({3.0, 3.0});
  } else {
    // Wide pens are always solid, with round ends and joins.
    qp.setWidth(pen_.Width);
    qp.setCapStyle(Qt::RoundCap);
    qp.setJoinStyle(Qt::RoundJoin);
  }
  p.setPen(qp);
}

void TCanvas::StrokeLine(QPainter& p, QPoint a, QPoint b) {
  if (pen_.Style == TPenStyle::Clear) return;
  p.setBrush(Qt::NoBrush);
  const bool dotted = pen_.Style == TPenStyle::Dot && pen_.Width <= 1;
  if (dotted && brush_.Style == TBrushStyle::Solid) {
    ApplyPen(p, true);
    p.drawLine(a, b);
  }
  ApplyPen(p, false);
  p.drawLine(a, b);
}

void TCanvas::MoveTo(int x, int y) { penPos_ = QPoint(x, y); }

void TCanvas::LineTo(int x, int y) {
  const QPoint to(x, y);
  if (QPainter* p = Painter()) StrokeLine(*p, penPos_, to);
  penPos_ = to;
}

void TCanvas::Polyline(const std::vector<QPoint>& points) {
  if (points.empty()) return;
  QPainter* p = Painter();
  if (p) {
    for (size_t i = 1; i < points.size(); ++i) StrokeLine(*p, points[i - 1], points[i]);
  }
}

void TCanvas::ApplyFont(QPainter& p) {
  if (!fontCached_ || !(cachedFont_ == font_)) {
    cachedFont_ = font_;
    cachedQFont_ = font_.ToQFont();
    fontCached_ = true;
  }
  p.setFont(cachedQFont_);
}

QSize TCanvas::TextExtent(const std::string& text) { return TextExtent(FromLatin1(text)); }

QSize TCanvas::TextExtent(const QString& text) {
  if (!fontCached_ || !(cachedFont_ == font_)) {
    cachedFont_ = font_;
    cachedQFont_ = font_.ToQFont();
    fontCached_ = true;
  }
  const QFontMetrics fm(cachedQFont_);
  return QSize(fm.horizontalAdvance(text), fm.height());
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  if (recorder_) recorder_->push_back(TTextCall{text, x, y, font_.Escapement});
  QPainter* p = Painter();
  if (!p || text.empty()) {
    penPos_ = QPoint(x, y);
    return;
  }
  const QString s = FromLatin1(text);
  ApplyFont(*p);
  const QFontMetrics fm(cachedQFont_);
  p->save();
  p->translate(x, y);
  if (font_.Escapement != 0) p->rotate(-font_.Escapement / 10.0);
  if (brush_.Style == TBrushStyle::Solid)
    p->fillRect(QRect(0, 0, fm.horizontalAdvance(s), fm.height()), brush_.Color);
  p->setPen(font_.Color);
  p->drawText(0, fm.ascent(), s);
  p->restore();
  penPos_ = QPoint(x, y);
}

void TCanvas::TextOut(int x, int y, const QString& text) {
  TextOut(x, y, std::string(text.toLatin1().constData()));
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  QPainter* p = Painter();
  if (!p) return;
  const QRect r(left, top, right - left - 1, bottom - top - 1);
  if (brush_.Style == TBrushStyle::Solid) {
    p->setPen(Qt::NoPen);
    p->setBrush(brush_.Color);
    // The fill covers what the outline encloses.
    p->drawEllipse(QRectF(left, top, right - left - 1, bottom - top - 1).adjusted(0, 0, 1, 1));
  }
  p->setBrush(Qt::NoBrush);
  if (pen_.Style == TPenStyle::Clear) return;
  if (pen_.Style == TPenStyle::Dot && brush_.Style == TBrushStyle::Solid && pen_.Width <= 1) {
    ApplyPen(*p, true);
    p->drawEllipse(r);
  }
  ApplyPen(*p, false);
  p->drawEllipse(r);
}

bool TCanvas::ArcGeometry(int left, int top, int right, int bottom, int x1, int y1, int x2,
                          int y2, QRectF& rect, double& startDeg, double& spanDeg) const {
  rect = QRectF(left, top, right - left - 1, bottom - top - 1);
  const double rx = rect.width() / 2.0, ry = rect.height() / 2.0;
  if (!(rx > 0) || !(ry > 0)) return false;
  const QPointF c = rect.center();
  // Parametric angles of the points where the radials cut the ellipse.
  const double a1 = std::atan2(-(y1 - c.y()) / ry, (x1 - c.x()) / rx) * 180.0 / M_PI;
  const double a2 = std::atan2(-(y2 - c.y()) / ry, (x2 - c.x()) / rx) * 180.0 / M_PI;
  double span = std::fmod(a2 - a1, 360.0);
  if (span <= 1e-9) span += 360.0;
  if (span > 360.0) span = 360.0;
  startDeg = a1;
  spanDeg = span;
  return true;
}

void TCanvas::Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) {
  QPainter* p = Painter();
  if (!p || pen_.Style == TPenStyle::Clear) return;
  QRectF rect;
  double start = 0, span = 0;
  if (!ArcGeometry(left, top, right, bottom, x1, y1, x2, y2, rect, start, span)) return;
  QPainterPath path;
  path.arcMoveTo(rect, start);
  path.arcTo(rect, start, span);
  p->setBrush(Qt::NoBrush);
  if (pen_.Style == TPenStyle::Dot && brush_.Style == TBrushStyle::Solid && pen_.Width <= 1) {
    ApplyPen(*p, true);
    p->drawPath(path);
  }
  ApplyPen(*p, false);
  p->drawPath(path);
}

void TCanvas::Chord(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) {
  QPainter* p = Painter();
  if (!p) return;
  QRectF rect;
  double start = 0, span = 0;
  if (!ArcGeometry(left, top, right, bottom, x1, y1, x2, y2, rect, start, span)) return;
  QPainterPath path;
  path.arcMoveTo(rect, start);
  path.arcTo(rect, start, span);
  path.closeSubpath();
  if (brush_.Style == TBrushStyle::Solid) {
    p->setPen(Qt::NoPen);
    p->setBrush(brush_.Color);
    p->drawPath(path);
  }
  p->setBrush(Qt::NoBrush);
  if (pen_.Style == TPenStyle::Clear) return;
  if (pen_.Style == TPenStyle::Dot && brush_.Style == TBrushStyle::Solid && pen_.Width <= 1) {
    ApplyPen(*p, true);
    p->drawPath(path);
  }
  ApplyPen(*p, false);
  p->drawPath(path);
}

void TCanvas::FillRect(int left, int top, int right, int bottom) {
  if (brush_.Style != TBrushStyle::Solid) return;
  QPainter* p = Painter();
  if (!p || right <= left || bottom <= top) return;
  p->fillRect(QRect(left, top, right - left, bottom - top), brush_.Color);
}

void TCanvas::SetPixel(int x, int y, const QColor& c) {
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
  // The painter draws straight into the image's memory, so a pixel can go in beside it.
  reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = c.rgb();
}

QColor TCanvas::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return QColor();
  return QColor(reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x]);
}
