#!/usr/bin/python3
"""Random requests for the command-line tool (compared between the Linux
tool and morvane.exe under Wine).

  tool_requests.py generate COUNT > requests.jsonl
  tool_requests.py degrees COUNT > points.txt

`generate` writes COUNT JSON-lines requests of every input kind, between
every pair of datums, at points spread over Europe; `degrees` writes COUNT
lines "LAT LON" in Europe for text mode (fixed seeds: the same requests on
every run).
"""
import json
import random
import sys

DATUMS = (1, 2, 3, 4)

def generate(count):
    rng = random.Random(20000)
    for i in range(count):
        kind = (2, 2, 5, 4, 1, 3)[i % 6]  # degrees twice as often as the rest
        request = {"DatumFrom": rng.choice(DATUMS), "DatumDest": rng.choice(DATUMS),
                   "OrigType": kind, "mgrsPrecision": rng.choice((1, 10, 100, 1000, 10000)),
                   "IfblPrecision": rng.choice((2, 4, 6))}
        if kind == 2:
            request["Latitude"] = rng.uniform(36, 71)
            request["Longitude"] = rng.uniform(-10, 30)
        elif kind == 5:
            lat, lon = rng.uniform(36, 71), rng.uniform(-10, 30)
            request.update(LatDmsDeg=int(lat), LatDmsMin=rng.randrange(60),
                           LatDmsSec=round(rng.uniform(0, 59.99), 3),
                           LonDmsDeg=int(lon), LonDmsMin=rng.randrange(60),
                           LonDmsSec=round(rng.uniform(0, 59.99), 3))
        elif kind == 4:
            request["X"] = rng.uniform(22000, 295000)
            request["Y"] = rng.uniform(20000, 245000)
        elif kind == 1:
            # A reference of zone 31, band U, in the 100 km squares over
            # Belgium, to 1 m.
            request["MGRS"] = "31U%s%05d%05d" % (rng.choice(("DS", "ER", "ES", "FR", "FS")),
                                                 rng.randrange(100000), rng.randrange(100000))
        else:
            request["IFBL"] = "%s%d%d%d%d%d" % (rng.choice("CDEFGHIJ"), rng.randrange(1, 9),
                                                 rng.randrange(1, 5), rng.randrange(1, 5),
                                                 rng.randrange(1, 5), rng.randrange(1, 5))
        print(json.dumps(request))


def degrees(count):
    rng = random.Random(16103)
    for _ in range(count):
        print("%r %r" % (rng.uniform(36, 71), rng.uniform(-10, 30)))


def main(argv):
    if len(argv) == 3 and argv[1] == "generate":
        generate(int(argv[2]))
        return 0
    if len(argv) == 3 and argv[1] == "degrees":
        degrees(int(argv[2]))
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
