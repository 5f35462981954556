"""Belgium's systems of today against PROJ, an independent implementation.

A few thousand random points over the agency's grid (longitude 2.5-6.4,
latitude 49.5-51.5) go through morvane.convert and through PROJ
pipelines of the same operations, both ways; every pair must agree within
a millimetre, and both must refuse the same points.  PROJ reads the
agency's GeoTIFFs from data/be_ign (Debian's proj-data does not carry
them) and never the network.  Skipped when pyproj is not installed.

The operations compared:
- grid: Lambert 72 <-> Lambert 2008 (EPSG:31370 -> grid EPSG:8369 ->
  EPSG:3812, as PROJ writes it), BD72 <-> ETRS89 degrees (the grid alone);
- shift: BD72 <-> WGS 84 degrees by the standard Molodensky formulas with
  the core's BD72 parameters, ETRS89 degrees <-> Lambert 2008;
- heights: ETRS89 ellipsoidal <-> Ostend through hBG18.  PROJ adds
  multiplier x grid value in its forward direction; the grid holds the
  quasi-geoid above the ellipsoid, so Ostend = h - value is multiplier -1,
  which the agency's check point confirms below.
"""

from __future__ import annotations

import os
from pathlib import Path

import numpy as np
import pytest

# Before pyproj is loaded: no grid is ever fetched.
os.environ["PROJ_NETWORK"] = "OFF"

try:
    import pyproj
    from pyproj import Transformer
    from pyproj.enums import TransformDirection
except ImportError:  # pragma: no cover - Debian's python3-pyproj is installed for the tests
    pytest.skip("pyproj is not installed (Debian: python3-pyproj)", allow_module_level=True)

import morvane

GRIDS = Path(__file__).resolve().parents[2] / "data" / "be_ign"
SHIFT_GRID = "be_ign_bd72lb72_etrs89lb08.tif"
GEOID = "be_ign_hBG18.tif"
POINTS = 4000
MM = 1e-3
# Metres per degree of latitude, near enough for differences of millimetres.
METRES_PER_DEGREE = 111_200.0

LAMBERT72 = (
    "+proj=lcc +lat_1=51.16666723333333 +lat_2=49.8333339 +lat_0=90 +lon_0=4.367486666666666"
    " +x_0=150000.013 +y_0=5400088.438 +ellps=intl"
)
LAMBERT2008 = (
    "+proj=lcc +lat_0=50.797815 +lon_0=4.35921583333333 +lat_1=49.8333333333333"
    " +lat_2=51.1666666666667 +x_0=649328 +y_0=665262 +ellps=GRS80"
)
# BD72 -> WGS 84, the core's parameters (datum/catalogue.cpp), heights 0 as
# the core takes them.
MOLODENSKY = (
    "+proj=molodensky +ellps=intl +da=-251 +df=-0.000014192702 +dx=-125.8 +dy=79.9 +dz=-100.5"
)
DEGREES_IN = "+step +proj=unitconvert +xy_in=deg +xy_out=rad"
DEGREES_OUT = "+step +proj=unitconvert +xy_in=rad +xy_out=deg"

# The largest difference of each comparison, for the summary at the end.
LARGEST: dict[str, float] = {}


@pytest.fixture(scope="module", autouse=True)
def proj_offline_with_the_agency_grids():
    pyproj.network.set_network_enabled(False)
    if not (GRIDS / SHIFT_GRID).is_file() or not (GRIDS / GEOID).is_file():
        pytest.skip(f"the agency's grids are not in {GRIDS}")
    pyproj.datadir.append_data_dir(str(GRIDS))
    yield
    for name, largest in sorted(LARGEST.items()):
        print(f"\nPROJ comparison, {name}: largest difference {largest:.2e} m")


def _pipeline(*steps: str) -> Transformer:
    return Transformer.from_pipeline("+proj=pipeline " + " ".join(steps))


def _degrees(*steps: str) -> Transformer:
    """A pipeline between degrees (longitude, latitude) on both sides."""
    return _pipeline(DEGREES_IN, *steps, DEGREES_OUT)


def _points(seed: int) -> tuple[np.ndarray, np.ndarray]:
    rng = np.random.default_rng(seed)
    return rng.uniform(49.5, 51.5, POINTS), rng.uniform(2.5, 6.4, POINTS)


def _degree_metres(lat_a, lon_a, lat_b, lon_b) -> np.ndarray:
    north = (lat_a - lat_b) * METRES_PER_DEGREE
    east = (lon_a - lon_b) * METRES_PER_DEGREE * np.cos(np.radians(lat_a))
    return np.hypot(north, east)


def _compare(name: str, differences: np.ndarray, errors: np.ndarray, proj_ok: np.ndarray) -> None:
    """Both refuse the same points, and the others agree within a millimetre
    (differences in metres, point by point)."""
    ours_ok = errors == ""
    assert (ours_ok == proj_ok).all(), (name, np.flatnonzero(ours_ok != proj_ok)[:5])
    assert ours_ok.mean() > 0.95, name  # the area is the grid's
    largest = float(differences[ours_ok].max())
    LARGEST[name] = largest
    assert largest < MM, (name, largest)


def test_the_signs_on_the_agency_check_points():
    lb72 = _pipeline(f"+step +inv {LAMBERT72}", f"+step +proj=hgridshift +grids={SHIFT_GRID}",
                     f"+step {LAMBERT2008}")
    x, y = lb72.transform(149186.41, 170810.74)
    assert abs(x - 649186.03701863) < 1e-4 and abs(y - 670811.16949360) < 1e-4
    ostend = _degrees(f"+step +proj=vgridshift +grids={GEOID} +multiplier=-1")
    _, _, h = ostend.transform(4.663484651, 50.22054332, 354.6988105)
    assert abs(h - 310.9250) < 1e-4


