#!/usr/bin/env python3
"""End-to-end tests of the morvane binary.

Usage: run_binary_tests.py MORVANE GROUP   (GROUP: a test class below)
"""
import csv
import io
import json
import math
import os
import random
import struct
import subprocess
import sys
import tempfile
import unittest

MORVANE = None

VALUE_COLUMNS = 16  # deg 2, dms 6, lambert 2, utm 4, mgrs 1, ifbl 1


def run(*args, stdin=""):
    done = subprocess.run([MORVANE, *args], input=stdin.encode(), capture_output=True, timeout=120)
    return done.returncode, done.stdout.decode(), done.stderr.decode()


def convert_json(*args):
    status, out, err = run("convert", "--json", *args)
    lines = out.splitlines()
    assert len(lines) == 1, (args, out, err)
    return status, json.loads(lines[0])


def float32(value):
    return struct.unpack("f", struct.pack("f", value))[0]


def is_shortest_float32(text):
    """The text reads back to a float32 and no shorter text does."""
    value = float32(float(text))
    digits = len(text.replace("-", "").replace(".", "").lstrip("0")) or 1
    for n in range(1, digits):
        if float32(float("%.*g" % (n, value))) == value:
            return False
    return float32(float(text)) == value


def belgian_points(count, seed):
    rng = random.Random(seed)
    return [(round(rng.uniform(49.6, 51.4), 7), round(rng.uniform(2.6, 6.3), 7)) for _ in range(count)]


class Example(unittest.TestCase):
    def test_no_arguments_prints_the_brussels_example(self):
        status, out, err = run()
        self.assertEqual(status, 0, err)
        self.assertEqual(err, "")
        rows = {line[:16].strip(): line[16:].strip() for line in out.splitlines() if len(line) > 16}
        _, expected = convert_json("--from", "wgs84", "--to", "bd72", "--deg", "50.8467", "4.3525")
        self.assertEqual(rows["From"], "WGS 1984")
        self.assertEqual(rows["To"], "Belgian 1972")
        self.assertEqual(rows["Latitude"], repr(expected["Latitude"]) + "\u00b0")
        self.assertTrue(rows["Lambert 72 X"].startswith(repr(expected["X"]) + " m"))
        self.assertTrue(rows["UTM zone"].startswith("31 N"))
        self.assertEqual(rows["MGRS"], expected["MGRS"])
        self.assertTrue(rows["IFBL"].startswith(expected["IFBL"]))
        self.assertEqual(rows["Error"], "-")
        self.assertIn("morvane convert --from wgs84 --to bd72 --deg 50.8467 4.3525", out)


class Convert(unittest.TestCase):
    def test_every_input_kind_comes_back_to_the_same_point(self):
        status, deg = convert_json("--from", "wgs84", "--to", "wgs84", "--deg", "50.8467", "4.3525")
        self.assertEqual((status, deg["Error"], deg["OrigType"]), (0, "", 2))
        self.assertEqual((deg["Latitude"], deg["Longitude"]), (50.8467, 4.3525))
        checks = {
            "lambert": ["--lambert", repr(deg["X"]), repr(deg["Y"])],
            "dms": ["--dms", *(repr(deg[k]) for k in ("LatDmsDeg", "LatDmsMin", "LatDmsSec",
                                                       "LonDmsDeg", "LonDmsMin", "LonDmsSec"))],
            "mgrs": ["--mgrs", deg["MGRS"]],
            "ifbl": ["--ifbl", deg["IFBL"]],
        }
        tolerance = {"lambert": 1e-6, "dms": 1e-6, "mgrs": 2e-5, "ifbl": 0.02}
        kinds = {"lambert": 4, "dms": 5, "mgrs": 1, "ifbl": 3}
        for kind, args in checks.items():
            with self.subTest(kind):
                status, back = convert_json("--from", "wgs84", "--to", "wgs84", *args)
                self.assertEqual((status, back["Error"]), (0, ""))
                self.assertEqual(back["OrigType"], kinds[kind])
                self.assertAlmostEqual(back["Latitude"], 50.8467, delta=tolerance[kind])
                self.assertAlmostEqual(back["Longitude"], 4.3525, delta=tolerance[kind])
                self.assertEqual(back["IFBL"], deg["IFBL"])

    def test_json_has_every_property_with_shortest_numbers(self):
        _, out, _ = run("convert", "--json", "--from", "ed50", "--to", "ntf", "--deg", "50.5", "5.25")
        obj = json.loads(out)
        self.assertEqual(
            list(obj),
            ["DatumFrom", "DatumDest", "OrigType", "Latitude", "Longitude", "LatDmsDeg", "LatDmsMin",
             "LatDmsSec", "LonDmsDeg", "LonDmsMin", "LonDmsSec", "X", "Y", "Northing", "Easting",
             "MGRS", "IFBL", "mgrsPrecision", "IfblPrecision", "Error"])
        self.assertEqual((obj["DatumFrom"], obj["DatumDest"]), (1, 4))
        raw = dict(item.split(":", 1) for item in out.strip()[1:-1].split(","))
        for key in ("Latitude", "Longitude", "X", "Y", "Northing", "Easting"):
            # Python's repr is the shortest round-trip text of a double too.
            self.assertEqual(raw['"%s"' % key], repr(obj[key]), key)
        for key in ("LatDmsSec", "LonDmsSec"):
            self.assertTrue(is_shortest_float32(raw['"%s"' % key]), raw['"%s"' % key])

    def test_precisions_and_datum_names(self):
        _, obj = convert_json("--from", "WGS84", "--to", "2", "--deg", "50.8467", "4.3525",
                              "--mgrs-precision", "100", "--ifbl-precision", "4")
        self.assertEqual(len(obj["MGRS"]), 11)
        self.assertEqual(len(obj["IFBL"]), 4)
        self.assertEqual((obj["mgrsPrecision"], obj["IfblPrecision"], obj["DatumDest"]), (100, 4, 2))

    def test_messages_set_the_exit_status(self):
        for args, message in [
            (["--deg", "91", "4"], "Coordonnées DEG incorrectes"),
            (["--lambert", "-1", "0"], "Coordonnées Lambert incorrectes"),
            (["--dms", "50", "61", "0", "4", "0", "0"], "Coordonnées DMS incorrectes"),
            (["--mgrs", "31UFS1"], "Coordonnées MGRS erronées (31UFS1)"),
            (["--ifbl", "E"], "Coordonnée IFBL incorrecte"),
        ]:
            with self.subTest(args):
                status, obj = convert_json(*args)
                self.assertEqual((status, obj["Error"]), (1, message))
                status, out, _ = run("convert", *args)
                self.assertEqual(status, 1)
                self.assertIn("Error           " + message, out)

    def test_negative_zero_degrees_keep_their_sign(self):
        _, obj = convert_json("--dms", "-0", "30", "0", "4", "0", "0")
        self.assertEqual(obj["Latitude"], -0.5)


