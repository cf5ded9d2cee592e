#!/usr/bin/env python3
"""Writes the bundled sample data of the tracker: Keps/geo.txt, geo.log and sats.csv.

The element sets are sample elements, made here, not observed ones: every geostationary
satellite is placed at its published orbital position at the epoch, with a small inclination
and eccentricity of the kind real station-kept satellites show; one near-Earth station set is
added. The output is the same on every run.

    python3 tools/gen_sample_data/gen_sample_data.py data/dist
"""
import math
import os
import sys

# Epoch of every element set: 2026 day 335.5 (1 December 2026, 12:00 UTC).
EPOCH_YEAR = 2026
EPOCH_DAY = 335.5
GEO_MEAN_MOTION = 1.00273791  # revolutions per day: one sidereal day

# name, orbital position (degrees east), catalogue number, international designator,
# inclination (degrees), eccentricity, bands, remarks
GEO = [
    ("AMAZONAS 3", -61.0, 39078, "13006A", 0.041, 0.00021, "Ku C", "Latin America, Iberia"),
    ("TELSTAR 11N", -37.5, 34111, "09009A", 0.018, 0.00032, "Ku", ""),
    ("INTELSAT 35E", -34.5, 42818, "17041A", 0.027, 0.00012, "C Ku", "Africa, Europe, Americas"),
    ("HISPASAT 30W-6", -30.0, 43228, "18023A", 0.052, 0.00019, "Ku C", "Spanish and Portuguese packages"),
    ("SES-4", -22.0, 38087, "12007A", 0.035, 0.00025, "C Ku", ""),
    ("EUTELSAT 7 WEST A", -7.3, 28187, "04008A", 1.612, 0.00041, "Ku", "Inclined orbit"),
    ("NILESAT 201", -7.0, 36830, "10037A", 0.061, 0.00022, "Ku", "Middle East, North Africa"),
    ("EUTELSAT 5 WEST B", -5.0, 44624, "19067A", 0.023, 0.00017, "Ku", ""),
    ("THOR 5", -0.8, 32487, "08006A", 0.044, 0.00029, "Ku", "Nordic packages"),
    ("THOR 6", -0.6, 36033, "09058A", 0.031, 0.00026, "Ku", ""),
    ("EUTELSAT 7B", 7.0, 39163, "13022A", 0.029, 0.00033, "Ku", ""),
    ("EUTELSAT 9B", 9.0, 41310, "16005A", 0.016, 0.00018, "Ku", ""),
    ("HOTBIRD 13B", 13.0, 29270, "06032A", 0.057, 0.00036, "Ku", "Hot Bird position"),
    ("EUTELSAT 16A", 16.0, 37836, "11057A", 0.048, 0.00028, "Ku", ""),
    ("ASTRA 1KR", 19.2, 29055, "06012A", 0.062, 0.00040, "Ku", "Astra 19.2 cluster"),
    ("ASTRA 1L", 19.2, 31306, "07016A", 0.058, 0.00035, "Ku", "Astra 19.2 cluster"),
    ("ASTRA 1M", 19.2, 33436, "08057A", 0.064, 0.00031, "Ku", "Astra 19.2 cluster"),
    ("ASTRA 1N", 19.2, 37775, "11041A", 0.055, 0.00038, "Ku", "Astra 19.2 cluster"),
    ("EUTELSAT 21B", 21.5, 38992, "12062B", 0.037, 0.00024, "Ku", ""),
    ("ASTRA 3B", 23.5, 36581, "10021A", 0.046, 0.00020, "Ku", ""),
    ("BADR-7", 26.0, 41029, "15064A", 0.033, 0.00027, "Ku C", "Arabsat position"),
    ("ASTRA 2E", 28.2, 39285, "13056A", 0.049, 0.00023, "Ku", "UK spot beam"),
    ("ASTRA 2F", 28.2, 38778, "12051A", 0.053, 0.00030, "Ku", "UK spot beam"),
    ("ASTRA 2G", 28.2, 40364, "14089A", 0.047, 0.00016, "Ku", ""),
    ("EUTELSAT 36B", 36.0, 36101, "09065A", 0.039, 0.00034, "Ku C", "Russia, Africa"),
    ("TURKSAT 4A", 42.0, 39522, "14007A", 0.028, 0.00022, "Ku", ""),
    ("EXPRESS AM6", 53.0, 40277, "14064A", 0.042, 0.00029, "C Ku", ""),
    ("INTELSAT 20", 68.5, 38740, "12043A", 0.026, 0.00015, "C Ku", "Africa, Asia"),
    ("YAMAL 401", 90.0, 40345, "14088A", 0.034, 0.00019, "C Ku", ""),
    ("EXPRESS AM33", 96.5, 32478, "08003A", 2.874, 0.00045, "C Ku", "Inclined orbit"),
]

# The near-Earth station set.
STATION = ("ISS (ZARYA)", 25544, "98067A", 51.6393, 212.4710, 0.0004812, 71.2875, 288.8650,
           15.50103472, 0.00016717, 0.00029731, 58123)


def julian_date(year, day_of_year):
    """Julian date of the fractional day of the year (day 1.0 = 1 January 0:00 UTC)."""
    y = year - 1
    a = y // 100
    b = 2 - a + a // 4
    jd_jan0 = math.floor(365.25 * (y + 4716)) + math.floor(30.6001 * 14) + b - 1524.5
    return jd_jan0 + day_of_year


def gmst_degrees(jd):
    """Greenwich mean sidereal time (IAU 1982 expression), degrees in [0, 360)."""
    t = (jd - 2451545.0) / 36525.0
    g = 280.46061837 + 360.98564736629 * (jd - 2451545.0) + 0.000387933 * t * t - t ** 3 / 38710000.0
    return g % 360.0


