#!/usr/bin/env python3
"""Writes the .wpt/.trk golden fixtures with an encoder of its own, independent of the C++ code.

Run from this folder: python3 make_vexlorn_fixtures.py. The documents here mirror the ones that
vexlorn_golden_test.cpp builds; the test compares what the C++ writer produces with these bytes.
"""
import struct

NEW = (b"56583336 VX", b"36")
OLD = (b"56583334 VX", b"34")


def header(file_type, version=NEW):
    return bytes([13]) + version[0] + version[1] + struct.pack("<i", file_type)


def string(data):
    n = len(data)
    if n < 255:
        prefix = bytes([n])
    elif n < 0xFFFE:
        prefix = b"\xff" + struct.pack("<H", n)
    else:
        prefix = b"\xff\xff\xff" + struct.pack("<I", n)
    return prefix + data


def wide_string(text):
    units = text.encode("utf-16-le", "surrogatepass")
    assert len(units) // 2 < 255
    return b"\xff\xfe\xff" + bytes([len(units) // 2]) + units


def waypoint(name, comment, number, symbol, route_use, alt, lon, lat, encoded_name=None):
    return ((encoded_name or string(name)) + string(comment) + struct.pack("<iBBddd", number, symbol, route_use, alt, lon, lat))


def route(name, number, points):
    out = string(name) + struct.pack("<ii", number, len(points))
    for p_name, p_number, lon, lat, symbol in points:
        out += string(p_name) + struct.pack("<iddB", p_number, lon, lat, symbol)
    return out


def wpt(waypoints, routes, version=NEW):
    out = header(1, version) + struct.pack("<i", len(waypoints)) + b"".join(waypoints)
    return out + struct.pack("<i", len(routes)) + b"".join(routes)


def track1000():
    out = header(2) + string(b"ALPHA") + struct.pack("<i", 1000)
    for i in range(1000):
        lon = i / 1024.0 - 3.5
        lat = -48.25 + i / 2048.0
        alt = i * 0.5
        time = 1000000000 + 2 * i
        valid = 0 if i % 3 == 0 else 1
        out += struct.pack("<ddfiiB", lon, lat, alt, time, valid, i % 100)
    return out


TRIP_WAYPOINTS = [
    waypoint(b"HOME", b"START", 1, 0, 2, 35.0, 2.25, -48.5),
    waypoint(b"CAMP", b"", 2, 41, 2, 1204.5, 6.875, -45.125),
    waypoint(b"SPRING", b"water", 3, 17, 1, -3.25, -3.5, 33.5),
]
TRIP_ROUTES = [
    route(b"TRIP", 1, [(b"HOME", 1, 2.25, -48.5, 0), (b"CAMP", 2, 6.875, -45.125, 41)]),
    route(b"EMPTY", 2, []),
]

WIDE_NAME = "Z\u00fcrich \U0001F600\ud800!"
V34_WAYPOINTS = [waypoint(None, b"old", 1, 5, 0, 0.0, 7.5, -46.0, encoded_name=wide_string(WIDE_NAME))]
# The wide name goes into the code page (CP1252): what it cannot hold becomes "?".
V34_RESAVED = [waypoint("Zürich ??!".encode("cp1252"), b"old", 1, 5, 0, 0.0, 7.5, -46.0)]

FIXTURES = {
    "empty~saved.wpt": wpt([], []),
    "empty~saved.trk": header(2) + string(b"") + struct.pack("<i", 0),
    "track1000~saved.trk": track1000(),
    "trip~saved.wpt": wpt(TRIP_WAYPOINTS, TRIP_ROUTES),
    # An older file with a wide name and bytes after the last route, and what saving it again gives.
    "trip_v34.wpt": wpt(V34_WAYPOINTS, [route(b"", 0, [])], OLD) + b"TRAILING",
    "trip_v34~resaved.wpt": wpt(V34_RESAVED, [route(b"", 0, [])], OLD),
}

if __name__ == "__main__":
    for name, data in FIXTURES.items():
        with open(name, "wb") as f:
            f.write(data)
        print(f"{name}: {len(data)} bytes")
