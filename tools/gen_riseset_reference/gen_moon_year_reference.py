#!/usr/bin/python3
"""Writes the independent table of a year of moonrises, moonsets and moon transits for the tests.

Run by hand with Debian's python3-ephem (PyEphem 4.1.4):

    /usr/bin/python3 tools/gen_riseset_reference/gen_moon_year_reference.py \
        > tests/tracker/riseset/data/moon_year_reference.txt

Every UTC day from 31 December 2024 to 1 January 2026 (2025 is a year of the major lunar standstill:
the Moon's declination reaches 28.7 degrees, so at high latitudes it stays up or down for days and
often only grazes the horizon; the days either side let the tests look at events just across
midnight) at latitudes 30, 50, 55, 60, 65, 70 and 72 degrees north and south, each at 1.5 degrees
west and 150 degrees east.

Moonrise and moonset are the moments the upper limb of the Moon, seen from the place at sea level
(ephem's topocentric place, pressure 0: no refraction), stands at -34' (the refraction at the
horizon): the altitude of the centre plus the Moon's apparent radius equals -34'. This is the event
the tracker's standard altitude 0.7275 * parallax - 34' for the geocentric centre stands for. They are
found by sampling that altitude every three minutes and bisecting each sign change to a hundredth
of a second, so a crossing pair closer together than three minutes (the Moon then grazes the
altitude by a few thousandths of a degree) is not listed. The transit is the upper meridian transit
of the geocentric apparent place (ephem's g_ra with ephem's apparent sidereal time).

Format (blank-separated integers):
    place <latitude> <east longitude> <first T0>
starts the lines of one place; each following line is one UTC day, the first at <first T0> (0h UTC
as a day count since 1899-12-30, TDateTime), each next one a day later:
    <lowest> <highest> <rise> <set> <transit>
lowest and highest are the lowest and highest altitude of the upper limb above -34' from T0 to
T0 + 1, in thousandths of a degree; each event is the second of the day (0 to 86399, rounded) of
that event on that day, -1 when there is none, or two such events joined by '/' when the day holds
two. A rise or set where the Moon only grazes the event altitude carries ':<g>': g is how near,
in thousandths of a degree, the extreme of the arc above or below the event altitude that the
event begins or ends (the one nearer, when both are within a degree) comes to it.
"""
import math
import sys

import ephem

LATITUDES = [30, 50, 55, 60, 65, 70, 72, -30, -50, -55, -60, -65, -70, -72]
EAST_LONGITUDES = [-1.5, 150.0]
FIRST_DAY = (2024, 12, 31)
DAYS = 367
EVENT_ALTITUDE = -34.0 / 60.0  # of the upper limb, deg

STEP = 180.0 / 86400.0  # sampling step, days
GRAZE_NOTE = 1.0  # deg: arcs whose extreme lies nearer the event altitude are noted
# ephem dates count days from 1899-12-31 12:00; TDateTime from 1899-12-30 0:00.
TDATETIME_MINUS_EPHEM = 1.5