def checksum(line):
    total = 0
    for c in line:
        if c.isdigit():
            total += int(c)
        elif c == "-":
            total += 1
    return str(total % 10)


def exp_field(value):
    """The element format's ' 12345-6' notation (leading decimal point assumed)."""
    if value == 0:
        return " 00000-0"
    sign = "-" if value < 0 else " "
    v = abs(value)
    exp = math.floor(math.log10(v)) + 1
    mant = round(v / 10 ** exp * 100000)
    if mant >= 100000:
        mant //= 10
        exp += 1
    es = "-" if exp < 0 else "+"
    return f"{sign}{mant:05d}{es}{abs(exp)}"


def ndot_field(value):
    s = f"{abs(value):.8f}"[1:]
    return ("-" if value < 0 else " ") + s


def element_lines(nr, des, incl, raan, ecc, argp, anom, motion, ndot, bstar, elnr, revs):
    epoch = f"{EPOCH_YEAR % 100:02d}{EPOCH_DAY:012.8f}"
    l1 = (f"1 {nr:05d}U {des:<8s} {epoch} {ndot_field(ndot)} {exp_field(0)} {exp_field(bstar)} 0 "
          f"{elnr:4d}")
    ecc_digits = f"{ecc:.7f}"[2:]
    l2 = (f"2 {nr:05d} {incl:8.4f} {raan:8.4f} {ecc_digits} {argp:8.4f} {anom:8.4f} "
          f"{motion:11.8f}{revs:5d}")
    assert len(l1) == 68 and len(l2) == 68, (l1, l2)
    return l1 + checksum(l1), l2 + checksum(l2)


def geo_elements(i, lon, incl, ecc):
    """Node, perigee and mean anomaly that put the satellite over `lon` at the epoch."""
    gst = gmst_degrees(julian_date(EPOCH_YEAR, EPOCH_DAY))
    raan = (271.3 + 37.9 * i) % 360.0 if incl > 0.5 else (85.0 + 11.7 * i) % 360.0
    argp = (123.4 + 47.3 * i) % 360.0
    # True anomaly wanted, then back to the mean anomaly (first order in e).
    nu = (lon + gst - raan - argp) % 360.0
    m = (nu - math.degrees(2 * ecc * math.sin(math.radians(nu)))) % 360.0
    return raan, argp, m


def place(buf, first, last, text, right=True):
    """Puts text into columns first..last (1-based, inclusive) of the character list."""
    width = last - first + 1
    text = text[:width]
    text = text.rjust(width) if right else text.ljust(width)
    buf[first - 1:last] = list(text)


def geo_log_line(nr, des, name, lon, incl, drift):
    buf = [" "] * 180
    buf[0] = "S"
    place(buf, 2, 6, str(nr))
    year = "19" + des[:2] if int(des[:2]) > 56 else "20" + des[:2]
    place(buf, 8, 21, f"{year}-{des[2:]}", right=False)
    place(buf, 23, 52, name, right=False)
    place(buf, 54, 77, "", right=False)
    log_jd = julian_date(EPOCH_YEAR, EPOCH_DAY - 3.0)
    place(buf, 78, 88, f"{log_jd:.2f}")
    place(buf, 108, 116, "C")
    place(buf, 117, 125, "1436.10")
    place(buf, 126, 132, "35780")
    place(buf, 134, 141, "35794")
    place(buf, 143, 150, f"{incl:.2f}")
    place(buf, 151, 157, "0.0")
    place(buf, 160, 167, f"{abs(lon):.2f}{'E' if lon >= 0 else 'W'}")
    place(buf, 171, 179, f"{abs(drift):.3f}{'E' if drift >= 0 else 'W'}")
    return "".join(buf).rstrip()


def deg_dir(lon):
    if lon == 0:
        return "0.000\xb0"
    return f"{abs(lon):.3f}\xb0 {'E' if lon > 0 else 'W'}"


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "data/dist"
    os.makedirs(os.path.join(out, "Keps"), exist_ok=True)
    tle, log, csv = [], [], []
    for i, (name, lon, nr, des, incl, ecc, bands, remarks) in enumerate(GEO):
        raan, argp, m = geo_elements(i, lon, incl, ecc)
        l1, l2 = element_lines(nr, des, incl, raan, ecc, argp, m, GEO_MEAN_MOTION,
                               0.0000007 * ((i % 5) - 2) / 10, 0.0, 990 + i, 1000 + 17 * i)
        tle += [f"{name:<24s}", l1, l2]
        drift = 0.001 * ((i % 7) - 3)
        log.append(geo_log_line(nr, des, name, lon, incl, drift))
        csv.append(";".join([name, str(nr), deg_dir(lon), bands, remarks, "", "", "-2147483647", "0", "", "1"]))
    name, nr, des, incl, raan, ecc, argp, m, motion, ndot, bstar, revs = STATION
    l1, l2 = element_lines(nr, des, incl, raan, ecc, argp, m, motion, ndot, bstar, 999, revs % 100000)
    tle += [f"{name:<24s}", l1, l2]
    csv.append(";".join([name, str(nr), "", "", "Crewed station, low Earth orbit", "", "", "-2147483647", "0", "",
                         "1"]))

    def write(path, lines):
        with open(os.path.join(out, path), "wb") as f:
            for line in lines:
                f.write(line.encode("latin-1") + b"\r\n")

    write("Keps/geo.txt", tle)
    write("geo.log", log)
    write("sats.csv", csv)


if __name__ == "__main__":
    main()
