"""morvane.squares: the squares of IFBL codes and MGRS references, their
Darwin Core columns, polygons and GeoJSON, all from the core."""

from __future__ import annotations

import json
import math
import re
from pathlib import Path

import numpy as np
import pytest

import morvane
from morvane import _squares

shapely = pytest.importorskip("shapely")
from shapely import wkt  # noqa: E402
from shapely.geometry import Polygon, shape  # noqa: E402

BAD_IFBL = "Coordonnée IFBL incorrecte"
# Squares of both grids: whole ones, and an MGRS square cut at the east
# edge of zone 31 (6° E).
IFBL_CODES = ["E4", "E4.25", "E42544", "e4.25.44", "J7.42", "C1.11", "M8.58"]
MGRS_CODES = ["31UFS12", "31UFS1234", "31UES9999", "31UGR19", "32ULB0000"]
DOCS = Path(__file__).resolve().parents[2] / "docs" / "python.md"


@pytest.mark.parametrize(
    "code, width, height, uncertainty",
    [
        ("E42544", 1000, 1000, 708),
        ("e4.25.44", 1000, 1000, 708),
        ("E4.25", 4000, 4000, 2829),
        ("E4", 32000, 20000, None),
    ],
)
def test_sizes_and_uncertainty(code, width, height, uncertainty):
    r = morvane.squares([code])
    assert (r.width[0], r.height[0]) == (width, height)
    assert r.coordinateUncertaintyInMeters[0] == r.radius[0]
    if uncertainty is not None:
        assert r.coordinateUncertaintyInMeters[0] == uncertainty
    assert r.Error[0] == "" and r.Failure[0] == ""
    assert r.geodeticDatum[0] == r.footprintSRS[0] == "EPSG:4326"
    assert (r.verbatimCoordinateSystem[0], r.verbatimSRS[0]) == ("IFBL", "EPSG:31370")


def test_centres_are_the_points_convert_gives():
    # The same core: the centre of an IFBL square is the point the object
    # gives for its code, to the bit.
    r = morvane.squares(IFBL_CODES, datum="bd72")
    c = morvane.convert("ifbl", IFBL_CODES, datum_to="bd72")
    assert np.array_equal(r.centre_latitude, c.Latitude)
    assert np.array_equal(r.centre_longitude, c.Longitude)
    assert np.array_equal(r.centre_x, c.X) and np.array_equal(r.centre_y, c.Y)
    # decimalLatitude is the core's text of the same number, to 7 decimals.
    assert np.allclose(r.decimalLatitude, r.centre_latitude, rtol=0, atol=5e-8)


def test_a_column_is_row_by_row_what_single_codes_are():
    codes = IFBL_CODES + ["Z99", "", "E4.25"]
    whole = morvane.squares(codes)
    for i, code in enumerate(codes):
        one = morvane.squares([code])
        for name in whole.keys():
            a, b = whole[name][i], one[name][0]
            if isinstance(a, np.ndarray):
                assert np.array_equal(a, b), (code, name)
            else:
                assert a == b or (a != a and b != b), (code, name)


def _near_centroid(poly, lon, lat, radius):
    """The polygon's centroid lies within the covering radius of the centre."""
    c = poly.centroid
    north = (c.y - lat) * 111_320
    east = (c.x - lon) * 111_320 * math.cos(math.radians(lat))
    return math.hypot(north, east) <= radius


@pytest.mark.parametrize("densify", [0, 3, 1000])
@pytest.mark.parametrize(
    "kind, codes", [("ifbl", IFBL_CODES), ("mgrs", MGRS_CODES)]
)
def test_footprints_are_counter_clockwise_polygons_around_the_centre(kind, codes, densify):
    r = morvane.squares(codes, kind=kind, densify=densify)
    frame = r.to_geopandas()
    for i, code in enumerate(codes):
        poly = wkt.loads(r.footprintWKT[i])
        assert isinstance(poly, Polygon) and poly.is_valid, code
        assert poly.exterior.is_ccw, code
        assert len(poly.exterior.coords) == r.corner_count[i] * (densify + 1) + 1, code
        lon, lat = r.decimalLongitude[i], r.decimalLatitude[i]
        assert _near_centroid(poly, lon, lat, r.radius[i]), code
        if not r.cut[i]:
            # A whole square's centroid is its centre, within a hundredth of its side.
            assert _near_centroid(poly, lon, lat, r.width[i] / 100), code
        # The GeoDataFrame's polygon is the core's outline unrounded: the
        # WKT's 7 decimals away.
        geometry = frame.geometry.iloc[i]
        assert geometry.exterior.is_ccw
        assert np.allclose(np.asarray(geometry.exterior.coords), np.asarray(poly.exterior.coords),
                           rtol=0, atol=6e-8), code


