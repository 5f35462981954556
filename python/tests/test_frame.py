"""morvane.find_columns and morvane.convert_frame: tables as people and
standards write them, every row with the bits of convert() for its kind and
datum."""

from __future__ import annotations

import io
import math

import numpy as np
import pytest

import morvane
from morvane._enums import TABLES
from morvane._result import NAMES, TODAY_NAMES

from conftest import bits

pandas = pytest.importorskip("pandas")

MESSAGES = TABLES["messages"]

# A naturalist's GBIF download: tab-separated, the coordinates among many
# other columns, a datum per row, some rows without coordinates.
GBIF = (
    "gbifID\tbasisOfRecord\tscientificName\tdecimalLatitude\tdecimalLongitude\t"
    "coordinateUncertaintyInMeters\tgeodeticDatum\teventDate\tcountryCode\n"
    "1\tHUMAN_OBSERVATION\tParus major\t50.8467\t4.3525\t10\tWGS84\t2024-05-01\tBE\n"
    "2\tHUMAN_OBSERVATION\tErithacus rubecula\t\t\t\t\t2024-05-02\tBE\n"
    "3\tPRESERVED_SPECIMEN\tQuercus robur\t51.0543\t3.7174\t\tEPSG:4326\t1950\tBE\n"
    "4\tHUMAN_OBSERVATION\tFagus sylvatica\t49.6116\t6.1319\t100\tED50\t1987\tLU\n"
    "5\tHUMAN_OBSERVATION\tPica pica\t50.4108\t4.4446\t\t\t2023\tBE\n"
    "6\tHUMAN_OBSERVATION\tCorvus corone\t50.9\t\t\tWGS84\t2023\tBE\n"
    "7\tHUMAN_OBSERVATION\tSturnus vulgaris\t50.5\t5.5\t\tunknown\t2022\tBE\n"
)


def gbif_frame() -> "pandas.DataFrame":
    return pandas.read_csv(io.StringIO(GBIF), sep="\t")


def assert_row(out, j, result, i, context):
    """Row j of a frame's outputs has the bits of entry i of a Result."""
    for name in NAMES:
        got, want = out[name].iloc[j], result[name][i]
        if name in ("MGRS", "IFBL", "Error", "Failure"):
            assert got == want, (name, got, want, context)
        else:
            assert bits(name, float(got)) == bits(name, float(want)), (name, got, want, context)


@pytest.mark.parametrize("datum_to", ["wgs84", "bd72", "ed50", "etrs89"])
@pytest.mark.parametrize("method", ["shift", "grid"])
def test_a_gbif_download_converts_as_convert_does_row_by_row(datum_to, method):
    frame = gbif_frame()
    out = morvane.convert_frame(frame, datum_to=datum_to, method=method)
    assert len(out) == len(frame) and list(out.index) == list(frame.index)
    # The frame's columns are untouched and first; a clashing output is renamed.
    pandas.testing.assert_frame_equal(out.iloc[:, : frame.shape[1]], frame)
    datum_of = {"WGS84": "wgs84", "EPSG:4326": "wgs84", "ED50": "ed50"}
    for i, row in frame.iterrows():
        datum = datum_of.get(row.geodeticDatum, "wgs84")  # empty and "unknown": datum_from
        result = morvane.convert(
            "deg", [row.decimalLatitude], [row.decimalLongitude], datum_from=datum,
            datum_to=datum_to, method=method, today=True,
        )
        assert_row(out, i, result, 0, (i, datum_to, method))
        for name in (n for n in TODAY_NAMES if n in out):
            got, want = out[name].iloc[i], result[name][0]
            if name == "Route":
                assert got == want, (name, i)
            else:
                assert bits("X", float(got)) == bits("X", float(want)), (name, i)
    # Today's columns where the call uses them.
    assert ("X2008" in out) == (datum_to == "etrs89" or method == "grid")
    # Rows without coordinates keep their row and get their message.
    assert out.Error.iloc[1] and out.Error.iloc[5] and math.isnan(out.Latitude.iloc[1])


