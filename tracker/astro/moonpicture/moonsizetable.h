// The picture sizes of the moon-phase component: where the disc lies in each picture and
// which stored pictures belong to it. Shared with the picture generator (tools/gen_moon).
#pragma once

#include <cmath>
#include <cstdint>

namespace astro {

enum TMoonSize : uint8_t { ms64 = 0, ms32 = 1, ms16 = 2 };

struct TMoonSizeRow {
    int Width, Height;
    int CenterX, CenterY;
    int Radius;
    int SiteX, SiteY;           // the first crewed landing site
    const char* ClassicPicture;  // grey full moon
    const char* ColorPicture;    // coloured full moon
    const char* MaskPicture;     // monochrome: black disc on white
};

inline constexpr TMoonSizeRow MoonSizeTable[3] = {
    {64, 64, 31, 28, 28, 41, 29, "MOON_LARGE", "MOON_COLOR_LARGE", "MOON_BW_LARGE"},
    {32, 32, 15, 14, 14, 20, 15, "MOON_SMALL", "MOON_COLOR_SMALL", "MOON_BW_SMALL"},
    {16, 16, 7, 7, 7, 9, 7, "MOON_TINY", "MOON_COLOR_TINY", "MOON_BW_TINY"},
};

// Half the width of the disc, in whole pixels, on the row G rows above or below its centre:
// the disc covers CenterX - w to CenterX + w there. The shadow of a new moon covers exactly
// these pixels, so the pictures' discs are made of them too.
inline int MoonDiscHalfWidth(int Radius, int G) {
    const int sq = Radius * Radius - G * G;
    if (sq < 0) return -1;
    return static_cast<int>(std::nearbyint(std::sqrt(static_cast<double>(sq))));
}

inline bool InMoonDisc(const TMoonSizeRow& Row, int X, int Y) {
    const int g = Y - Row.CenterY;
    if (g < -Row.Radius || g > Row.Radius) return false;
    const int w = MoonDiscHalfWidth(Row.Radius, g < 0 ? -g : g);
    return X >= Row.CenterX - w && X <= Row.CenterX + w;
}

}  // namespace astro