@pytest.mark.parametrize("kind, codes", [("ifbl", IFBL_CODES + ["Z99"]), ("mgrs", MGRS_CODES + ["XX"])])
def test_geojson_is_the_cores_features(kind, codes):
    r = morvane.squares(codes, kind=kind)
    collection = json.loads(r.geojson())
    assert collection["type"] == "FeatureCollection"
    assert len(collection["features"]) == len(codes)
    for i, feature in enumerate(collection["features"]):
        properties = feature["properties"]
        assert properties["verbatimCoordinates"] == r.verbatimCoordinates[i]
        assert properties["Error"] == r.Error[i]
        if r.Error[i]:
            assert feature["geometry"] is None
            continue
        poly = shape(feature["geometry"])
        assert poly.is_valid and poly.exterior.is_ccw
        assert poly.equals_exact(wkt.loads(r.footprintWKT[i]), 1e-9)
        assert properties["coordinateUncertaintyInMeters"] == r.coordinateUncertaintyInMeters[i]
        assert (properties["width"], properties["height"]) == (r.width[i], r.height[i])
        if kind == "mgrs":
            assert (properties["zone"], properties["hemisphere"]) == (r.zone[i], r.hemisphere[i])


def test_empty_column():
    r = morvane.squares([])
    assert len(r) == 0 and len(r.to_pandas()) == 0
    assert json.loads(r.geojson()) == {"type": "FeatureCollection", "features": []}


def test_mgrs_square_cut_at_the_zone_edge():
    r = morvane.squares(["31UGR19"], kind="mgrs")
    assert (r.zone[0], r.hemisphere[0], r.cut[0]) == (31, "N", True)
    longitudes = r.corner_longitude[0]
    assert len(longitudes) == r.corner_count[0] >= 4
    assert len(r.corner_latitude[0]) == len(r.corner_x[0]) == len(r.corner_y[0]) == len(longitudes)
    # Two corners where the zone's edge cuts the square, none beyond it.
    assert np.sum(np.abs(longitudes - 6) < 1e-9) == 2
    assert np.all(longitudes <= 6 + 1e-9)
    assert "the part of the square inside its grid zone" in r.georeferenceProtocol[0]


@pytest.mark.parametrize(
    "kind, code, message",
    [
        ("ifbl", "Z99", BAD_IFBL),
        ("ifbl", "E4254", BAD_IFBL),
        ("ifbl", "", BAD_IFBL),
        ("ifbl", None, BAD_IFBL),
        ("ifbl", float("nan"), BAD_IFBL),
        ("ifbl", "E42544\0", BAD_IFBL),  # a NUL does not cut the code short
        ("ifbl", b"E4\xff", BAD_IFBL),
        ("mgrs", "31UFS", "Coordonnées MGRS erronées (31UFS)"),
        ("mgrs", "XX", "Coordonnées MGRS erronées (XX)"),
    ],
)
def test_bad_codes_keep_their_rows_with_the_cores_message(kind, code, message):
    good = "E4.25" if kind == "ifbl" else "31UFS1234"
    r = morvane.squares([good, code, good], kind=kind)
    assert len(r) == 3
    assert list(r.Error) == ["", message, ""]
    assert r.Failure[1] == ""
    assert np.isnan([r.decimalLatitude[1], r.coordinateUncertaintyInMeters[1], r.width[1],
                     r.centre_x[1], r.radius[1]]).all()
    assert (r.corner_count[1], r.zone[1], r.cut[1], len(r.corner_latitude[1])) == (0, 0, False, 0)
    assert r.footprintWKT[1] == r.geodeticDatum[1] == ""
    assert r.verbatimCoordinateSystem[1] == kind.upper()
    assert r.decimalLatitude[0] == r.decimalLatitude[2]
    frame = r.to_geopandas()
    assert frame.geometry.iloc[1] is None and frame.geometry.iloc[0] is not None
    assert frame["coordinateUncertaintyInMeters"].isna().tolist() == [False, True, False]