class Place:
    def __init__(self, lat, lon):
        self.obs = ephem.Observer()
        self.obs.lat = str(lat)
        self.obs.lon = str(lon)
        self.obs.elevation = 0
        self.obs.pressure = 0
        self.moon = ephem.Moon()

    def at(self, t):
        """(upper limb altitude above the event altitude, deg; geocentric hour angle in
        (-pi, pi]) at the TDateTime t."""
        self.obs.date = ephem.Date(t - TDATETIME_MINUS_EPHEM)
        self.moon.compute(self.obs)
        alt = math.degrees(float(self.moon.alt) + float(self.moon.radius)) - EVENT_ALTITUDE
        ha = float(self.obs.sidereal_time()) - float(self.moon.g_ra)
        ha = math.atan2(math.sin(ha), math.cos(ha))
        return alt, ha

    def bisect(self, t1, f1, t2, value):
        """The sign change of value(t) between t1 (value f1) and t2."""
        for _ in range(40):
            if t2 - t1 < 0.01 / 86400:
                break
            tm = 0.5 * (t1 + t2)
            fm = value(tm)
            if (fm < 0) == (f1 < 0):
                t1, f1 = tm, fm
            else:
                t2 = tm
        return 0.5 * (t1 + t2)

    def extreme(self, ts, alts, i, sign):
        """The sampled extreme at index i (sign 1 highest, -1 lowest), refined by golden
        section between its neighbours."""
        if i == 0 or i == len(ts) - 1:
            return alts[i]
        a, b = ts[i - 1], ts[i + 1]
        g = (math.sqrt(5) - 1) / 2
        for _ in range(30):
            c = b - g * (b - a)
            d = a + g * (b - a)
            if sign * self.at(c)[0] > sign * self.at(d)[0]:
                b = d
            else:
                a = c
        v = self.at(0.5 * (a + b))[0]
        return max(alts[i], v) if sign > 0 else min(alts[i], v)

    def arc_extreme(self, t, direction, above):
        """Walks from the crossing at t in steps of STEP (direction +1 later, -1 earlier) along
        the arc on the side of the event altitude given by above; returns the arc's extreme (deg
        from the event altitude, refined by golden section) when it lies within GRAZE_NOTE of it,
        else None."""
        sign = 1 if above else -1
        best_t, best = None, 0.0
        for k in range(1, int(1.0 / STEP)):
            u = t + direction * k * STEP
            a = self.at(u)[0]
            if sign * a >= GRAZE_NOTE:
                return None
            if sign * a < 0:
                break
            if sign * a > sign * best:
                best_t, best = u, a
        else:
            return None
        if best_t is None:
            return 0.0
        a, b = best_t - STEP, best_t + STEP
        g = (math.sqrt(5) - 1) / 2
        for _ in range(30):
            c = b - g * (b - a)
            d = a + g * (b - a)
            if sign * self.at(c)[0] > sign * self.at(d)[0]:
                b = d
            else:
                a = c
        v = self.at(0.5 * (a + b))[0]
        return v if sign * v > sign * best else best

    def graze(self, t, rising):
        """The smaller distance (deg) of the two arcs' extremes next to the crossing at t from
        the event altitude, when one lies within GRAZE_NOTE; else None."""
        found = [e for e in (self.arc_extreme(t, 1 if rising else -1, True),
                             self.arc_extreme(t, -1 if rising else 1, False)) if e is not None]
        return min(abs(e) for e in found) if found else None

    def day_line(self, t0):
        n = int(round(1.0 / STEP))
        ts = [t0 + k * STEP for k in range(n + 1)]
        ts[-1] = t0 + 1.0
        samples = [self.at(t) for t in ts]
        alts = [s[0] for s in samples]
        has = [s[1] for s in samples]
        imin = min(range(len(alts)), key=lambda k: alts[k])
        imax = max(range(len(alts)), key=lambda k: alts[k])
        fields = [str(int(round(self.extreme(ts, alts, imin, -1) * 1000))),
                  str(int(round(self.extreme(ts, alts, imax, 1) * 1000)))]
        rising, setting, transit = [], [], []
        for k in range(n):
            if (alts[k] < 0) != (alts[k + 1] < 0):
                t = self.bisect(ts[k], alts[k], ts[k + 1], lambda x: self.at(x)[0])
                if t < t0 + 1.0:
                    text = str(min(86399, int(round((t - t0) * 86400))))
                    g = self.graze(t, alts[k] < 0)
                    if g is not None:
                        text += ":%d" % int(round(g * 1000))
                    (rising if alts[k] < 0 else setting).append(text)
            # The hour angle passes 0 going up (not the jump from pi to -pi).
            if has[k] < 0 <= has[k + 1] and has[k + 1] - has[k] < 1.0:
                t = self.bisect(ts[k], has[k], ts[k + 1], lambda x: self.at(x)[1])
                if t < t0 + 1.0:
                    transit.append(str(min(86399, int(round((t - t0) * 86400)))))
        for found in (rising, setting, transit):
            fields.append("/".join(found) if found else "-1")
        return " ".join(fields)


def main():
    lats = LATITUDES
    if len(sys.argv) > 1:
        lats = [int(a) for a in sys.argv[1:]]
    start = int(round(float(ephem.Date(FIRST_DAY)) + TDATETIME_MINUS_EPHEM))
    if len(sys.argv) == 1:
        print("# A year of moonrises, moonsets and moon transits (see tools/gen_riseset_reference/gen_moon_year_reference.py)")
        print("# lowest highest rise set transit")
    for lat in lats:
        for lon in EAST_LONGITUDES:
            place = Place(lat, lon)
            print("place %d %.1f %d" % (lat, lon, start))
            for day in range(DAYS):
                print(place.day_line(start + day))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