def test_the_outputs_have_the_names_and_dtypes_of_convert():
    frame = gbif_frame()
    out = morvane.convert_frame(frame, datum_to="bd72")
    expected = morvane.convert("deg", [50.8], [4.3], datum_to="bd72").to_pandas()
    added = out.iloc[:, frame.shape[1]:]
    assert list(added.columns) == list(NAMES)
    assert list(added.dtypes) == list(expected.dtypes)
    # Today's columns when the call uses them, or when asked for.
    assert list(morvane.convert_frame(frame, method="grid").columns[frame.shape[1]:]) == list(
        NAMES + TODAY_NAMES
    )
    assert list(morvane.convert_frame(frame, today=True).columns[frame.shape[1]:]) == list(
        NAMES + TODAY_NAMES
    )


# A Darwin Core file whose rows write their coordinates as found, each with
# its system and datum: (verbatimCoordinates, verbatimCoordinateSystem,
# verbatimSRS, the convert() call that converts it, or the message's start).
DWC_ROWS = [
    ("E4.38.12", "IFBL", "", ("ifbl", ["E4.38.12"]), "wgs84"),
    ("E4 38 12", "IFBL", "BD72", ("ifbl", ["E4 38 12"]), "bd72"),
    ("31UFS9415", "MGRS", "WGS84", ("mgrs", ["31UFS9415"]), "wgs84"),
    ("31UES9554433766", "MGRS", "ED50", ("mgrs", ["31UES9554433766"]), "ed50"),
    ("149186.41, 170810.74", "Lambert 72", "EPSG:31370", ("lambert", [149186.41], [170810.74]), "bd72"),
    ("X=149186.41 Y=170810.74", "EPSG:31370", "", ("lambert", [149186.41], [170810.74]), "wgs84"),
    ("649186.1, 670811.2", "Lambert 2008", "", ("lambert2008", [649186.1], [670811.2]), "wgs84"),
    ("50.8467, 4.3525", "decimal degrees", "WGS84", ("deg", [50.8467], [4.3525]), "wgs84"),
    ("50.8467N 4.3525E", "decimal degrees", "EPSG:4230", ("deg", [50.8467], [4.3525]), "ed50"),
    ("50°50'48.1\"N 4°21'9\"E", "degrees minutes seconds", "WGS84",
     ("dms", [50], [50], [48.1], [4], [21], [9.0]), "wgs84"),
    ("50 50 48.1 N, 4 21 9 E", "DMS", "NTF", ("dms", [50], [50], [48.1], [4], [21], [9.0]), "ntf"),
    ("50.8467, 4.3525", "decimal degrees", "unknown", ("deg", [50.8467], [4.3525]), "wgs84"),
    # Rows the core refuses, with its message.
    ("E4.38.12", "Gauss-Krüger", "", None, MESSAGES[1]),
    ("50.8467, 4.3525", "decimal degrees", "Potsdam", None, MESSAGES[2]),
    ("not a point", "decimal degrees", "", None, ""),
    ("", "IFBL", "", ("ifbl", [""]), "wgs84"),
    (None, "MGRS", None, ("mgrs", [""]), "wgs84"),
]


def dwc_frame() -> "pandas.DataFrame":
    return pandas.DataFrame(
        {
            "occurrenceID": [f"urn:x:{i}" for i in range(len(DWC_ROWS))],
            "verbatimCoordinates": [r[0] for r in DWC_ROWS],
            "verbatimCoordinateSystem": [r[1] for r in DWC_ROWS],
            "verbatimSRS": [r[2] for r in DWC_ROWS],
            "recordedBy": ["A. Naturalist"] * len(DWC_ROWS),
        },
        index=pandas.Index([10 * i for i in range(len(DWC_ROWS))], name="row"),
    )


@pytest.mark.parametrize("datum_to", ["wgs84", "bd72", "ntf"])
def test_a_darwin_core_file_converts_each_row_in_its_own_kind_and_datum(datum_to):
    frame = dwc_frame()
    out = morvane.convert_frame(frame, datum_to=datum_to, ifbl_precision=4, mgrs_precision=100)
    assert list(out.index) == list(frame.index)
    for j, (_, _, _, call, datum) in enumerate(DWC_ROWS):
        if call is None:
            # Not converted: the core's message (naming what it could not
            # read), no numbers.
            assert out.Error.iloc[j].startswith(datum) and out.Error.iloc[j], j
            assert math.isnan(out.Latitude.iloc[j]) and math.isnan(out.X.iloc[j]), j
            continue
        kind, *columns = call
        result = morvane.convert(
            kind, *columns, datum_from=datum, datum_to=datum_to, ifbl_precision=4,
            mgrs_precision=100,
        )
        assert_row(out, j, result, 0, (j, DWC_ROWS[j], datum_to))


