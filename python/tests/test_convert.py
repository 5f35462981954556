"""morvane.convert: the same bits as the object and the command-line tool,
arguments, input forms, text columns and threads."""

from __future__ import annotations

import _thread
import json
import math
import signal
import struct
import subprocess
import threading
import time

import numpy as np
import pytest

import morvane
from conftest import NUMBER_PROPERTIES, assert_row_matches_object, bits, fresh_object
from requests import KIND_NUMBERS, KINDS, columns, inputs_of, settings

POINTS_PER_SETTING = 25


@pytest.mark.parametrize("kind", KINDS)
def test_every_point_as_a_fresh_object_converts_it(kind):
    rng = np.random.default_rng(KIND_NUMBERS[kind])
    for setting in settings(rng):
        cols = columns(rng, kind, POINTS_PER_SETTING)
        result = morvane.convert(kind, *cols, **setting)
        assert len(result) == POINTS_PER_SETTING
        for i in range(POINTS_PER_SETTING):
            o, failure = fresh_object(KIND_NUMBERS[kind], inputs_of(kind, cols, i),
                                      setting["datum_from"], setting["datum_to"],
                                      setting["mgrs_precision"], setting["ifbl_precision"])
            assert_row_matches_object(result, i, o, failure, (kind, setting, i))


def _json_number(name: str, value: float) -> str:
    if name in ("LatDmsDeg", "LatDmsMin", "LonDmsDeg", "LonDmsMin"):
        return str(int(value))
    return repr(float(value))


def test_the_same_bits_as_the_command_line_tool(tool):
    rng = np.random.default_rng(2024)
    lines, expected = [], []
    for kind in KINDS:
        for setting in settings(rng):
            cols = columns(rng, kind, 12, finite=True)
            result = morvane.convert(kind, *cols, **setting)
            for i in range(len(result)):
                members = [
                    f'"DatumFrom":{setting["datum_from"]}',
                    f'"DatumDest":{setting["datum_to"]}',
                    f'"mgrsPrecision":{setting["mgrs_precision"]}',
                    f'"IfblPrecision":{setting["ifbl_precision"]}',
                    f'"OrigType":{KIND_NUMBERS[kind]}',
                ]
                for name, value in inputs_of(kind, cols, i).items():
                    text = json.dumps(value, ensure_ascii=False) if isinstance(value, str) else _json_number(name, value)
                    members.append(f'"{name}":{text}')
                lines.append("{" + ",".join(members) + "}")
                expected.append((result, i, kind, setting))
    run = subprocess.run([tool, "batch", "--jsonl", "-q", "-j", "2"], input="\n".join(lines) + "\n",
                         capture_output=True, text=True, encoding="utf-8", timeout=300)
    assert run.returncode in (0, 1), run.stderr
    answers = run.stdout.splitlines()
    assert len(answers) == len(lines)
    for answer, (result, i, kind, setting) in zip(answers, expected):
        got = json.loads(answer)
        for name in NUMBER_PROPERTIES:
            ours = result[name][i].item()
            if got[name] is None:  # the tool writes no NaN or infinity
                assert not math.isfinite(ours), (name, kind, setting, answer)
            elif name in ("LatDmsSec", "LonDmsSec"):
                assert bits(name, got[name]) == bits(name, ours), (name, kind, setting, answer)
            else:
                assert bits(name, float(got[name])) == bits(name, float(ours)), (name, kind, setting, answer)
        for name in ("MGRS", "IFBL", "Error"):
            assert got[name] == result[name][i], (name, kind, setting, answer)
        assert got.get("Failure", "") == result.Failure[i], answer


