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
  f.setHintingPreference(QFont::PreferNoHinting);
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
  painterFontSet_ = false;
}

QPainter* TCanvas::Painter() {
  if (image_.isNull()) return nullptr;
  if (!painter_) {
    // Pixels are also written straight into the image's memory: make it unshared first.
    (void)image_.bits();
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&image_)) {
      painter_.reset();
      return nullptr;
    }
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setBackgroundMode(Qt::TransparentMode);
    if (imageScale_ != 1) painter_->scale(imageScale_, imageScale_);
  }
  return painter_.get();
}

const QImage& TCanvas::Image() const {
  EndPainting();
  return image_;
}

void TCanvas::SetScale(double scale) { scale_ = std::isfinite(scale) && scale > 1 ? scale : 1; }

void TCanvas::SetSize(int width, int height) {
  if (width < 0 || height < 0) throw std::invalid_argument("TCanvas::SetSize: negative size");
  if (width == width_ && height == height_ && scale_ == imageScale_) return;
  EndPainting();
  const bool keep = scale_ == imageScale_;
  width_ = width;
  height_ = height;
  imageScale_ = scale_;
  if (width == 0 || height == 0) {
    width_ = height_ = 0;
    image_ = QImage();
    return;
  }
  const auto pixels = [this](int n) {
    return imageScale_ == 1 ? n : std::max(1, static_cast<int>(std::lround(n * imageScale_)));
  };
  QImage next(pixels(width), pixels(height), QImage::Format_RGB32);
  if (next.isNull()) throw std::bad_alloc();
  next.fill(brush_.Color);
  if (!image_.isNull() && keep) {
    const int rows = std::min(next.height(), image_.height());
    const int bytes = std::min(next.width(), image_.width()) * 4;
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
    // One pixel of the drawing: in a finer picture, as many of its pixels.
    qp.setWidth(1);
    qp.setCosmetic(imageScale_ == 1);
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

namespace {

// Nearest integer to num / den (den > 0), halves to even; odd-symmetric, so mirrored lines
// get mirrored pixels.
long long RoundDiv(long long num, long long den) {
  long long q = num / den, r = num % den;
  if (r < 0) {
    r += den;
    --q;
  }
  const long long twice = 2 * r;
  if (twice > den || (twice == den && (q & 1))) ++q;
  return q;
}

}  // namespace

void TCanvas::RasterLine(QPoint a, QPoint b) {
  // Thin lines are set pixel by pixel: every pixel from a to b, both ends included, the minor
  // coordinate rounded halves to even. A dotted pen is 3 on, 3 off from the start of the line;
  // its gaps take the brush colour while the brush is solid.
  const long long dx = static_cast<long long>(b.x()) - a.x();
  const long long dy = static_cast<long long>(b.y()) - a.y();
  const long long n = std::max(std::llabs(dx), std::llabs(dy));
  const int W = image_.width(), H = image_.height();
  const QRgb on = pen_.Color.rgb();
  const bool dotted = pen_.Style == TPenStyle::Dot;
  const bool fillGaps = dotted && brush_.Style == TBrushStyle::Solid;
  const QRgb gap = brush_.Color.rgb();
  // Steps whose major coordinate lies inside the bitmap.
  long long k0 = 0, k1 = n;
  if (n > 0) {
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const long long start = xMajor ? a.x() : a.y();
    const long long step = xMajor ? (dx > 0 ? 1 : -1) : (dy > 0 ? 1 : -1);
    const long long size = xMajor ? W : H;
    // start + k * step in [0, size)
    long long lo = step > 0 ? -start : start - (size - 1);
    long long hi = step > 0 ? size - 1 - start : start;
    k0 = std::max(k0, lo);
    k1 = std::min(k1, hi);
  }
  for (long long k = k0; k <= k1; ++k) {
    QRgb colour = on;
    if (dotted && (k % 6) >= 3) {
      if (!fillGaps) continue;
      colour = gap;
    }
    const long long x = n == 0 ? a.x() : a.x() + RoundDiv(k * dx, n);
    const long long y = n == 0 ? a.y() : a.y() + RoundDiv(k * dy, n);
    if (x < 0 || y < 0 || x >= W || y >= H) continue;
    reinterpret_cast<QRgb*>(image_.scanLine(static_cast<int>(y)))[x] = colour;
  }
}

void TCanvas::StrokeLine(QPainter& p, QPoint a, QPoint b) {
  if (pen_.Style == TPenStyle::Clear) return;
  if (pen_.Width <= 1 && imageScale_ == 1) {
    RasterLine(a, b);
    return;
  }
  if (pen_.Width <= 1) {
    // A finer picture: the line through the middles of the end pixels, both ends included.
    const QPointF from = QPointF(a) + QPointF(0.5, 0.5), to = QPointF(b) + QPointF(0.5, 0.5);
    p.setBrush(Qt::NoBrush);
    if (pen_.Style == TPenStyle::Dot && brush_.Style == TBrushStyle::Solid) {
      ApplyPen(p, true);
      QPen gap = p.pen();
      gap.setCapStyle(Qt::SquareCap);
      p.setPen(gap);
      p.drawLine(from, to);
    }
    ApplyPen(p, false);
    QPen pen = p.pen();
    if (pen_.Style != TPenStyle::Dot) pen.setCapStyle(Qt::SquareCap);
    p.setPen(pen);
    p.drawLine(from, to);
    return;
  }
  p.setBrush(Qt::NoBrush);
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

namespace {
// The parts of a font that make its glyphs (not its colour or turn).
bool SameFace(const TFont& a, const TFont& b) {
  return a.Name == b.Name && a.Height == b.Height && a.Weight == b.Weight && a.Italic == b.Italic &&
         a.Underline == b.Underline && a.StrikeOut == b.StrikeOut;
}
}  // namespace

void TCanvas::UpdateFontCache() {
  if (fontCached_ && SameFace(cachedFont_, font_)) return;
  cachedFont_ = font_;
  cachedQFont_ = font_.ToQFont();
  metrics_.emplace(cachedQFont_);
  fontCached_ = true;
  painterFontSet_ = false;
  // Texts laid out in this face before: views redraw the same names over and over.
  const std::string key = font_.Name + '|' + std::to_string(font_.Height) + '|' +
                          std::to_string(font_.Weight) + '|' + char('0' + font_.Italic) +
                          char('0' + font_.Underline) + char('0' + font_.StrikeOut);
  if (textCaches_.size() > 64) textCaches_.clear();
  faceTexts_ = &textCaches_[key];
}

TCanvas::TLaidOutText& TCanvas::LaidOut(const QString& text) {
  UpdateFontCache();
  if (faceTexts_->size() > 50000) faceTexts_->clear();
  auto it = faceTexts_->find(text);
  if (it == faceTexts_->end()) {
    TLaidOutText t;
    t.Advance = metrics_->horizontalAdvance(text);
    it = faceTexts_->insert(text, t);
  }
  return it.value();
}

const QStaticText& TCanvas::StaticText(TLaidOutText& t, const QString& text) {
  if (!t.Prepared) {
    t.Static.setText(text);
    t.Static.setTextFormat(Qt::PlainText);
    t.Static.prepare(QTransform(), cachedQFont_);
    t.Prepared = true;
  }
  return t.Static;
}

const QFontMetrics& TCanvas::Metrics() {
  UpdateFontCache();
  return *metrics_;
}

void TCanvas::ApplyFont(QPainter& p) {
  UpdateFontCache();
  if (!painterFontSet_) {
    p.setFont(cachedQFont_);
    painterFontSet_ = true;
  }
}

QSize TCanvas::TextExtent(const std::string& text) { return TextExtent(FromLatin1(text)); }

QSize TCanvas::TextExtent(const QString& text) {
  const int w = LaidOut(text).Advance;
  return QSize(w, metrics_->height());
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  if (recorder_) {
    const QSize extent = TextExtent(text);
    recorder_->push_back(TTextCall{text, x, y, font_.Escapement, extent.width(), extent.height()});
  }
  QPainter* p = Painter();
  if (!p || text.empty()) {
    penPos_ = QPoint(x, y);
    return;
  }
  const QString s = FromLatin1(text);
  ApplyFont(*p);
  TLaidOutText& laid = LaidOut(s);
  const int advance = laid.Advance;
  const QFontMetrics& fm = *metrics_;
  const QRect cell(0, 0, advance, fm.height());
  const bool opaque = brush_.Style == TBrushStyle::Solid;
  if (font_.Escapement % 3600 == 0) {
    if (opaque) p->fillRect(cell.translated(x, y), brush_.Color);
    p->setPen(font_.Color);
    p->drawStaticText(x, y, StaticText(laid, s));
  } else if (!cell.isEmpty() && imageScale_ != 1) {
    // A finer picture: turned in place, so the glyphs keep their detail.
    p->save();
    p->translate(x, y);
    p->rotate(-font_.Escapement / 10.0);
    if (opaque) p->fillRect(cell, brush_.Color);
    p->setPen(font_.Color);
    p->drawStaticText(0, 0, StaticText(laid, s));
    p->restore();
  } else if (!cell.isEmpty()) {
    // Turned text: set upright into a small picture (the glyph cache serves upright glyphs
    // only), then turned into place.
    // One scratch picture, grown as needed, with its own painter kept open.
    if (scratch_.width() < cell.width() || scratch_.height() < cell.height()) {
      scratchPainter_.reset();
      scratch_ = QImage(std::max(cell.width(), scratch_.width()),
                        std::max(cell.height(), scratch_.height()),
                        QImage::Format_ARGB32_Premultiplied);
      if (scratch_.isNull()) throw std::bad_alloc();
      scratchPainter_ = std::make_unique<QPainter>(&scratch_);
      scratchPainter_->setCompositionMode(QPainter::CompositionMode_Source);
    }
    QPainter& tp = *scratchPainter_;
    tp.setCompositionMode(QPainter::CompositionMode_Source);
    tp.fillRect(cell, opaque ? brush_.Color : QColor(Qt::transparent));
    tp.setCompositionMode(QPainter::CompositionMode_SourceOver);
    tp.setFont(cachedQFont_);
    tp.setPen(font_.Color);
    tp.drawStaticText(0, 0, StaticText(laid, s));
    p->save();
    p->translate(x, y);
    p->rotate(-font_.Escapement / 10.0);
    p->drawImage(QPointF(0, 0), scratch_, QRectF(cell));
    p->restore();
  }
  penPos_ = QPoint(x, y);
}

void TCanvas::TextOut(int x, int y, const QString& text) {
  TextOut(x, y, std::string(text.toLatin1().constData()));
}

namespace {
// Corners given the wrong way round describe the same box.
void Normalize(int& left, int& top, int& right, int& bottom) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
}
}  // namespace

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  Normalize(left, top, right, bottom);
  QPainter* p = Painter();
  if (!p || right <= left || bottom <= top) return;
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
  Normalize(left, top, right, bottom);
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
  // Aliased paths lose the right and bottom pixel of the box; half a pixel right and down they
  // cover the same pixels as Ellipse.
  rect.translate(0.5, 0.5);
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
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || image_.isNull()) return;
  if (imageScale_ != 1) {
    if (QPainter* p = Painter()) p->fillRect(QRectF(x, y, 1, 1), c);
    return;
  }
  // The painter draws straight into the image's memory, so a pixel can go in beside it.
  reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = c.rgb();
}

QColor TCanvas::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || image_.isNull()) return QColor();
  if (imageScale_ != 1) {
    EndPainting();
    x = std::min(image_.width() - 1, static_cast<int>((x + 0.5) * imageScale_));
    y = std::min(image_.height() - 1, static_cast<int>((y + 0.5) * imageScale_));
  }
  return QColor(reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x]);
}