def test_the_verbatim_rows_take_the_default_kind_and_datum_where_they_say_none():
    frame = pandas.DataFrame(
        {"verbatimCoordinates": ["E4.38.12", "F7.26.34"], "verbatimCoordinateSystem": ["", None]}
    )
    without = morvane.convert_frame(frame)
    assert all(e.startswith(MESSAGES[1]) for e in without.Error)
    out = morvane.convert_frame(frame, kind="ifbl", datum_to="bd72")
    result = morvane.convert("ifbl", ["E4.38.12", "F7.26.34"], datum_to="bd72")
    for i in range(2):
        assert_row(out, i, result, i, i)


@pytest.mark.parametrize(
    "header, fragments",
    [
        (["Breedte", "x", "Lat", "lon"], ["latitude", "'Breedte' (1)", "'Lat' (3)"]),
        (["lat", "lon", "x", "y"], ["more than one input kind", "'lat' (1)", "'x' (3)"]),
        (["id", "name", "date"], ["no coordinate columns"]),
        (["verbatimCoordinates", "verbatim_coordinates"], ["verbatim coordinates", "(1)", "(2)"]),
        (["decimalLatitude", "decimalLongitude", "geodeticDatum", "geodetic datum"],
         ["geodetic datum", "'geodeticDatum' (3)", "'geodetic datum' (4)"]),
    ],
)
def test_headers_that_do_not_say_which_columns_are_refused_with_the_candidates(header, fragments):
    frame = pandas.DataFrame([[1.0] * len(header)], columns=header)
    for call in (lambda: morvane.find_columns(header), lambda: morvane.convert_frame(frame)):
        with pytest.raises(ValueError) as refused:
            call()
        message = str(refused.value)
        assert message.endswith("; give them with columns="), message
        for fragment in fragments:
            assert fragment in message, (fragment, message)


@pytest.mark.parametrize(
    "header, kind, columns, datum_column",
    [
        (["id", "decimalLatitude", "decimalLongitude", "geodeticDatum"], "deg",
         {"Latitude": "decimalLatitude", "Longitude": "decimalLongitude",
          "geodeticDatum": "geodeticDatum"}, "geodeticDatum"),
        (["Breedtegraad", "Lengtegraad"], "deg", {"Latitude": "Breedtegraad", "Longitude": "Lengtegraad"}, None),
        (["X Lambert72", "Y_Lambert72", "Hoogte"], "lambert", {"X": "X Lambert72", "Y": "Y_Lambert72"}, None),
        (["uurhok", "soort"], "ifbl", {"IFBL": "uurhok"}, None),
        (["verbatimCoordinates", "verbatimCoordinateSystem", "verbatimSRS"], "verbatim",
         {"verbatimCoordinates": "verbatimCoordinates",
          "verbatimCoordinateSystem": "verbatimCoordinateSystem", "verbatimSRS": "verbatimSRS"},
         "verbatimSRS"),
    ],
)
def test_find_columns_names_what_the_core_chose(header, kind, columns, datum_column):
    found = morvane.find_columns(header)
    assert (found.kind, found.columns, found.datum_column) == (kind, columns, datum_column)


def test_columns_given_by_hand():
    frame = pandas.DataFrame(
        {"a": [50.8467, 51.0], "b": [4.3525, 3.7], "c": ["ED50", ""], "l": [649186.1, 650000.0],
         "m": [670811.2, 660000.0]}
    )
    expected = morvane.convert("deg", frame.a, frame.b, datum_from="ed50")
    expected2 = morvane.convert("deg", frame.a, frame.b)
    by_role = morvane.convert_frame(frame, columns={"Latitude": "a", "Longitude": "b", "geodeticDatum": "c"})
    by_list = morvane.convert_frame(frame, columns=["a", "b"], kind="deg", datum_from="ed50")
    assert_row(by_role, 0, expected, 0, "dict")
    assert_row(by_role, 1, expected2, 1, "dict, empty datum cell")
    for i in range(2):
        assert_row(by_list, i, expected, i, "list")
    # Lambert 2008 by its own properties' names, or by its roles'.
    want = morvane.convert("lambert2008", frame.l, frame.m)
    for columns in ({"X": "l", "Y": "m"}, {"X2008": "l", "Y2008": "m"}):
        out = morvane.convert_frame(frame, columns=columns, kind="lambert2008")
        for i in range(2):
            assert_row(out, i, want, i, columns)


