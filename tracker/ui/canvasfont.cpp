#include "canvasfont.h"

#include <cstdint>

TFont CanvasFontOf(const TFontSpec& font) {
  TFont f;
  f.Name = font.Name;
  f.SetSize(font.Size);
  f.SetBold(font.Bold);
  f.Italic = font.Italic;
  // A system colour (high bit set) is the window-text colour.
  f.Color = font.Color < 0 ? QColor(Qt::black) : ColorFromToolkit(static_cast<std::uint32_t>(font.Color));
  return f;
}
