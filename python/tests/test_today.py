"""Belgium's systems of today through convert() and point(): the agency's
check points, the columns and bits of older calls kept, today's columns
consistent with the core's step table, and bad input."""

from __future__ import annotations

import json
import math
from importlib import resources

import numpy as np
import pytest

import morvane
from requests import KINDS, columns

TABLES = json.loads(morvane._morvane.names_json())
STEP_ACCURACY = {row["text"]: row["accuracy"] for row in TABLES["steps"]}
TODAY = ("X2008", "Y2008", "EllipsoidalHeight", "OstendHeight", "Route", "Accuracy")
OLD_COLUMNS = ("Latitude", "Longitude", "LatDmsDeg", "LatDmsMin", "LatDmsSec", "LonDmsDeg",
               "LonDmsMin", "LonDmsSec", "X", "Y", "Northing", "Easting", "MGRS", "IFBL",
               "Error", "Failure")

# The agency's check points, as PROJ's tests carry them.
LB72 = (149186.41, 170810.74)
LB08 = (649186.03701863, 670811.16949360)
GNSS = (50.22054332, 4.663484651, 354.6988105)  # ETRS89 latitude, longitude, ellipsoidal height
OSTEND = 310.9250
TENTH_MM = 1e-4


def test_the_grids_are_compiled_in_and_credited():
    assert morvane._morvane.grids_loaded() == 1
    notice = resources.files("morvane").joinpath("GRIDS-NOTICE.md").read_text(encoding="utf-8")
    assert "Creative Commons Attribution 4.0" in notice and "hBG18" in notice


@pytest.mark.parametrize(
    "call, column, expected",
    [
        (lambda: morvane.convert("lambert", *LB72, method="grid"), "X2008", LB08[0]),
        (lambda: morvane.convert("lambert", *LB72, method="grid"), "Y2008", LB08[1]),
        (lambda: morvane.convert("ifbl", "E4.25.44", method="grid"), "Error", ""),
        (lambda: morvane.convert("lambert2008", *LB08, method="grid"), "X", LB72[0]),
        (lambda: morvane.convert("lambert2008", *LB08, method="grid"), "Y", LB72[1]),
        (lambda: morvane.convert("deg", *GNSS[:2], datum_from="etrs89", height=GNSS[2]),
         "OstendHeight", OSTEND),
        (lambda: morvane.convert("deg", *GNSS[:2], datum_from="etrs89", height=OSTEND,
                                 height_kind="ostend"), "EllipsoidalHeight", GNSS[2]),
        (lambda: morvane.convert("deg", *GNSS[:2], datum_from="etrs89", height=GNSS[2],
                                 method="grid", datum_to="etrs89"), "Latitude", GNSS[0]),
    ],
)
def test_the_agency_check_points(call, column, expected):
    got = call()[column][0]
    if isinstance(expected, str):
        assert got == expected
    else:
        assert abs(got - expected) < TENTH_MM, (column, got, expected)


@pytest.mark.parametrize(
    "kind, values, kwargs, expected",
    [
        ("lambert", LB72, {}, {"x2008": LB08[0], "y2008": LB08[1], "x72": LB72[0], "y72": LB72[1]}),
        ("lambert2008", LB08, {}, {"x72": LB72[0], "y72": LB72[1]}),
        ("deg", GNSS[:2], {"height": GNSS[2]},
         {"ostend_height": OSTEND, "ellipsoidal_height": GNSS[2], "latitude": GNSS[0]}),
        ("lambert", LB72, {"height": OSTEND, "height_kind": "ostend"}, {"ostend_height": OSTEND}),
    ],
)
def test_one_point(kind, values, kwargs, expected):
    p = morvane.point(kind, *values, **kwargs)
    assert p.error == "" and "EPSG:8369" in p.route and p.accuracy < 0.1, p
    for name, value in expected.items():
        assert abs(getattr(p, name) - value) < TENTH_MM, (name, getattr(p, name), value)


