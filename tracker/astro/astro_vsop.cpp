#include "astro_vsop.h"

#include <cmath>

#include "astro_tables.h"

namespace astro {

namespace {

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

}  // namespace

Extended TVSOP::Tau() const { return (static_cast<Extended>(Date) - J2000Day - 0.5L) / 365250.0L; }

Extended TVSOP::Longitude() const { return SumSeries(&TVSOP::LongitudeTerm); }

Extended TVSOP::Latitude() const { return SumSeries(&TVSOP::LatitudeTerm); }

Extended TVSOP::Radius() const { return SumSeries(&TVSOP::RadiusTerm); }

Extended TVSOP::SumSeries(TTermGetter Getter) const {
    const Extended tau = Tau();
    Extended S[6] = {0, 0, 0, 0, 0, 0};
    for (int n = 0; n <= 5; ++n) {
        Extended sum = 0;
        TVSOPTerm term;
        for (int32_t i = 0;; ++i) {
            (this->*Getter)(i, n, term);
            if (IsEndTerm(term)) break;
            // The phase is formed in extended precision and its cosine taken in double (the
            // library's cosine reduces exactly): the error, below 1e-13 of the amplitude for
            // centuries around J2000, is far below the accuracy of the series, and the sum
            // runs several times faster than with the extended cosine.
            const Extended arg = term.B + term.C * tau;
            sum += term.A * static_cast<Extended>(std::cos(static_cast<double>(arg)));
        }
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

}  // namespace astro
