#include "mooncomp.h"

#include <QApplication>
#include <QDateTime>
#include <QPainter>
#include <QStyle>

#include <cmath>

#include "astro_math.h"
#include "astro_moon.h"

namespace astro {

namespace {

const TMoonSizeRow& SizeRow(TMoonSize Size) {
    return MoonSizeTable[Size <= ms16 ? Size : ms64];
}

const char* StylePicture(const TMoonSizeRow& Row, TMoonStyle Style) {
    return Style == msColor ? Row.ColorPicture : Row.ClassicPicture;
}

// The local clock time as a TDateTime.
TDateTime LocalNow() {
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 days = QDate(1899, 12, 30).daysTo(now.date());
    return static_cast<TDateTime>(days) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

void SetPixelChecked(QImage& Img, int X, int Y, QRgb Color) {
    if (X >= 0 && Y >= 0 && X < Img.width() && Y < Img.height()) Img.setPixel(X, Y, Color);
}

// The pixels X1 to X2 (both included, either order) of row Y in black.
void ShadowSpan(QImage& Img, int X1, int X2, int Y) {
    if (X1 > X2) std::swap(X1, X2);
    for (int x = X1; x <= X2; ++x) SetPixelChecked(Img, x, Y, qRgb(0, 0, 0));
}

}  // namespace

TDateTime MoonLandingTime() { return DateToDateTime(1969, 7, 20) + (20 * 3600 + 17 * 60 + 43) / 86400.0; }

QImage LoadMoonPicture(const char* Name) {
    QImage img(QStringLiteral(":/moon/") + QString::fromLatin1(Name) + QStringLiteral(".png"));
    if (img.isNull()) return {};
    return img.convertToFormat(QImage::Format_ARGB32);
}

void RotateMoonPicture(QImage& Picture, TRotate Rotation) {
    if (Rotation == rot_none || Picture.isNull()) return;
    const QImage src = Picture;
    const int w = src.width(), h = src.height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb p = src.pixel(x, y);
            switch (Rotation) {
                case rot_90: SetPixelChecked(Picture, y, h - 1 - x, p); break;
                case rot_180: SetPixelChecked(Picture, w - 1 - x, h - 1 - y, p); break;
                case rot_270: SetPixelChecked(Picture, w - 1 - y, x, p); break;
                default: break;
            }
        }
    }
}

TMoon::TMoon(QWidget* Parent) : QWidget(Parent) {
    SetDate(LocalNow());
    SetMoonSize(ms64);
    showApollo11_ = true;
}

void TMoon::SetDate(TDateTime Value) {
    date_ = Value;
    phaseAngle_ = static_cast<double>(PutIn360(MoonPhaseAngle(Value)));
    Redraw();
}

void TMoon::SetMoonSize(TMoonSize Value) {
    moonSize_ = Value;
    const auto& row = SizeRow(Value);
    setFixedSize(row.Width, row.Height);
    Redraw();
}

void TMoon::SetRotation(TRotate Value) {
    if (Value == rotation_) return;
    rotation_ = Value;
    Redraw();
}

void TMoon::SetMoonStyle(TMoonStyle Value) {
    if (Value == moonStyle_) return;
    moonStyle_ = Value;
    Redraw();
}

QSize TMoon::sizeHint() const {
    const auto& row = SizeRow(moonSize_);
    return {row.Width, row.Height};
}

void TMoon::Redraw() {
    const auto& row = SizeRow(moonSize_);
    picture_ = LoadMoonPicture(StylePicture(row, moonStyle_));
    if (!picture_.isNull()) {
        DrawShadow(picture_, row);
        RotateMoonPicture(picture_, rotation_);
    }
    update();
}

// Row by row from the centre outwards: on the row g pixels above or below the centre the disc
// spans centre +- h, h = sqrt(r^2 - g^2); the terminator lies at h * cos(phase angle) from the
// centre. Waxing (phase angle below 180) the part left of the terminator is dark, waning the
// part right of it.
void TMoon::DrawShadow(QImage& Picture, const TMoonSizeRow& Row) const {
    if (showApollo11_ && MoonLandingTime() < date_) SetPixelChecked(Picture, Row.SiteX, Row.SiteY, qRgb(255, 0, 0));
    const double p = phaseAngle_;
    if (!std::isfinite(p)) return;  // no date to show a phase for
    const double c = static_cast<double>(CosDeg(p));
    const int r = Row.Radius, cx = Row.CenterX, cy = Row.CenterY;
    for (int g = 0; g <= r; ++g) {
        const double h = std::sqrt(static_cast<double>(r * r - g * g));
        const int outer = static_cast<int>(std::nearbyint(h));
        const int inner = static_cast<int>(std::nearbyint(h * c));
        const int from = p < 180.0 ? cx - inner : cx + inner;
        const int to = p < 180.0 ? cx - outer : cx + outer;
        ShadowSpan(Picture, from, to, cy + g);
        ShadowSpan(Picture, from, to, cy - g);
    }
}

QImage TMoon::IconImage(int IconSize) const {
    if (IconSize <= 0) return {};
    const TMoonSize size = IconSize == 16 ? ms16 : IconSize == 64 ? ms64 : ms32;
    const auto& row = SizeRow(size);

    // Mask: black where the icon shows, white where it is transparent.
    QImage mask(IconSize, IconSize, QImage::Format_ARGB32);
    mask.fill(Qt::white);
    QImage color(IconSize, IconSize, QImage::Format_ARGB32);
    color.fill(Qt::black);
    {
        const QImage maskPicture = LoadMoonPicture(row.MaskPicture);
        QPainter pm(&mask);
        if (!maskPicture.isNull()) pm.drawImage(QPoint(0, 0), maskPicture, QRect(0, 0, row.Width, row.Height));
        const QImage picture = LoadMoonPicture(StylePicture(row, moonStyle_));
        QPainter pc(&color);
        pc.setCompositionMode(QPainter::CompositionMode_Source);
        if (!picture.isNull()) pc.drawImage(QPoint(0, 0), picture, QRect(0, 0, row.Width, row.Height));
    }
    DrawShadow(color, row);
    RotateMoonPicture(color, rotation_);
    RotateMoonPicture(mask, rotation_);

    QImage icon(IconSize, IconSize, QImage::Format_ARGB32);
    for (int y = 0; y < IconSize; ++y) {
        for (int x = 0; x < IconSize; ++x) {
            const bool shown = qGray(mask.pixel(x, y)) < 128;
            const QRgb c = color.pixel(x, y);
            icon.setPixel(x, y, shown ? qRgba(qRed(c), qGreen(c), qBlue(c), 255) : qRgba(0, 0, 0, 0));
        }
    }
    return icon;
}

QIcon TMoon::Icon() const {
    int size = 32;
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()); app && app->style())
        size = app->style()->pixelMetric(QStyle::PM_LargeIconSize);
    return QIcon(QPixmap::fromImage(IconImage(size)));
}

void TMoon::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    QSize target = picture_.size().scaled(size(), Qt::KeepAspectRatio);
    if (target.width() > picture_.width() || target.height() > picture_.height()) target = picture_.size();
    const QRect rect(QPoint((width() - target.width()) / 2, (height() - target.height()) / 2), target);
    painter.drawImage(rect, picture_);
}

}  // namespace astro
