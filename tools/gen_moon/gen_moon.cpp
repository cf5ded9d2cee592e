// Makes the moon-phase component's nine pictures from one photograph of the full Moon:
// for each of the three sizes a grey picture, a coloured one and a monochrome mask, with the
// disc exactly where the component's size table puts it. Outside the disc the grey and
// coloured pictures are transparent; the mask is black on the disc and white elsewhere.
//
//   gen_moon <full-moon picture> <output folder>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdio>

#include "moonsizetable.h"

namespace {

// The photograph's disc: the bounding box of its opaque, non-black pixels, made square.
QRect FindDisc(const QImage& src) {
    int left = src.width(), top = src.height(), right = -1, bottom = -1;
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const QRgb p = line[x];
            if (qAlpha(p) < 128 || qGray(p) < 8) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return {};
    const int size = std::max(right - left + 1, bottom - top + 1);
    const int cx2 = left + right + 1, cy2 = top + bottom + 1;  // twice the centre
    return QRect((cx2 - size) / 2, (cy2 - size) / 2, size, size);
}

int Clamp255(double v) { return std::clamp(static_cast<int>(v + 0.5), 0, 255); }

bool Write(const QImage& img, const QString& folder, const char* name) {
    const QString path = QDir(folder).filePath(QString::fromLatin1(name) + ".png");
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gen_moon <full-moon picture> <output folder>\n");
        return 2;
    }
    QImage src(QString::fromLocal8Bit(argv[1]));
    if (src.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    src = src.convertToFormat(QImage::Format_ARGB32);
    const QRect disc = FindDisc(src);
    if (disc.isEmpty()) {
        std::fprintf(stderr, "no disc found in %s\n", argv[1]);
        return 1;
    }
    std::printf("disc %d,%d size %d\n", disc.x(), disc.y(), disc.width());
    // Premultiplied, so that the smooth reduction averages the rim correctly.
    const QImage crop = src.copy(disc).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const double rimGrey = 70;  // behind the photograph's anti-aliased rim

    for (const auto& row : astro::MoonSizeTable) {
        const int d = 2 * row.Radius + 1;
        const QImage scaled = crop.scaled(d, d, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                  .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QImage classic(row.Width, row.Height, QImage::Format_ARGB32);
        classic.fill(Qt::transparent);
        QImage color = classic;
        QImage mask(row.Width, row.Height, QImage::Format_Mono);
        mask.setColorCount(2);
        mask.setColor(0, qRgb(255, 255, 255));
        mask.setColor(1, qRgb(0, 0, 0));
        mask.fill(0);
        for (int y = 0; y < row.Height; ++y) {
            for (int x = 0; x < row.Width; ++x) {
                if (!astro::InMoonDisc(row, x, y)) continue;
                const QRgb p = scaled.pixel(x - (row.CenterX - row.Radius), y - (row.CenterY - row.Radius));
                const double back = (255 - qAlpha(p)) / 255.0 * rimGrey;
                const double r = qRed(p) + back, g = qGreen(p) + back, b = qBlue(p) + back;
                const double v = 0.299 * r + 0.587 * g + 0.114 * b;
                classic.setPixel(x, y, qRgb(Clamp255(v), Clamp255(v), Clamp255(v)));
                // A warm, pale yellow moon.
                color.setPixel(x, y, qRgb(Clamp255(v * 1.06 + 8), Clamp255(v * 0.98 + 2), Clamp255(v * 0.74)));
                mask.setPixel(x, y, 1);
            }
        }
        if (!Write(classic, argv[2], row.ClassicPicture) || !Write(color, argv[2], row.ColorPicture) ||
            !Write(mask, argv[2], row.MaskPicture))
            return 1;
    }
    return 0;
}
