"""Generated hostile input: every point that convert() takes is converted as
a fresh ZedizAdo given the same input converts it, every call it refuses
raises TypeError, ValueError or OverflowError, and the package works after.

The size of a run is a Hypothesis profile: "ci" (the default, a few
seconds), or MORVANE_HYPOTHESIS_EXAMPLES=N for N examples a test, e.g.

    MORVANE_HYPOTHESIS_EXAMPLES=3000 scripts/test-python -k properties
"""

from __future__ import annotations

import math
import os
import struct

import numpy as np
import pandas as pd
import pytest
from hypothesis import HealthCheck, assume, event, given, settings
from hypothesis import strategies as st

import morvane
from conftest import NUMBER_PROPERTIES, bits, fresh_object

settings.register_profile(
    "ci", max_examples=300, deadline=None, database=None, suppress_health_check=list(HealthCheck)
)
settings.register_profile(
    "long",
    max_examples=int(os.environ.get("MORVANE_HYPOTHESIS_EXAMPLES", "") or 1000),
    database=None,
    deadline=None,
    suppress_health_check=list(HealthCheck),
)
settings.load_profile("long" if os.environ.get("MORVANE_HYPOTHESIS_EXAMPLES") else "ci")

REFUSALS = (TypeError, ValueError, OverflowError)
MISSING = object()  # an entry that is a missing value

DATUMS = st.sampled_from([int(d) for d in morvane.InternalDatums])
MGRS_PRECISIONS = st.sampled_from([0, 1, 10, 100, 1000, 10000, -5])
IFBL_PRECISIONS = st.sampled_from([0, 2, 4, 6, 3])


def settings_of(draw) -> dict:
    return {
        "datum_from": draw(DATUMS),
        "datum_to": draw(DATUMS),
        "mgrs_precision": draw(MGRS_PRECISIONS),
        "ifbl_precision": draw(IFBL_PRECISIONS),
        "threads": draw(st.sampled_from([1, 2])),
    }


def expect_point(result, i, kind, inputs, call):
    """Point i of the result against a fresh object given `inputs`."""
    o, failure = fresh_object(kind, inputs, call["datum_from"], call["datum_to"],
                              call["mgrs_precision"], call["ifbl_precision"])
    for name in NUMBER_PROPERTIES:
        got = result[name][i].item()
        assert bits(name, got) == bits(name, getattr(o, name)), (name, i, inputs)
    for name in ("MGRS", "IFBL", "Error"):
        # numpy's unicode arrays cannot end a text with NUL characters
        assert result[name][i] == getattr(o, name).rstrip("\0"), (name, i, inputs)
    assert result.Failure[i] == failure, (i, inputs)


def package_is_sound():
    r = morvane.convert("deg", [50.8467], [4.3525], datum_from="wgs84", datum_to="bd72")
    o, _ = fresh_object(int(morvane.mvDeg), {"Latitude": 50.8467, "Longitude": 4.3525},
                        int(morvane.mvWGS1984), int(morvane.mvBelgium1972))
    assert (r.X[0], r.Y[0], r.IFBL[0]) == (o.X, o.Y, o.IFBL)


# --- Number columns -------------------------------------------------------

NUMERIC_DTYPES = ["f8", "f4", "f2", "i1", "i2", "i4", "i8", "u1", "u2", "u4", "u8"]
FLOATS = st.one_of(
    st.floats(allow_nan=True, allow_infinity=True),
    st.floats(-100, 100),
    st.sampled_from([50.8, 4.35, 150000.0, 170000.0, 0.0, -0.0, 1e39, 91.0]),
)
ELEMENTS = st.one_of(
    FLOATS,
    st.integers(-(2**63), 2**63 - 1),
    st.none(),
    st.just(math.nan),
    st.booleans(),
    st.sampled_from(["50.8", b"4", np.bool_(True), np.float32(50.5), np.int16(-7), pd.NA]),
)


