#!/usr/bin/python3
"""Writes the expected values of the deep-space tests with an independent SGP4/SDP4
implementation (Debian's python3-sgp4, version 2.15, WGS-72 constants, improved mode).

Run once by hand from this folder: /usr/bin/python3 gen_expected.py
The tests only read the files this writes; they never run this script.

Sub-satellite longitudes are east longitudes in degrees, [0, 360), of the TEME position
rotated by the Greenwich mean sidereal angle (IAU 1982 expression of the Julian date).
"""
import math
from sgp4.api import Satrec, WGS72


def gmst(jd):
    ut = (jd + 0.5) % 1.0
    jd0 = jd - ut
    t = (jd0 - 2451545.0) / 36525.0
    s = 24110.54841 + t * (8640184.812866 + t * (0.093104 - t * 6.2e-6)) + ut * 86636.555366976
    return (s % 86400.0) * 2 * math.pi / 86400.0


def longitude(sat, minutes):
    err, r, _ = sat.sgp4_tsince(minutes)
    if err != 0:
        raise RuntimeError('sgp4 error %d' % err)
    jd = sat.jdsatepoch + sat.jdsatepochF + minutes / 1440.0
    return math.degrees((math.atan2(r[1], r[0]) - gmst(jd)) % (2 * math.pi))


def checksum(line):
    return str(sum(int(c) if c.isdigit() else (1 if c == '-' else 0) for c in line[:68]) % 10)


def read_sets(path):
    lines = [l.rstrip('\r\n') for l in open(path)]
    return [(lines[i].strip(), lines[i + 1], lines[i + 2]) for i in range(0, len(lines) - 2, 3)]


# Geostationary weather satellites: epoch and 30 days later.
with open('geo_weather_2018_expected.csv', 'w') as out:
    out.write('# catalogue number;longitude at epoch (deg);longitude 30 days later (deg)\n')
    for name, l1, l2 in read_sets('geo_weather_2018.tle'):
        sat = Satrec.twoline2rv(l1, l2, WGS72)
        out.write('%s;%.4f;%.4f\n' % (l1[2:7], longitude(sat, 0.0), longitude(sat, 43200.0)))

# Inclined (3 deg) geostationary sets with the node in the fourth quadrant and near 270 deg,
# where the quadrant arctangent of the low-inclination branch lands a turn away.
sets = []
for catnr, node in (('90101', 300.0), ('90102', 269.76)):
    l1 = '1 %sU 18001A   18020.50000000 -.00000100  00000-0  00000-0 0  999' % catnr
    l2 = '2 %s   3.0000 %8.4f 0002000  90.0000 100.0000  1.00271000    1' % (catnr, node)
    l1 += checksum(l1)
    l2 += checksum(l2)
    assert len(l1) == 69 and len(l2) == 69
    sets.append(('INCLINED GEO %s' % catnr, l1, l2))
with open('inclined_geo.tle', 'w') as f:
    for name, l1, l2 in sets:
        f.write('%s\n%s\n%s\n' % (name, l1, l2))
with open('inclined_geo_expected.csv', 'w') as out:
    out.write('# catalogue number;minutes after epoch;longitude (deg)\n')
    for name, l1, l2 in sets:
        sat = Satrec.twoline2rv(l1, l2, WGS72)
        for minutes in range(0, 1441, 120):
            out.write('%s;%d;%.4f\n' % (l1[2:7], minutes, longitude(sat, float(minutes))))

# A twelve-hour eccentric orbit (twelve-hour resonance): positions in km over 30 days.
l1 = '1 90201U 18001A   18020.50000000  .00000000  00000-0  00000-0 0  999'
l2 = '2 90201  63.4000 120.0000 7000000 270.0000  10.0000  2.00600000    1'
l1 += checksum(l1)
l2 += checksum(l2)
with open('twelve_hour.tle', 'w') as f:
    f.write('TWELVE HOUR 90201\n%s\n%s\n' % (l1, l2))
sat = Satrec.twoline2rv(l1, l2, WGS72)
with open('twelve_hour_expected.csv', 'w') as out:
    out.write('# minutes after epoch;x (km);y (km);z (km)\n')
    for minutes in (0, 720, 1440, 7200, 14400, 43200):
        err, r, _ = sat.sgp4_tsince(float(minutes))
        if err != 0:
            raise RuntimeError('sgp4 error %d' % err)
        out.write('%d;%.3f;%.3f;%.3f\n' % (minutes, r[0], r[1], r[2]))
