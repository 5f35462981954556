"""morvane.ZedizAdo: properties, messages, failures and refused puts."""

from __future__ import annotations

import copy
import json
import math
import pickle

import numpy as np
import pytest

import morvane


def test_a_new_object_is_empty():
    o = morvane.ZedizAdo()
    for name in ("Latitude", "Longitude", "X", "Y", "Northing", "Easting", "LatDmsDeg", "LatDmsMin",
                 "LatDmsSec", "LonDmsDeg", "LonDmsMin", "LonDmsSec", "OrigType", "mgrsPrecision",
                 "IfblPrecision"):
        assert getattr(o, name) == 0, name
    assert (o.MGRS, o.IFBL, o.Error) == ("", "", "")


@pytest.mark.parametrize(
    "name, value, stored",
    [
        ("Latitude", 50.5, 50.5),
        ("Longitude", -4, -4.0),
        ("X", 150000.25, 150000.25),
        ("Y", float("inf"), float("inf")),
        ("Northing", 5.6e6, 5.6e6),
        ("Easting", 1e-300, 1e-300),
        ("LatDmsDeg", -32768, -32768),
        ("LatDmsMin", 32767, 32767),
        ("LonDmsDeg", 4, 4),
        ("LonDmsMin", -1, -1),
        ("LatDmsSec", 12.3, 12.300000190734863),  # the nearest 32-bit float
        ("LonDmsSec", 3.4028235e38, 3.4028234663852886e38),
        ("IfblPrecision", 4, 4),
        ("mgrsPrecision", 2**31 - 1, 2**31 - 1),
        ("OrigType", morvane.mvLambert72, morvane.mvLambert72),
        ("MGRS", "  31ufs1234 ", "31ufs1234"),
        ("IFBL", " f5.16-34 ", "f51634"),
    ],
)
def test_put_then_get(name, value, stored):
    o = morvane.ZedizAdo()
    setattr(o, name, value)
    assert getattr(o, name) == stored
    assert o.Error == ""


def test_latitude_takes_nan():
    o = morvane.ZedizAdo()
    o.Latitude = float("nan")
    assert math.isnan(o.Latitude)


@pytest.mark.parametrize(
    "name, value, error",
    [
        ("Latitude", "50.8", TypeError),
        ("Latitude", None, TypeError),
        ("Latitude", True, TypeError),
        ("Latitude", 10**400, OverflowError),
        ("X", [1.0], TypeError),
        ("LatDmsSec", 1e39, OverflowError),
        ("LonDmsSec", -1e300, OverflowError),
        ("LatDmsDeg", 32768, OverflowError),
        ("LatDmsDeg", -32769, OverflowError),
        ("LatDmsMin", 1.0, TypeError),
        ("LonDmsMin", "1", TypeError),
        ("IfblPrecision", 40000, OverflowError),
        ("mgrsPrecision", 2**31, OverflowError),
        ("mgrsPrecision", 2.5, TypeError),
        ("OrigType", -(2**31) - 1, OverflowError),
        ("OrigType", "deg", TypeError),
        ("DatumFrom", 2**40, OverflowError),
        ("DatumDest", 3.0, TypeError),
        ("MGRS", b"31UES", TypeError),
        ("MGRS", 31, TypeError),
        ("IFBL", None, TypeError),
        ("LatDmsDeg", np.bool_(True), TypeError),
        ("IfblPrecision", np.bool_(True), TypeError),
        ("OrigType", np.bool_(True), TypeError),
        ("Latitude", np.bool_(True), TypeError),
        ("LatDmsSec", np.bool_(False), TypeError),
    ],
)
def test_a_refused_put_changes_nothing(name, value, error):
    o = morvane.ZedizAdo()
    o.DatumFrom, o.DatumDest, o.OrigType = morvane.mvWGS1984, morvane.mvNTF, morvane.mvDeg
    o.Latitude, o.Longitude = 50.8, 4.35
    o.Conversion()
    before = copy.copy(o)
    with pytest.raises(error, match=name):
        setattr(o, name, value)
    assert o == before