@st.composite
def number_column(draw, length: int):
    """A column in some form, and what each point is meant to be (a float,
    MISSING), or None when the column must be refused."""
    form = draw(st.sampled_from(["list", "tuple", "array", "object", "series", "masked", "scalar",
                                 "matrix"]))
    if form == "matrix":
        return np.zeros((length, draw(st.integers(0, 2)))), None
    if form in ("list", "tuple", "object"):
        values = draw(st.lists(ELEMENTS, min_size=length, max_size=length))
        refused = any(isinstance(v, (bool, np.bool_, str, bytes)) for v in values)
        meant = [MISSING if v is None or v is pd.NA else float(v) for v in values] \
            if not refused else None
        if form == "list":
            return values, meant
        if form == "tuple":
            return tuple(values), meant
        array = np.empty(length, dtype=object)
        array[:] = values
        return array, meant
    if form == "scalar":
        v = draw(FLOATS)
        return v, [v] * max(length, 1)
    dtype = np.dtype(draw(st.sampled_from(NUMERIC_DTYPES)))
    if dtype.itemsize > 1:
        dtype = dtype.newbyteorder(draw(st.sampled_from(["<", ">", "="])))
    step = draw(st.sampled_from([1, 1, 2, 3, -1]))
    raw = draw(st.binary(min_size=dtype.itemsize * length * abs(step),
                         max_size=dtype.itemsize * length * abs(step)))
    base = np.frombuffer(raw, dtype=dtype).copy()
    array = base[::step][:length] if step > 0 else base[::-1][:length]
    if form == "series":
        nullable = {"f": "Float64", "i": "Int64", "u": "UInt64"}[dtype.kind]
        holes = draw(st.lists(st.booleans(), min_size=length, max_size=length))
        values = [None if h else array[i].item() for i, h in enumerate(holes)]
        if dtype.kind == "f":
            values = [v if v is None or math.isfinite(v) else None for v in values]
        series = pd.Series(values, dtype=nullable)
        meant = [MISSING if v is None else float(v) for v in values]
        return series, meant
    meant = [float(array[i]) for i in range(length)]
    if form == "masked":
        mask = draw(st.lists(st.booleans(), min_size=length, max_size=length))
        meant = [MISSING if m else v for m, v in zip(mask, meant)]
        return np.ma.masked_array(array, mask=mask), meant
    return array, meant


@given(st.data())
def test_number_columns(data):
    length = data.draw(st.integers(0, 12))
    kind = data.draw(st.sampled_from(["deg", "lambert"]))
    first, meant_first = data.draw(number_column(length))
    second, meant_second = data.draw(number_column(length))
    call = settings_of(data.draw)
    try:
        r = morvane.convert(kind, first, second, **call)
    except REFUSALS as refusal:
        event(f"refused: {type(refusal).__name__}")
        # Only texts and booleans are refused among these columns (numbers
        # of every size fit a 64-bit float).
        assert meant_first is None or meant_second is None
        return
    assert meant_first is not None and meant_second is not None
    event(f"converted: {type(first).__name__}, {type(second).__name__}")
    names = ("Latitude", "Longitude") if kind == "deg" else ("X", "Y")
    number = int(morvane.mvDeg if kind == "deg" else morvane.mvLambert72)
    # Two single values make one point.
    scalars = isinstance(first, float) and isinstance(second, float)
    assert len(r) == (1 if scalars else length)
    for i in range(len(r)):
        values = [math.nan if m is MISSING else m for m in (meant_first[i], meant_second[i])]
        expect_point(r, i, number, dict(zip(names, values)), call)
    package_is_sound()


DMS_NAMES = ("LatDmsDeg", "LatDmsMin", "LatDmsSec", "LonDmsDeg", "LonDmsMin", "LonDmsSec")
DMS_WHOLE = st.one_of(st.integers(-3, 80), st.integers(-32768, 32767), st.none(),
                      st.just(math.nan), st.integers(-200, 200).map(float))
DMS_SECONDS = st.one_of(st.floats(-100, 100, width=32), st.none(), st.just(math.nan),
                        st.floats(width=32))
# Now and then a value that refuses the whole call.
DMS_HOSTILE = st.sampled_from([1.5, True, np.bool_(False), 70000, -32769, math.inf, 1e39, "1", b"1"])


