"""The fixed request set of every front end (tests/data/requests.jsonl)
gives the answers of tests/data/answers.jsonl, bit for bit.

Requests of one kind, datums and precisions are converted together by
morvane.convert; those whose kind or datums the enumerations do not hold
go through the object, as convert() refuses them (or, for Lambert 2008
and ETRS89, converts them in today's systems, not as the object does).  MORVANE_REQUESTS and
MORVANE_ANSWERS name another pair of files (the identity test across
front ends runs a larger set through here).
"""

from __future__ import annotations

import json
import os
import struct
from collections import defaultdict
from pathlib import Path

import pytest

import morvane
from conftest import NUMBER_PROPERTIES, TEXT_PROPERTIES, fresh_object

DATA = Path(__file__).resolve().parents[2] / "tests" / "data"
SETTINGS = ("OrigType", "DatumFrom", "DatumDest", "mgrsPrecision", "IfblPrecision")
FLOAT32 = ("LatDmsSec", "LonDmsSec")
INTEGERS = ("LatDmsDeg", "LatDmsMin", "LonDmsDeg", "LonDmsMin")


def _lines(name: str) -> list[dict]:
    variable = {"requests.jsonl": "MORVANE_REQUESTS", "answers.jsonl": "MORVANE_ANSWERS"}[name]
    path = Path(os.environ.get(variable) or DATA / name)
    if not path.exists():
        pytest.skip(f"{path} is not there")
    with open(path, encoding="utf-8") as lines:
        return [json.loads(line) for line in lines]


def _pairs() -> list[tuple[dict, dict]]:
    requests, answers = _lines("requests.jsonl"), _lines("answers.jsonl")
    assert len(requests) == len(answers)
    return list(zip(requests, answers))


def _bits(name: str, value: float) -> int:
    """The bits of a number as its property holds it."""
    if name in FLOAT32:
        return struct.unpack("<I", struct.pack("<f", value))[0]
    if name in INTEGERS:
        return int(value)
    return struct.unpack("<Q", struct.pack("<d", value))[0]


def _inputs(request: dict) -> dict:
    return {name: value for name, value in request.items() if name not in SETTINGS}


def _in_tables(request: dict) -> bool:
    return (request["OrigType"] in set(morvane.OriginalCoordinates)
            and request["DatumFrom"] in set(morvane.InternalDatums)
            and request["DatumDest"] in set(morvane.InternalDatums))


def _refused(answer: dict) -> bool:
    """The tool refused the line as a whole (a number its property cannot hold)."""
    return set(answer) == {"Error"}


def _check(got: dict, answer: dict, context: object) -> None:
    for name in NUMBER_PROPERTIES:
        assert _bits(name, got[name]) == _bits(name, answer[name]), (name, got[name], answer[name], context)
    for name in TEXT_PROPERTIES:
        assert got[name] == answer[name], (name, context)
    assert got["Failure"] == answer.get("Failure", ""), context


def _groups() -> dict[tuple, list[tuple[int, dict, dict]]]:
    groups: dict[tuple, list[tuple[int, dict, dict]]] = defaultdict(list)
    for line, (request, answer) in enumerate(_pairs(), 1):
        if _in_tables(request) and not _refused(answer):
            groups[tuple(request[name] for name in SETTINGS)].append((line, request, answer))
    return groups


def test_every_request_is_checked():
    pairs = _pairs()
    grouped = sum(len(rows) for rows in _groups().values())
    refused = sum(1 for r, a in pairs if _in_tables(r) and _refused(a))
    outside = sum(1 for r, _ in pairs if not _in_tables(r))
    assert grouped + refused + outside == len(pairs)
    # Every kind with every pair of datums, a handful refused or outside.
    assert len({key[:3] for key in _groups()}) == 5 * 4 * 4
    assert refused > 0 and outside > 0


def test_groups_through_convert_give_the_answers():
    for (kind, datum_from, datum_to, mgrs, ifbl), rows in _groups().items():
        names = [name for name, _ in morvane._convert.INPUTS[kind]]
        columns = [[request[name] for _, request, _ in rows] for name in names]
        result = morvane.convert(kind, *columns, datum_from=datum_from, datum_to=datum_to,
                                 mgrs_precision=mgrs, ifbl_precision=ifbl)
        for i, (line, _, answer) in enumerate(rows):
            got = {name: result[name][i].item() for name in result}
            _check(got, answer, line)


def test_numbers_the_types_cannot_hold_are_refused():
    for line, (request, answer) in enumerate(_pairs(), 1):
        if _in_tables(request) and _refused(answer):
            kind = morvane.OriginalCoordinates(request["OrigType"])
            names = [name for name, _ in morvane._convert.INPUTS[kind]]
            with pytest.raises(OverflowError):
                morvane.convert(kind, *[[request[name]] for name in names],
                                datum_from=request["DatumFrom"], datum_to=request["DatumDest"])


def test_kinds_and_datums_outside_the_tables_through_the_object():
    for line, (request, answer) in enumerate(_pairs(), 1):
        if _in_tables(request):
            continue
        o, failure = fresh_object(request["OrigType"], _inputs(request), request["DatumFrom"],
                                  request["DatumDest"], request["mgrsPrecision"],
                                  request["IfblPrecision"])
        got = {name: getattr(o, name) for name in (*NUMBER_PROPERTIES, *TEXT_PROPERTIES)}
        got["Failure"] = failure
        _check(got, answer, line)
        # convert() refuses those outside the core's tables before
        # converting anything (Lambert 2008 and ETRS89 are its own).
        if (request["OrigType"] in morvane._convert.KIND_KEYS
                and request["DatumFrom"] in morvane._convert.DATUM_KEYS
                and request["DatumDest"] in morvane._convert.DATUM_KEYS):
            continue
        with pytest.raises(ValueError, match="unknown"):
            morvane.convert(request["OrigType"], [0.0], [0.0], datum_from=request["DatumFrom"],
                            datum_to=request["DatumDest"])