class BatchText(unittest.TestCase):
    def make_input(self):
        """Points with ids, bad lines mixed in; returns the text and per line the expected kind."""
        lines, kinds = [], []
        rng = random.Random(7)
        for i, (lat, lon) in enumerate(belgian_points(300, 3)):
            r = rng.random()
            if r < 0.05:
                lines.append("# comment %d  " % i), kinds.append("pass")
            elif r < 0.08:
                lines.append(""), kinds.append("pass")
            elif r < 0.13:
                lines.append("%r %r id%d" % (lat + 100, lon, i)), kinds.append("Coordonnées DEG incorrectes")
            elif r < 0.18:
                lines.append("%r nope id%d" % (lat, i)), kinds.append("cannot read LON 'nope': not a number")
            elif r < 0.21:
                lines.append("%r" % lat), kinds.append("cannot read line: LON missing")
            else:
                sep = rng.choice([" ", "\t", ",", " , ", "  "])
                lines.append("%r%s%r%sid%d extra words" % (lat, sep, lon, sep, i)), kinds.append("ok")
        return "\n".join(lines) + "\n", lines, kinds

    def test_lines_kept_in_order_with_messages_in_place(self):
        text, lines, kinds = self.make_input()
        status, out, err = run("batch", "--from", "wgs84", "--to", "bd72", stdin=text)
        failed = sum(k not in ("ok", "pass") for k in kinds)
        self.assertEqual(status, 1)
        self.assertIn("%d of %d lines failed" % (failed, len(lines)), err)
        got = out.split("\n")
        self.assertEqual(got[-1], "")
        got = got[:-1]
        self.assertEqual(len(got), len(lines))
        for i, (line, kind, result) in enumerate(zip(lines, kinds, got)):
            if kind == "pass":
                self.assertEqual(result, line)
                continue
            columns = result.split("\t")
            ident = line.replace(",", " ").split()[2:]
            if kind == "ok":
                self.assertEqual(columns[VALUE_COLUMNS], "", result)
                self.assertEqual(columns[VALUE_COLUMNS + 1:], [" ".join(ident)])
                self.assertNotIn("*", columns[:VALUE_COLUMNS])
            else:
                self.assertEqual(columns[:VALUE_COLUMNS], ["*"] * VALUE_COLUMNS, result)
                self.assertEqual(columns[VALUE_COLUMNS], kind, result)
                self.assertEqual(columns[VALUE_COLUMNS + 1:], [" ".join(ident)] if ident else [])

    def test_values_equal_those_of_convert(self):
        points = belgian_points(5, 11)
        text = "".join("%r %r\n" % p for p in points)
        status, out, _ = run("batch", "--from", "wgs84", "--to", "bd72", stdin=text)
        self.assertEqual(status, 0)
        for (lat, lon), line in zip(points, out.splitlines()):
            _, obj = convert_json("--from", "wgs84", "--to", "bd72", "--deg", repr(lat), repr(lon))
            c = line.split("\t")
            self.assertEqual([float(v) for v in c[0:2]], [obj["Latitude"], obj["Longitude"]])
            self.assertEqual([int(c[2]), int(c[3]), int(c[5]), int(c[6])],
                             [obj["LatDmsDeg"], obj["LatDmsMin"], obj["LonDmsDeg"], obj["LonDmsMin"]])
            self.assertEqual([float32(float(c[4])), float32(float(c[7]))], [float32(obj["LatDmsSec"]), float32(obj["LonDmsSec"])])
            self.assertEqual([float(c[8]), float(c[9])], [obj["X"], obj["Y"]])
            self.assertEqual(c[10:12], [obj["MGRS"][:2].lstrip("0"), "N"])
            self.assertEqual([float(c[12]), float(c[13])], [obj["Easting"], obj["Northing"]])
            self.assertEqual(c[14:16], [obj["MGRS"], obj["IFBL"]])

    def test_round_trip_through_lambert_mgrs_and_dms(self):
        points = belgian_points(200, 5)
        text = "".join("%r,%r,p%d\n" % (lat, lon, i) for i, (lat, lon) in enumerate(points))
        status, out, _ = run("batch", "--output", "lambert,mgrs,dms", "--delimiter", "space", stdin=text)
        self.assertEqual(status, 0)
        rows = [line.split(" ") for line in out.splitlines()]
        # Columns: X Y MGRS LATD LATM LATS LOND LONM LONS <empty error> id
        self.assertTrue(all(len(r) == 11 and r[9] == "" for r in rows))
        inputs = {
            "lambert": "".join("%s %s %s\n" % (r[0], r[1], r[10]) for r in rows),
            "mgrs": "".join("%s %s\n" % (r[2], r[10]) for r in rows),
            "dms": "".join(" ".join(r[3:9]) + " " + r[10] + "\n" for r in rows),
        }
        for kind, back_text in inputs.items():
            with self.subTest(kind):
                status, back, _ = run("batch", "--input", kind, "--output", "deg", stdin=back_text)
                self.assertEqual(status, 0)
                back_rows = [line.split("\t") for line in back.splitlines()]
                self.assertEqual(len(back_rows), len(points))
                for i, ((lat, lon), r) in enumerate(zip(points, back_rows)):
                    self.assertEqual(r[3], "p%d" % i)
                    self.assertAlmostEqual(float(r[0]), lat, delta=2e-5)
                    self.assertAlmostEqual(float(r[1]), lon, delta=2e-5)

    def test_header_lon_first_and_columns(self):
        status, out, _ = run("batch", "--header", "--lon-first", "--output", "deg,ifbl", "--ifbl-precision", "2",
                             stdin="4.3525 50.8467\n")
        self.assertEqual(status, 0)
        header, line = out.splitlines()
        self.assertEqual(header, "# Longitude\tLatitude\tIFBL\tError")
        self.assertEqual(line, "4.3525\t50.8467\tE4\t")

    def test_mgrs_and_ifbl_input_with_messages(self):
        text = "31UES9521533649 a\n31UFS1 b\nE4.25.43 c\nE d\n"
        status, out, _ = run("batch", "--input", "mgrs", "--output", "mgrs", stdin=text)
        self.assertEqual(status, 1)
        self.assertEqual(out.splitlines()[:2],
                         ["31UES9521533649\t\ta", "*\tCoordonnées MGRS erronées (31UFS1)\tb"])
        status, out, _ = run("batch", "--input", "ifbl", "--output", "ifbl", stdin=text)
        self.assertEqual(out.splitlines()[2:], ["E42543\t\tc", "*\tCoordonnée IFBL incorrecte\td"])

    def test_crlf_lines(self):
        status, out, _ = run("batch", "--output", "ifbl", stdin="# note\r\n50.8467 4.3525 id\r\n")
        self.assertEqual((status, out), (0, "# note\nE42543\t\tid\n"))

    def test_clean_run_is_silent(self):
        status, out, err = run("batch", "/dev/stdin", stdin="50.8 4.35\n")
        self.assertEqual((status, err), (0, ""))
        self.assertEqual(len(out.splitlines()), 1)