def test_darwin_core_terms():
    frame = dwc_frame()
    out = morvane.convert_frame(frame, darwin_core=True, datum_to="wgs84")
    added = out.iloc[:, frame.shape[1]:]
    assert list(added.columns) == [
        "decimalLatitude", "decimalLongitude", "geodeticDatum", "coordinateUncertaintyInMeters", "Error",
    ]
    plain = morvane.convert_frame(frame, today=True)
    for j, (text, system, srs, call, datum) in enumerate(DWC_ROWS):
        placed = plain.Error.iloc[j] == ""
        assert out.Error.iloc[j] == plain.Error.iloc[j]
        assert out.geodeticDatum.iloc[j] == ("EPSG:4326" if placed else "")
        if not placed:
            assert math.isnan(out.decimalLatitude.iloc[j])
            assert math.isnan(out.coordinateUncertaintyInMeters.iloc[j])
            continue
        assert bits("X", out.decimalLatitude.iloc[j]) == bits("X", plain.Latitude.iloc[j])
        assert bits("X", out.decimalLongitude.iloc[j]) == bits("X", plain.Longitude.iloc[j])
        uncertainty = out.coordinateUncertaintyInMeters.iloc[j]
        if call[0] in ("ifbl", "mgrs"):
            # The square's, as squares() gives it for the row's datum.
            square = morvane.squares(
                [text], kind=call[0], datum="wgs84", code_datum=datum,
                datum_known=morvane._morvane.datum_of_srs(srs or "") != 0,
            )
            assert uncertainty == square.coordinateUncertaintyInMeters[0], j
        else:
            accuracy = plain.Accuracy.iloc[j]
            assert uncertainty == accuracy if accuracy > 0 else math.isnan(uncertainty), j
    # On another datum, its EPSG code.
    bd72 = morvane.convert_frame(frame, darwin_core=True, datum_to="bd72")
    assert set(bd72.geodeticDatum) == {"EPSG:4313", ""}


@pytest.mark.parametrize(
    "frame_columns, outputs, darwin_core, added",
    [
        (["lat", "lon"], ["X", "Y", "Error"], False, ["X", "Y", "Error"]),
        (["lat", "lon", "x", "Error", "error_2"], ["X", "Error"], False, ["X_2", "Error_3"]),
        (["lat", "lon", "X_2", "x"], ["X"], False, ["X_3"]),
        (["lat", "lon", "decimalLatitude2"], None, True,
         ["decimalLatitude", "decimalLongitude", "geodeticDatum", "coordinateUncertaintyInMeters", "Error"]),
        (["Lat", "Lon", "geodeticDatum"], ["geodeticDatum", "Error"], True, ["geodeticDatum_2", "Error"]),
        (["lat", "lon", "Route"], ["Route", "X2008"], False, ["Route_2", "X2008"]),
    ],
)
def test_outputs_and_the_names_of_outputs_that_clash(frame_columns, outputs, darwin_core, added):
    frame = pandas.DataFrame([[50.8, 4.3] + ["WGS84"] * (len(frame_columns) - 2)], columns=frame_columns)
    out = morvane.convert_frame(frame, outputs=outputs, darwin_core=darwin_core)
    assert list(out.columns) == frame_columns + added
    pandas.testing.assert_frame_equal(out.iloc[:, : len(frame_columns)], frame)


