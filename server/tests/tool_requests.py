#!/usr/bin/python3
"""Random requests for the command-line tool, and the comparison of two
tools' answers to them (the Linux tool and morvane.exe under Wine).

  tool_requests.py generate COUNT > requests.jsonl
  tool_requests.py degrees COUNT > points.txt
  tool_requests.py compare linux-answers windows-answers

`generate` writes COUNT JSON-lines requests of every input kind, between
every pair of datums, at points spread over Europe; `degrees` writes COUNT
lines "LAT LON" in Europe for text mode (fixed seeds: the same requests on
every run).  `compare` reads two answer files (JSON lines or text lines)
line by line and prints how many lines are identical, how many differ
only in the last bits of numbers, and the largest differences; it exits 1
when a line differs in anything but numbers (a text, a message, a
failure), or a number by more than a millionth of a metre or an
equivalent angle, 2 on unreadable input.
"""
import json
import random
import sys

DATUMS = (1, 2, 3, 4)
# Differences beyond these are not last-bit differences.
TOLERANCE = {"Latitude": 1e-11, "Longitude": 1e-11, "X": 1e-6, "Y": 1e-6,
             "Northing": 1e-6, "Easting": 1e-6, "LatDmsSec": 1e-3, "LonDmsSec": 1e-3}


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


def compare_text(a_text, b_text, largest, names):
    """Columns of a text-mode line: numbers within a relative 1e-12."""
    a, b = a_text.split("\t"), b_text.split("\t")
    if len(a) != len(b):
        return False
    ok = True
    for column, (x, y) in enumerate(zip(a, b)):
        if x == y:
            continue
        try:
            u, v = float(x), float(y)
        except ValueError:
            return False
        difference = abs(u - v)
        name = names[column] if column < len(names) else "column %d" % (column + 1)
        largest[name] = max(largest.get(name, 0.0), difference)
        ok = ok and difference <= 1e-12 * max(abs(u), 1.0)
    return ok


def compare(linux_path, windows_path):
    with open(linux_path, encoding="utf-8") as f:
        linux = f.read().splitlines()
    with open(windows_path, encoding="utf-8") as f:
        windows = f.read().splitlines()
    if len(linux) != len(windows):
        print("line counts differ: %d and %d" % (len(linux), len(windows)))
        return 1
    identical = numeric_only = 0
    largest = {}
    # A header line ("# Latitude<tab>Longitude ...") names the text columns.
    names = []
    if linux and linux[0].startswith("#"):
        if linux[0] != windows[0]:
            print("header lines differ:\n  %s\n  %s" % (linux[0], windows[0]))
            return 1
        names = linux[0][1:].strip().split("\t")
        linux, windows = linux[1:], windows[1:]
    bad = []
    for number, (a_text, b_text) in enumerate(zip(linux, windows), 1):
        if a_text == b_text:
            identical += 1
            continue
        if not a_text.startswith("{"):
            if compare_text(a_text, b_text, largest, names):
                numeric_only += 1
            else:
                bad.append((number, "values", a_text, b_text))
            continue
        a, b = json.loads(a_text), json.loads(b_text)
        if a.keys() != b.keys():
            bad.append((number, "keys", a_text, b_text))
            continue
        line_ok = True
        for key in a:
            if a[key] == b[key]:
                continue
            if key in TOLERANCE and isinstance(a[key], float) and isinstance(b[key], float):
                difference = abs(a[key] - b[key])
                largest[key] = max(largest.get(key, 0.0), difference)
                if difference > TOLERANCE[key]:
                    line_ok = False
            else:
                line_ok = False
        if line_ok:
            numeric_only += 1
        else:
            bad.append((number, "values", a_text, b_text))
    total = len(linux)
    print("%d of %d answers identical, %d differ in the last bits of numbers only, %d otherwise"
          % (identical, total, numeric_only, len(bad)))
    if largest:
        print("largest differences: " +
              ", ".join("%s %.3g" % (key, largest[key]) for key in sorted(largest)))
    for number, what, a_text, b_text in bad[:5]:
        print("line %d differs (%s):\n  linux:   %s\n  windows: %s" % (number, what, a_text, b_text))
    return 1 if bad else 0


def main(argv):
    if len(argv) == 3 and argv[1] == "generate":
        generate(int(argv[2]))
        return 0
    if len(argv) == 3 and argv[1] == "degrees":
        degrees(int(argv[2]))
        return 0
    if len(argv) == 4 and argv[1] == "compare":
        try:
            return compare(argv[2], argv[3])
        except (OSError, ValueError) as error:
            print("cannot compare: %s" % error)
            return 2
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
