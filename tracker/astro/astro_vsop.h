// Evaluation of the VSOP87 series (heliocentric ecliptic spherical coordinates of the date).
#pragma once

#include <cstdint>

#include "astro_calendar.h"
#include "astro_math.h"

namespace astro {

// One series term; its value at time tau is A * cos(B + C * tau).
struct TVSOPTerm {
    Extended A = 0, B = 0, C = 0;
};

// TDateTime of 1 January 2000 0h.
inline constexpr TDateTime J2000Day = 36526.0;

// Evaluator of the three VSOP87 coordinates for one date. A subclass supplies the terms.
class TVSOP {
public:
    using TTermGetter = void (TVSOP::*)(int32_t Index, int32_t Series, TVSOPTerm& Term) const;

    virtual ~TVSOP() = default;

    // Term Index (from 0) of series Series (the power of tau) of each coordinate. An index
    // outside the series, or a series the coordinate lacks, gives the all-zero term.
    virtual void LongitudeTerm(int32_t Index, int32_t Series, TVSOPTerm& Term) const = 0;
    virtual void LatitudeTerm(int32_t Index, int32_t Series, TVSOPTerm& Term) const = 0;
    virtual void RadiusTerm(int32_t Index, int32_t Series, TVSOPTerm& Term) const = 0;

    void SetDate(TDateTime ADate) { Date = ADate; }
    // Julian millennia from J2000.0.
    Extended Tau() const;
    Extended Longitude() const;  // rad
    Extended Latitude() const;   // rad
    Extended Radius() const;     // AU
    // Sums series 0 to 5 of one coordinate, each up to its all-zero end term, as a
    // polynomial in tau; the result is scaled by 1e-8.
    Extended SumSeries(TTermGetter Getter) const;
    // Converts L and B (radians) from the VSOP87 frame to FK5.
    void FK5Correction(Extended& L, Extended& B) const;

    TDateTime Date = 0;

protected:
    // A subclass holding its terms in plain tables may expose them here (Coordinate 0 L,
    // 1 B, 2 R) so that Longitude, Latitude and Radius sum the rows directly; the result is
    // the same as SumSeries over the getter. Returns false when not offered.
    struct TSeriesRows {
        const double* Rows = nullptr;  // A, B, C per term
        int Count = 0;
    };
    virtual bool DirectSeries(int Coordinate, int32_t Series, TSeriesRows& Rows) const { return false; }

private:
    Extended SumCoordinate(int Coordinate, TTermGetter Getter) const;
};

// The VSOP87D series of the Earth, amplitudes scaled by 1e8.
class TVSOPEarth : public TVSOP {
public:
    void LongitudeTerm(int32_t Index, int32_t Series, TVSOPTerm& Term) const override;
    void LatitudeTerm(int32_t Index, int32_t Series, TVSOPTerm& Term) const override;
    void RadiusTerm(int32_t Index, int32_t Series, TVSOPTerm& Term) const override;

protected:
    bool DirectSeries(int Coordinate, int32_t Series, TSeriesRows& Rows) const override;
};

// Cosine for the series terms: the argument is reduced by multiples of pi/2 with a two-part
// constant and the quadrant's sine or cosine taken from its Taylor polynomial. Absolute
// error below 5e-16 for |x| up to 1e6, at a fraction of the cost of the library call.
double VsopCos(double x);

}  // namespace astro