@pytest.mark.parametrize("kind", KINDS)
def test_older_calls_keep_their_columns_and_bits(kind):
    rng = np.random.default_rng(77)
    cols = columns(rng, kind, 300)
    for datum_from, datum_to in ((3, 2), (1, 4), (2, 2)):
        old = morvane.convert(kind, *cols, datum_from=datum_from, datum_to=datum_to)
        assert type(old) is morvane.Result and tuple(old) == OLD_COLUMNS
        asked = morvane.convert(kind, *cols, datum_from=datum_from, datum_to=datum_to, today=True)
        assert type(asked) is morvane.TodayResult and tuple(asked) == OLD_COLUMNS + TODAY
        # Where a step of today's columns fails (Lambert 2008 of a pole),
        # the whole point is a failure; every other point has the bits of
        # the call without them.
        same = (asked.Failure == "") | (old.Failure != "")
        assert same.mean() > 0.9, kind
        for name in OLD_COLUMNS:
            a, b = old[name], asked[name]
            assert a.dtype.kind == b.dtype.kind, name
            if a.dtype.kind == "U":  # as wide as its longest text, failures included
                assert (a[same] == b[same]).all(), (kind, name)
            else:
                assert a.dtype == b.dtype and a[same].tobytes() == b[same].tobytes(), (kind, name)


def _steps(route: str) -> list[str]:
    return [] if route == "none" else route.split("; ")


@pytest.mark.parametrize(
    "kind, datum_from, datum_to, method, steps",
    [
        ("lambert", 2, 5, "grid", {"grid"}),
        ("lambert", 2, 3, "grid", {"grid", "wgs84_as_etrs89"}),
        ("lambert", 2, 5, "shift", {"shift_bd72", "wgs84_as_etrs89"}),
        ("deg", 5, 5, "grid", {"grid"}),  # Lambert 72 from the grid
        ("deg", 5, 5, "shift", {"shift_bd72", "wgs84_as_etrs89"}),
        ("deg", 1, 5, "grid", {"shift_ed50", "wgs84_as_etrs89", "grid"}),
        ("deg", 4, 2, "shift", {"shift_ntf", "shift_bd72", "wgs84_as_etrs89"}),
    ],
)
def test_route_and_accuracy_are_the_core_steps(kind, datum_from, datum_to, method, steps):
    rng = np.random.default_rng(3)
    n = 200
    if kind == "deg":
        cols = (rng.uniform(49.6, 51.4, n), rng.uniform(2.6, 6.3, n))
    else:
        cols = (rng.uniform(30_000, 280_000, n), rng.uniform(30_000, 240_000, n))
    r = morvane.convert(kind, *cols, datum_from=datum_from, datum_to=datum_to, method=method,
                        today=True)
    keys = {row["text"]: row["key"] for row in TABLES["steps"]}
    for i in range(n):
        if r.Error[i]:  # outside the grid near the border
            assert r.Route[i] == "" and math.isnan(r.Accuracy[i]), i
            continue
        texts = _steps(r.Route[i])
        assert {keys[t] for t in texts} == steps, (i, r.Route[i])
        assert r.Accuracy[i] == pytest.approx(sum(STEP_ACCURACY[t] for t in texts)), i
    assert (r.Error == "").mean() > 0.9


def test_lambert_2008_is_the_same_through_either_way_in():
    rng = np.random.default_rng(8)
    x, y = rng.uniform(520_000, 790_000, 500), rng.uniform(530_000, 740_000, 500)
    back = morvane.convert("lambert2008", x, y, datum_to="etrs89", method="grid")
    there = morvane.convert("deg", back.Latitude, back.Longitude, datum_from="etrs89",
                            datum_to="etrs89", method="grid")
    ok = back.Error == ""
    assert ok.mean() > 0.8
    assert np.abs(there.X2008[ok] - x[ok]).max() < 1e-6
    assert np.abs(there.Y2008[ok] - y[ok]).max() < 1e-6
    # The Lambert 2008 input is handed back as given.
    assert (back.X2008[ok] == x[ok]).all() and (back.Y2008[ok] == y[ok]).all()


def _same(a, b):
    assert tuple(a) == tuple(b)
    for name in a:
        assert a[name].dtype == b[name].dtype and a[name].tobytes() == b[name].tobytes(), name


def test_heights_in_any_form_and_threads_give_the_same_bits():
    rng = np.random.default_rng(11)
    n = 30_000
    lat, lon = rng.uniform(49.4, 51.6, n), rng.uniform(2.4, 6.5, n)
    h = rng.uniform(-10, 700, 2 * n)[::2]  # strided
    h[::97] = np.nan
    one = morvane.convert("deg", lat, lon, datum_from="etrs89", datum_to="bd72", method="grid",
                          height=h, threads=1)
    _same(one, morvane.convert("deg", lat, lon, datum_from="etrs89", datum_to="bd72",
                               method="grid", height=list(h), threads=2))
    assert (one.Error[::97] == "Hauteur incorrecte").all()
    flat = morvane.convert("deg", lat[:5], lon[:5], datum_from="etrs89", height=100.0)
    _same(flat, morvane.convert("deg", lat[:5], lon[:5], datum_from="etrs89",
                                height=np.full(5, 100.0)))
    # One point's columns as scalars, the heights a column: every point.
    assert len(morvane.convert("deg", 50.5, 4.5, datum_from="etrs89", height=[1.0, 2.0])) == 2


