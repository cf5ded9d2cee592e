#!/usr/bin/python3
"""Writes the independent table of a year of sunrises, sunsets and twilights for the tests.

Run by hand with Debian's python3-ephem (PyEphem 4.1.4):

    /usr/bin/python3 tools/gen_riseset_reference/gen_sun_year_reference.py \
        > tests/tracker/riseset/data/sun_year_reference.txt

Every UTC day from 31 December 2024 to 1 January 2026 (the days either side of 2025 let the
tests look at events just across midnight) at latitudes 48, 55, 60 and 65 degrees north and
south, each at 1.5 degrees west and 140 degrees east.

The events are the moments the centre of the Sun, at its apparent geocentric place (ephem's
g_ra and g_dec, no refraction), stands at the altitude of the event: -50' for sunrise and
sunset (34' of refraction and a mean semidiameter of 16'), -6, -12 and -18 degrees for civil,
nautical and astronomical twilight. Rising crossings are the rises and the begins, setting
crossings the sets and the ends. They are found by sampling the altitude every two minutes and
bisecting each sign change of altitude minus the event altitude to a hundredth of a second, so
a crossing pair closer together than two minutes (the Sun then grazes the altitude by less
than a thousandth of a degree) is not listed.

Format (blank-separated integers):
    place <latitude> <east longitude>
starts the lines of one place; each following line is one UTC day:
    <T0> <lowest> <highest> <rise> <set> <civil begin> <civil end> <nautical begin>
         <nautical end> <astronomical begin> <astronomical end>
T0 is 0h UTC of the day as a day count since 1899-12-30 (TDateTime); lowest and highest are the
Sun's lowest and highest altitude from T0 to T0 + 1 in thousandths of a degree; each event is
the second of the day (0 to 86399, rounded) of that event on that day, -1 when there is none,
or two such seconds joined by '/' when the day holds two.
"""
import math

import ephem

LATITUDES = [48, 55, 60, 65, -48, -55, -60, -65]
EAST_LONGITUDES = [-1.5, 140.0]
FIRST_DAY = (2024, 12, 31)
DAYS = 367

# name, altitude (deg)
EVENTS = [
    ("rise/set", -50.0 / 60.0),
    ("civil", -6.0),
    ("nautical", -12.0),
    ("astronomical", -18.0),
]

STEP = 120.0 / 86400.0  # sampling step, days
# ephem dates count days from 1899-12-31 12:00; TDateTime from 1899-12-30 0:00.
TDATETIME_MINUS_EPHEM = 1.5

_sun = ephem.Sun()
_greenwich = ephem.Observer()
_greenwich.lat = "0"
_greenwich.lon = "0"
_greenwich.elevation = 0
_greenwich.pressure = 0
_cache = {}


def sun_at(t, keep=False):
    """(apparent right ascension, declination, Greenwich apparent sidereal time), radians, at
    the TDateTime t; keep: remember it (the sampling instants, the same for every place)."""
    hit = _cache.get(t)
    if hit is not None:
        return hit
    d = ephem.Date(t - TDATETIME_MINUS_EPHEM)
    _sun.compute(d)
    _greenwich.date = d
    v = (float(_sun.g_ra), float(_sun.g_dec), float(_greenwich.sidereal_time()))
    if keep:
        _cache[t] = v
    return v


def altitude(t, lat, lon, keep=False):
    """The altitude (deg) of the Sun's centre at t for the place; lon east positive."""
    ra, dec, gst = sun_at(t, keep)
    phi = math.radians(lat)
    h = gst + math.radians(lon) - ra
    s = math.sin(phi) * math.sin(dec) + math.cos(phi) * math.cos(dec) * math.cos(h)
    return math.degrees(math.asin(max(-1.0, min(1.0, s))))


def crossing(t1, a1, t2, lat, lon, h0):
    """Bisects the crossing of h0 between t1 (altitude a1) and t2."""
    f1 = a1 - h0
    for _ in range(40):
        if t2 - t1 < 0.01 / 86400:
            break
        tm = 0.5 * (t1 + t2)
        fm = altitude(tm, lat, lon) - h0
        if (fm < 0) == (f1 < 0):
            t1, f1 = tm, fm
        else:
            t2 = tm
    return 0.5 * (t1 + t2)


def extreme(ts, alts, i, lat, lon, sign):
    """Refines the sampled extreme at index i (sign 1 highest, -1 lowest) by golden section
    between its neighbours."""
    if i == 0 or i == len(ts) - 1:
        return alts[i]
    a, b = ts[i - 1], ts[i + 1]
    g = (math.sqrt(5) - 1) / 2
    for _ in range(30):
        c = b - g * (b - a)
        d = a + g * (b - a)
        if sign * altitude(c, lat, lon) > sign * altitude(d, lat, lon):
            b = d
        else:
            a = c
    return max(alts[i], altitude(0.5 * (a + b), lat, lon)) if sign > 0 else \
        min(alts[i], altitude(0.5 * (a + b), lat, lon))


def day_line(t0, lat, lon):
    n = int(round(1.0 / STEP))
    ts = [t0 + k * STEP for k in range(n + 1)]
    ts[-1] = t0 + 1.0
    alts = [altitude(t, lat, lon, True) for t in ts]
    imin = min(range(len(alts)), key=lambda k: alts[k])
    imax = max(range(len(alts)), key=lambda k: alts[k])
    lowest = extreme(ts, alts, imin, lat, lon, -1)
    highest = extreme(ts, alts, imax, lat, lon, 1)
    fields = [str(int(t0)), str(int(round(lowest * 1000))), str(int(round(highest * 1000)))]
    for _, h0 in EVENTS:
        rising, setting = [], []
        for k in range(n):
            below1 = alts[k] < h0
            below2 = alts[k + 1] < h0
            if below1 == below2:
                continue
            t = crossing(ts[k], alts[k], ts[k + 1], lat, lon, h0)
            if t >= t0 + 1.0:
                continue
            sec = min(86399, int(round((t - t0) * 86400)))
            (rising if below1 else setting).append(sec)
        for found in (rising, setting):
            fields.append("/".join(str(s) for s in found) if found else "-1")
    return " ".join(fields)


def main():
    start = float(ephem.Date(FIRST_DAY)) + TDATETIME_MINUS_EPHEM
    print("# A year of the Sun's rise, set and twilights (see tools/gen_riseset_reference/gen_sun_year_reference.py)")
    print("# T0 lowest highest rise set civil-begin civil-end nautical-begin nautical-end astro-begin astro-end")
    for lat in LATITUDES:
        for lon in EAST_LONGITUDES:
            print("place %d %.1f" % (lat, lon))
            for day in range(DAYS):
                print(day_line(start + day, lat, lon))


if __name__ == "__main__":
    main()