@pytest.mark.parametrize(
    "codes, arguments, error",
    [
        (["E4"], {"kind": "deg"}, ValueError),
        (["E4"], {"kind": "lambert2008"}, ValueError),
        (["E4"], {"kind": "nonsense"}, ValueError),
        (["E4"], {"kind": 99}, ValueError),
        (["E4"], {"kind": 3.0}, TypeError),
        (["E4"], {"datum": "nonsense"}, ValueError),
        (["E4"], {"datum": 0}, ValueError),
        (["E4"], {"datum": 9}, ValueError),
        (["E4"], {"code_datum": "nonsense"}, ValueError),
        (["E4"], {"datum_known": 1}, TypeError),
        (["E4"], {"datum_known": "yes"}, TypeError),
        (["E4"], {"method": "magic"}, ValueError),
        (["E4"], {"method": 7}, ValueError),
        (["E4"], {"densify": -1}, ValueError),
        (["E4"], {"densify": 1001}, ValueError),
        (["E4"], {"densify": 1.5}, TypeError),
        (["E4"], {"densify": True}, TypeError),
        ("E42544", {}, TypeError),
        (b"E42544", {}, TypeError),
        (42, {}, TypeError),
        ([42], {}, TypeError),
        (["E4", 4.25], {}, TypeError),
        (np.array([1.0, 2.0]), {}, TypeError),
        (np.array([["E4"]]), {}, ValueError),
        ({"E4": 1}, {}, TypeError),
        ({"E4", "E4.25"}, {}, TypeError),  # no order for the rows
    ],
)
def test_bad_arguments_raise_before_any_square(monkeypatch, codes, arguments, error):
    def never(*_):
        raise AssertionError("the core was called")

    monkeypatch.setattr(_squares._morvane, "_squares", never)
    with pytest.raises(error):
        morvane.squares(codes, **arguments)


@pytest.mark.parametrize(
    "codes",
    [["E4.25", "E42544"], ("E4.25", "E42544"), np.array(["E4.25", "E42544"]),
     np.array([b"E4.25", b"E42544"]), np.array(["E4.25", "E42544"], dtype=object),
     iter(["E4.25", "E42544"])],
)
def test_codes_of_every_container(codes):
    assert list(morvane.squares(codes).coordinateUncertaintyInMeters) == [2829, 708]


def test_pandas_series_keeps_its_index():
    pandas = pytest.importorskip("pandas")
    series = pandas.Series(["E4.25", None, "E42544"], index=[10, 20, 30])
    frame = morvane.squares(series).to_pandas(index=series.index)
    assert list(frame.index) == [10, 20, 30]
    assert str(frame["coordinateUncertaintyInMeters"].dtype) == "Int64"
    assert frame["Error"].tolist() == ["", BAD_IFBL, ""]
    with pytest.raises(KeyError):
        morvane.squares(series).to_pandas(columns=["nonsense"])


@pytest.mark.parametrize(
    "datum, epsg", [("wgs84", 4326), ("bd72", 4313), ("ed50", 4230), ("etrs89", 4258)]
)
def test_geodataframe_crs_is_the_output_datums(datum, epsg):
    pytest.importorskip("geopandas")
    r = morvane.squares(["E4.25", "Z99"], datum=datum)
    frame = r.to_geopandas()
    assert frame.crs.to_epsg() == epsg
    assert r.geodeticDatum[0] == f"EPSG:{epsg}"
    assert frame.geometry.iloc[0].is_valid and frame.geometry.iloc[1] is None


def test_unknown_datum_widens_the_uncertainty():
    known = morvane.squares(["31UFS1234"], kind="mgrs")
    unknown = morvane.squares(["31UFS1234"], kind="mgrs", datum_known=False)
    assert unknown.coordinateUncertaintyInMeters[0] > known.coordinateUncertaintyInMeters[0]
    assert unknown.verbatimSRS[0] == "unknown" and known.verbatimSRS[0] == "EPSG:4326"


def test_the_publishers_example_in_the_docs_runs(tmp_path, monkeypatch):
    pandas = pytest.importorskip("pandas")
    if not DOCS.is_file():
        pytest.skip(f"{DOCS} is not there")
    section = DOCS.read_text(encoding="utf-8").split("\n## Squares\n", 1)[1]
    blocks = re.findall(r"```python\n(.*?)```", section, re.S)
    example = next(b for b in blocks if "read_csv" in b)
    monkeypatch.chdir(tmp_path)
    Path("records.csv").write_text(
        "species,ifbl,date\nQuercus robur,E4.25,2024-05-01\nFagus sylvatica,E42544,2024-05-02\n"
        "Ilex aquifolium,Z99,2024-05-03\nTaxus baccata,,2024-05-04\n",
        encoding="utf-8",
    )
    exec(compile(example, str(DOCS), "exec"), {})
    out = pandas.read_csv("records-dwc.csv", dtype=str, keep_default_na=False)
    assert list(out["species"]) == ["Quercus robur", "Fagus sylvatica", "Ilex aquifolium",
                                     "Taxus baccata"]
    assert list(out["coordinateUncertaintyInMeters"]) == ["2829", "708", "", ""]
    assert list(out["Error"]) == ["", "", BAD_IFBL, BAD_IFBL]
    assert out["footprintWKT"][0].startswith("POLYGON ((")
    assert list(out["verbatimCoordinates"]) == ["E4.25", "E42544", "Z99", ""]