@pytest.mark.parametrize("way", ["forward", "back"])
def test_grid_lambert_72_and_lambert_2008(way):
    lat, lon = _points(1)
    lb72 = Transformer.from_pipeline(f"+proj=pipeline {DEGREES_IN} +step {LAMBERT72}")
    x72, y72 = lb72.transform(lon, lat)
    pipeline = _pipeline(f"+step +inv {LAMBERT72}", f"+step +proj=hgridshift +grids={SHIFT_GRID}",
                         f"+step {LAMBERT2008}")
    if way == "forward":
        x08, y08 = pipeline.transform(x72, y72, errcheck=False)
        proj_ok = np.isfinite(x08) & np.isfinite(y08)
        r = morvane.convert("lambert", x72, y72, method="grid")
        _compare("grid Lambert 72 -> Lambert 2008",
                 np.hypot(r.X2008 - x08, r.Y2008 - y08), r.Error, proj_ok)
    else:
        x08, y08 = pipeline.transform(x72, y72, errcheck=False)
        inside = np.isfinite(x08)
        x08, y08 = x08[inside], y08[inside]
        back72, back_y72 = pipeline.transform(x08, y08, direction=TransformDirection.INVERSE,
                                              errcheck=False)
        proj_ok = np.isfinite(back72) & np.isfinite(back_y72)
        r = morvane.convert("lambert2008", x08, y08, method="grid")
        _compare("grid Lambert 2008 -> Lambert 72",
                 np.hypot(r.X - back72, r.Y - back_y72), r.Error, proj_ok)


@pytest.mark.parametrize("way", ["forward", "back"])
def test_grid_bd72_and_etrs89_degrees(way):
    lat, lon = _points(2)
    grid = _degrees(f"+step +proj=hgridshift +grids={SHIFT_GRID}")
    direction = TransformDirection.FORWARD if way == "forward" else TransformDirection.INVERSE
    plon, plat = grid.transform(lon, lat, direction=direction, errcheck=False)
    proj_ok = np.isfinite(plon) & np.isfinite(plat)
    datums = ("bd72", "etrs89") if way == "forward" else ("etrs89", "bd72")
    r = morvane.convert("deg", lat, lon, datum_from=datums[0], datum_to=datums[1], method="grid")
    _compare(f"grid {datums[0]} -> {datums[1]} degrees",
             _degree_metres(r.Latitude, r.Longitude, plat, plon), r.Error, proj_ok)


@pytest.mark.parametrize("way", ["forward", "back"])
def test_shift_bd72_and_wgs84_degrees(way):
    lat, lon = _points(3)
    shift = _degrees(f"+step {MOLODENSKY}")
    direction = TransformDirection.FORWARD if way == "forward" else TransformDirection.INVERSE
    plon, plat, _ = shift.transform(lon, lat, np.zeros(POINTS), direction=direction,
                                    errcheck=False)
    proj_ok = np.isfinite(plon) & np.isfinite(plat)
    datums = ("bd72", "wgs84") if way == "forward" else ("wgs84", "bd72")
    r = morvane.convert("deg", lat, lon, datum_from=datums[0], datum_to=datums[1])
    _compare(f"shift {datums[0]} -> {datums[1]} degrees",
             _degree_metres(r.Latitude, r.Longitude, plat, plon), r.Error, proj_ok)


@pytest.mark.parametrize("method", ["shift", "grid"])
@pytest.mark.parametrize("way", ["forward", "back"])
def test_etrs89_degrees_and_lambert_2008(way, method):
    lat, lon = _points(4)
    lcc = Transformer.from_pipeline(f"+proj=pipeline {DEGREES_IN} +step {LAMBERT2008}")
    x08, y08 = lcc.transform(lon, lat)
    if way == "forward":
        r = morvane.convert("deg", lat, lon, datum_from="etrs89", datum_to="etrs89", method=method)
        _compare(f"{method} ETRS89 degrees -> Lambert 2008",
                 np.hypot(r.X2008 - x08, r.Y2008 - y08), r.Error, np.isfinite(x08))
    else:
        r = morvane.convert("lambert2008", x08, y08, datum_to="etrs89", method=method)
        _compare(f"{method} Lambert 2008 -> ETRS89 degrees",
                 _degree_metres(r.Latitude, r.Longitude, lat, lon), r.Error, np.isfinite(x08))


@pytest.mark.parametrize("way", ["ellipsoidal -> Ostend", "Ostend -> ellipsoidal"])
def test_heights_through_hbg18(way):
    lat, lon = _points(5)
    h = np.random.default_rng(6).uniform(-20.0, 750.0, POINTS)
    geoid = _degrees(f"+step +proj=vgridshift +grids={GEOID} +multiplier=-1")
    forward = way.startswith("ellipsoidal")
    direction = TransformDirection.FORWARD if forward else TransformDirection.INVERSE
    _, _, ph = geoid.transform(lon, lat, h, direction=direction, errcheck=False)
    proj_ok = np.isfinite(ph)
    r = morvane.convert("deg", lat, lon, datum_from="etrs89", datum_to="etrs89", height=h,
                        height_kind="ellipsoidal" if forward else "ostend")
    ours = r.OstendHeight if forward else r.EllipsoidalHeight
    _compare(f"heights {way}", np.abs(ours - ph), r.Error, proj_ok)
    # The height given comes back as given.
    given = r.EllipsoidalHeight if forward else r.OstendHeight
    assert (given[proj_ok] == h[proj_ok]).all()