@pytest.mark.parametrize(
    "name, value",
    [("Latitude", 2), ("X", 3), ("LatDmsSec", 4), ("LatDmsDeg", 5)],
)
def test_numpy_scalars_are_taken(name, value):
    import numpy as np

    o = morvane.ZedizAdo()
    setattr(o, name, np.int16(value))
    assert getattr(o, name) == value
    setattr(o, name, np.float32(0.5) if name in ("Latitude", "X", "LatDmsSec") else np.int64(value + 1))
    assert getattr(o, name) in (0.5, value + 1)


def test_error_is_read_only_and_the_datums_write_only():
    o = morvane.ZedizAdo()
    with pytest.raises(AttributeError):
        o.Error = "x"
    for name in ("DatumFrom", "DatumDest"):
        with pytest.raises(AttributeError):
            getattr(o, name)
        setattr(o, name, morvane.mvBelgium1972)


@pytest.mark.parametrize(
    "puts, message",
    [
        ({"OrigType": 6}, "Type de coordonnées originales inconnu"),
        ({"OrigType": 0}, "Type de coordonnées originales inconnu"),
        ({"DatumFrom": 0}, "Datum de départ inconnu"),
        ({"DatumDest": 5}, "Datum destination inconnu"),
    ],
)
def test_out_of_range_enumerations_are_stored_with_a_message(puts, message):
    o = morvane.ZedizAdo()
    for name, value in puts.items():
        setattr(o, name, value)
    assert o.Error == message
    if "OrigType" in puts:
        assert o.OrigType == puts["OrigType"]


@pytest.mark.parametrize(
    "puts, message",
    [
        ({"DatumFrom": 0, "OrigType": morvane.mvDeg}, "Datum non initialisé"),
        ({"OrigType": morvane.mvDeg, "Latitude": float("nan")}, "Coordonnées DEG incorrectes"),
        ({"OrigType": morvane.mvDeg, "Latitude": 91.0}, "Coordonnées DEG incorrectes"),
        ({"OrigType": morvane.mvLambert72, "X": float("-inf")}, "Coordonnées Lambert incorrectes"),
        ({"OrigType": morvane.mvDegMinSec, "LatDmsMin": 61}, "Coordonnées DMS incorrectes"),
        ({"OrigType": morvane.mvIFBL, "IFBL": "Z9"}, "Coordonnée IFBL incorrecte"),
        ({"OrigType": morvane.mvMgrs, "MGRS": "31UES95é"}, "Coordonnées MGRS erronées (31UES95é)"),
    ],
)
def test_input_problems_are_messages(puts, message):
    o = morvane.ZedizAdo()
    for name, value in puts.items():
        setattr(o, name, value)
    o.Conversion()
    assert o.Error == message


def test_a_message_stays_until_reset():
    o = morvane.ZedizAdo()
    o.OrigType = morvane.mvDeg
    o.Latitude = 100.0
    o.Conversion()
    o.Latitude = 50.0
    o.Conversion()
    assert o.Error == "Coordonnées DEG incorrectes"
    assert o.LatDmsDeg == 50
    o.Reset()
    assert (o.Error, o.OrigType, o.Latitude, o.MGRS) == ("", 0, 0.0, "")
    assert o.LatDmsDeg == 50  # Reset keeps the DMS fields


@pytest.mark.parametrize(
    "puts",
    [{"OrigType": 6}, {"OrigType": -3}, {"OrigType": morvane.mvDeg, "DatumFrom": 7},
     {"OrigType": morvane.mvDeg, "DatumDest": -1}],
)
def test_a_failure_raises_and_leaves_the_object_as_it_was(puts):
    o = morvane.ZedizAdo()
    o.Latitude, o.Longitude = 50.8, 4.35
    for name, value in puts.items():
        setattr(o, name, value)
    before = copy.deepcopy(o)
    with pytest.raises(morvane.Failure) as raised:
        o.Conversion()
    assert raised.value.kind == "IndexOutOfRange"
    assert raised.value.code == 1
    assert str(raised.value).startswith("IndexOutOfRange: ")
    assert isinstance(raised.value, Exception)
    assert o == before


