"""Bad input and misuse: an exception or a point's message, never a crash, a
corrupted heap or a silent wrong value."""

from __future__ import annotations

import struct
import threading

import numpy as np
import pandas as pd
import pytest

import morvane
from conftest import assert_row_matches_object, fresh_object

WGS84 = int(morvane.mvWGS1984)
BD72 = int(morvane.mvBelgium1972)


# An object made by __new__ alone holds no C++ object: every use is refused.
@pytest.mark.parametrize(
    "use",
    [
        lambda o: o.Error,
        lambda o: o.Latitude,
        lambda o: o.OrigType,
        lambda o: o.MGRS,
        lambda o: setattr(o, "MGRS", "31UES"),
        lambda o: setattr(o, "LatDmsDeg", 5),
        lambda o: setattr(o, "DatumFrom", 1),
        lambda o: o.Conversion(),
        lambda o: o.Reset(),
        lambda o: repr(o),
        lambda o: o == morvane.ZedizAdo(),
        lambda o: morvane.ZedizAdo() == o,
        lambda o: o.__copy__(),
    ],
)
def test_an_object_made_without_init_is_refused(use):
    o = morvane.ZedizAdo.__new__(morvane.ZedizAdo)
    with pytest.raises(TypeError, match="without __init__"):
        use(o)
    morvane.ZedizAdo.__init__(o)  # usable once initialised
    assert o.Error == ""


def test_a_method_on_something_else_is_refused():
    with pytest.raises(TypeError):
        morvane.ZedizAdo.Conversion(42)


def _results_of(kind: int, texts: list[str]) -> dict[str, tuple]:
    """What a fresh object gives each of these texts."""
    name = "MGRS" if kind == morvane.mvMgrs else "IFBL"
    out = {}
    for text in texts:
        o, failure = fresh_object(kind, {name: text}, WGS84, BD72)
        out[text] = (o.X, o.Y, o.MGRS, o.IFBL, o.Error, failure)
    return out


# Another thread rewrites the text column's bytes while the points are
# converted without the GIL: each point is converted from the old or the
# new value, never from bytes that changed under it.
@pytest.mark.parametrize("dtype", ["S15", "U15"])
@pytest.mark.parametrize("threads", [1, 2])
@pytest.mark.parametrize("how", ["memoryview", "slice", "rows"])
def test_a_text_column_rewritten_during_a_call(dtype, threads, how):
    old, new = "E42543", "31UES9451229476"
    n = 60_000
    column = np.array([old] * n, dtype=dtype)
    old_bytes = column.tobytes()
    new_bytes = np.array([new] * n, dtype=dtype).tobytes()
    stop = threading.Event()

    def rewrite():
        view = memoryview(column).cast("B")
        flip = False
        while not stop.is_set():
            flip = not flip
            if how == "memoryview":
                view[:] = new_bytes if flip else old_bytes
            elif how == "slice":
                column[:] = new if flip else old
            else:
                for i in range(0, n, 997):
                    column[i] = new if flip else old

    writer = threading.Thread(target=rewrite)
    writer.start()
    try:
        results = [morvane.convert("ifbl", column, datum_from=WGS84, datum_to=BD72, threads=threads)
                   for _ in range(4)]
    finally:
        stop.set()
        writer.join()
    expected = _results_of(int(morvane.mvIFBL), [old, new])
    allowed = set(expected.values())
    for r in results:
        if how == "slice":
            # numpy may write the slice without the GIL: only soundness.
            assert len(r) == n and set(np.unique(r.Error)) <= {e[4] for e in allowed}
            continue
        rows = set(zip(r.X.tolist(), r.Y.tolist(), r.MGRS.tolist(), r.IFBL.tolist(),
                       r.Error.tolist(), r.Failure.tolist()))
        assert rows <= allowed, rows - allowed