@pytest.mark.parametrize(
    "kwargs, error, fragment",
    [
        ({"frame": [[50.8, 4.3]]}, TypeError, "DataFrame"),
        ({"datum_from": "potsdam"}, ValueError, "datum_from"),
        ({"datum_to": 9}, ValueError, "datum_to"),
        ({"kind": "utm"}, ValueError, "kind"),
        ({"method": "helmert"}, ValueError, "method"),
        ({"threads": "2"}, TypeError, "threads"),
        ({"threads": -1}, ValueError, "threads"),
        ({"mgrs_precision": 1.5}, TypeError, "mgrs_precision"),
        ({"outputs": ["Latitude", "Altitude"]}, ValueError, "Altitude"),
        ({"outputs": "Latitude"}, TypeError, "outputs"),
        ({"outputs": ["X2008"], "darwin_core": True}, ValueError, "X2008"),
        ({"darwin_core": "yes"}, TypeError, "darwin_core"),
        ({"columns": {"Latitude": "lat", "Longitude": "nope"}}, ValueError, "'nope'"),
        ({"columns": {"Breedte": "lat", "Longitude": "lon", "Color": "lon"}}, ValueError, "Color"),
        ({"columns": ["lat", "lon"]}, TypeError, "kind="),
        ({"columns": ["lat"], "kind": "deg"}, ValueError, "reads 2 columns"),
        ({"columns": "lat"}, TypeError, "columns"),
        ({"columns": {"Latitude": "lat", "Longitude": "lat"}}, ValueError, "two inputs"),
        ({"columns": {"X": "lat", "Y": "lon"}}, None, None),
        ({"columns": {"Latitude": "lat"}}, ValueError, "columns given with columns="),
        ({"columns": {"Latitude": "lat", "Longitude": "lon", "verbatimSRS": "s"}}, ValueError,
         "verbatimSRS ('s') is not read with deg input"),
        ({"columns": {"Latitude": "lat", "Longitude": "lon", "Height": "hgt"}}, ValueError,
         "height_kind="),
        ({"height_kind": "ostend"}, ValueError, "no height column"),
        ({"height_kind": "geoid"}, ValueError, "height_kind"),
        ({"today": "no"}, TypeError, "today"),
    ],
)
def test_arguments_that_make_no_sense_raise_before_any_work(kwargs, error, fragment):
    frame = pandas.DataFrame({"lat": [50.8], "lon": [4.3], "s": ["ED50"], "hgt": [1.0]})
    kwargs = {"frame": frame, **kwargs}
    if error is None:
        morvane.convert_frame(**kwargs)  # X, Y as Lambert 72 columns: converts
        return
    with pytest.raises(error) as refused:
        morvane.convert_frame(**kwargs)
    assert fragment in str(refused.value)


def test_heights_come_from_the_height_column():
    frame = pandas.DataFrame({"lambert_x": [149186.41, 150000.0], "lambert_y": [170810.74, 171000.0], "TAW": [50.0, None]})
    out = morvane.convert_frame(frame, height_kind="ostend", method="grid")
    want = morvane.convert("lambert", frame.lambert_x, frame.lambert_y, height=[50.0, np.nan], height_kind="ostend",
                           method="grid")
    for i in range(2):
        assert_row(out, i, want, i, i)
        for name in ("EllipsoidalHeight", "OstendHeight", "X2008"):
            assert bits("X", float(out[name].iloc[i])) == bits("X", float(want[name][i])), (name, i)


HUGE = "5" * 1_000_000


@pytest.mark.parametrize(
    "cells, systems",
    [
        ([4326, 50.5, None, float("nan"), b"E4.38.12", "E4\0.38.12", HUGE, "", "\ud800"],
         ["IFBL"] * 9),
        (["50.8, 4.3", "50.8\0, 4.3", HUGE + ", 4", "5" * 400 + ", 4.3", "1e999, 0"],
         ["dd", "dd", "dd", "dd", "dd"]),
        (["E4.38.12"] * 4, ["IF\0BL", HUGE, 3, None]),
        (["31UFS9415"] * 3, ["MGRS", "MGRS\0", b"MGRS"]),
    ],
)
def test_hostile_cells_get_their_rows_messages(cells, systems):
    frame = pandas.DataFrame({"verbatimCoordinates": cells, "verbatimCoordinateSystem": systems})
    out = morvane.convert_frame(frame)
    assert len(out) == len(frame)
    for i in range(len(frame)):
        # Either converted or with a message, never a value without one.
        if out.Error.iloc[i] == "":
            assert math.isfinite(out.Latitude.iloc[i]), (i, cells[i])
        else:
            assert math.isnan(out.Latitude.iloc[i]) or out.Failure.iloc[i] == "", (i, cells[i])
    # A NUL reads as no character any name or coordinate holds: no row is
    # read cut short at it.
    for i, cell in enumerate(cells):
        if isinstance(cell, str) and "\0" in cell:
            assert out.Error.iloc[i], (i, cell)
    for i, system in enumerate(systems):
        if isinstance(system, str) and "\0" in system:
            assert out.Error.iloc[i].startswith(MESSAGES[1]), (i, system)


