// TMoon, the moon-phase picture: a stored picture of the full Moon with the unlit part painted
// over line by line from the phase angle, optionally turned for the observer's hemisphere, and
// one red pixel on the first crewed landing site once its date is past.
//
// The picture is rebuilt on every change of Date and MoonSize, and of Rotation and MoonStyle
// when the value changes; ShowApollo11 takes effect at the next rebuild. The widget has the
// fixed size of the picture and shows it centred with its transparent background.
#pragma once

#include <QIcon>
#include <QImage>
#include <QWidget>

#include "astro_calendar.h"
#include "moonsizetable.h"

namespace astro {

enum TRotate : uint8_t { rot_none = 0, rot_90 = 1, rot_180 = 2, rot_270 = 3 };
enum TMoonStyle : uint8_t { msClassic = 0, msColor = 1 };

// 1969-07-20 20:17:43 UTC.
TDateTime MoonLandingTime();

// One of the nine stored pictures by name ("MOON_LARGE", ...), as 32-bit ARGB; a null image
// when there is no such picture.
QImage LoadMoonPicture(const char* Name);

// Turns a square picture: rot_90 a quarter turn counter-clockwise, rot_180 mirrored in both
// axes, rot_270 a quarter turn clockwise.
void RotateMoonPicture(QImage& Picture, TRotate Rotation);

class TMoon : public QWidget {
    Q_OBJECT
public:
    // Starts with the current local clock time, MoonSize ms64, no rotation, the classic
    // pictures and the landing-site pixel shown.
    explicit TMoon(QWidget* Parent = nullptr);

    TMoonSize MoonSize() const { return moonSize_; }
    void SetMoonSize(TMoonSize Value);

    TDateTime Date() const { return date_; }
    void SetDate(TDateTime Value);

    // The rendered picture (size of the MoonSize row); null when the stored picture is missing.
    const QImage& Picture() const { return picture_; }

    // An icon of the current state at the system's icon size.
    QIcon Icon() const;
    // The icon's picture for a square icon of IconSize pixels: 16 takes the 16-pixel pictures,
    // 64 the 64-pixel ones, any other size the 32-pixel ones, placed at the top left; the rest
    // is transparent, and so is everything outside the mask's disc.
    QImage IconImage(int IconSize) const;

    TRotate Rotation() const { return rotation_; }
    void SetRotation(TRotate Value);

    bool ShowApollo11() const { return showApollo11_; }
    void SetShowApollo11(bool Value) { showApollo11_ = Value; }

    TMoonStyle MoonStyle() const { return moonStyle_; }
    void SetMoonStyle(TMoonStyle Value);

    // The phase angle of Date in [0, 360): 0 full moon, 90 first quarter, 180 new moon,
    // 270 last quarter.
    double PhaseAngle() const { return phaseAngle_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    void Redraw();
    void DrawShadow(QImage& Picture, const TMoonSizeRow& Row) const;

    QImage picture_;
    TMoonSize moonSize_ = ms64;
    TDateTime date_ = 0;
    TRotate rotation_ = rot_none;
    TMoonStyle moonStyle_ = msClassic;
    bool showApollo11_ = true;
    double phaseAngle_ = 0;
};

}  // namespace astro