def test_a_conversion_fills_every_representation():
    o = morvane.ZedizAdo()
    o.DatumFrom, o.DatumDest, o.OrigType = morvane.mvWGS1984, morvane.mvBelgium1972, morvane.mvDeg
    o.Latitude, o.Longitude = 50.8467, 4.3525
    o.Conversion()
    assert o.Error == ""
    assert o.OrigType is morvane.mvDeg
    assert 148_000 < o.X < 150_000 and 169_000 < o.Y < 172_000
    assert (o.LatDmsDeg, o.LonDmsDeg) == (50, 4)
    assert o.MGRS.startswith("31UES") and len(o.MGRS) == 15
    assert len(o.IFBL) == 6 and o.IFBL.startswith("E4")


def test_copies_are_equal_and_independent():
    o = morvane.ZedizAdo()
    o.X = 1.0
    c = copy.copy(o)
    assert c == o and c is not o
    c.X = 2.0
    assert c != o and o.X == 1.0
    nan = morvane.ZedizAdo()
    nan.Latitude = float("nan")
    assert nan == copy.copy(nan)  # whole state compared bit for bit
    a, b = morvane.ZedizAdo(), morvane.ZedizAdo()
    b.DatumFrom = morvane.mvNTF  # write-only, yet part of the state
    assert a != b


def test_enumerations():
    assert [m.value for m in morvane.OriginalCoordinates] == [1, 2, 3, 4, 5]
    assert [m.value for m in morvane.InternalDatums] == [1, 2, 3, 4]
    for enum in (morvane.OriginalCoordinates, morvane.InternalDatums):
        for member in enum:
            assert getattr(morvane, member.name) is member
            assert isinstance(member, int)
    assert morvane.mvDeg == 2 and morvane.mvWGS1984 == 3


def test_enumerations_are_the_core_tables():
    tables = json.loads(morvane._morvane.names_json())
    for enum, rows in ((morvane.OriginalCoordinates, tables["kinds"]),
                       (morvane.InternalDatums, tables["datums"])):
        # The object's kinds and datums: Lambert 2008 and ETRS89 are the batch call's.
        assert {m.name: m.value for m in enum} == {r["member"]: r["number"] for r in rows if r["object"]}
        assert {r["number"] for r in rows} - {m.value for m in enum}
        assert enum.__module__ == "morvane" and enum.__doc__
        for member in enum:
            assert pickle.loads(pickle.dumps(member)) is member
        assert pickle.loads(pickle.dumps(enum)) is enum
        assert set(morvane.__all__) >= {m.name for m in enum}
    assert morvane.Result.__slots__ == tuple(
        r["name"] for r in tables["properties"] if r["output"]) + ("Failure",)


@pytest.mark.parametrize(
    "finder, name, number",
    [
        ("kind_by_name", "deg", 2),
        ("kind_by_name", " MvDeg\t", 2),
        ("kind_by_name", "DMS", 5),
        ("kind_by_name", "utm", 0),
        ("kind_by_name", "deg\0x", 0),
        ("kind_by_name", "", 0),
        ("datum_by_name", "WGS 84", 3),
        ("datum_by_name", "mvBelgium1972", 2),
        ("datum_by_name", "4", 4),
        ("datum_by_name", "6", 0),
        ("datum_by_name", "ETRS89", 5),
        ("kind_by_name", "lambert2008", 6),
        ("datum_by_name", "ntf\0", 0),
    ],
)
def test_names_are_found_by_the_core(finder, name, number):
    assert getattr(morvane._morvane, finder)(name) == number


def test_docstrings_explain():
    assert "Conversion" in morvane.ZedizAdo.__doc__
    assert "Failure" in morvane.ZedizAdo.Conversion.__doc__
    assert "kind" in morvane.convert.__doc__ and "threads" in morvane.convert.__doc__
    assert morvane.__version__ == "0.3.0"