class BatchJsonl(unittest.TestCase):
    def test_each_line_on_a_fresh_object_in_order(self):
        rng = random.Random(9)
        lines, expect = [], []
        for i, (lat, lon) in enumerate(belgian_points(300, 8)):
            r = rng.random()
            if r < 0.04:
                lines.append("not json %d" % i), expect.append(("read", None))
            elif r < 0.08:
                lines.append('{"OrigType":6,"Latitude":%r}' % lat), expect.append(("failure", "IndexOutOfRange"))
            elif r < 0.12:
                lines.append('{"DatumFrom":3,"DatumDest":2,"OrigType":2,"Latitude":%r,"Longitude":%r}' % (lat + 95, lon))
                expect.append(("error", "Coordonnées DEG incorrectes"))
            elif r < 0.15:
                lines.append('{"Latitude":%r}' % lat), expect.append(("error", "Type de coordonnées originales inconnu"))
            elif r < 0.18:
                lines.append(""), expect.append(("pass", None))
            else:
                lines.append('{"DatumFrom":3,"DatumDest":2,"OrigType":2,"Latitude":%r,"Longitude":%r,'
                             '"mgrsPrecision":%d}' % (lat, lon, rng.choice([0, 10, 1000])))
                expect.append(("ok", (lat, lon)))
        status, out, err = run("batch", "--jsonl", "-j", "3", stdin="\n".join(lines) + "\n")
        self.assertEqual(status, 1)
        failed = sum(kind not in ("ok", "pass") for kind, _ in expect)
        self.assertIn("%d of %d lines failed" % (failed, len(lines)), err)
        got = out.splitlines()
        self.assertEqual(len(got), len(lines))
        checked = 0
        for line, (kind, detail), result in zip(lines, expect, got):
            if kind == "pass":
                self.assertEqual(result, line)
                continue
            obj = json.loads(result)
            if kind == "read":
                self.assertEqual(list(obj), ["Error"])
                self.assertTrue(obj["Error"].startswith("cannot read line: "))
            elif kind == "failure":
                self.assertEqual(obj["Failure"], detail)
                self.assertEqual(obj["OrigType"], 6)
            elif kind == "error":
                self.assertEqual(obj["Error"], detail)
                self.assertNotIn("Failure", obj)
            else:
                self.assertEqual((obj["Error"], obj["DatumFrom"], obj["DatumDest"]), ("", 3, 2))
                if checked < 5:  # the same object as convert --json gives
                    checked += 1
                    lat, lon = detail
                    _, single = convert_json("--from", "wgs84", "--to", "bd72", "--deg", repr(lat), repr(lon),
                                             "--mgrs-precision", str(obj["mgrsPrecision"]))
                    self.assertEqual(obj, single)

    def test_fresh_object_defaults_and_round_trip_of_output(self):
        # A fresh object starts on European 1950 for both datums.
        status, out, _ = run("batch", "--jsonl", stdin='{"OrigType":4,"X":150000,"Y":170000}\n')
        obj = json.loads(out)
        self.assertEqual((status, obj["DatumFrom"], obj["DatumDest"], obj["Error"]), (0, 1, 1, ""))
        # The output's writable members put back give the same object.
        writable = {k: v for k, v in obj.items() if k != "Error"}
        status, again, _ = run("batch", "--jsonl", stdin=json.dumps(writable) + "\n")
        self.assertEqual((status, json.loads(again)), (0, obj))


