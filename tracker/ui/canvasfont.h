#pragma once
// The drawing font of the views and the tool plot from a font of the settings.

#include "canvas.h"
#include "options.h"

TFont CanvasFontOf(const TFontSpec& font);