@given(st.data())
def test_dms_columns(data):
    length = data.draw(st.integers(1, 8))
    columns = []
    for name in DMS_NAMES:
        fitting = DMS_SECONDS if name.endswith("Sec") else DMS_WHOLE
        hostile = data.draw(st.integers(0, 11)) == 0
        values = data.draw(st.lists(st.one_of(fitting, DMS_HOSTILE) if hostile else fitting,
                                    min_size=length, max_size=length))
        form = data.draw(st.sampled_from(["list", "series", "object"]))
        if form == "series" and not name.endswith("Sec") and all(
                v is None or (isinstance(v, int) and not isinstance(v, bool)
                              and -32768 <= v <= 32767) for v in values):
            columns.append((pd.Series(values, dtype="Int16"), values))
        elif form == "object":
            array = np.empty(length, dtype=object)
            array[:] = values
            columns.append((array, values))
        else:
            columns.append((values, values))
    call = settings_of(data.draw)
    try:
        r = morvane.convert("dms", *[c for c, _ in columns], **call)
    except REFUSALS as refusal:
        event(f"refused: {type(refusal).__name__}")
        return
    event("converted")
    for name, (_, values) in zip(DMS_NAMES, columns):
        for v in values:
            assert not isinstance(v, (bool, np.bool_, str, bytes)), name
            if v is None or v != v:
                continue
            if name.endswith("Sec"):
                assert math.isinf(v) or abs(v) < 3.5e38, (name, v)
            else:
                assert float(v).is_integer() and -32768 <= v <= 32767, (name, v)
    number = int(morvane.mvDegMinSec)
    for i in range(length):
        point = {name: values[i] for name, (_, values) in zip(DMS_NAMES, columns)}
        if any(point[n] is None or point[n] != point[n] for n in DMS_NAMES if not n.endswith("Sec")):
            event("a point with a missing degree or minute")
            assert r.Error[i] == "Coordonnées DMS incorrectes", point
            continue
        inputs = {n: (math.nan if v is None else (int(v) if not n.endswith("Sec") else v))
                  for n, v in point.items()}
        expect_point(r, i, number, inputs, call)
    package_is_sound()


# --- Text columns ---------------------------------------------------------

PIECES = st.sampled_from(["31UES", "31U", "ES", "9451229476", "E4", "25", "43", "E42543", "F5",
                          " ", ".", "-", "\0", "\ud800", "\udfff", "é", "€", "\U0001d11e", "z"])
TEXTS = st.one_of(
    st.lists(PIECES, max_size=6).map("".join),
    st.text(st.characters(blacklist_categories=()), max_size=12),
    st.sampled_from(["31UES" * 400, "E4" + "\0" * 30, ""]),
)


def as_object_text(value) -> str:
    """What the object is given for an entry: bytes as UTF-8."""
    return value.decode("utf-8") if isinstance(value, bytes) else value


@given(st.data())
def test_text_columns(data):
    kind = data.draw(st.sampled_from(["mgrs", "ifbl"]))
    texts = data.draw(st.lists(st.one_of(TEXTS, st.none()), max_size=10))
    form = data.draw(st.sampled_from(["list", "object", "unicode", "bytes", "byteswapped",
                                      "strided", "series", "bytes list", "scalar"]))
    surrogates = any(t is not None and any("\ud800" <= c <= "\udfff" for c in t) for t in texts)
    meant = [("" if t is None else t) for t in texts]
    if form == "list":
        column = texts
    elif form == "object":
        column = np.empty(len(texts), dtype=object)
        column[:] = texts
    elif form == "series":
        column = pd.Series(texts, dtype="string")
    elif form == "scalar":
        assume(texts and texts[0] is not None)
        column, meant = texts[0], [texts[0]]
    else:
        assume(form not in ("bytes", "bytes list") or not surrogates)
        if form in ("bytes", "bytes list"):
            encoded = [t.encode("utf-8") for t in meant]
            if form == "bytes list":
                column = encoded
            else:
                column = np.array(encoded, dtype="S") if encoded else np.zeros(0, "S1")
                meant = [b.decode("utf-8") for b in column]  # numpy drops trailing NULs
        else:
            column = np.array(meant, dtype="U") if meant else np.zeros(0, "U1")
            if form == "byteswapped":
                column = column.astype(column.dtype.newbyteorder(">"))
            if form == "strided":
                doubled = np.empty(2 * len(column), dtype=column.dtype)
                doubled[::2] = column
                column = doubled[::2]
            meant = [str(t) for t in column]  # numpy drops trailing NULs
    call = settings_of(data.draw)
    r = morvane.convert(kind, column, **call)
    event(f"form {form}")
    if any("\0" in t.rstrip("\0") for t in meant if t):
        event("a NUL inside a text")
    if any(t.endswith("\0") for t in meant if t):
        event("a text ending in NUL")
    number = int(morvane.mvMgrs if kind == "mgrs" else morvane.mvIFBL)
    name = kind.upper()
    assert len(r) == len(meant)
    for i, text in enumerate(meant):
        expect_point(r, i, number, {name: as_object_text(text)}, call)
    package_is_sound()


# --- Calls on objects ------------------------------------------------------

PROPERTIES = NUMBER_PROPERTIES + ("MGRS", "IFBL", "OrigType", "DatumFrom", "DatumDest",
                                  "mgrsPrecision", "IfblPrecision")