# A text with a NUL character: what a fresh object given the same text
# gives, the other points through the batch call.
@pytest.mark.parametrize(
    "kind, column, texts",
    [
        ("ifbl", ["E42543\0", "E42543"], ["E42543\0", "E42543"]),
        ("ifbl", "E42543\0", ["E42543\0"]),
        ("ifbl", ["E4\x002543", None, "F5"], ["E4\x002543", "", "F5"]),
        ("ifbl", pd.Series(["E42543\0", "E425"], dtype="string"), ["E42543\0", "E425"]),
        ("ifbl", np.array(["E4\x00254", "E425"]), ["E4\x00254", "E425"]),
        ("ifbl", np.array([b"E4\x00254", b"E425"]), ["E4\x00254", "E425"]),
        ("ifbl", [b"E42543\0", "E425"], ["E42543\0", "E425"]),
        ("mgrs", ["31UES\0", "31UES9451229476"], ["31UES\0", "31UES9451229476"]),
        ("mgrs", ["\0", "é\0ü\ud800"], ["\0", "é\0ü\ufffd"]),
        ("mgrs", np.array(["31U\0ES", "x"] * 20000), ["31U\0ES", "x"] * 20000),
    ],
)
def test_a_text_holding_a_nul_converts_as_an_object_converts_it(kind, column, texts):
    r = morvane.convert(kind, column, datum_from=WGS84, datum_to=BD72)
    number = int(morvane.mvMgrs if kind == "mgrs" else morvane.mvIFBL)
    name = "MGRS" if kind == "mgrs" else "IFBL"
    assert len(r) == len(texts)
    for i, text in enumerate(texts[:50]):
        o, failure = fresh_object(number, {name: text}, WGS84, BD72)
        # numpy's unicode arrays cannot end a text with NUL characters.
        for field in ("MGRS", "IFBL", "Error"):
            assert r[field][i] == getattr(o, field).rstrip("\0"), (field, text)
        assert r.Failure[i] == failure
        assert (r.X[i], r.Y[i]) == (o.X, o.Y) or np.isnan([r.X[i], o.X]).all()


def test_the_message_of_a_text_ending_in_nul():
    r = morvane.convert("ifbl", ["E42543\0"])
    assert r.Error[0] == "Coordonnée IFBL incorrecte"
    r = morvane.convert("mgrs", ["31UES\0"])
    assert r.Error[0].endswith("(31UES\0)")


# A missing DMS degree or minute is a point that names no position.
@pytest.mark.parametrize(
    "columns, missing",
    [
        (([None, 50], 0, 0.0, 4, 0, 0.0), [True, False]),
        ((50, [0, np.nan], 0.0, 4, 0, 0.0), [False, True]),
        ((50, 0, 0.0, pd.Series([4, None], dtype="Int16"), 0, 0.0), [False, True]),
        ((50, 0, 0.0, 4, [pd.NA, 1], 0.0), [True, False]),
        ((np.array([50.0, np.nan]), 0, 0.0, 4, 0, 0.0), [False, True]),
        ((np.ma.masked_array([50, 51], mask=[False, True]), 0, 0.0, 4, 0, 0.0), [False, True]),
        ((50, 0, [np.nan, 1.0], 4, 0, 0.0), [True, False]),
    ],
)
def test_a_missing_dms_value_is_a_point_without_position(columns, missing):
    r = morvane.convert("dms", *columns)
    for i, absent in enumerate(missing):
        assert (r.Error[i] == "Coordonnées DMS incorrectes") == absent, (i, r.Error[i])


# Booleans are no numbers; a masked entry is a missing value.
@pytest.mark.parametrize(
    "column",
    [
        [True, 50.0],
        (50.0, False),
        True,
        np.bool_(True),
        np.array([True, 50.0], dtype=object),
        np.array([np.bool_(False), 50.0], dtype=object),
        pd.Series([True, False], dtype="boolean"),
        pd.Series([True, None], dtype="boolean"),
        np.array([True, False]),
        np.ma.masked_array([True, False], mask=[False, True]),
    ],
)
def test_booleans_are_refused_where_numbers_belong(column):
    with pytest.raises(TypeError, match="Latitude"):
        morvane.convert("deg", column, 4.0)
    with pytest.raises(TypeError, match="LatDmsDeg"):
        morvane.convert("dms", column, 0, 0.0, 4, 0, 0.0)


