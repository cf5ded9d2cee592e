// Pass search: the passes of one satellite over an observer during whole days, found on
// the elevation seen from the observer, and the pass list text built from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "orbittypes.h"

namespace orbit {

class TSatellite;

// One listed pass: the times found by the search (Julian dates), the values at the peak
// and the text line of the pass list.
struct TPass {
    double rise = 0.0;
    double set = 0.0;
    double peak = 0.0;
    bool southbound = false;     // inertial z velocity at the peak below zero
    double longitudeDeg = 0.0;   // east longitude of the sub-satellite point at the peak, [0, 360)
    double elevationDeg = 0.0;   // elevation at the peak, refraction included
    std::int32_t duration = 0;   // seconds from rise to set
    std::string line;            // "yyyymmddhhnnss N|S lon elev duration name"
};

// The state of one pass search: the satellite, the observer, the limits and the period.
// Every margin evaluation propagates the satellite.
//
// The search walks through the period in steps no longer than the time the elevation needs to
// reach the minimum from where it is. Two bounds give that time, and the longer one is taken:
// the line of sight turns no faster than the satellite's speed relative to the ground over its
// range, so a step from a margin m may turn it by |m|; and the satellite's direction from the
// Earth's centre turns no faster than that speed over its radius, while the minimum is reached
// only inside a circle around the observer. No pass can begin or end inside such a step. Close
// to the minimum the steps keep a floor; a pass short enough to fit between two such steps
// shows as a highest sample and is looked for around it. Rise and set are bisected in the
// steps where the margin changes sign.
class TPassSearch {
public:
    // utcDate is truncated to its day; minElevDegrees is clamped to [-2, 20]. Throws
    // EMathError for a date that is not finite or outside years 1..9999, and for a satellite
    // whose period is not a positive finite number of days.
    TPassSearch(TSatellite& sat, const TObserver& observer, std::int32_t minSeconds, std::int32_t numDays,
                double utcDate, double minElevDegrees);

    // Elevation (rad, refraction included) at a Julian date minus the minimum elevation. From
    // the first time the satellite is found decayed on, minus infinity: never up again.
    double ElevationMargin(double jd);
    // Bisections for the crossing of margin zero: rise with low below and high above the
    // minimum, set with low above and high below. A margin of exactly 0 counts as above for
    // the rise and as below for the set.
    double FindRiseTime(double low, double high, double tolerance);
    double FindSetTime(double low, double high, double tolerance);
    // The highest point of the margin in [low, high] (golden-section search to a hundredth of
    // a second), for a margin with one maximum there.
    void FindPeak(double low, double high, double& peakTime, double& peakMargin);
    // Appends the pass when it rises inside [start, end) and lasts longer than the minimum
    // seconds.
    void AddPass(std::vector<TPass>& list, double rise, double set, double peak);
    // The whole search, passes in chronological order.
    std::vector<TPass> Run();

    double StartJD() const { return startJD_; }
    double EndJD() const { return endJD_; }
    double Period() const { return period_; }
    double MinElevation() const { return minElev_; }
    // Margin evaluations made so far.
    long Evaluations() const { return evaluations_; }

private:
    struct TSample {
        double t = 0.0;       // Julian date
        double margin = 0.0;  // rad
        double range = 0.0;   // km
        double speed = 0.0;   // km/s relative to the ground
        double radius = 0.0;  // km from the Earth's centre
        double arc = 0.0;     // rad: angle at the Earth's centre between observer and satellite
    };
    TSample Sample(double jd);
    double StepDays(const TSample& s) const;

    TSatellite& sat_;
    TObserver observer_;
    double minElev_ = 0.0;   // rad
    std::int32_t minSeconds_ = 0;
    double dayStart_ = 0.0;  // date-time of 0h UTC of the first day
    double startJD_ = 0.0;
    double endJD_ = 0.0;
    double period_ = 0.0;    // days
    double maxSpeed_ = 0.0;  // km/s: bound of the speed relative to the ground
    double maxAccel_ = 0.0;  // km/s^2: bound of the acceleration relative to the ground
    double maxClimb_ = 0.0;  // km/s: bound of the radial speed
    double observerRadius_ = 0.0;  // km from the Earth's centre
    double lowestSeen_ = 0.0;      // rad: geocentric elevation below which the margin is negative
    double decayJD_ = 0.0;   // first time found decayed (infinity while none)
    long evaluations_ = 0;
};

// The passes of the satellite over the observer during numDays whole days from 0h UTC of
// the day of utcDate, whose peak is above minElevDegrees (clamped to [-2, 20]) and which
// last longer than minSeconds.
std::vector<TPass> FindPasses(TSatellite& sat, std::int32_t minSeconds, std::int32_t numDays, double utcDate,
                              double minElevDegrees, TObserver observer);

// The pass list as comma text: the lines in chronological order, each enclosed in double
// quotes; empty when there are no passes. The result is emptied first and stays empty when
// the search fails (the error passes on).
void BuildPassList(TSatellite& sat, std::int32_t minSeconds, std::int32_t numDays, double utcDate,
                   double minElevDegrees, TObserver observer, std::string& result);

// One line of the pass list: the rise date-time as "yyyymmddhhnnss" (UTC), "S" or "N",
// longitude and elevation in whole degrees (halves away from zero, a minus sign for every
// negative value), the duration in seconds and the name, separated by single blanks.
std::string PassLine(double riseDateTime, bool southbound, double longitudeDeg, double elevationDeg,
                     std::int32_t duration, const std::string& name);

}  // namespace orbit
