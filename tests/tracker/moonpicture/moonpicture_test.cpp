#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>

#include <cmath>
#include <cstdlib>
#include <string>

#include "astro_calendar.h"
#include "mooncomp.h"

using namespace astro;

namespace {

QApplication* App() {
    static int argc = 1;
    static char name[] = "moonpicture_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

class MoonPicture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { App(); }
};

TDateTime At(uint16_t y, uint16_t m, uint16_t d, int hh, int mm, int ss = 0) {
    return DateToDateTime(y, m, d) + (hh * 3600 + mm * 60 + ss) / 86400.0;
}

// Principal phases of January 2000 (UTC) and the day after the new moon.
const TDateTime kNewMoon = At(2000, 1, 6, 18, 14);
const TDateTime kDayAfterNew = At(2000, 1, 7, 18, 14);
const TDateTime kFirstQuarter = At(2000, 1, 14, 13, 34);
const TDateTime kFullMoon = At(2000, 1, 21, 4, 40);
const TDateTime kLastQuarter = At(2000, 1, 28, 7, 57);

bool IsDark(QRgb p) { return qAlpha(p) == 255 && (p & 0xFFFFFF) == 0; }

void Save(const QImage& img, const std::string& name) {
    const char* out = std::getenv("VELMAR_TEST_OUT");
    if (!out || img.isNull()) return;
    QDir().mkpath(QString::fromLocal8Bit(out));
    img.save(QDir(QString::fromLocal8Bit(out)).filePath(QString::fromStdString("moon_" + name + ".png")));
}

// Counts of dark and lit disc pixels left of, on and right of the centre column.
struct THalves {
    int DarkLeft = 0, LitLeft = 0, DarkRight = 0, LitRight = 0, Dark = 0, Lit = 0;
};

// Walks the disc of Row in a picture turned by rot_none or rot_180. Columns within Margin of
// the centre are left out of the halves.
THalves Count(const QImage& img, const TMoonSizeRow& row, bool turned, int margin) {
    THalves c;
    for (int y = 0; y < row.Height; ++y) {
        for (int x = 0; x < row.Width; ++x) {
            if (!InMoonDisc(row, x, y)) continue;
            const int px = turned ? row.Width - 1 - x : x;
            const int py = turned ? row.Height - 1 - y : y;
            const bool dark = IsDark(img.pixel(px, py));
            (dark ? c.Dark : c.Lit)++;
            // Left and right as seen in the (turned) picture.
            const int dx = turned ? row.CenterX - x : x - row.CenterX;
            if (dx < -margin) (dark ? c.DarkLeft : c.LitLeft)++;
            if (dx > margin) (dark ? c.DarkRight : c.LitRight)++;
        }
    }
    return c;
}

}  // namespace

// The stored pictures: the disc where the size table puts it, transparent (or white in the mask)
// elsewhere.
TEST_F(MoonPicture, DiscsMatchTheSizeTable) {
    for (const auto& row : MoonSizeTable) {
        for (const char* name : {row.ClassicPicture, row.ColorPicture, row.MaskPicture}) {
            SCOPED_TRACE(name);
            const QImage img = LoadMoonPicture(name);
            ASSERT_FALSE(img.isNull());
            ASSERT_EQ(img.width(), row.Width);
            ASSERT_EQ(img.height(), row.Height);
            const bool mask = std::string(name).find("_BW_") != std::string::npos;
            int minX = row.Width, maxX = -1, minY = row.Height, maxY = -1, n = 0;
            double sx = 0, sy = 0;
            for (int y = 0; y < row.Height; ++y) {
                for (int x = 0; x < row.Width; ++x) {
                    const QRgb p = img.pixel(x, y);
                    const bool in = mask ? qGray(p) < 128 : qAlpha(p) == 255;
                    if (!mask) {
                        EXPECT_TRUE(qAlpha(p) == 0 || qAlpha(p) == 255);
                    }
                    if (!in) continue;
                    minX = std::min(minX, x), maxX = std::max(maxX, x);
                    minY = std::min(minY, y), maxY = std::max(maxY, y);
                    sx += x, sy += y, ++n;
                }
            }
            EXPECT_EQ(minX, row.CenterX - row.Radius);
            EXPECT_EQ(maxX, row.CenterX + row.Radius);
            EXPECT_EQ(minY, row.CenterY - row.Radius);
            EXPECT_EQ(maxY, row.CenterY + row.Radius);
            EXPECT_NEAR(sx / n, row.CenterX, 1e-9);
            EXPECT_NEAR(sy / n, row.CenterY, 1e-9);
            // About pi r^2 pixels (the disc's rows run to the rounded half-width).
            const double area = M_PI * (row.Radius + 0.5) * (row.Radius + 0.5);
            EXPECT_NEAR(n, area, area * 0.06);
            // Not a blank disc: the photograph's shading is there.
            if (!mask) {
                EXPECT_NE(img.pixel(row.CenterX, row.CenterY), img.pixel(row.CenterX + 2, row.CenterY + 3));
            }
        }
    }
    EXPECT_TRUE(LoadMoonPicture("NO_SUCH_PICTURE").isNull());
}

