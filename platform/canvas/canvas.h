// Drawing canvas over QPainter.
//
// The views were written for a canvas with a pen (colour, style, width), a brush (solid or
// clear), a font with an escapement and a current point. This layer keeps those semantics:
//   - a dotted pen is 3 pixels on, 3 off; while the brush is solid, the gaps of a dotted line and
//     the cell behind a text are filled with the brush colour;
//   - thin lines (width 1) are set pixel by pixel, both end points included, the minor
//     coordinate rounded halves to even, so a mirrored line gives mirrored pixels; wider pens
//     draw solid lines with round ends;
//   - TextOut places the top-left corner of the text cell at (x, y) and turns the text
//     counter-clockwise by the font's escapement (tenths of a degree);
//   - Ellipse, Arc and Chord take a bounding box whose right and bottom edges are excluded; arcs
//     and chords run counter-clockwise from the radial through the first point to the radial
//     through the second;
//   - font sizes in points are converted at 96 pixels per inch, whatever the device.
// Texts are single-byte (Latin-1) as everywhere in the model; QString overloads exist for callers
// that already hold one.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QHash>
#include <QSize>
#include <QStaticText>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

// Integer nearest to x, halves to the even neighbour. Throws std::domain_error when x is not
// finite or lies outside the range of int.
int Nearest(double x);

// Pins the fonts the views ask for by name to fonts that exist on the system:
// "Verdana" -> "DejaVu Sans", "Arial" -> "Liberation Sans". Call once after the application
// object exists (the program at start, tests in their set-up). Safe to call again.
void InstallFontSubstitutions();

// The toolkit's colour value 0x00BBGGRR as a colour, and back.
QColor ColorFromToolkit(std::uint32_t bgr);
std::uint32_t ColorToToolkit(const QColor& c);

enum class TPenStyle { Solid, Dot, Clear };
enum class TBrushStyle { Solid, Clear };

struct TPen {
  QColor Color = Qt::black;
  TPenStyle Style = TPenStyle::Solid;
  int Width = 1;
};

struct TBrush {
  QColor Color = Qt::white;
  TBrushStyle Style = TBrushStyle::Solid;
  // Setting a colour makes a clear brush solid.
  void SetColor(const QColor& c) {
    Color = c;
    Style = TBrushStyle::Solid;
  }
};

// Font weights of a font description.
inline constexpr int kFontWeightNormal = 400;
inline constexpr int kFontWeightBold = 700;

// A font as the views describe it. Height in pixels: negative is the character (em) height,
// positive the cell height; `SetSize` sets it from points at 96 dpi. Escapement in tenths of a
// degree, counter-clockwise. Orientation is kept for completeness; the text follows Escapement.
struct TFont {
  std::string Name = "Arial";
  int Height = -11;  // 8 points
  int Weight = kFontWeightNormal;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  int CharSet = 1;  // the default character set
  QColor Color = Qt::black;
  int Escapement = 0;
  int Orientation = 0;

  // Points from the height (96 dpi).
  int Size() const;
  void SetSize(int points);
  bool Bold() const { return Weight >= kFontWeightBold; }
  void SetBold(bool on) { Weight = on ? kFontWeightBold : kFontWeightNormal; }
  QFont ToQFont() const;
  bool operator==(const TFont&) const = default;
};

// The font description the views fill and turn into a font (see `TFont::FromLogFont`).
struct TLogFont {
  int Height = 0;
  int Width = 0;
  int Escapement = 0;
  int Orientation = 0;
  int Weight = kFontWeightNormal;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  int CharSet = 0;
  int OutPrecision = 0;
  int ClipPrecision = 0;
  int Quality = 0;
  int PitchAndFamily = 0;
  std::string FaceName;
};

// A font made from a description; the colour is taken from `color` (a created font carries none).
TFont FontFromLogFont(const TLogFont& lf, const QColor& color);

// One TextOut call as the recorder keeps it.
struct TTextCall {
  std::string Text;  // Latin-1, as passed
  int X = 0;
  int Y = 0;
  int Escapement = 0;  // tenths of a degree
  int Width = 0;       // the text cell, before the turn
  int Height = 0;
};

