#!/usr/bin/python3
"""Writes the fixed request set every front end's tests convert.

  make_requests.py > requests.jsonl
  make_requests.py --repeat 1250 > large.jsonl   (100 008 requests)

Each line is one request as the command's JSON-lines mode reads it: the
settings and the input of one point, converted on a fresh object.  The set
covers every input kind between every pair of datums with every precision,
points in Belgium, across Europe and the world, the edges of each range,
and bad input of every kind (out of range, spoiled references and codes,
unknown kinds and datums).  The generator is seeded: the file is made once
and committed, and the tests of the tool, the Python package and the
WebAssembly package read it.  A larger set from the same generator
(--repeat) is what the identity test across front ends converts.
"""
import argparse
import json
import random

KINDS = (1, 2, 3, 4, 5)  # mvMgrs, mvDeg, mvIFBL, mvLambert72, mvDegMinSec
DATUMS = (1, 2, 3, 4)
MGRS_PRECISIONS = (0, 1, 10, 100, 1000, 10000, 7)
IFBL_PRECISIONS = (0, 2, 4, 6, -1)
IFBL_COLUMNS = "ABCDEFGHIJKLMN"
ZONE_BANDS = "CDEFGHJKLMNPQRSTUVWX"
SQUARE_COLUMNS = "ABCDEFGHJKLMNPQRSTUVWXYZ"
SQUARE_ROWS = "ABCDEFGHJKLMNPQRSTUV"


def degrees(rng):
    where = rng.random()
    if where < 0.5:  # Belgium and around
        return rng.uniform(49.3, 51.7), rng.uniform(2.3, 6.6)
    if where < 0.8:  # Europe
        return rng.uniform(36, 71), rng.uniform(-10, 30)
    if where < 0.9:  # anywhere
        return rng.uniform(-90, 90), rng.uniform(-180, 180)
    return rng.choice(((90, 0), (-90, 0), (84, 3), (84.0001, 3), (-80, 3), (-80.0001, 3),
                       (0, 180), (0, -180), (56, 3), (72, 9), (72, 21), (72, 33), (51, 6),
                       (90.0000001, 4), (50, 180.5), (-91, 0), (1e10, 4), (-1e300, 2),
                       (0, 0), (49.5, 5.5)))


def dms(rng, latitude, longitude):
    def fields(angle):
        sign = -1 if angle < 0 else 1
        a = abs(angle)
        d = int(a)
        m = int((a - d) * 60)
        s = round((a - d - m / 60) * 3600, rng.choice((0, 1, 3, 5)))
        return sign * d, m, s
    lat, lon = fields(latitude), fields(longitude)
    if rng.random() < 0.1:  # fields out of their ranges, signs on minutes or seconds
        spoil = rng.choice(((0, -30, 0), (0, 0, -12.5), (0, 61, 0), (0, 10, 60.5), (91, 0, 0),
                            (-181, 0, 0), (90, 60, 60), (0, -61, 0), (5, -3, 0)))
        if rng.random() < 0.5:
            lat = spoil
        else:
            lon = spoil
    return {"LatDmsDeg": lat[0], "LatDmsMin": lat[1], "LatDmsSec": lat[2],
            "LonDmsDeg": lon[0], "LonDmsMin": lon[1], "LonDmsSec": lon[2]}


def lambert(rng):
    if rng.random() < 0.85:
        return {"X": rng.uniform(0, 310000), "Y": rng.uniform(0, 260000)}
    return dict(zip(("X", "Y"), rng.choice(((0, 0), (310000, 260000), (310000.001, 5),
                                            (-0.001, 100), (2012, 18180), (322012, 258180),
                                            (150000, -1), (1e9, 1e9)))))


def mgrs(rng):
    digits = rng.choice((5, 5, 5, 4, 3, 2, 1, 0))
    if rng.random() < 0.6:  # the 100 km squares over Belgium
        zone, band = 31, "U"
        square = rng.choice(("DR", "DS", "ER", "ES", "ET", "FR", "FS", "FT"))
    else:
        zone = rng.choice((31, 32, 30, 1, 5, 60, 33, 35, 37))
        band = rng.choice(ZONE_BANDS)
        square = rng.choice(SQUARE_COLUMNS) + rng.choice(SQUARE_ROWS)
    east = "%05d" % rng.randrange(100000)
    north = "%05d" % rng.randrange(100000)
    text = ("%2d" % zone) + band + square + east[:digits] + north[:digits]
    if rng.random() < 0.3:
        text = rng.choice((
            lambda t: t.lower(),
            lambda t: t[:-1],
            lambda t: " " + t + "  ",
            lambda t: t.strip(),
            lambda t: t[:5],
            lambda t: t + "é",
            lambda t: "",
            lambda t: "ZZ" + t,
            lambda t: t.replace("1", "I"),
            lambda t: "x" * 40,
            lambda t: "61" + t[2:],
            lambda t: t[:3] + "IO" + t[5:],
        ))(text)
    return {"MGRS": text}


def ifbl(rng):
    code = rng.choice(IFBL_COLUMNS) + str(rng.randrange(1, 10))
    code += "%d%d" % (rng.randrange(1, 5), rng.randrange(1, 5))
    code += "%d%d" % (rng.randrange(1, 5), rng.randrange(1, 5))
    code = code[:rng.choice((2, 4, 6, 6, 6))]
    if rng.random() < 0.3:
        code = rng.choice((
            lambda t: t.lower(),
            lambda t: t[:2] + "." + t[2:4] + "-" + t[4:],
            lambda t: " " + t + " ",
            lambda t: t + "5",
            lambda t: t[:1],
            lambda t: "",
            lambda t: "Z" + t[1:],
            lambda t: t[:1] + "0" + t[2:],
            lambda t: t[:2] + "55" + t[4:],
            lambda t: t + "é",
        ))(code)
    return {"IFBL": code}


def request(rng, kind, datum_from, datum_to):
    r = {"DatumFrom": datum_from, "DatumDest": datum_to, "OrigType": kind,
         "mgrsPrecision": rng.choice(MGRS_PRECISIONS), "IfblPrecision": rng.choice(IFBL_PRECISIONS)}
    if kind == 2:
        r["Latitude"], r["Longitude"] = degrees(rng)
    elif kind == 5:
        r.update(dms(rng, *degrees(rng)))
    elif kind == 4:
        r.update(lambert(rng))
    elif kind == 1:
        r.update(mgrs(rng))
    elif kind == 3:
        r.update(ifbl(rng))
    return r


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=30,
                        help="rounds of every kind between every pair of datums (80 requests each)")
    args = parser.parse_args()
    rng = random.Random(1972)
    lines = []
    for repeat in range(args.repeat):
        for kind in KINDS:
            for datum_from in DATUMS:
                for datum_to in DATUMS:
                    lines.append(request(rng, kind, datum_from, datum_to))
    # Unknown kinds and datums, alone and together.
    for kind, datum_from, datum_to in ((0, 3, 2), (6, 3, 2), (2, 0, 2), (2, 3, 5), (2, 5, 0),
                                       (-1, 3, 3), (4, 9, 2), (1, 3, -2)):
        r = request(rng, 2, 3, 2)
        r.update(OrigType=kind, DatumFrom=datum_from, DatumDest=datum_to)
        lines.append(r)
    for r in lines:
        print(json.dumps(r, ensure_ascii=False))


if __name__ == "__main__":
    main()
