#!/usr/bin/python3
"""Answers of a request set in one canonical form, to compare front ends.

  canonical.py ANSWERS.jsonl > ANSWERS.canonical
  canonical.py --same REFERENCE.jsonl OTHER.jsonl...

Each front end writes its answers as JSON lines with the names of the
tool's answers; they may write a number with other digits (JavaScript's
1e-7 for C++'s 1e-07, the full digits of a 32-bit float read as a double)
or escape a text otherwise.  The canonical form writes every property on
one line in a fixed order: doubles as the 16 hexadecimal digits of their
bits, the DMS seconds as the 8 of their 32-bit float, whole numbers and
texts as they are.  Two front ends agree when their canonical forms are
the same bytes.  With --same, each OTHER is compared with REFERENCE and
the first differing lines are shown; the exit status is 1 when any
differs.
"""
import argparse
import json
import struct
import sys

DOUBLES = ("Latitude", "Longitude", "X", "Y", "Northing", "Easting")
FLOATS = ("LatDmsSec", "LonDmsSec")
WHOLE = ("DatumFrom", "DatumDest", "OrigType", "LatDmsDeg", "LatDmsMin", "LonDmsDeg",
         "LonDmsMin", "mgrsPrecision", "IfblPrecision")
TEXTS = ("MGRS", "IFBL", "Error", "Failure")


def canonical(line):
    answer = json.loads(line)
    fields = []
    for name in DOUBLES:
        if name in answer:
            fields.append(f"{name}={struct.unpack('<Q', struct.pack('<d', answer[name]))[0]:016x}")
    for name in FLOATS:
        if name in answer:
            fields.append(f"{name}={struct.unpack('<I', struct.pack('<f', answer[name]))[0]:08x}")
    for name in WHOLE:
        if name in answer:
            fields.append(f"{name}={int(answer[name])}")
    for name in TEXTS:
        if name in answer:
            fields.append(f"{name}={json.dumps(answer[name], ensure_ascii=True)}")
    return " ".join(fields)


def read(path):
    with open(path, encoding="utf-8") as lines:
        return [canonical(line) for line in lines if line.strip()]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--same", action="store_true", help="compare each file with the first")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    if not args.same:
        for path in args.files:
            for line in read(path):
                print(line)
        return 0
    reference = read(args.files[0])
    status = 0
    for path in args.files[1:]:
        other = read(path)
        differing = [i for i, (a, b) in enumerate(zip(reference, other)) if a != b]
        if len(other) != len(reference) or differing:
            status = 1
            print(f"{path}: {len(differing)} of {len(reference)} answers differ"
                  f"{'' if len(other) == len(reference) else f' ({len(other)} lines)'}")
            for i in differing[:5]:
                print(f"  line {i + 1}:\n    {reference[i]}\n    {other[i]}")
        else:
            print(f"{path}: the same bits as {args.files[0]} on all {len(reference)} answers")
    return status


if __name__ == "__main__":
    sys.exit(main())