@pytest.mark.parametrize(
    "args, kwargs, error, fragment",
    [
        (("deg", 50.5, 4.5), {"method": "kriging"}, ValueError, "unknown method 'kriging': use 'shift' or 'grid'"),
        (("deg", 50.5, 4.5), {"method": 2}, ValueError, "unknown method 2"),
        (("deg", 50.5, 4.5), {"method": True}, TypeError, "method"),
        (("deg", 50.5, 4.5), {"method": None}, TypeError, "method"),
        (("deg", 50.5, 4.5), {"method": "grid\0"}, ValueError, "unknown method"),
        (("deg", 50.5, 4.5), {"height": 1.0, "height_kind": "orthometric"}, ValueError, "unknown height_kind"),
        (("deg", 50.5, 4.5), {"height_kind": 7}, ValueError, "unknown height_kind"),
        (("deg", 50.5, 4.5), {"height": 1.0, "height_kind": "none"}, ValueError, "height_kind="),
        (("deg", [50.5] * 3, [4.5] * 3), {"height": [1.0, 2.0]}, ValueError, "not of one length"),
        (("deg", 50.5, 4.5), {"height": [[1.0]]}, ValueError, "one-dimensional"),
        (("deg", 50.5, 4.5), {"height": ["1.0"]}, TypeError, "Height takes numbers"),
        (("deg", 50.5, 4.5), {"height": "1.0"}, TypeError, "Height takes numbers"),
        (("deg", 50.5, 4.5), {"height": [True]}, TypeError, "Height takes numbers"),
        (("deg", 50.5, 4.5), {"height": 1.0, "today": False}, ValueError, "today=False"),
        (("deg", 50.5, 4.5), {"today": "yes"}, TypeError, "today"),
        (("lambert2008", 650000.0), {}, TypeError, "takes 2 columns"),
        (("lambert2008", ["x"], [1.0]), {}, TypeError, "X takes numbers"),
        (("deg", 50.5, 4.5), {"datum_from": "etrs"}, ValueError, "'etrs89'"),
    ],
)
def test_settings_that_make_no_sense_are_refused(args, kwargs, error, fragment):
    with pytest.raises(error, match=fragment.replace("[", r"\[")):
        morvane.convert(*args, **kwargs)


@pytest.mark.parametrize(
    "kind, values, kwargs, messages",
    [
        ("deg", ([50.5, 50.5], [4.5, 4.5]), {"height": [np.nan, 100.0]}, ["Hauteur incorrecte", ""]),
        ("deg", ([50.5, 50.5], [4.5, 4.5]), {"height": [np.inf, 100.0]}, ["Hauteur incorrecte", ""]),
        ("deg", ([50.5, 50.5], [4.5, 4.5]), {"height": [None, 100.0]}, ["Hauteur incorrecte", ""]),
        ("deg", ([45.0, 50.5], [2.0, 4.5]), {"method": "grid", "datum_from": "etrs89", "datum_to": "bd72"},
         ["Point hors de la grille BD72-ETRS89", ""]),
        ("lambert", ([-900_000.0, 150_000.0], [0.0, 170_000.0]), {"method": "grid"},
         ["Coordonnées Lambert incorrectes", ""]),
        ("deg", ([53.5, 50.5], [4.0, 4.5]), {"datum_from": "etrs89", "height": 10.0},
         ["Point hors de la grille hBG18", ""]),
        ("deg", ([50.5, 50.5], [4.5, 4.5]), {"datum_from": "bd72", "height": 10.0},
         ["Hauteur ellipsoïdale hors ETRS89"] * 2),
        ("lambert2008", ([1e12, 650_000.0], [0.0, 670_000.0]), {},
         ["Coordonnées Lambert 2008 incorrectes", ""]),
        ("lambert2008", ([np.nan, 650_000.0], [0.0, 670_000.0]), {},
         ["Coordonnées Lambert 2008 incorrectes", ""]),
        ("deg", ([np.nan, 50.5], [4.5, 4.5]), {"datum_from": "etrs89"}, ["Coordonnées DEG incorrectes", ""]),
        ("mgrs", (["31U\0ES95", "31UES9554433766"],), {"datum_from": "etrs89"},
         ["Coordonnées MGRS erronées (31U\0ES95)", ""]),
    ],
)
def test_a_point_that_cannot_be_converted_gets_its_message(kind, values, kwargs, messages):
    r = morvane.convert(kind, *values, **kwargs)
    # Each point its own message, whole, never an exception for the call.
    assert list(r.Error) == messages and list(r.Failure) == ["", ""]
    for i, message in enumerate(messages):
        for name in ("X2008", "Y2008", "Accuracy"):
            assert math.isnan(r[name][i]) == bool(message), (name, i)
        assert (r.Route[i] == "") == bool(message), i
    # The same first point alone, with convert()'s method.
    one = {k: (v[0] if np.ndim(v) else v) for k, v in kwargs.items()}
    one.setdefault("method", "shift")
    p = morvane.point(kind, *(v[0] for v in values), **one)
    if "height" in one and one["height"] is None:  # no height for point()
        assert p.error == ""
    else:
        assert p.error == messages[0] and math.isnan(p.x2008) and math.isnan(p.latitude)
        assert p.route == ""


