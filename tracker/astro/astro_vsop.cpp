#include "astro_vsop.h"

#include <cmath>

#include "astro_tables.h"

namespace astro {

namespace {

static_assert(sizeof(tables::TVSOPRow) == 3 * sizeof(double), "rows are read as A, B, C triples");

void GetTerm(const tables::TVSOPSeries* list, int seriesCount, int32_t Index, int32_t Series, TVSOPTerm& Term) {
    if (Series < 0 || Series >= seriesCount || Index < 0 || Index >= list[Series].Count) {
        Term = TVSOPTerm{};
        return;
    }
    const tables::TVSOPRow& r = list[Series].Rows[Index];
    Term.A = r.A;
    Term.B = r.B;
    Term.C = r.C;
}

bool IsEndTerm(const TVSOPTerm& t) { return t.A == 0.0L && t.B == 0.0L && t.C == 0.0L; }

// pi/2 split into its first 33 bits (so that k * kPio2Hi is exact for |k| < 2^20) and the
// double nearest to the remainder, 1.5707963267948966192313216916397514420985...
constexpr double kPio2Hi = 0x1.921fb544p+0;          // 1.5707963267341256
constexpr double kPio2Lo = 0x1.0b4611a626331p-34;    // 6.077100506506192e-11
constexpr double kTwoOverPi = static_cast<double>(1.0L / kPiHalf);

// Taylor polynomials of cos and sin on [-pi/4, pi/4]; the first omitted terms are below 3e-18.
inline double CosPoly(double r) {
    const double z = r * r;
    return 1.0 +
           z * (-1.0 / 2 +
                z * (1.0 / 24 +
                     z * (-1.0 / 720 +
                          z * (1.0 / 40320 +
                               z * (-1.0 / 3628800 +
                                    z * (1.0 / 479001600 +
                                         z * (-1.0 / 87178291200.0 + z * (1.0 / 20922789888000.0))))))));
}

inline double SinPoly(double r) {
    const double z = r * r;
    return r * (1.0 +
                z * (-1.0 / 6 +
                     z * (1.0 / 120 +
                          z * (-1.0 / 5040 +
                               z * (1.0 / 362880 +
                                    z * (-1.0 / 39916800 +
                                         z * (1.0 / 6227020800.0 +
                                              z * (-1.0 / 1307674368000.0 + z * (1.0 / 355687428096000.0)))))))));
}

}  // namespace

double VsopCos(double x) {
    if (!(std::fabs(x) < 1.0e6)) return std::cos(x);  // huge or not finite
    const double q = x * kTwoOverPi;
    const long long k = static_cast<long long>(q < 0 ? q - 0.5 : q + 0.5);
    const double kd = static_cast<double>(k);
    const double r = (x - kd * kPio2Hi) - kd * kPio2Lo;
    switch (k & 3) {
        case 0: return CosPoly(r);
        case 1: return -SinPoly(r);
        case 2: return -CosPoly(r);
        default: return SinPoly(r);
    }
}

Extended TVSOP::Tau() const { return (static_cast<Extended>(Date) - J2000Day - 0.5L) / 365250.0L; }

Extended TVSOP::Longitude() const { return SumCoordinate(0, &TVSOP::LongitudeTerm); }

Extended TVSOP::Latitude() const { return SumCoordinate(1, &TVSOP::LatitudeTerm); }

Extended TVSOP::Radius() const { return SumCoordinate(2, &TVSOP::RadiusTerm); }

Extended TVSOP::SumSeries(TTermGetter Getter) const {
    const Extended tau = Tau();
    Extended S[6] = {0, 0, 0, 0, 0, 0};
    for (int n = 0; n <= 5; ++n) {
        Extended sum = 0;
        TVSOPTerm term;
        for (int32_t i = 0;; ++i) {
            (this->*Getter)(i, n, term);
            if (IsEndTerm(term)) break;
            sum += term.A * static_cast<Extended>(VsopCos(static_cast<double>(term.B + term.C * tau)));
        }
        S[n] = sum;
    }
    return (((((S[5] * tau + S[4]) * tau + S[3]) * tau + S[2]) * tau + S[1]) * tau + S[0]) * 1e-8L;
}

// The terms are evaluated in double (phase B + C tau, cosine and amplitude) and summed in
// extended precision. Double leaves an error below 1e-15 rad per term for dates within
// several centuries of J2000, far under the accuracy of the series itself.
Extended TVSOP::SumCoordinate(int Coordinate, TTermGetter Getter) const {
    TSeriesRows rows;
    if (!DirectSeries(Coordinate, 0, rows)) return SumSeries(Getter);
    const Extended tau = Tau();
    const double tauD = static_cast<double>(tau);
    Extended S[6] = {0, 0, 0, 0, 0, 0};
    for (int n = 0; n <= 5; ++n) {
        if (!DirectSeries(Coordinate, n, rows)) continue;
        Extended sum = 0;
        const double* p = rows.Rows;
        for (int i = 0; i < rows.Count; ++i, p += 3) sum += p[0] * VsopCos(p[1] + p[2] * tauD);
        S[n] = sum;
    }
    return (((((S[5] * tau + S[4]) * tau + S[3]) * tau + S[2]) * tau + S[1]) * tau + S[0]) * 1e-8L;
}

void TVSOP::FK5Correction(Extended& L, Extended& B) const {
    const Extended T = 10.0L * Tau();
    const Extended lp = L + T * DegToRad(-1.397L - 0.00031L * T);
    const Extended k3916 = DegToRad(1.0877777777777778e-5L);  // 0.03916"
    const Extended k9033 = DegToRad(2.5091666666666666e-5L);  // 0.09033"
    const Extended cl = std::cos(lp), sl = std::sin(lp);
    L = L + k3916 * (cl + sl) * TanRad(B) - k9033;
    B = B + k3916 * (cl - sl);
}

void TVSOPEarth::LongitudeTerm(int32_t Index, int32_t Series, TVSOPTerm& Term) const {
    GetTerm(tables::kEarthL, tables::kEarthLSeries, Index, Series, Term);
}

void TVSOPEarth::LatitudeTerm(int32_t Index, int32_t Series, TVSOPTerm& Term) const {
    GetTerm(tables::kEarthB, tables::kEarthBSeries, Index, Series, Term);
}

void TVSOPEarth::RadiusTerm(int32_t Index, int32_t Series, TVSOPTerm& Term) const {
    GetTerm(tables::kEarthR, tables::kEarthRSeries, Index, Series, Term);
}

bool TVSOPEarth::DirectSeries(int Coordinate, int32_t Series, TSeriesRows& Rows) const {
    const tables::TVSOPSeries* list = nullptr;
    int count = 0;
    switch (Coordinate) {
        case 0: list = tables::kEarthL; count = tables::kEarthLSeries; break;
        case 1: list = tables::kEarthB; count = tables::kEarthBSeries; break;
        case 2: list = tables::kEarthR; count = tables::kEarthRSeries; break;
        default: return false;
    }
    if (Series < 0 || Series >= count) {
        Rows = TSeriesRows{};
        return Series >= 0;  // a series the coordinate lacks sums to 0
    }
    Rows.Rows = &list[Series].Rows[0].A;
    Rows.Count = list[Series].Count;
    return true;
}

}  // namespace astro