class TCanvas {
 public:
  TCanvas();
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The bitmap drawn on (Format_RGB32). Resizing keeps the old content at the top left; new
  // parts are filled with the brush colour. A size of 0 in either direction gives a null image,
  // on which every drawing call does nothing. Throws std::invalid_argument on a negative size
  // and std::bad_alloc when the picture cannot be allocated.
  void SetSize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The picture, with every drawing so far in it: Width() x Height() pixels times the scale.
  const QImage& Image() const;
  // Pixels of the picture per pixel drawn (1 at creation; at least 1): with a scale above 1 the
  // same drawing is made in finer detail, for printing. Takes effect with the next SetSize,
  // which then starts from an empty picture.
  void SetScale(double scale);
  double Scale() const { return scale_; }

  TPen& Pen() { return pen_; }
  TBrush& Brush() { return brush_; }
  TFont& Font() { return font_; }
  void SetFont(const TFont& f) { font_ = f; }

  // Current point.
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  QPoint PenPos() const { return penPos_; }
  void Polyline(const std::vector<QPoint>& points);

  void TextOut(int x, int y, const std::string& text);
  void TextOut(int x, int y, const QString& text);
  void TextOut(int x, int y, const char* text) { TextOut(x, y, std::string(text ? text : "")); }
  QSize TextExtent(const std::string& text);
  QSize TextExtent(const QString& text);
  QSize TextExtent(const char* text) { return TextExtent(std::string(text ? text : "")); }
  int TextWidth(const std::string& text) { return TextExtent(text).width(); }
  int TextHeight(const std::string& text) { return TextExtent(text).height(); }

  // Outline with the pen, inside with the brush.
  void Ellipse(int left, int top, int right, int bottom);
  // Outline of the ellipse from the radial through (x1, y1) counter-clockwise to that through
  // (x2, y2); equal radials give the whole ellipse.
  void Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
  // The arc closed by its chord, filled with the brush.
  void Chord(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
  // Fill with the brush, right and bottom edges excluded.
  void FillRect(int left, int top, int right, int bottom);

  // Pixels outside the bitmap are ignored on writing and read as an invalid colour.
  void SetPixel(int x, int y, const QColor& c);
  QColor Pixel(int x, int y) const;

  // Records every TextOut while set (nullptr stops recording). Not owned.
  void SetTextRecorder(std::vector<TTextCall>* recorder) { recorder_ = recorder; }

 private:
  QPainter* Painter();  // begins painting on first use
  void EndPainting() const;
  void ApplyPen(QPainter& p, bool gapFill);
  void ApplyFont(QPainter& p);
  void UpdateFontCache();
  const QFontMetrics& Metrics();
  struct TLaidOutText {
    int Advance = 0;
    QStaticText Static;
    bool Prepared = false;
  };
  TLaidOutText& LaidOut(const QString& text);
  const QStaticText& StaticText(TLaidOutText& t, const QString& text);
  void StrokeLine(QPainter& p, QPoint a, QPoint b);
  void RasterLine(QPoint a, QPoint b);
  bool ArcGeometry(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2,
                   QRectF& rect, double& startDeg, double& spanDeg) const;

  mutable QImage image_;
  int width_ = 0, height_ = 0;
  double scale_ = 1, imageScale_ = 1;  // asked for, and that of the present picture
  mutable std::unique_ptr<QPainter> painter_;
  TPen pen_;
  TBrush brush_;
  TFont font_;
  QPoint penPos_{0, 0};
  std::vector<TTextCall>* recorder_ = nullptr;
  // Cache of the last font turned into a QFont.
  TFont cachedFont_;
  QFont cachedQFont_;
  std::optional<QFontMetrics> metrics_;
  bool fontCached_ = false;
  mutable bool painterFontSet_ = false;
  std::unordered_map<std::string, QHash<QString, TLaidOutText>> textCaches_;
  QHash<QString, TLaidOutText>* faceTexts_ = nullptr;
  // Scratch picture for turned texts.
  QImage scratch_;
  std::unique_ptr<QPainter> scratchPainter_;
};