@pytest.mark.parametrize(
    "values, kwargs, error",
    [
        (([50.5, 50.6], [4.5, 4.5]), {}, TypeError),
        ((np.array([50.5]), 4.5), {}, TypeError),
        ((50.5, 4.5), {"height": [1.0]}, TypeError),
        ((50.5, 4.5), {"method": "molodensky"}, ValueError),
        ((50.5,), {}, TypeError),
    ],
)
def test_point_takes_one_point(values, kwargs, error):
    with pytest.raises(error):
        morvane.point("deg", *values, **kwargs)


def test_the_object_keeps_its_own_kinds_and_datums():
    assert "mvLambert2008" not in dir(morvane) and "mvETRS89" not in dir(morvane)
    o = morvane.ZedizAdo()
    o.OrigType = 6
    assert o.OrigType == 6 and not isinstance(o.OrigType, morvane.OriginalCoordinates)


@pytest.mark.parametrize(
    "method, height_kind, height, fragment",
    [(2, 0, None, "method or height kind"), (0, 9, np.zeros(1), "method or height kind"),
     (-1, 0, None, "method or height kind"),
     (0, 1, None, "height kind without"), (0, 0, np.zeros(1), "without a height kind"),
     (0, 1, np.zeros(2), "Height is not of the batch's length"),
     (0, 1, np.zeros(1, np.float32), "Height is not of the type")],
)
def test_the_binding_refuses_settings_outside_the_core_tables(method, height_kind, height, fragment):
    # What convert() checks first, the compiled call refuses again.
    lat = np.array([50.8])
    with pytest.raises((ValueError, TypeError), match=fragment):
        morvane._morvane._convert(2, 5, 5, 0, 0, (lat, lat / 10), 1, 1, [], method=method,
                                  height_kind=height_kind, height=height, today=True)


# Another thread rewrites the heights during the call: each point gets the
# old or the new height of its row, as with the other columns.
@pytest.mark.parametrize("threads", [1, 2])
def test_a_height_column_rewritten_during_a_call(threads):
    import threading

    n = 60_000
    heights = np.full(n, 100.0)
    old_bytes, new_bytes = heights.tobytes(), np.full(n, 200.0).tobytes()
    stop = threading.Event()

    def rewrite():
        view = memoryview(heights).cast("B")
        flip = False
        while not stop.is_set():
            flip = not flip
            view[:] = new_bytes if flip else old_bytes

    writer = threading.Thread(target=rewrite)
    writer.start()
    try:
        results = [morvane.convert("deg", 50.8, 4.35, datum_from="etrs89", height=heights,
                                   threads=threads) for _ in range(4)]
    finally:
        stop.set()
        writer.join()
    for r in results:
        assert set(r.EllipsoidalHeight.tolist()) <= {100.0, 200.0}
        assert len(set(r.OstendHeight.tolist())) <= 2
        assert ((r.EllipsoidalHeight - r.OstendHeight).round(9) == round(
            r.EllipsoidalHeight[0] - r.OstendHeight[0], 9)).all()