@pytest.mark.parametrize(
    "args, kwargs, error, fragment",
    [
        (("deg", [1.0]), {}, TypeError, "takes 2 columns"),
        (("mgrs", ["a"], ["b"]), {}, TypeError, "takes 1 column"),
        (("deg", [1.0, 2.0], [1.0]), {}, ValueError, "not of one length"),
        (("deg", [[1.0, 2.0]], [[1.0, 2.0]]), {}, ValueError, "one-dimensional"),
        (("utm", [1.0], [1.0]), {}, ValueError, "unknown kind"),
        ((7, [1.0], [1.0]), {}, ValueError, "unknown kind"),
        ((2.0, [1.0], [1.0]), {}, TypeError, "kind"),
        (("deg", ["50.8"], [4.0]), {}, TypeError, "Latitude takes numbers"),
        (("deg", "50.8", 4.0), {}, TypeError, "Latitude takes numbers"),
        (("deg", [50.8], np.array(["4"], dtype="S")), {}, TypeError, "Longitude takes numbers"),
        (("deg", [50.8], [4.0, "x"]), {}, TypeError, "Longitude takes numbers"),
        (("lambert", [True], [1.0]), {}, TypeError, "X takes numbers"),
        (("lambert", [1 + 2j], [1.0]), {}, TypeError, "X takes numbers"),
        (("mgrs", [31.5]), {}, TypeError, "MGRS takes texts"),
        (("ifbl", ["E4", 5]), {}, TypeError, "IFBL takes texts"),
        (("dms", [50.5], 0, 0, 4, 0, 0), {}, ValueError, "LatDmsDeg[0] = 50.5 is not a whole number"),
        (("dms", 50, 0, 0, [4, 40000], 0, 0), {}, OverflowError, "LonDmsDeg[1]"),
        (("dms", 50, 0, 1e39, 4, 0, 0), {}, OverflowError, "LatDmsSec"),
        (("deg", [1.0], [1.0]), {"datum_from": "wgs"}, ValueError, "unknown datum_from"),
        (("deg", [1.0], [1.0]), {"datum_from": "wgs84\0"}, ValueError, "unknown datum_from"),
        (("deg", [1.0], [1.0]), {"datum_to": "6"}, ValueError, "'etrs89' or 1 to 5"),
        (("deg\0", [1.0], [1.0]), {}, ValueError, "unknown kind"),
        ((b"deg", [1.0], [1.0]), {}, TypeError, "kind"),
        (("deg", [1.0], [1.0]), {"datum_to": 0}, ValueError, "unknown datum_to"),
        (("deg", [1.0], [1.0]), {"datum_to": True}, TypeError, "datum_to"),
        (("deg", [1.0], [1.0]), {"datum_from": 3.0}, TypeError, "datum_from"),
        (("deg", [1.0], [1.0]), {"mgrs_precision": 2**31}, OverflowError, "mgrs_precision"),
        (("deg", [1.0], [1.0]), {"ifbl_precision": 1.5}, TypeError, "ifbl_precision"),
        (("deg", [1.0], [1.0]), {"ifbl_precision": -40000}, OverflowError, "ifbl_precision"),
        (("deg", [1.0], [1.0]), {"threads": -1}, ValueError, "threads"),
        (("deg", [1.0], [1.0]), {"threads": "2"}, TypeError, "threads"),
    ],
)
def test_arguments_that_make_no_sense_are_refused(args, kwargs, error, fragment):
    with pytest.raises(error, match=fragment.replace("[", r"\[").replace("]", r"\]")):
        morvane.convert(*args, **kwargs)


@pytest.mark.parametrize(
    "kind, datum_from, datum_to",
    [("mvDeg", "mvWGS1984", "mvBelgium1972"), (" DEG ", "3", "2"),
     (morvane.mvDeg, morvane.mvWGS1984, 2), (2, "Wgs 84", "BD72")],
)
def test_kinds_and_datums_by_any_name(kind, datum_from, datum_to):
    _same(morvane.convert(kind, [50.8, 51.0], [4.35, 5.0], datum_from=datum_from, datum_to=datum_to),
          morvane.convert("deg", [50.8, 51.0], [4.35, 5.0], datum_from="wgs84", datum_to="bd72"))


@pytest.mark.parametrize("datums", [(0, 3), (3, 6), (-1, -1)])
def test_the_core_refuses_datums_outside_its_table(datums):
    lat = np.array([50.8])
    with pytest.raises(ValueError, match="unknown datum"):
        morvane._morvane._convert(2, *datums, 0, 0, (lat, lat), 1, 1)


def _same(a: morvane.Result, b: morvane.Result) -> None:
    for name in a:
        assert a[name].dtype == b[name].dtype, name
        assert a[name].tobytes() == b[name].tobytes(), name