class Threads(unittest.TestCase):
    def test_same_output_whatever_the_threads(self):
        points = belgian_points(30000, 1)
        text = "".join(("%r %r %d\n" % (lat, lon, i)) if i % 1000 else "bad line %d\n" % i
                       for i, (lat, lon) in enumerate(points))
        outputs = []
        for jobs in ("1", "2", "4", "0"):
            status, out, err = run("batch", "-j", jobs, "--output", "lambert,mgrs", stdin=text)
            self.assertEqual(status, 1, err)
            outputs.append(out)
        self.assertTrue(all(o == outputs[0] for o in outputs[1:]))
        lines = outputs[0].splitlines()
        self.assertEqual(len(lines), len(points))
        for i, line in enumerate(lines):
            self.assertTrue(line.endswith("\t%d" % i) or (i % 1000 == 0 and line.endswith("line %d" % i)), line)


class CsvMode(unittest.TestCase):
    """Spreadsheet files: read back with Python's csv module."""

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def write(self, name, data):
        path = os.path.join(self.dir.name, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def run_bytes(self, *args, stdin=b""):
        done = subprocess.run([MORVANE, *args], input=stdin, capture_output=True, timeout=120)
        return done.returncode, done.stdout, done.stderr.decode()

    def spreadsheet(self, count, seed):
        """A file as a Dutch-locale spreadsheet saves it, and per row what it should give."""
        rng = random.Random(seed)
        rows, expect = [], []
        for i, (lat, lon) in enumerate(belgian_points(count, seed)):
            note = rng.choice(["", "bij de vijver; noordkant", 'zei "hier"', "twee\r\nregels", "gewoon"])
            r = rng.random()
            if r < 0.05:
                lat_text, lon_text, kind = "%r" % (lat + 50), "%r" % lon, "Coordonnées DEG incorrectes"
            elif r < 0.08:
                lat_text, lon_text, kind = "noord", "%r" % lon, "cannot read Breedte 'noord': not a number"
            else:
                lat_text, lon_text, kind = "%r" % lat, "%r" % lon, "ok"
            rows.append([str(i), "Orchis mascula", lat_text.replace(".", ","), lon_text.replace(".", ","), note])
            expect.append((kind, lat, lon))
        text = io.StringIO(newline="")
        writer = csv.writer(text, delimiter=";", lineterminator="\r\n")
        writer.writerow(["Waarneming", "Soort", "Breedte", "Lengte", "Opmerking"])
        writer.writerows(rows)
        return "\ufeff" + text.getvalue(), rows, expect

    def test_spreadsheet_round_trip(self):
        data, rows, expect = self.spreadsheet(400, 21)
        path = self.write("waarnemingen.csv", data.encode())
        status, out, err = self.run_bytes("batch", "--from", "wgs84", "--to", "bd72", path)
        failed = sum(kind != "ok" for kind, _, _ in expect)
        self.assertEqual(status, 1, err)
        self.assertIn("'Breedte' (3) as latitude, 'Lengte' (4) as longitude", err)
        self.assertIn("%d of %d rows failed" % (failed, len(rows)), err)
        self.assertTrue(out.startswith(b"\xef\xbb\xbf"))
        self.assertNotIn(b"\n", out.replace(b"\r\n", b""))  # CRLF everywhere
        table = list(csv.reader(io.StringIO(out.decode("utf-8-sig"), newline=""), delimiter=";"))
        header, body = table[0], table[1:]
        self.assertEqual(header[:5], ["Waarneming", "Soort", "Breedte", "Lengte", "Opmerking"])
        self.assertEqual(header[5:], ["Latitude", "Longitude", "LatDmsDeg", "LatDmsMin", "LatDmsSec",
                                      "LonDmsDeg", "LonDmsMin", "LonDmsSec", "X", "Y", "Zone",
                                      "Hemisphere", "Easting", "Northing", "MGRS", "IFBL", "Error"])
        self.assertEqual(len(body), len(rows))
        # The converted values are those of text mode, with decimal commas.
        good = [(lat, lon) for kind, lat, lon in expect if kind == "ok"]
        _, text_out, _ = run("batch", "--from", "wgs84", "--to", "bd72",
                             stdin="".join("%r %r\n" % p for p in good))
        text_rows = iter(line.split("\t") for line in text_out.splitlines())
        for row, got, (kind, _, _) in zip(rows, body, expect):
            self.assertEqual(got[:5], row)
            self.assertEqual(len(got), 5 + VALUE_COLUMNS + 1)
            if kind == "ok":
                expected = next(text_rows)[:VALUE_COLUMNS]
                self.assertEqual(got[5:5 + VALUE_COLUMNS], [v.replace(".", ",") for v in expected])
                self.assertEqual(got[-1], "")
            else:
                self.assertEqual(got[5:5 + VALUE_COLUMNS], [""] * VALUE_COLUMNS)
                self.assertEqual(got[-1], kind)

    def test_same_output_whatever_the_threads(self):
        # More than one block of input, with line breaks inside quotes.
        data, rows, _ = self.spreadsheet(6000, 4)
        path = self.write("many.csv", data.encode())
        outputs = []
        for jobs in ("1", "2", "0"):
            status, out, err = self.run_bytes("batch", "-q", "-j", jobs, "--output", "lambert,mgrs", path)
            self.assertEqual(status, 1, err)
            outputs.append(out)
        self.assertTrue(all(o == outputs[0] for o in outputs[1:]))
        table = list(csv.reader(io.StringIO(outputs[0].decode("utf-8-sig"), newline=""), delimiter=";"))
        self.assertEqual([r[:5] for r in table[1:]], rows)

    def test_columns_by_name_and_number_from_standard_input(self):
        data = "naam,X,Y\r\nA,150000,170000\r\nB,\"160000.5\",\"x\"\r\n"
        for columns in ("X,Y", "2,3", "x,y"):
            with self.subTest(columns):
                status, out, err = self.run_bytes("batch", "--csv", "--input", "lambert", "--columns", columns,
                                                  "--output", "ifbl", stdin=data.encode())
                self.assertEqual(status, 1, err)
                self.assertEqual(out.decode(), "naam,X,Y,IFBL,Error\r\nA,150000,170000,E43522,\r\n"
                                               "B,\"160000.5\",\"x\",,cannot read Y 'x': not a number\r\n")

    def test_choice_errors_write_nothing(self):
        for header, args, message in [
            ("lat,lon,x,y\n", [], "more than one input kind"),
            ("naam,waarde\n", [], "no coordinate columns"),
            ("lat,lat,lon\n", [], "more than one column could be the latitude"),
            ("lat,lon\n", ["--columns", "lat"], "deg input reads 2 columns"),
            ("lat,lon\n", ["--columns", "lat,hoogte"], "no column named 'hoogte'"),
            ("lat,lon\n", ["--input", "dms"], "no columns for dms input"),
            ("lat;lon,x\n", [], "cannot tell the separator"),
        ]:
            with self.subTest(header=header, args=args):
                status, out, err = self.run_bytes("batch", "--csv", *args, stdin=(header + "50,4\n").encode())
                self.assertEqual((status, out), (2, b""))
                self.assertIn(message, err)

    def test_mode_chosen_by_name_or_flag(self):
        path = self.write("points.CSV", b"lat,lon\n50.8467,4.3525\n")
        status, out, _ = self.run_bytes("batch", "-q", "--output", "ifbl", path)
        self.assertEqual((status, out), (0, b"lat,lon,IFBL,Error\n50.8467,4.3525,E42543,\n"))
        # Text mode on a .csv file: its header line is a line that fails.
        status, out, _ = self.run_bytes("batch", "-q", "--no-csv", "--output", "ifbl", path)
        self.assertEqual((status, out.splitlines()[1]), (1, b"E42543\t"))
        status, out, err = self.run_bytes("batch", "--columns", "1,2", stdin=b"50 4\n")
        self.assertEqual(status, 2, err)
        status, out, err = self.run_bytes("batch", "--csv", "--jsonl", stdin=b"")
        self.assertEqual(status, 2, err)
        status, out, err = self.run_bytes("batch", "--csv", stdin=b"")
        self.assertEqual((status, out, err), (0, b"", ""))


    def test_a_gbif_download_whatever_its_name(self):
        # GBIF's occurrence.txt: tab-separated, Darwin Core names, a datum per
        # row, rows with empty coordinates kept with their message.
        points = belgian_points(30, 8)
        lines = ["gbifID\tscientificName\tdecimalLatitude\tdecimalLongitude\tgeodeticDatum\televation"]
        datums = ["WGS84", "EPSG:4230", "", "BD72", "ntf"]
        for i, (lat, lon) in enumerate(points):
            lines.append("%d\tOrchis mascula\t%r\t%r\t%s\t%d" % (i, lat, lon, datums[i % 5], i))
        lines.append("99\tOrchis mascula\t\t\tWGS84\t")
        lines.append("100\tOrchis mascula\t50.1\t4.2\tPotsdam\t")
        data = ("\r\n".join(lines) + "\r\n").encode()
        for name in ("occurrence.txt", "occurrence.tsv", "occurrence"):
            with self.subTest(name):
                path = self.write(name, data)
                status, out, err = self.run_bytes("batch", "--from", "ed50", "--to", "bd72", "--output", "lambert,ifbl", path)
                self.assertEqual(status, 1, err)
                self.assertIn("each row's datum from 'geodeticDatum' (5)", err)
                table = [line.split("\t") for line in out.decode().splitlines()]
                self.assertEqual(table[0][6:], ["X", "Y", "IFBL", "Error"])
                self.assertEqual(len(table), len(lines))
                # Each row as the points of its datum give it (an empty datum: --from).
                for datum, key in (("WGS84", "wgs84"), ("EPSG:4230", "ed50"), ("", "ed50"), ("BD72", "bd72"), ("ntf", "ntf")):
                    rows = [r for r in table[1:-2] if r[4] == datum]
                    _, text, _ = run("batch", "--from", key, "--to", "bd72", "--output", "lambert,ifbl",
                                     stdin="".join("%s %s\n" % (r[2], r[3]) for r in rows))
                    self.assertEqual([r[6:9] for r in rows], [l.split("\t")[:3] for l in text.splitlines()])
                self.assertEqual(table[-2][:6], ["99", "Orchis mascula", "", "", "WGS84", ""])
                self.assertEqual(table[-2][-1], "cannot read decimalLatitude '': not a number")
                self.assertEqual(table[-1][-1], "Datum de départ inconnu (Potsdam)")
        # --no-csv reads it as text: every line fails.
        status, out, err = self.run_bytes("batch", "-q", "--no-csv", path)
        self.assertEqual(status, 1, err)
        self.assertEqual(len(out.splitlines()), len(lines))
        # A tab-separated file whose first line names nothing known stays text.
        path = self.write("plain.txt", b"50.8467\t4.3525\n")
        status, out, err = self.run_bytes("batch", "-q", "--output", "ifbl", path)
        self.assertEqual((status, out), (0, b"E42543\t\n"))

    def test_rows_that_say_their_own_kind(self):
        # Darwin Core's verbatim coordinates, one kind per row, against the
        # same points given in their own columns.
        cases = [
            ("D5.37.13", "IFBL", "", ["--input", "ifbl"], "D5.37.13"),
            ("31UES9470361498", "MGRS", "ED50", ["--input", "mgrs", "--from", "ed50"], "31UES9470361498"),
            ("149186.41, 170810.74", "Belgian Lambert 72", "EPSG:31370",
             ["--input", "lambert", "--from", "bd72"], "149186.41 170810.74"),
            ("50.8467N 4.3525E", "decimal degrees", "WGS84", ["--from", "wgs84"], "50.8467 4.3525"),
            ("50°50'48.1\"N, 4°21'9\"E", "degrees minutes seconds", "",
             ["--input", "dms", "--from", "ntf"], "50 50 48.1 4 21 9"),
            ("50 51 12.5 N 4 21 0 W", "degrees minutes seconds", "4230",
             ["--input", "dms", "--from", "ed50"], "50 51 12.5 -4 21 0"),
        ]
        text = io.StringIO(newline="")
        writer = csv.writer(text, lineterminator="\n")
        writer.writerow(["occurrenceID", "verbatimCoordinates", "verbatimCoordinateSystem", "verbatimSRS"])
        for i, (coordinates, system, srs, _, _) in enumerate(cases):
            writer.writerow(["r%d" % i, coordinates, system, srs])
        writer.writerow(["bad1", "31U 595000 5636000", "UTM", ""])
        writer.writerow(["bad2", "", "decimal degrees", ""])
        writer.writerow(["bad3", "50.8 4.3", "decimal degrees", "Potsdam"])
        path = self.write("dwc.csv", text.getvalue().encode())
        for jobs in ("1", "2"):
            status, out, err = self.run_bytes("batch", "-j", jobs, "--from", "ntf", "--to", "bd72", path)
            self.assertEqual(status, 1, err)
            self.assertIn("each row's own kind from 'verbatimCoordinates' (2)", err)
            table = list(csv.reader(io.StringIO(out.decode(), newline="")))
            for row, (_, _, _, args, point) in zip(table[1:], cases):
                with self.subTest(row=row[0], jobs=jobs):
                    _, expected, _ = run("batch", "--to", "bd72", *args, stdin=point + "\n")
                    self.assertEqual(row[4:4 + VALUE_COLUMNS],
                                     [v if v != "*" else "" for v in expected.split("\t")[:VALUE_COLUMNS]])
                    self.assertEqual(row[-1], "")
            self.assertEqual([r[-1] for r in table[-3:]],
                             ["Type de coordonnées originales inconnu (UTM)", "Coordonnées DEG incorrectes",
                              "Datum de départ inconnu (Potsdam)"])
        # A kind given is the kind of rows without their system.
        path = self.write("codes.csv", b"verbatimCoordinates\nD5.37.13\nK3\n")
        status, out, err = self.run_bytes("batch", "-q", "--input", "ifbl", "--output", "ifbl", path)
        self.assertEqual((status, out), (0, b"verbatimCoordinates,IFBL,Error\nD5.37.13,D53713,\nK3,K3,\n"))
        status, out, err = self.run_bytes("batch", "-q", "--output", "ifbl", path)
        self.assertEqual(out.splitlines()[1], b"D5.37.13,,Type de coordonn\xc3\xa9es originales inconnu")

    def test_the_names_command_and_the_docs_list_the_same_names(self):
        status, out, err = run("columns")
        self.assertEqual(status, 0, err)
        names = [n for line in out.splitlines() if line.startswith("  ")
                 for n in line.split(": ", 1)[1].split(", ")]
        self.assertGreater(len(names), 100)
        docs = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "columns.md")
        with open(docs, encoding="utf-8") as f:
            listed = f.read()
        self.assertEqual([n for n in names if "`%s`" % n not in listed], [])
        status, out, _ = run("columns", "Decimal Latitude", "X-Lambert72", "uurhok", "gbifID")
        self.assertEqual((status, out), (1, "Decimal Latitude\tLatitude\nX-Lambert72\tX\nuurhok\tIFBL\ngbifID\t-\n"))