TEST_F(MoonPicture, PhasesAndTheSouthernTurn) {
    enum TExpect { kAllLit, kAllDark, kLeftDark, kRightDark, kRightSliver };
    struct TCase {
        const char* name;
        TDateTime date;
        double phase;  // expected phase angle, +- 15 degrees
        TExpect expect;
    };
    const TCase cases[] = {
        {"full", kFullMoon, 0, kAllLit},
        {"new", kNewMoon, 180, kAllDark},
        {"first_quarter", kFirstQuarter, 90, kLeftDark},
        {"last_quarter", kLastQuarter, 270, kRightDark},
        {"day_after_new", kDayAfterNew, 168, kRightSliver},
    };
    TMoon moon;
    for (const auto& c : cases) {
        for (TMoonSize size : {ms64, ms32, ms16}) {
            for (TRotate rot : {rot_none, rot_180}) {
                SCOPED_TRACE(std::string(c.name) + " size " + std::to_string(int(size)) + " rot " + std::to_string(int(rot)));
                moon.SetMoonSize(size);
                moon.SetRotation(rot);
                moon.SetDate(c.date);
                const double dp = std::fabs(std::remainder(moon.PhaseAngle() - c.phase, 360.0));
                EXPECT_LT(dp, 15.0) << moon.PhaseAngle();
                const auto& row = MoonSizeTable[size];
                const QImage& img = moon.Picture();
                ASSERT_EQ(img.size(), QSize(row.Width, row.Height));
                Save(img, std::string(c.name) + "_" + std::to_string(row.Width) + (rot ? "_south" : ""));
                // Left and right as seen: the southern turn swaps them.
                const THalves h = Count(img, row, rot == rot_180, 1);
                const int rows = 2 * row.Radius + 1;
                switch (c.expect) {
                    case kAllLit:  // at most the one edge pixel of each row
                        EXPECT_LE(h.Dark, rows);
                        EXPECT_EQ(rot == rot_180 ? h.DarkLeft : h.DarkRight, 0);
                        break;
                    case kAllDark: EXPECT_EQ(h.Lit, 0); break;
                    case kLeftDark:  // lit on the right in the north, on the left in the south
                        EXPECT_EQ(rot == rot_180 ? h.DarkLeft + h.LitRight : h.LitLeft + h.DarkRight, 0);
                        EXPECT_GT(h.Dark, 0);
                        EXPECT_GT(h.Lit, 0);
                        break;
                    case kRightDark:
                        EXPECT_EQ(rot == rot_180 ? h.LitLeft + h.DarkRight : h.DarkLeft + h.LitRight, 0);
                        EXPECT_GT(h.Dark, 0);
                        EXPECT_GT(h.Lit, 0);
                        break;
                    case kRightSliver:  // too thin for the 16-pixel disc
                        if (size != ms16) {
                            EXPECT_GT(h.Lit, 0);
                        }
                        EXPECT_LT(h.Lit, h.Dark / 5);
                        EXPECT_EQ(rot == rot_180 ? h.LitRight : h.LitLeft, 0);
                        break;
                }
            }
        }
    }
}

TEST_F(MoonPicture, QuarterTurns) {
    // Corners of a 3 x 3 picture: rot_90 turns counter-clockwise, rot_270 clockwise.
    struct TCase {
        TRotate rot;
        QPoint from, to;
    };
    const TCase cases[] = {
        {rot_90, {2, 0}, {0, 0}}, {rot_90, {0, 0}, {0, 2}}, {rot_90, {1, 2}, {2, 1}},
        {rot_270, {2, 0}, {2, 2}}, {rot_270, {0, 0}, {2, 0}}, {rot_270, {1, 2}, {0, 1}},
        {rot_180, {2, 0}, {0, 2}}, {rot_none, {2, 0}, {2, 0}},
    };
    for (const auto& c : cases) {
        QImage img(3, 3, QImage::Format_ARGB32);
        img.fill(Qt::black);
        img.setPixel(c.from, qRgb(255, 0, 0));
        RotateMoonPicture(img, c.rot);
        EXPECT_EQ(img.pixel(c.to), qRgb(255, 0, 0)) << int(c.rot) << " " << c.to.x() << "," << c.to.y();
        int red = 0;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x) red += img.pixel(x, y) == qRgb(255, 0, 0);
        EXPECT_EQ(red, 1);
    }
}