@pytest.mark.parametrize(
    "kind, plain, other",
    [
        ("deg", ([50.8, 50.8, 50.8], [4.0, 4.1, np.nan]), (50.8, np.array([4.0, 4.1, np.nan]))),
        ("deg", ([51.0, 50.0], [4.0, 5.0]), (np.array([51, 0, 50])[::2], np.array([4, 5], dtype=">f8"))),
        ("deg", ([51.0, 50.0], [4.0, 5.0]), (np.array([51, 50], dtype=np.int64), np.array([4, 5], dtype=np.float32))),
        ("deg", ([51.0, np.nan], [4.0, np.nan]), ([51.0, None], np.array([4.0, None], dtype=object))),
        ("dms", ([50, 50], [30, 30], [1.5, 1.5], [4, 4], [0, 1], [0.25, 0.25]),
         (50, 30.0, np.float64(1.5), np.array([4, 4], dtype=np.int64), np.array([0.0, 1.0]), 0.25)),
        ("lambert", ([150000.0], [170000.0]), (150000, [170000])),
        ("mgrs", (["31UES9521533649", "31ues", ""],),
         (np.array([b"31UES9521533649", b"31ues", b""]),)),
        ("mgrs", (["31UES9521533649", "31ues", ""],), (np.array(["31UES9521533649", None, "31ues", np.nan, ""], dtype=object)[[0, 2, 3]],)),
        ("ifbl", (["E4.25.43"],), ("E4.25.43",)),
        ("ifbl", (["E4", "d6-54"],), (np.array(["E4", "xx", "d6-54"], dtype=">U5")[::2],)),
    ],
)
def test_columns_of_any_form_give_the_same_result(kind, plain, other):
    _same(morvane.convert(kind, *plain, datum_to="ed50"), morvane.convert(kind, *other, datum_to="ed50"))


def test_pandas_round_trip():
    pandas = pytest.importorskip("pandas")
    df = pandas.DataFrame(
        {"lat": [50.85, 51.2, np.nan, 50.5], "lon": [4.35, 3.2, 4.0, 5.5], "site": list("abcd")},
        index=[10, 20, 30, 40],
    )
    result = morvane.convert("deg", df["lat"], df["lon"], datum_from="wgs84", datum_to="bd72")
    out = df.join(result.to_pandas(index=df.index)[["X", "Y", "IFBL", "MGRS", "Error"]])
    assert list(out.columns) == ["lat", "lon", "site", "X", "Y", "IFBL", "MGRS", "Error"]
    assert out.loc[30, "Error"] == "Coordonnées DEG incorrectes"
    assert (out.loc[[10, 20, 40], "Error"] == "").all()
    assert out.loc[10, "IFBL"] == result.IFBL[0] and out.loc[40, "X"] == result.X[3]
    frame = result.to_pandas()
    assert list(frame.columns) == list(result.keys())
    assert frame["LatDmsDeg"].dtype == np.int16 and frame["LatDmsSec"].dtype == np.float32
    # Nullable columns: missing values are points that name no position.
    lat = pandas.Series([50.85, None], dtype="Float64")
    refs = pandas.Series([result.MGRS[0], None], dtype="string")
    assert list(morvane.convert("deg", lat, 4.35).Error) == ["", "Coordonnées DEG incorrectes"]
    back = morvane.convert("mgrs", refs, datum_from="bd72", datum_to="bd72")
    assert back.Error[0] == "" and back.Error[1].startswith("Coordonnées MGRS erronées")
    assert morvane.convert("mgrs", pandas.Series([result.MGRS[0]]), datum_from="bd72").Error[0] == ""


def test_result_columns_and_widths():
    result = morvane.convert("deg", [50.8, 51.0], [4.35, 4.0], ifbl_precision=2)
    assert list(result) == ["Latitude", "Longitude", "LatDmsDeg", "LatDmsMin", "LatDmsSec", "LonDmsDeg",
                            "LonDmsMin", "LonDmsSec", "X", "Y", "Northing", "Easting", "MGRS", "IFBL",
                            "Error", "Failure"]
    types = {name: str(result[name].dtype) for name in result}
    assert types["Latitude"] == "float64" and types["LatDmsMin"] == "int16" and types["LonDmsSec"] == "float32"
    # Text columns are exactly as wide as their longest text.
    assert (types["MGRS"], types["IFBL"], types["Error"], types["Failure"]) == ("<U15", "<U2", "<U1", "<U1")
    assert result.to_dict().keys() == set(result.keys()) and result["X"] is result.X
    with pytest.raises(KeyError):
        result["Zone"]
    assert morvane.convert("deg", [91.0], [0.0]).Error.dtype == np.dtype("<U27")
    empty = morvane.convert("mgrs", [])
    assert len(empty) == 0 and empty.X.dtype == np.float64 and empty.MGRS.dtype.kind == "U"
    assert len(morvane.convert("lambert", 150000.0, 170000.0)) == 1


@pytest.mark.parametrize("kind", ["mgrs", "ifbl"])
@pytest.mark.parametrize("width", ["U", "U40"])
@pytest.mark.parametrize("step", [1, 3])
def test_unicode_and_utf8_columns_give_the_same_result(kind, width, step):
    # Chunks of ASCII only, then one with other characters, of rows as
    # wide as their longest text or padded.
    ascii = ["31UES9521533649", "31ues", "", " 31UFR4679 ", "E4.25.43", "d6-54", "x" * 30]
    texts = [ascii[i % len(ascii)] for i in range(60_000)]
    texts[-5:] = ["31UESé", "Bruxellesé", "E4é", "\u20ac", "\U0001F600"]
    unicode = np.array(texts, dtype=width)[::step]
    utf8 = np.array([t.encode() for t in texts], dtype="S")[::step]
    _same(morvane.convert(kind, unicode, threads=2), morvane.convert(kind, utf8, threads=2))


