#!/usr/bin/python3
"""Writes sun_reference.inc, the almanac table sun_times_test.cpp compares with.

Reference: PyEphem (Debian package python3-ephem, run with /usr/bin/python3), an independent
almanac built on the libastro ephemeris (VSOP87 theory), not on the NOAA formulas under test.
Sunrise and sunset are the moments the centre of the sun is 0.833 degrees below the horizon with
no further refraction (pressure 0, horizon -0:50, use_center), the definition the program uses.
Each row is one solar day: the first rising and setting after the local mean midnight of a UTC
date at the place's longitude. Run once: /usr/bin/python3 make_sun_reference.py
"""
import calendar
import datetime
import os

import ephem

PLACES = [
    ("Beijing", 39.9042, 116.4074),
    ("Urumqi", 43.8256, 87.6168),
    ("Harbin", 45.8038, 126.5350),
    ("Sanya", 18.2528, 109.5119),
    ("Singapore", 1.3521, 103.8198),
    ("Sydney", -33.8688, 151.2093),
    ("Quito", -0.1807, -78.4678),
    ("Reykjavik", 64.1466, -21.9426),
    ("Tromso", 69.6492, 18.9553),
]
# The equinoxes and solstices of 2026.
DATES = [(2026, 3, 20), (2026, 6, 21), (2026, 9, 23), (2026, 12, 21)]


def unix(d):
    return int(round(calendar.timegm(ephem.Date(d).datetime().timetuple())
                     + ephem.Date(d).datetime().microsecond / 1e6))


def main():
    rows = []
    for name, lat, lon in PLACES:
        for y, m, d in DATES:
            day = calendar.timegm(datetime.date(y, m, d).timetuple()) // 86400
            midnight = day * 86400 - lon * 240  # local mean midnight, UTC seconds
            obs = ephem.Observer()
            obs.lat, obs.lon = str(lat), str(lon)
            obs.elevation = 0
            obs.pressure = 0
            obs.horizon = "-0:50"
            obs.date = ephem.Date(datetime.datetime(1970, 1, 1) +
                                  datetime.timedelta(seconds=midnight))
            sun = ephem.Sun()
            try:
                rise = unix(obs.next_rising(sun, use_center=True))
                set_ = unix(obs.next_setting(sun, use_center=True))
                kind = "RisesAndSets"
            except ephem.AlwaysUpError:
                rise = set_ = 0
                kind = "AlwaysUp"
            except ephem.NeverUpError:
                rise = set_ = 0
                kind = "AlwaysDown"
            rows.append('    {"%s", %.4f, %.4f, %d, Kind::%s, %d, %d},  // %04d-%02d-%02d'
                        % (name, lat, lon, day, kind, rise, set_, y, m, d))
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "sun_reference.inc"), "w") as out:
        out.write("// Made by make_sun_reference.py (PyEphem %s); do not edit.\n" % ephem.__version__)
        out.write("// place, latitude, longitude, UTC day, kind, sunrise, sunset (UTC seconds)\n")
        out.write("\n".join(rows) + "\n")


if __name__ == "__main__":
    main()