@pytest.mark.parametrize(
    "column",
    [
        np.ma.masked_array([50.8, 50.0, 50.5], mask=[False, True, False]),
        np.ma.masked_array([50.8, 50.0, 50.5], mask=[False, True, False], dtype="f4"),
        np.ma.masked_array([50, 0, 50], mask=[False, True, False], dtype="i8"),
    ],
)
def test_a_masked_entry_is_missing_not_the_value_beneath(column):
    r = morvane.convert("deg", column, 4.35)
    assert r.Error[1] == "Coordonnées DEG incorrectes"
    assert r.Error[0] == r.Error[2] == ""


# Lone surrogates are U+FFFD in convert() and in the object's puts alike.
@pytest.mark.parametrize("kind, text", [("mgrs", "31U\ud800ES"), ("ifbl", "E4\udfff25")])
def test_a_lone_surrogate_is_a_replacement_character(kind, text):
    o = morvane.ZedizAdo()
    setattr(o, kind.upper(), text)
    assert getattr(o, kind.upper()) == text.replace(text[3] if kind == "mgrs" else text[2], "\ufffd")
    number = int(morvane.mvMgrs if kind == "mgrs" else morvane.mvIFBL)
    o, failure = fresh_object(number, {kind.upper(): text}, WGS84, WGS84)
    for column in ([text], np.array([text]), text, pd.Series([text], dtype="string")):
        r = morvane.convert(kind, column)
        assert_row_matches_object(r, 0, o, failure, column)


# Bytes are UTF-8 texts alone, in a list and in a bytes array alike.
@pytest.mark.parametrize("kind, text", [("mgrs", "31UES9451229476"), ("ifbl", "E4.25"), ("mgrs", "é")])
def test_bytes_are_read_as_utf8_everywhere(kind, text):
    data = text.encode()
    expected = morvane.convert(kind, [text, text]).to_dict()
    for column in (data, [data, data], [data, text], np.array([data, data]), (data, data)):
        got = morvane.convert(kind, column)
        for name, values in expected.items():
            assert np.array_equal(np.broadcast_to(values, (2,)) if len(got) == 2 else values[:1],
                                  got[name], equal_nan=values.dtype.kind == "f"), (name, column)


# A NaN is a value with its bits, in an object array as in a list; None and
# pandas NA are the NaN a missing value reads as.
NEGATIVE_NAN = struct.unpack("<d", struct.pack("<Q", 0xFFF8000000000001))[0]


@pytest.mark.parametrize("form", [list, tuple, lambda v: np.array(v, dtype=object), np.array])
def test_a_nan_keeps_its_bits(form):
    r = morvane.convert("deg", form([NEGATIVE_NAN, 50.0]), form([4.0, NEGATIVE_NAN]))
    o, failure = fresh_object(int(morvane.mvDeg), {"Latitude": NEGATIVE_NAN, "Longitude": 4.0},
                              WGS84, WGS84)
    assert_row_matches_object(r, 0, o, failure)
    o, failure = fresh_object(int(morvane.mvDeg), {"Latitude": 50.0, "Longitude": NEGATIVE_NAN},
                              WGS84, WGS84)
    assert_row_matches_object(r, 1, o, failure)


# Numbers too: each point from the old or the new value of its row.
@pytest.mark.parametrize("threads", [1, 2])
def test_a_number_column_rewritten_during_a_call(threads):
    n = 60_000
    latitude = np.full(n, 50.8)
    old_bytes, new_bytes = latitude.tobytes(), np.full(n, 51.2).tobytes()
    stop = threading.Event()

    def rewrite():
        view = memoryview(latitude).cast("B")
        flip = False
        while not stop.is_set():
            flip = not flip
            view[:] = new_bytes if flip else old_bytes

    writer = threading.Thread(target=rewrite)
    writer.start()
    try:
        results = [morvane.convert("deg", latitude, 4.35, datum_to=BD72, threads=threads)
                   for _ in range(4)]
    finally:
        stop.set()
        writer.join()
    allowed = set()
    for value in (50.8, 51.2):
        o, _ = fresh_object(int(morvane.mvDeg), {"Latitude": value, "Longitude": 4.35}, WGS84, BD72)
        allowed.add((o.X, o.Y, o.IFBL, o.MGRS))
    for r in results:
        assert set(zip(r.X.tolist(), r.Y.tolist(), r.IFBL.tolist(), r.MGRS.tolist())) <= allowed
