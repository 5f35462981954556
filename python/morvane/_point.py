"""morvane.point: one point in Belgium's systems of today."""

from __future__ import annotations

import math
from typing import Any, NamedTuple, Union

import numpy as np

from ._convert import DatumLike, KindLike, convert
from ._errors import Failure


class Point(NamedTuple):
    """One point in Belgium's systems of today, as morvane.point() gives it.

    latitude, longitude: decimal degrees on the call's datum_to;
    x72, y72: Belgian Lambert 72 (EPSG:31370), metres;
    x2008, y2008: Belgian Lambert 2008 (EPSG:3812), metres;
    ellipsoidal_height: ETRS89 ellipsoidal height, metres;
    ostend_height: Ostend height (EPSG:5710, through hBG18), metres;
    route: the steps of the datum changes, as the core writes them
        ("grid BD72→ETRS89 (EPSG:8369)");
    accuracy: the accuracy those steps state, metres;
    error: the point's French message, empty when there is none.

    The heights are NaN without a height.  A point with a message has NaN
    for every number and an empty route.
    """

    latitude: float
    longitude: float
    x72: float
    y72: float
    x2008: float
    y2008: float
    ellipsoidal_height: float
    ostend_height: float
    route: str
    accuracy: float
    error: str


def _one(value: Any, what: str) -> Any:
    """The value of one point: a number or a text, not a column."""
    if isinstance(value, (str, bytes)) or np.ndim(value) == 0:
        return value
    raise TypeError(f"point() takes one point: {what} is a column (use morvane.convert for columns)")


def point(
    kind: KindLike,
    *values: Any,
    datum_from: DatumLike = "etrs89",
    datum_to: DatumLike = "etrs89",
    method: Union[str, int] = "grid",
    height: Any = None,
    height_kind: Union[str, int] = "ellipsoidal",
) -> Point:
    """One point into Lambert 2008, ETRS89, Lambert 72 and heights.

    The values are those of one point of the kind, as convert() takes its
    columns: ``point("lambert", x, y)`` (Lambert 72), ``point("lambert2008",
    x, y)``, ``point("deg", latitude, longitude)``, ``point("dms", ...)``,
    ``point("mgrs", reference)``, ``point("ifbl", code)``.  datum_from is
    the datum of degree, DMS and MGRS input, datum_to that of the latitude
    and longitude returned; both are ETRS89 unless said otherwise.

    method: "grid" (the default here: the national agency's grid BD72 <->
    ETRS89, EPSG:8369, the transformation it recommends from Lambert 72 to
    Lambert 2008, stated to 1 cm) or "shift" (the three-parameter shift,
    about 1.5 m).  height with height_kind "ellipsoidal" (ETRS89, as a
    GNSS receiver gives it) or "ostend" (EPSG:5710): both heights come out.

    The point goes through the batch call as convert() sends it.  A point
    that names no position, lies outside the grids or has a NaN height
    gives a Point whose ``error`` holds the message (and NaN numbers);
    arguments that make no sense raise as in convert(), and a conversion
    that fails raises morvane.Failure, as ZedizAdo.Conversion() does.

        >>> p = morvane.point("lambert", 149186.41, 170810.74)
        >>> p.x2008, p.y2008, p.route, p.accuracy
        >>> morvane.point("deg", 50.22054332, 4.663484651, height=354.6988105).ostend_height
    """
    columns = tuple(_one(v, f"value {i + 1}") for i, v in enumerate(values))
    if height is not None:
        height = _one(height, "height")
    r = convert(
        kind, *columns, datum_from=datum_from, datum_to=datum_to, method=method,
        height=height, height_kind=height_kind, today=True,
    )
    failure = str(r.Failure[0])
    if failure:
        raise Failure(failure)
    error = str(r.Error[0])
    if error:
        nan = math.nan
        return Point(nan, nan, nan, nan, nan, nan, nan, nan, "", nan, error)
    return Point(
        latitude=float(r.Latitude[0]),
        longitude=float(r.Longitude[0]),
        x72=float(r.X[0]),
        y72=float(r.Y[0]),
        x2008=float(r.X2008[0]),
        y2008=float(r.Y2008[0]),
        ellipsoidal_height=float(r.EllipsoidalHeight[0]),
        ostend_height=float(r.OstendHeight[0]),
        route=str(r.Route[0]),
        accuracy=float(r.Accuracy[0]),
        error="",
    )