VALUES = st.one_of(
    FLOATS,
    st.integers(-(2**70), 2**70),
    st.integers(-3, 7),
    st.booleans(),
    st.none(),
    TEXTS,
    st.binary(max_size=4),
    st.sampled_from([np.bool_(False), np.float32(1.5), np.int16(3), np.int64(2**40), np.float64(50.8),
                     [1.0], 1 + 2j, pd.NA]),
)


def float_bits(value: float) -> bytes:
    return struct.pack("<d", value)


@given(st.lists(st.one_of(st.tuples(st.sampled_from(PROPERTIES), VALUES),
                          st.sampled_from(["Conversion", "Reset", "copy"])), max_size=25))
def test_call_sequences_on_an_object(calls):
    o = morvane.ZedizAdo()
    replay = morvane.ZedizAdo()
    for call in calls:
        before = o.__copy__()
        if call == "Conversion":
            try:
                o.Conversion()
            except morvane.Failure:
                assert o == before
            try:
                replay.Conversion()
            except morvane.Failure:
                pass
        elif call == "Reset":
            o.Reset()
            replay.Reset()
        elif call == "copy":
            o = o.__copy__()
        else:
            name, value = call
            try:
                setattr(o, name, value)
            except REFUSALS as refusal:
                event(f"put refused: {type(refusal).__name__}")
                assert o == before, (name, value)
                continue
            setattr(replay, name, value)
        assert o == replay
        repr(o)
        for name in PROPERTIES:
            if name not in ("DatumFrom", "DatumDest"):
                getattr(o, name)
    package_is_sound()


# Darwin Core rows of any cells: texts (valid and not), numbers, missing
# values, in any system and datum.
VERBATIM_CELLS = st.one_of(
    st.none(),
    st.text(max_size=30),
    st.sampled_from(["E4.38.12", "F7 26 34", "31UFS9415", "31UES9554433766", "149186.41, 170810.74",
                     "50.8467, 4.3525", "50°50'48.1\"N 4°21'9\"E", "E4\0.38.12", ""]),
    st.integers(-10**9, 10**9),
    st.floats(allow_nan=True, allow_infinity=True),
)
SYSTEM_CELLS = st.one_of(
    st.none(), st.text(max_size=12),
    st.sampled_from(["IFBL", "MGRS", "Lambert 72", "decimal degrees", "DMS", "EPSG:31370", "Lambert 2008"]),
)
SRS_NAMES = {None: "wgs84", "": "wgs84", "unknown": "wgs84", "WGS84": "wgs84", "EPSG:4326": "wgs84",
             "ED50": "ed50", "BD72": "bd72", "NTF": "ntf", "ETRS89": "etrs89"}
SRS_CELLS = st.one_of(st.text(max_size=12), st.sampled_from(list(SRS_NAMES)))


@given(
    rows=st.lists(st.tuples(VERBATIM_CELLS, SYSTEM_CELLS, SRS_CELLS), max_size=12),
    datum_to=st.sampled_from(["wgs84", "bd72", "ed50", "etrs89"]),
)
def test_frames_of_any_cells_convert_each_code_as_convert_does(rows, datum_to):
    frame = pd.DataFrame(rows, columns=["verbatimCoordinates", "verbatimCoordinateSystem", "verbatimSRS"])
    out = morvane.convert_frame(frame, datum_to=datum_to, today=True)
    assert len(out) == len(frame)
    for i, (cell, system, srs) in enumerate(rows):
        if system in ("IFBL", "MGRS") and isinstance(cell, str) and "\0" not in cell and srs in SRS_NAMES:
            result = morvane.convert(system.lower(), [cell], datum_from=SRS_NAMES[srs],
                                     datum_to=datum_to, today=True)
            for name in NUMBER_PROPERTIES + ("X2008", "Y2008", "Accuracy"):
                assert bits(name if name in NUMBER_PROPERTIES else "X", float(out[name].iloc[i])) == bits(
                    name if name in NUMBER_PROPERTIES else "X", float(result[name][0])), (name, i, rows[i])
            for name in ("MGRS", "IFBL", "Error", "Failure", "Route"):
                assert out[name].iloc[i] == result[name][0], (name, i, rows[i])
        elif out.Error.iloc[i] == "" and out.Failure.iloc[i] == "":
            # Converted: a position, never NaN without a message.
            assert math.isfinite(out.Latitude.iloc[i]), (i, rows[i])
