// Internals shared by the two halves of the deep-space model (sdp4.cpp: propagation, DPSEC,
// DPPER and the entries; sdp4_init.cpp: the model constants and DPINIT). Not for other callers.
#pragma once

#include "sdp4.h"

namespace orbit::sdp4_detail {

using R = long double;

// Near-Earth constants shared with SGP4.
inline constexpr R kCk2 = 0.0005413079L;
inline constexpr R kCk2x15 = 0.00081196185L;    // 1.5 CK2
inline constexpr R kCk2x3 = 0.0016239237L;      // 3 CK2
inline constexpr R kCk2x075 = 0.000405980925L;  // 0.75 CK2
inline constexpr R kCk2x2 = 0.0010826158L;      // 2 CK2
inline constexpr R kCk4x125 = 7.762359375e-07L;
inline constexpr R kA3ovk2 = 0.004690140306468832L;
inline constexpr R kS = 1.0122292801892716L;
inline constexpr R kTothrd = 2.0L / 3.0L;
inline constexpr R k134over81 = 1.654320987654321L;
inline constexpr R kE6a = 1e-6L;

// Sun.
inline constexpr R kZns = 1.19459e-5L, kC1ss = 2.9864797e-6L, kZes = 0.01675L;
inline constexpr R kZcosgs = 0.1945905L, kZsings = -0.98088458L, kZcosis = 0.91744867L,
            kZsinis = 0.39785416L;
// Moon.
inline constexpr R kZnl = 1.5835218e-4L, kC1l = 4.7968065e-7L, kZel = 0.0549L;
// Earth rotation.
inline constexpr R kThdt = 4.3752691e-3L;
// Twelve-hour resonance.
inline constexpr R kQ22 = 1.7891679e-6L, kQ31 = 2.1460748e-6L, kQ33 = 2.2123015e-7L;
inline constexpr R kRoot22 = 1.7891679e-6L, kRoot32 = 3.7393792e-7L, kRoot44 = 7.3636953e-9L,
            kRoot52 = 1.1428639e-7L, kRoot54 = 2.1765803e-9L;
inline constexpr R kG22 = 5.7686396L, kG32 = 0.95240898L, kG44 = 1.8014998L, kG52 = 1.0508330L,
            kG54 = 4.4108898L;
// Synchronous resonance.
inline constexpr R kFasx2 = 0.13130908L, kFasx4 = 2.8843198L, kFasx6 = 0.37448087L;

inline constexpr R kSmallIncl = 5.2359877e-2L;  // 3 degrees: node term SH dropped below
inline constexpr R kLyddaneIncl = 0.2L;
inline constexpr R kPeriodicReuse = 30.0L;  // minutes

// The resonance integrator walks from the epoch in 720-minute steps; this bounds the
// walk to about 190 years each way so that a wild date cannot stall the caller.
inline constexpr R kMaxResonanceMinutes = 1.0e8L;

// DPINIT on the work area.
void DpInit(TDeepState& st, const TDeepElements& el);
// The model constants of SDP4 (the near-Earth part of the initialisation).
void InitConstants(TDeepState& st, const TDeepElements& el);

}  // namespace orbit::sdp4_detail