@pytest.mark.parametrize(
    "column, kind, message",
    [
        ({"verbatimCoordinates": ["E4.38.12", {"a": 1}]}, TypeError, "dict"),
        ({"verbatimCoordinates": ["E4.38.12", True]}, TypeError, "booleans"),
        ({"lat": ["50.8", "abc"], "lon": [4.3, 4.3]}, TypeError, "'abc'"),
        ({"lat": ["50,8", "50.8"], "lon": [4.3, 4.3]}, TypeError, "decimal="),
        ({"lat_deg": [50, 1e9], "lat_min": [1, 1], "lat_sec": [1.0, 1.0], "lon_deg": [4, 4],
          "lon_min": [1, 1], "lon_sec": [1.0, 1.0]}, OverflowError, "16-bit"),
    ],
)
def test_cells_that_are_no_texts_or_numbers_raise_before_any_work(column, kind, message):
    with pytest.raises(kind) as refused:
        morvane.convert_frame(pandas.DataFrame(column))
    assert message in str(refused.value)


def test_mixed_dtypes_in_number_columns():
    frame = pandas.DataFrame(
        {"lat": pandas.Series(["50.8467", 51.0543, None, " ", pandas.NA], dtype=object),
         "lon": pandas.array([4.3525, 3.7174, 4.0, 4.0, None], dtype="Float64")}
    )
    out = morvane.convert_frame(frame)
    want = morvane.convert("deg", [50.8467, 51.0543, np.nan, np.nan, np.nan], [4.3525, 3.7174, 4.0, 4.0, np.nan])
    for i in range(len(frame)):
        assert_row(out, i, want, i, i)


def test_empty_frames_and_odd_indexes():
    empty = pandas.DataFrame({"lat": pandas.Series([], dtype=float), "lon": pandas.Series([], dtype=float)})
    out = morvane.convert_frame(empty)
    assert len(out) == 0 and list(out.columns[2:]) == list(NAMES)
    empty_dwc = pandas.DataFrame({"verbatimCoordinates": pandas.Series([], dtype=object)})
    assert len(morvane.convert_frame(empty_dwc, darwin_core=True)) == 0
    # A repeated index and a header that is not text are kept as they are.
    frame = pandas.DataFrame({"lat": [50.8, 50.9], "lon": [4.3, 4.4], 7: ["a", "b"]}, index=[3, 3])
    out = morvane.convert_frame(frame)
    assert list(out.index) == [3, 3] and list(out.columns[:3]) == ["lat", "lon", 7]
    assert morvane.find_columns(["lat", "lon", 7, None]).columns == {"Latitude": "lat", "Longitude": "lon"}
    # The frame given is not changed.
    before = frame.copy()
    morvane.convert_frame(frame)
    pandas.testing.assert_frame_equal(frame, before)


def dwc_text() -> str:
    """The Darwin Core rows as a tab-separated file (without the rows whose
    cells the file cannot hold: a None cell is an empty one there too)."""
    frame = dwc_frame().reset_index(drop=True)
    return frame.to_csv(sep="\t", index=False)


TOOL_NUMBERS = ("Latitude", "Longitude", "LatDmsDeg", "LatDmsMin", "LatDmsSec", "LonDmsDeg",
                "LonDmsMin", "LonDmsSec", "X", "Y", "Easting", "Northing", "X2008", "Y2008",
                "Accuracy")