TEST_F(MoonPicture, LandingSitePixel) {
    const TDateTime landing = MoonLandingTime();
    EXPECT_DOUBLE_EQ(landing, At(1969, 7, 20, 20, 17, 43));
    const auto& row = MoonSizeTable[ms64];
    const QRgb red = qRgb(255, 0, 0);
    auto redPixels = [&](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) == red;
        return n;
    };
    TMoon moon;
    // Near the full moons before and after the landing.
    moon.SetDate(At(1969, 6, 29, 7, 0));
    EXPECT_LT(moon.PhaseAngle() < 180 ? moon.PhaseAngle() : 360 - moon.PhaseAngle(), 20.0);
    EXPECT_EQ(redPixels(moon.Picture()), 0);
    moon.SetDate(At(1969, 7, 28, 3, 0));
    EXPECT_LT(moon.PhaseAngle() < 180 ? moon.PhaseAngle() : 360 - moon.PhaseAngle(), 20.0);
    EXPECT_EQ(moon.Picture().pixel(row.SiteX, row.SiteY), red);
    EXPECT_EQ(redPixels(moon.Picture()), 1);
    // At the landing itself the site lies right at the morning terminator, one pixel inside the
    // shadow: the pixel is set first and the shadow covers it.
    moon.SetDate(landing + 1.0 / 86400);
    EXPECT_TRUE(IsDark(moon.Picture().pixel(row.SiteX, row.SiteY)));
    EXPECT_FALSE(IsDark(moon.Picture().pixel(row.SiteX + 2, row.SiteY)));
    // Turned for the south, the pixel goes with the picture.
    moon.SetDate(At(1969, 7, 28, 3, 0));
    moon.SetRotation(rot_180);
    EXPECT_EQ(moon.Picture().pixel(row.Width - 1 - row.SiteX, row.Height - 1 - row.SiteY), red);
    // A plain switch: it takes effect at the next rebuild, and setting the rotation it already
    // has rebuilds nothing.
    moon.SetShowApollo11(false);
    moon.SetRotation(rot_180);
    EXPECT_EQ(redPixels(moon.Picture()), 1);
    moon.SetMoonStyle(msColor);
    EXPECT_EQ(redPixels(moon.Picture()), 0);
}

TEST_F(MoonPicture, SizeAndStyle) {
    TMoon moon;
    EXPECT_EQ(moon.size(), QSize(64, 64));
    EXPECT_EQ(moon.MoonSize(), ms64);
    EXPECT_TRUE(moon.ShowApollo11());
    moon.SetMoonSize(ms16);
    EXPECT_EQ(moon.size(), QSize(16, 16));
    moon.resize(40, 40);  // the control keeps the picture's size
    EXPECT_EQ(moon.size(), QSize(16, 16));
    EXPECT_EQ(moon.Picture().size(), QSize(16, 16));
    moon.SetMoonSize(ms32);
    moon.SetDate(kFullMoon);
    const auto& row = MoonSizeTable[ms32];
    const QRgb grey = moon.Picture().pixel(row.CenterX + 3, row.CenterY + 3);
    EXPECT_EQ(qRed(grey), qBlue(grey));
    moon.SetMoonStyle(msColor);
    const QRgb colour = moon.Picture().pixel(row.CenterX + 3, row.CenterY + 3);
    EXPECT_GT(qRed(colour), qBlue(colour));
    // Rendering the widget itself works offscreen.
    const QImage shot = moon.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(32, 32));
    // A date with no phase shows the plain picture rather than failing.
    moon.SetDate(std::nan(""));
    EXPECT_FALSE(moon.Picture().isNull());
}

TEST_F(MoonPicture, Icon) {
    TMoon moon;
    moon.SetDate(kFirstQuarter);
    struct TCase {
        int iconSize;
        TMoonSize rowSize;
    };
    for (const TCase c : {TCase{16, ms16}, TCase{32, ms32}, TCase{48, ms32}, TCase{64, ms64}}) {
        SCOPED_TRACE(c.iconSize);
        const QImage icon = moon.IconImage(c.iconSize);
        ASSERT_EQ(icon.size(), QSize(c.iconSize, c.iconSize));
        Save(icon, "icon_" + std::to_string(c.iconSize));
        const auto& row = MoonSizeTable[c.rowSize];
        for (int y = 0; y < c.iconSize; ++y) {
            for (int x = 0; x < c.iconSize; ++x) {
                const bool in = x < row.Width && y < row.Height && InMoonDisc(row, x, y);
                ASSERT_EQ(qAlpha(icon.pixel(x, y)), in ? 255 : 0) << x << "," << y;
            }
        }
        // First quarter: dark on the left, lit on the right.
        EXPECT_TRUE(IsDark(icon.pixel(row.CenterX - row.Radius / 2, row.CenterY)));
        EXPECT_FALSE(IsDark(icon.pixel(row.CenterX + row.Radius / 2, row.CenterY)));
    }
    EXPECT_FALSE(moon.Icon().isNull());
}
