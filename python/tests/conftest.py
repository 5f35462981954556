"""Shared helpers of the tests of the morvane package."""

from __future__ import annotations

import os
import struct
from pathlib import Path

import pytest

import morvane

NUMBER_PROPERTIES = (
    "Latitude", "Longitude", "LatDmsDeg", "LatDmsMin", "LatDmsSec", "LonDmsDeg", "LonDmsMin",
    "LonDmsSec", "X", "Y", "Northing", "Easting",
)
TEXT_PROPERTIES = ("MGRS", "IFBL", "Error")
FLOAT32 = ("LatDmsSec", "LonDmsSec")


def bits(name: str, value: float) -> int:
    """The bits of a number as the object's type holds it (NaN equals itself)."""
    if name in FLOAT32:
        return struct.unpack("<I", struct.pack("<f", value))[0]
    if name in ("Latitude", "Longitude", "X", "Y", "Northing", "Easting"):
        return struct.unpack("<Q", struct.pack("<d", value))[0]
    return int(value)


def fresh_object(kind: int, inputs: dict, datum_from: int, datum_to: int,
                 mgrs_precision: int = 0, ifbl_precision: int = 0) -> tuple[morvane.ZedizAdo, str]:
    """A fresh object with the settings of a convert call, given one point and
    converted; the failure's name or an empty text."""
    o = morvane.ZedizAdo()
    o.DatumFrom = datum_from
    o.DatumDest = datum_to
    o.mgrsPrecision = mgrs_precision
    o.IfblPrecision = ifbl_precision
    o.OrigType = kind
    for name, value in inputs.items():
        setattr(o, name, value)
    try:
        o.Conversion()
    except morvane.Failure as failure:
        return o, failure.kind
    return o, ""


def assert_row_matches_object(result: morvane.Result, i: int, o: morvane.ZedizAdo, failure: str,
                              context: object = None) -> None:
    for name in NUMBER_PROPERTIES:
        got = result[name][i].item()
        assert bits(name, got) == bits(name, getattr(o, name)), (name, got, getattr(o, name), context)
    for name in TEXT_PROPERTIES:
        assert result[name][i] == getattr(o, name), (name, context)
    assert result.Failure[i] == failure, context


@pytest.fixture(scope="session")
def tool() -> str:
    """The command-line tool: MORVANE_TOOL, which scripts/test-python sets."""
    path = os.environ.get("MORVANE_TOOL", "")
    if not path:
        candidate = Path(__file__).resolve().parents[2] / "build" / "tools" / "morvane"
        path = str(candidate) if candidate.exists() else ""
    if not path or not os.access(path, os.X_OK):
        pytest.skip("the morvane tool was not found: set MORVANE_TOOL (scripts/test-python does)")
    return path