DARWIN_CORE = ["decimalLatitude", "decimalLongitude", "geodeticDatum", "coordinateUncertaintyInMeters",
               "footprintWKT", "footprintSRS", "verbatimCoordinates", "verbatimCoordinateSystem",
               "verbatimSRS", "georeferenceProtocol"]
SQUARE_COLUMNS = ["SquareLatitude", "SquareLongitude", "SquareWidth", "SquareHeight", "SquareRadius",
                  "SquareUncertainty", "SquareWKT"]
BAD_IFBL = "Coordonnée IFBL incorrecte"


def table_rows(out):
    """The rows of square's tables: (label, value) in order."""
    return [(line[:16].strip(), line[16:]) for line in out.splitlines() if line.strip()]


def wkt_ring(wkt):
    assert wkt.startswith("POLYGON ((") and wkt.endswith("))"), wkt
    return [tuple(float(v) for v in pair.split()) for pair in wkt[10:-2].split(", ")]


class Squares(unittest.TestCase):
    """The square command and the squares of batch's text and CSV modes."""

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def write(self, name, text):
        path = os.path.join(self.dir.name, name)
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write(text)
        return path

    def test_sides_radius_and_uncertainty(self):
        for args, sides, uncertainty in [
            (["E42544"], "1000 m x 1000 m", "708"),
            (["e4.25.44"], "1000 m x 1000 m", "708"),
            (["E4.25"], "4000 m x 4000 m", "2829"),
            (["E4"], "32000 m x 20000 m", None),
            (["31UES9534"], "1000 m x 1000 m", "708"),
            (["--mgrs", "31U ES 95 34"], "1000 m x 1000 m", "708"),
        ]:
            with self.subTest(args):
                status, out, err = run("square", *args)
                self.assertEqual((status, err), (0, ""))
                rows = dict(table_rows(out))
                self.assertEqual(rows["Sides"], sides)
                self.assertEqual(rows["Radius"], rows["Uncertainty"])
                self.assertEqual(rows["Error"], "-")
                if uncertainty:
                    self.assertEqual(rows["Uncertainty"], uncertainty + " m")
                status, out, _ = run("square", "--json", *args)
                obj = json.loads(out)
                self.assertEqual(obj["uncertainty"], obj["coordinateUncertaintyInMeters"])
                if uncertainty:
                    self.assertEqual(obj["coordinateUncertaintyInMeters"], int(uncertainty))

    def test_json_is_the_darwin_core_object_with_the_numbers(self):
        status, out, _ = run("square", "--json", "E42544", "Z99", "31UES9534", "--datum", "bd72")
        self.assertEqual(status, 1)
        good, bad, mgrs = [json.loads(line) for line in out.splitlines()]
        self.assertEqual(list(good)[:10], DARWIN_CORE)
        self.assertEqual(list(good)[-1], "Error")
        self.assertEqual((good["Error"], good["geodeticDatum"], good["verbatimSRS"]), ("", "EPSG:4313", "EPSG:31370"))
        self.assertEqual(len(good["corners"]), 4)
        self.assertEqual((good["centreX"], good["centreY"]), (149512, 170680))
        self.assertAlmostEqual(good["decimalLatitude"], good["centreLatitude"], delta=1e-7)
        self.assertEqual(bad, {"verbatimCoordinates": "Z99", "verbatimCoordinateSystem": "IFBL",
                               "verbatimSRS": "EPSG:31370", "Error": BAD_IFBL})
        self.assertEqual((mgrs["zone"], mgrs["hemisphere"], mgrs["verbatimSRS"]), (31, "N", "EPSG:4326"))

    def test_a_datum_not_known_widens_the_uncertainty(self):
        _, known, _ = run("square", "--json", "31UES9534")
        _, unknown, _ = run("square", "--json", "31UES9534", "--datum-unknown")
        known, unknown = json.loads(known), json.loads(unknown)
        self.assertEqual(known["radius"], unknown["radius"])
        self.assertGreater(unknown["uncertainty"], known["uncertainty"] + 50)
        self.assertEqual(unknown["verbatimSRS"], "unknown")

    def test_geojson_is_one_collection_of_closed_rings(self):
        codes = ["E42544", "E4.25", "31UGR19", "Z99"]
        for densify in (0, 3):
            with self.subTest(densify=densify):
                status, out, _ = run("square", "--geojson", "--densify", str(densify), *codes)
                self.assertEqual(status, 1)
                collection = json.loads(out)
                self.assertEqual(collection["type"], "FeatureCollection")
                features = collection["features"]
                self.assertEqual(len(features), len(codes))
                for code, feature in zip(codes, features):
                    self.assertEqual(feature["properties"]["verbatimCoordinates"], code)
                    if code == "Z99":
                        self.assertIsNone(feature["geometry"])
                        self.assertEqual(feature["properties"]["Error"], BAD_IFBL)
                        continue
                    ring = feature["geometry"]["coordinates"][0]
                    self.assertEqual(ring[0], ring[-1])
                    self.assertEqual(len(ring), 4 * (densify + 1) + 1)
                    # Counter-clockwise (the right-hand rule): a positive area.
                    area = sum(a[0] * b[1] - b[0] * a[1] for a, b in zip(ring, ring[1:]))
                    self.assertGreater(area, 0)

    def test_a_square_cut_at_the_zone_edge(self):
        status, out, _ = run("square", "31UGR19")
        self.assertEqual(status, 0)
        rows = table_rows(out)
        self.assertTrue(dict(rows)["Cut"].startswith("yes"))
        corners = [value for label, value in rows if label.startswith("Corner")]
        longitudes = [float(c.split("; ")[1].split(", ")[1].rstrip("\u00b0")) for c in corners]
        self.assertEqual(sum(abs(lon - 6) < 1e-8 for lon in longitudes), 2, corners)
        self.assertTrue(all(lon <= 6 + 1e-8 for lon in longitudes))
        _, out, _ = run("square", "--json", "31UGR19")
        obj = json.loads(out)
        self.assertTrue(obj["cut"])
        self.assertIn("inside its grid zone", obj["georeferenceProtocol"])

    def test_csv_of_records_gets_the_darwin_core_columns(self):
        records = [("1", "Orchis mascula", "E4.25.44"), ("2", "Ophrys apifera; kalk", "Z99"),
                   ("3", "Listera ovata", "e4.25"), ("4", "Neottia nidus-avis", "")]
        text = "nr;soort;ifbl\r\n" + "".join('%s;"%s";%s\r\n' % r for r in records)
        path = self.write("records.csv", text)
        status, out, err = run("batch", "-q", "--darwin-core", "--output", "none", path)
        self.assertEqual(status, 1, err)
        table = list(csv.reader(io.StringIO(out, newline=""), delimiter=";"))
        self.assertEqual(table[0], ["nr", "soort", "ifbl"] + DARWIN_CORE + ["Error"])
        self.assertEqual(len(table), 1 + len(records))
        for record, row in zip(records, table[1:]):
            with self.subTest(record[2]):
                self.assertEqual(tuple(row[:3]), record)
                terms = dict(zip(DARWIN_CORE, row[3:13]))
                self.assertEqual(terms["verbatimCoordinates"], record[2])
                self.assertEqual(terms["verbatimCoordinateSystem"], "IFBL")
                if record[0] in ("2", "4"):
                    self.assertEqual(row[-1], BAD_IFBL)
                    self.assertEqual(terms["decimalLatitude"], "")
                    self.assertEqual(terms["footprintWKT"], "")
                    continue
                self.assertEqual(row[-1], "")
                # The core's own object, with the file's decimal comma.
                _, single, _ = run("square", "--json", record[2])
                obj = json.loads(single)
                for term in DARWIN_CORE:
                    expected = obj[term] if isinstance(obj[term], str) else json.dumps(obj[term])
                    if term.startswith("decimal"):
                        expected = expected.replace(".", ",")
                    self.assertEqual(terms[term], expected, term)
                self.assertEqual(terms["coordinateUncertaintyInMeters"], "708" if record[0] == "1" else "2829")

    def test_square_columns_in_text_mode(self):
        status, out, _ = run("batch", "--input", "mgrs", "--square", "--output", "mgrs", "--header", "-q",
                             stdin="31UES9534 a\n31UES953 b\n# note\n31UGR19\n")
        self.assertEqual(status, 1)
        lines = out.splitlines()
        self.assertEqual(lines[0], "# " + "\t".join(["MGRS"] + SQUARE_COLUMNS + ["Error"]))
        first = lines[1].split("\t")
        self.assertEqual(first[5:7] + first[8:], ["708", "708", "", "a"])
        ring = wkt_ring(first[7])
        self.assertEqual((len(ring), ring[0]), (5, ring[-1]))
        self.assertEqual(lines[2].split("\t"), ["*"] * 8 + ["Coordonnées MGRS erronées (31UES953)", "b"])
        self.assertEqual(lines[3], "# note")
        self.assertEqual(lines[4].split("\t")[3:5], ["10000", "10000"])

    def test_a_whole_file_as_one_feature_collection(self):
        text = "nr,Error,ifbl,note\n1,x,E42544,\"a, b\"\n\n2,y,Z99,c\n3,z\n4,w,E4.25,d\n"
        path = self.write("records.csv", text)
        outputs = []
        for jobs in ("1", "3"):
            status, out, _ = run("batch", "-q", "-j", jobs, "--geojson", path)
            self.assertEqual(status, 1)
            outputs.append(out)
        self.assertEqual(outputs[0], outputs[1])
        features = json.loads(outputs[0])["features"]
        self.assertEqual([f["properties"].get("nr") for f in features], ["1", "2", "3", "4"])
        self.assertEqual(features[0]["properties"]["note"], "a, b")
        self.assertEqual(features[0]["properties"]["Error_2"], "x")  # the row's own Error column
        self.assertEqual(features[0]["properties"]["Error"], "")
        self.assertEqual(features[1]["properties"]["Error"], BAD_IFBL)
        self.assertIsNone(features[2]["geometry"])
        self.assertIn("cannot read row", features[2]["properties"]["Error"])
        self.assertEqual(features[3]["properties"]["width"], 4000)
        # Blocks of rows join into one collection, whatever the threads.
        rng = random.Random(3)
        codes = ["E%d.%d%d.%d%d" % (rng.randint(2, 7), rng.randint(1, 8), rng.randint(1, 8),
                                     rng.randint(1, 4), rng.randint(1, 4)) for _ in range(20000)]
        path = self.write("many.txt", "".join("%s r%d\n" % (c, i) for i, c in enumerate(codes)))
        outputs = [run("batch", "-q", "-j", jobs, "--input", "ifbl", "--geojson", path)[1] for jobs in ("1", "3")]
        self.assertEqual(outputs[0], outputs[1])
        features = json.loads(outputs[0])["features"]
        self.assertEqual([f["properties"]["Text"] for f in features], ["r%d" % i for i in range(len(codes))])
        status, out, _ = run("batch", "--input", "ifbl", "--geojson", stdin="")
        self.assertEqual((status, json.loads(out)), (0, {"type": "FeatureCollection", "features": []}))

    def test_bad_options_exit_2_before_any_work(self):
        for args in (["square"],
                     ["square", "E4", "--json", "--geojson"],
                     ["square", "--ifbl", "--mgrs", "E4"],
                     ["square", "--ifbl", "--datum-unknown", "E4"],
                     ["square", "--ifbl", "--code-datum", "ed50", "E4"],
                     ["square", "--densify", "1001", "E4"],
                     ["square", "--method", "helmert", "E4"],
                     ["square", "--datum", "wgs72", "E4"],
                     ["batch", "--square"],
                     ["batch", "--input", "lambert", "--darwin-core"],
                     ["batch", "--jsonl", "--square"],
                     ["batch", "--input", "ifbl", "--geojson", "--header"],
                     ["batch", "--input", "ifbl", "--geojson", "--output", "ifbl"],
                     ["batch", "--input", "ifbl", "--densify", "3"],
                     ["batch", "--input", "ifbl", "--output", "none"],
                     ["batch", "--csv", "--darwin-core"]):
            with self.subTest(args):
                status, out, err = run(*args, stdin="lat,lon\nE42544,4\n")
                self.assertEqual((status, out), (2, ""))
                self.assertNotEqual(err, "")


