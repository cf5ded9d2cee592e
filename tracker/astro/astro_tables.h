// Compiled astronomy tables. The data files astro_*_table(s).cpp are written by
// tools/gen_astro_tables; see data/NOTICE-astro.md for their source.
#pragma once

#include <cstdint>

namespace astro::tables {

// IAU 1980 nutation, first 31 rows in the published order. Coefficients in 0.0001",
// the T coefficients Qpsi and Qeps stored times 10 (row 1: -171996, -1742, 92025, 89).
struct TNutationRow {
    int8_t D, M, Mp, F, Om;
    int32_t Ppsi, Qpsi, Peps, Qeps;
};
inline constexpr int kNutationRows = 31;
extern const TNutationRow kNutation[kNutationRows];

// Lunar longitude (sine, 1e-6 deg) and distance (cosine, 0.001 km) terms.
struct TMoonLRRow {
    int8_t D, M, Mp, F;
    int32_t L, R;
};
inline constexpr int kMoonLRRows = 60;
extern const TMoonLRRow kMoonLR[kMoonLRRows];

// Lunar latitude terms (sine, 1e-6 deg).
struct TMoonBRow {
    int8_t D, M, Mp, F;
    int32_t B;
};
inline constexpr int kMoonBRows = 60;
extern const TMoonBRow kMoonB[kMoonBRows];

// Lunar perigee/apogee terms: coefficient = A * 1e-4 + B * 1e-5 * T days, argument D, F, M.
struct TApsisRow {
    int8_t D, F, M;
    int32_t A, B;
};
inline constexpr int kPerigeeRows = 60;
inline constexpr int kApogeeRows = 32;
extern const TApsisRow kPerigee[kPerigeeRows];
extern const TApsisRow kApogee[kApogeeRows];

// VSOP87D Earth: one term is A * cos(B + C * tau), A scaled by 1e8. The published values
// have at most 16 significant digits; double holds each to its last digit.
struct TVSOPRow {
    double A, B, C;
};
struct TVSOPSeries {
    const TVSOPRow* Rows;
    int Count;
};
extern const TVSOPSeries kEarthL[];
extern const TVSOPSeries kEarthB[];
extern const TVSOPSeries kEarthR[];
extern const int kEarthLSeries;
extern const int kEarthBSeries;
extern const int kEarthRSeries;

}  // namespace astro::tables