def test_texts_are_decoded_as_the_tool_writes_them():
    result = morvane.convert("mgrs", np.array([b"\xff31U", "Bruxellesé".encode()], dtype="S"))
    assert list(result.Error) == ["Coordonnées MGRS erronées (\ufffd31U)", "Coordonnées MGRS erronées (Bruxellesé)"]
    assert result.MGRS[1] == "Bruxellesé"


def test_threads_give_the_same_bits():
    rng = np.random.default_rng(5)
    n = 120_000
    lat, lon = rng.uniform(49.0, 52.0, n), rng.uniform(2.0, 7.0, n)
    lat[-3:] = [np.nan, 95.0, 50.0]  # the messages come in the last chunk only
    results = [morvane.convert("deg", lat, lon, datum_from="ed50", datum_to="ntf", threads=t)
               for t in (1, 2, 3, 0)]
    for other in results[1:]:
        _same(results[0], other)
    assert results[0].Error.dtype == np.dtype("<U27")
    for i in list(range(0, n, 9973)) + [n - 3, n - 2, n - 1]:
        o, failure = fresh_object(2, {"Latitude": lat[i], "Longitude": lon[i]}, 1, 4)
        assert_row_matches_object(results[0], i, o, failure, i)
    texts = np.array(["31UES95"] * 50_000 + ["x" * 60], dtype=str)
    _same(morvane.convert("mgrs", texts, threads=1), morvane.convert("mgrs", texts, threads=2))
    _same(morvane.convert("deg", lat[:10], lon[:10]), morvane.convert("deg", lat[:10], lon[:10], threads=10**9))


def test_the_gil_is_released_while_converting():
    n = 400_000
    lat, lon = np.full(n, 50.8), np.full(n, 4.35)
    done = threading.Event()

    def work():
        morvane.convert("deg", lat, lon, threads=1)
        done.set()

    worker = threading.Thread(target=work)
    worker.start()
    turns = 0
    while not done.is_set():
        turns += 1
        time.sleep(0)
    worker.join()
    # Holding the GIL for the whole call would leave this thread a turn or two.
    assert turns > 20


def test_calls_from_several_threads_at_once():
    rng = np.random.default_rng(9)
    requests = [(kind, columns(rng, kind, 9000)) for kind in ("deg", "lambert", "mgrs", "ifbl", "dms")]
    alone = [morvane.convert(kind, *cols, datum_to="bd72") for kind, cols in requests]
    together: list = [None] * len(requests)

    def work(i: int) -> None:
        kind, cols = requests[i]
        together[i] = morvane.convert(kind, *cols, datum_to="bd72", threads=2)

    workers = [threading.Thread(target=work, args=(i,)) for i in range(len(requests))]
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    for a, b in zip(alone, together):
        _same(a, b)


class _Alarm(Exception):
    pass


def _raise_alarm(signum, frame):
    raise _Alarm()


@pytest.mark.parametrize("threads", [1, 2])
@pytest.mark.parametrize("how", ["interrupt_main", "SIGALRM"])
def test_a_signal_stops_a_long_call_at_once(how, threads):
    n = 10_000_000  # seconds of work; the rows never written cost nothing
    longitude = np.full(n, 4.35)
    delay = 0.2
    if how == "interrupt_main":  # Ctrl-C as Python sees it
        expected = KeyboardInterrupt
        timer = threading.Timer(delay, _thread.interrupt_main)
    else:
        expected = _Alarm
        previous = signal.signal(signal.SIGALRM, _raise_alarm)
    armed = time.perf_counter()
    if how == "interrupt_main":
        timer.start()
    else:
        signal.setitimer(signal.ITIMER_REAL, delay)
    try:
        with pytest.raises(expected):
            morvane.convert("deg", 50.8, longitude, threads=threads)
        stopped = time.perf_counter()
    finally:
        if how == "interrupt_main":
            timer.cancel()
            timer.join()
        else:
            signal.setitimer(signal.ITIMER_REAL, 0)
            signal.signal(signal.SIGALRM, previous)
    assert stopped - armed < delay + 0.5
    # Nothing of the stopped call is left behind.
    _same(morvane.convert("deg", 50.8, longitude[:20_000], threads=threads),
          morvane.convert("deg", [50.8] * 20_000, [4.35] * 20_000))
