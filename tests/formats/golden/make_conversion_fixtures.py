#!/usr/bin/env python3
"""Writes the golden fixtures of the conversion with encoders of its own, independent of the C++ code.

Run from this folder: python3 make_conversion_fixtures.py. Desktop → unit: trip~saved.wpt and
track1000~saved.trk (made by make_vexlorn_fixtures.py) become trip~unit.upt, trip~unit.rte and
track1000~unit.log (times in TZ=UTC). Unit → desktop: walk.rte, walk.upt and morning.log become
walk~from_rte.wpt, walk~from_upt.wpt and morning~desktop.trk.
"""
import calendar
import math
import struct
import time

from make_vexlorn_fixtures import header, route, string, waypoint, wpt


def ddmm(degrees):
    a = abs(degrees)
    whole = math.floor(a)
    value = whole * 100 + (a - whole) * 60
    return -value if degrees < 0 else value


def icon(symbol):
    if symbol < 26:
        return chr(ord("a") + symbol)
    return chr(ord("a") - 1 + symbol // 26) + chr(ord("a") + symbol % 26)


def sentence(body):
    checksum = 0
    for byte in body.encode("latin-1"):
        checksum ^= byte
    return "$%s*%02X\r\n" % (body, checksum)


def position(lat, lon, alt):
    lat_ddmm, lon_ddmm = ddmm(lat), ddmm(lon)
    return "%08.3f,%s,%09.3f,%s,%04d,M" % (abs(lat_ddmm), "N" if lat_ddmm < 0 else "S", abs(lon_ddmm),
                                           "W" if lon_ddmm < 0 else "E", math.floor(alt))


END = sentence("PTVLCMD,END")

# The documents of trip~saved.wpt: (name, comment, symbol, alt, lon, lat) and routes (name, number, points).
TRIP_WAYPOINTS = [("HOME", "START", 0, 35.0, 2.25, -48.5), ("CAMP", "", 41, 1204.5, 6.875, -45.125),
                  ("SPRING", "water", 17, -3.25, -3.5, 33.5)]
TRIP_ROUTES = [("TRIP", 1, [("HOME", 0), ("CAMP", 41)]), ("EMPTY", 2, [])]


def trip_wpl():
    return "".join(sentence("PTVLWPL,%s,%s,%s,%s" % (position(lat, lon, alt), name, comment, icon(symbol)))
                   for name, comment, symbol, alt, lon, lat in TRIP_WAYPOINTS)


def trip_rte():
    out = ""
    for name, number, points in TRIP_ROUTES:
        total = max(1, (len(points) + 1) // 2)
        if not points:
            out += sentence("PTVLRTE,1,1,c,%d,%s" % (number, name))
        for k in range(0, len(points), 2):
            pair = points[k:k + 2]
            entries = "".join(",%s,%s" % (p, icon(s)) for p, s in pair)
            out += sentence("PTVLRTE,%d,%d,c,%d,%s%s" % (total, k // 2 + 1, number, name, entries))
    return out


def track1000_log():
    out = ""
    for i in range(1000):
        lon = i / 1024.0 - 3.5
        lat = -48.25 + i / 2048.0
        alt = i * 0.5
        t = time.gmtime(1000000000 + 2 * i)
        out += sentence("PTVLTRK,%s,%02d%02d%02d.%02d,%s,ALPHA,%02d%02d%02d" % (
            position(lat, lon, alt), t.tm_hour, t.tm_min, t.tm_sec, i % 100, "V" if i % 3 == 0 else "A",
            t.tm_mday, t.tm_mon, t.tm_year % 100))
    return out + END


# walk.rte / walk.upt: HOME and LAKE; LAKE's icon "ab" is symbol 27.
def walk_waypoints(route_use):
    return [waypoint(b"HOME", b"START", 1, 0, route_use, 35.0, 2.25, -48.5),
            waypoint(b"LAKE", b"", 2, 27, route_use, 120.0, 2.5, -48.75)]


def morning_trk():
    # (year, month, day, hour, minute, second, hundredths, valid) of morning.log; calendar.timegm
    # normalises 31 February and second 99 as mktime does.
    points = [(2004, 12, 6, 10, 15, 30, 25, 1), (2004, 12, 6, 10, 15, 31, 0, 1), (2004, 12, 6, 10, 15, 99, 50, 0),
              (2005, 2, 31, 23, 59, 59, 99, 1), (2004, 3, 28, 2, 30, 0, 0, 1)]
    out = header(2) + string(b"MORNING") + struct.pack("<i", len(points))
    for year, month, day, hour, minute, second, hundredths, valid in points:
        seconds = calendar.timegm((year, month, day, hour, minute, second, 0, 0, 0))
        out += struct.pack("<ddfiiB", 2.25, -48.5, 35.0, seconds, valid, hundredths)
    return out


FIXTURES = {
    "trip~unit.upt": (trip_wpl() + END).encode("latin-1"),
    "trip~unit.rte": (trip_wpl() + trip_rte() + END).encode("latin-1"),
    "track1000~unit.log": track1000_log().encode("latin-1"),
    "walk~from_rte.wpt": wpt(walk_waypoints(2), [route(b"WALK", 1, [(b"HOME", 1, 2.25, -48.5, 0),
                                                                 (b"LAKE", 2, 2.5, -48.75, 27)])]),
    "walk~from_upt.wpt": wpt(walk_waypoints(1), []),
    "morning~desktop.trk": morning_trk(),
}

if __name__ == "__main__":
    for name, data in FIXTURES.items():
        with open(name, "wb") as f:
            f.write(data)
        print(f"{name}: {len(data)} bytes")
