#!/usr/bin/python3
"""Writes the independent rise/set/transit/twilight reference table for the tests.

Run by hand with Debian's python3-ephem (PyEphem 4.1.4):

    /usr/bin/python3 tools/gen_riseset_reference/gen_riseset_reference.py \
        > tests/tracker/riseset/data/riseset_reference.csv

Settings: pressure 0 (no refraction), elevation 0; rise and set with horizon -0:34 and the
upper limb (ephem's default), twilight with horizons -6, -12, -18 degrees and the centre of the
Sun; transits are the upper meridian transits. The Moon is topocentric, as ephem computes it
for an observer.

One line per place, date and event:
    place;latitude;east longitude;date;T0;event;times
T0 is 0h UTC of the date as a day count since 1899-12-30 (TDateTime). times lists every event
of that kind from T0 - 1 to T0 + 2, as day counts separated by blanks, or is NONE when ephem,
searching from T0, finds the body not crossing the altitude (always above or always below).
"""
import ephem

PLACES = [
    # name, latitude (deg, north positive), longitude (deg, east positive)
    ("Oslo", 59.95, 10.75),
    ("London", 51.48, -0.13),
    ("NewYork", 40.71, -74.01),
    ("Tokyo", 35.68, 139.69),
    ("Honolulu", 21.31, -157.86),
    ("Singapore", 1.35, 103.82),
    ("Nairobi", -1.29, 36.82),
    ("Santiago", -33.45, -70.67),
    ("CapeTown", -33.92, 18.42),
    ("Sydney", -33.87, 151.21),
]

DATES = [
    (2000, 1, 1), (2003, 3, 20), (2008, 6, 21), (2011, 5, 9), (2012, 8, 15),
    (2015, 9, 23), (2018, 11, 7), (2020, 12, 21), (2022, 2, 14), (2026, 7, 4),
]

# event name, body, horizon, use_center, kind
EVENTS = [
    ("SunRise", "sun", "-0:34", False, "rise"),
    ("SunSet", "sun", "-0:34", False, "set"),
    ("SunTransit", "sun", "-0:34", False, "transit"),
    ("CivilBegin", "sun", "-6", True, "rise"),
    ("CivilEnd", "sun", "-6", True, "set"),
    ("NauticalBegin", "sun", "-12", True, "rise"),
    ("NauticalEnd", "sun", "-12", True, "set"),
    ("AstroBegin", "sun", "-18", True, "rise"),
    ("AstroEnd", "sun", "-18", True, "set"),
    ("MoonRise", "moon", "-0:34", False, "rise"),
    ("MoonSet", "moon", "-0:34", False, "set"),
    ("MoonTransit", "moon", "-0:34", False, "transit"),
]

# ephem dates count days from 1899-12-31 12:00; TDateTime from 1899-12-30 0:00.
TDATETIME_MINUS_EPHEM = 1.5


def observer(lat, lon, horizon):
    obs = ephem.Observer()
    obs.lat = str(lat)
    obs.lon = str(lon)
    obs.elevation = 0
    obs.pressure = 0
    obs.horizon = horizon
    return obs


def next_event(obs, body, use_center, kind):
    if kind == "rise":
        return obs.next_rising(body, use_center=use_center)
    if kind == "set":
        return obs.next_setting(body, use_center=use_center)
    return obs.next_transit(body)


def events(body_name, horizon, use_center, kind, lat, lon, t0):
    """(none_today, events): none_today is True when ephem finds no event in the day after
    0h of the date because the body stays on one side of the altitude; events lists every
    event from T0 - 1 to T0 + 2 as TDateTime values."""
    body = ephem.Sun() if body_name == "sun" else ephem.Moon()
    obs = observer(lat, lon, horizon)
    obs.date = ephem.Date(t0 - TDATETIME_MINUS_EPHEM)
    try:
        next_event(obs, body, use_center, kind)
        none_today = False
    except (ephem.AlwaysUpError, ephem.NeverUpError):
        none_today = True
    found = []
    when = t0 - 1
    while when < t0 + 2:
        obs.date = ephem.Date(when - TDATETIME_MINUS_EPHEM)
        try:
            e = next_event(obs, body, use_center, kind)
        except (ephem.AlwaysUpError, ephem.NeverUpError):
            when += 0.5
            continue
        t = float(e) + TDATETIME_MINUS_EPHEM
        if t > t0 + 2:
            break
        found.append(t)
        when = t + 1.0 / 1440
    return none_today, found


def main():
    print("# place;latitude;east longitude;date;T0;event;times (see tools/gen_riseset_reference)")
    for name, lat, lon in PLACES:
        for y, mo, d in DATES:
            t0 = float(ephem.Date((y, mo, d))) + TDATETIME_MINUS_EPHEM
            for ev, body, horizon, centre, kind in EVENTS:
                none_today, times = events(body, horizon, centre, kind, lat, lon, t0)
                text = "NONE" if none_today else " ".join("%.8f" % t for t in times)
                print("%s;%.2f;%.2f;%04d-%02d-%02d;%.1f;%s;%s" % (name, lat, lon, y, mo, d, t0, ev, text))


if __name__ == "__main__":
    main()