class Usage(unittest.TestCase):
    def test_help_of_every_command_has_examples(self):
        for command in ([], ["convert"], ["batch"], ["square"]):
            with self.subTest(command):
                status, out, _ = run(*command, "--help")
                self.assertEqual(status, 0)
                self.assertIn("Examples:", out)
                self.assertIn("morvane", out)

    def test_bad_arguments_exit_2(self):
        for args in (["convert", "--from", "wgs", "--deg", "50", "4"],
                     ["convert"],
                     ["convert", "--deg", "50", "4", "--lambert", "1", "2"],
                     ["convert", "--deg", "50", "x"],
                     ["batch", "--input", "utm"],
                     ["batch", "--output", "deg,none"],
                     ["batch", "--delimiter", "ab"],
                     ["batch", "--jsonl", "--from", "wgs84"],
                     ["batch", "/nonexistent/file"],
                     ["frobnicate"]):
            with self.subTest(args):
                status, out, err = run(*args, stdin="50 4\n")
                self.assertEqual(status, 2, (out, err))
                self.assertNotEqual(err, "")

    def test_no_progress_line_when_stderr_is_not_a_terminal(self):
        text = "".join("%r %r\n" % p for p in belgian_points(50000, 2))
        status, _, err = run("batch", "-j", "2", stdin=text)
        self.assertEqual((status, err), (0, ""))


if __name__ == "__main__":
    MORVANE = sys.argv[1]
    unittest.main(argv=[sys.argv[0], *sys.argv[2:]], verbosity=1)