@pytest.mark.parametrize("text", [GBIF, None], ids=["gbif", "darwin-core"])
@pytest.mark.parametrize(
    "options, kwargs",
    [
        ([], {}),
        (["--to", "bd72", "--ifbl-precision", "4", "--mgrs-precision", "100"],
         {"datum_to": "bd72", "ifbl_precision": 4, "mgrs_precision": 100}),
        (["--to", "etrs89", "--method", "grid"], {"datum_to": "etrs89", "method": "grid"}),
    ],
)
def test_the_tool_writes_the_same_numbers_for_the_same_file(tool, tmp_path, text, options, kwargs):
    import subprocess

    text = GBIF if text is not None else dwc_text()
    path = tmp_path / "occurrence.txt"
    path.write_text(text, encoding="utf-8")
    run = subprocess.run([tool, "batch", str(path), "--csv", "-q", "-j", "1", "--today", *options],
                         capture_output=True, text=True, encoding="utf-8", timeout=120)
    assert run.returncode in (0, 1), run.stderr
    written = pandas.read_csv(io.StringIO(run.stdout), sep="\t", dtype=str, keep_default_na=False)
    frame = pandas.read_csv(io.StringIO(text), sep="\t")
    ours = morvane.convert_frame(frame, today=True, **kwargs)
    assert len(written) == len(ours)
    for i in range(len(ours)):
        tools_error, error = written.Error.iloc[i], ours.Error.iloc[i]
        if tools_error.startswith("cannot read"):
            # The tool names the cell it could not read; the core's message
            # here, for the NaN it got.
            assert error, (i, tools_error)
            continue
        assert tools_error == error, (i, tools_error, error)
        if error:
            continue
        for name in TOOL_NUMBERS:
            got, want = written[name].iloc[i], ours[name].iloc[i]
            if got == "":
                assert not math.isfinite(float(want)), (name, i)
            else:
                assert bits(name, float(got)) == bits(name, float(want)), (name, i, got, want)
        for name in ("MGRS", "IFBL", "Route"):
            assert written[name].iloc[i] == ours[name].iloc[i].strip(), (name, i)


def test_rows_across_the_chunks_of_a_long_table_and_a_huge_cell():
    # More rows than one pass of the core takes, and a row whose system
    # text (quoted by its message) makes it a pass of its own.
    n = 70_000
    codes = np.array(["E4.38.12", "F7.26.34", "31UFS9415", "K5"], dtype=object)[np.arange(n) % 4]
    systems = np.array(["IFBL", "IFBL", "MGRS", "IFBL"], dtype=object)[np.arange(n) % 4]
    systems[40_000] = "Z" * 3_000_000
    frame = pandas.DataFrame({"verbatimCoordinates": codes, "verbatimCoordinateSystem": systems})
    out = morvane.convert_frame(frame, datum_to="bd72")
    assert out.Error.iloc[40_000] == f"{MESSAGES[1]} ({'Z' * 3_000_000})"
    for kind, rows in (("ifbl", np.flatnonzero(systems == "IFBL")), ("mgrs", np.flatnonzero(systems == "MGRS"))):
        result = morvane.convert(kind, list(codes[rows]), datum_to="bd72")
        for name in ("Latitude", "X", "LatDmsSec"):
            assert np.array_equal(out[name].to_numpy()[rows].view("u1"), result[name].view("u1")), name
        for name in ("MGRS", "IFBL", "Error"):
            assert list(out[name].to_numpy()[rows]) == list(result[name]), name


def test_dms_and_code_columns_found_by_their_names():
    dms = pandas.DataFrame({"Breite_Grad": [50, 51, None], "Breite_Minuten": [50, 3, 1],
                            "Breite_Sekunden": [48.1, 17.4, 1.0], "Länge_Grad": [4, 3, 4],
                            "Länge_Minuten": [21, 43, 1], "Länge_Sekunden": [9.0, 2.6, 1.0]})
    out = morvane.convert_frame(dms, datum_from="ed50", datum_to="bd72")
    want = morvane.convert("dms", *(dms[c] for c in dms.columns), datum_from="ed50", datum_to="bd72")
    codes = pandas.DataFrame({"soort": ["a", "b", "c"], "uurhok": ["E4.38.12", None, "F7 26 34"]})
    out2 = morvane.convert_frame(codes, ifbl_precision=2)
    want2 = morvane.convert("ifbl", ["E4.38.12", "", "F7 26 34"], ifbl_precision=2)
    for i in range(3):
        assert_row(out, i, want, i, ("dms", i))
        assert_row(out2, i, want2, i, ("ifbl", i))


def test_a_gbif_download_read_as_texts_converts_as_read_as_numbers():
    # As docs/columns.md reads it: every cell a text, empty cells "".
    texts = pandas.read_csv(io.StringIO(GBIF), sep="\t", dtype=str, keep_default_na=False)
    numbers = gbif_frame()
    got = morvane.convert_frame(texts, datum_to="bd72")
    want = morvane.convert_frame(numbers, datum_to="bd72")
    for name in NAMES:
        a, b = got[name].to_numpy(), want[name].to_numpy()
        if a.dtype == object:
            assert list(a) == list(b), name
        else:
            assert a.tobytes() == b.tobytes(), name
