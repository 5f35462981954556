"""morvane.squares: the squares that columns of IFBL codes or MGRS references name."""

from __future__ import annotations

import json
from typing import TYPE_CHECKING, Any, Iterator, Union

import numpy as np
import numpy.typing as npt

if TYPE_CHECKING:  # pragma: no cover
    import geopandas
    import pandas

from . import _morvane
from ._enums import TABLES
from ._result import Columns
from ._convert import (
    DATUM_KEYS,
    METHOD_KEYS,
    DatumLike,
    KindLike,
    _as_array,
    _datum,
    _integer,
    _kind,
    _missing,
    _setting,
    _utf8,
)

# The kinds whose codes name squares.
SQUARE_KINDS: dict[int, str] = {
    _morvane.kind_by_name(key): key for key in ("ifbl", "mgrs")
}
MGRS = _morvane.kind_by_name("mgrs")
# Points along each edge of an outline that the core takes (morvane.h).
MAX_DENSIFY = 1000
# The EPSG codes of the datums' latitudes and longitudes, from the core's
# tables: the CRS of a GeoDataFrame.
DATUM_EPSG: dict[int, int] = {row["number"]: row["epsg"] for row in TABLES["datums"]}

# The Darwin Core terms, in the order the core writes them.
DARWIN_CORE: tuple[str, ...] = (
    "decimalLatitude",
    "decimalLongitude",
    "geodeticDatum",
    "coordinateUncertaintyInMeters",
    "footprintWKT",
    "footprintSRS",
    "verbatimCoordinates",
    "verbatimCoordinateSystem",
    "verbatimSRS",
    "georeferenceProtocol",
)
# The terms that are numbers (NaN for a row without a square).
DARWIN_CORE_NUMBERS = ("decimalLatitude", "decimalLongitude", "coordinateUncertaintyInMeters")
# The square's own numbers, from morvane_square: a row without a square
# has NaN in its floats, 0 in zone and corner_count, False in cut.
NUMBERS: tuple[str, ...] = (
    "zone",
    "hemisphere",
    "width",
    "height",
    "centre_x",
    "centre_y",
    "centre_latitude",
    "centre_longitude",
    "radius",
    "cut",
    "corner_count",
    "corner_x",
    "corner_y",
    "corner_latitude",
    "corner_longitude",
)
SQUARE_NAMES: tuple[str, ...] = DARWIN_CORE + ("Error", "Failure") + NUMBERS
CORNERS = ("corner_x", "corner_y", "corner_latitude", "corner_longitude")


def _texts(values: list[str]) -> np.ndarray:
    return np.array(values, dtype=np.str_) if values else np.zeros(0, "U1")


class SquareResult(Columns):
    """The squares of one squares() call, one numpy array per column.

    - The Darwin Core terms, as the core writes them for each code:
      decimalLatitude, decimalLongitude, coordinateUncertaintyInMeters
      (float64, NaN for a code without a square), geodeticDatum,
      footprintWKT, footprintSRS, verbatimCoordinates,
      verbatimCoordinateSystem, verbatimSRS, georeferenceProtocol (texts,
      empty where the core writes none);
    - Error: the core's French message for a code that names no square,
      empty otherwise; Failure: the failure's name when the core failed on
      the code (a floating-point fault), empty otherwise;
    - the square's numbers: zone (int16, MGRS) and hemisphere ("N", "S";
      "" for IFBL), width and height (metres in the grid), centre_x and
      centre_y (Lambert 72 or UTM), centre_latitude and centre_longitude
      (on the output datum, to the last bit), radius (metres from the
      centre to the farthest corner, rounded up), cut (bool: an MGRS
      square cut by its grid zone's edges), corner_count (int32), and the
      corners counter-clockwise from the south-west: corner_x, corner_y,
      corner_latitude, corner_longitude, object arrays whose entries are
      float64 arrays of corner_count values (empty without a square).

    ``len(result)``, ``result["name"]``, ``result.name``, ``keys()``,
    ``to_dict()`` and ``to_pandas()`` as for a Result; ``darwin_core()``
    gives the Darwin Core columns and Error alone, ``to_geopandas()`` the
    squares as polygons, ``geojson()`` the core's GeoJSON.
    """

    __slots__ = SQUARE_NAMES + ("_outline", "_codes", "_request")
    _names: tuple[str, ...] = SQUARE_NAMES

    def __init__(
        self, columns: dict[str, Any], codes: list[bytes], request: tuple[int, ...]
    ) -> None:
        count = len(codes)
        # The core's objects, parsed as one JSON array (a row whose code
        # failed has no text: no terms).
        terms = json.loads("[" + ",".join(t or "{}" for t in columns["darwin_core"]) + "]")
        for name in DARWIN_CORE:
            values = [row.get(name) for row in terms]
            if name in DARWIN_CORE_NUMBERS:
                array = np.array([np.nan if v is None else v for v in values], dtype=np.float64)
            else:
                array = _texts(["" if v is None else v for v in values])
            setattr(self, name, array)
        self.Error = _texts(list(columns["Error"]))
        self.Failure = _texts(list(columns["Failure"]))
        for name in NUMBERS:
            value = columns[name]
            if name in CORNERS:
                # Each row's corners, as many as it has.
                rows = np.empty(count, dtype=object)
                for i, n in enumerate(columns["corner_count"]):
                    rows[i] = value[i, :n].copy()
                value = rows
            elif name == "hemisphere":
                value = _texts(list(value))
            setattr(self, name, value)
        self._outline: list[np.ndarray | None] = list(columns["outline"])
        self._codes = codes
        self._request = request

    def __len__(self) -> int:
        return len(self._codes)

    def keys(self) -> tuple[str, ...]:
        """The names of the columns: the Darwin Core terms, Error, Failure, the numbers."""
        return self._names

    def darwin_core(self) -> dict[str, np.ndarray]:
        """The Darwin Core columns and Error, the columns a data publisher adds."""
        return {name: getattr(self, name) for name in DARWIN_CORE + ("Error",)}

    def to_pandas(self, index: Any = None, columns: Any = None) -> "pandas.DataFrame":
        """The columns (or those `columns` names) as a pandas DataFrame.

        coordinateUncertaintyInMeters is a nullable integer column (pandas'
        Int64), so that it is written as 708, not 708.0, and a row without a
        square is empty.  ``index`` as for Result.to_pandas: the index of the
        DataFrame the codes came from, so that the result joins to it.
        """
        try:
            import pandas
        except ImportError as missing:  # pragma: no cover - pandas is installed in the tests
            raise ImportError("SquareResult.to_pandas() needs pandas: pip install pandas") from missing
        names = self._names if columns is None else tuple(columns)
        for name in names:
            if name not in self._names:
                raise KeyError(name)
        data: dict[str, Any] = {name: getattr(self, name) for name in names}
        if "coordinateUncertaintyInMeters" in data:
            data["coordinateUncertaintyInMeters"] = pandas.array(
                data["coordinateUncertaintyInMeters"], dtype="Int64"
            )
        return pandas.DataFrame(data, index=index, copy=False)

    def to_geopandas(self, index: Any = None, columns: Any = None) -> "geopandas.GeoDataFrame":
        """The squares as a GeoDataFrame of polygons (geopandas and shapely
        must be installed).

        Each polygon is the core's outline of the square (longitude first,
        counter-clockwise, with the call's densify points along each edge);
        the CRS is that of the output datum (EPSG:4326 for WGS 1984).  A row
        without a square keeps its row, with no geometry (None).  The other
        columns are those of to_pandas().
        """
        try:
            import geopandas
            from shapely.geometry import Polygon
        except ImportError as missing:
            raise ImportError(
                "SquareResult.to_geopandas() needs geopandas and shapely: "
                "apt-get install python3-geopandas (or pip install geopandas)"
            ) from missing
        frame = self.to_pandas(index=index, columns=columns)
        geometry = [None if ring is None else Polygon(ring) for ring in self._outline]
        return geopandas.GeoDataFrame(
            frame, geometry=geometry, crs=f"EPSG:{DATUM_EPSG[self._request[3]]}"
        )

    def geojson(self) -> str:
        """The squares as a GeoJSON FeatureCollection: the core's Feature of
        each code, in order (a code without a square has a null geometry
        and its message in the properties' Error)."""
        features = _morvane._square_geojson(self._codes, *self._request)
        return '{"type":"FeatureCollection","features":[' + ",".join(features) + "]}"

    def __repr__(self) -> str:
        return f"<morvane.SquareResult of {len(self)} squares: {', '.join(self._names)}>"


def _codes(codes: Any) -> list[bytes]:
    """The codes as UTF-8 bytes.  A missing value (None, NaN, pandas NA) is
    an empty code, which names no square; a NUL character, which would cut
    the code short in the core, is read as U+FFFD, which no code holds."""
    if isinstance(codes, (str, bytes)):
        raise TypeError(f"codes must be a sequence of codes, not a single text: use [{codes!r}]")
    if isinstance(codes, (dict, set, frozenset)) or not hasattr(codes, "__iter__"):
        raise TypeError(f"codes must be a sequence of texts, not {type(codes).__name__}")
    if not isinstance(codes, (list, tuple, np.ndarray)) and not hasattr(codes, "to_numpy"):
        codes = list(codes)
    array = _as_array(codes, "codes", "text")
    if array.ndim != 1:
        raise ValueError(f"codes must be one-dimensional, not of shape {array.shape}")
    if array.dtype.kind not in "OUS":
        raise TypeError(f"codes takes texts, not {array.dtype}")
    missing = _missing(array) if array.dtype.kind == "O" else np.zeros(len(array), bool)
    out = []
    for i, v in enumerate(array):
        if missing[i]:
            out.append(b"")
        elif isinstance(v, str):
            out.append(_utf8(v.replace("\0", "\ufffd")))
        elif isinstance(v, bytes):
            out.append(v.replace(b"\0", "\ufffd".encode()))
        else:
            raise TypeError(f"codes takes texts, not {type(v).__name__} (codes[{i}] = {v!r})")
    return out


def squares(
    codes: Any,
    kind: KindLike = "ifbl",
    datum: DatumLike = "wgs84",
    code_datum: DatumLike = "wgs84",
    datum_known: bool = True,
    method: Union[str, int] = "shift",
    densify: int = 0,
) -> SquareResult:
    """The squares that a column of IFBL codes or MGRS references names.

    codes: a list, tuple, numpy array or pandas Series of texts (str, or
        bytes in UTF-8); a missing value is a code that names no square.
    kind: "ifbl" (IFBL square codes, on the Belgian datum 1972: a code of
        two characters names a 32 x 20 km square, of four 4 km, of six 1
        km) or "mgrs" (MGRS references); also OriginalCoordinates.mvIFBL,
        "mvMgrs" or their numbers.
    datum: the datum of the latitudes and longitudes (decimalLatitude,
        the corners, the footprint), as convert() takes datums.
    code_datum: the datum the MGRS references are on (IFBL codes are on
        the Belgian datum 1972 whatever it says).
    datum_known: False when the references' datum is not known: the
        uncertainty then adds the spread of the centre over the datums.
    method: "shift" or "grid", as for convert().
    densify: points added along each edge of the outline, 0 to 1000.

    Every value comes from the core, as its C interface gives it
    (morvane_square_of, morvane_square_outline, morvane_square_darwin_core):
    see SquareResult for the columns.  A code that names no square keeps
    its row, with the core's message in Error.  Arguments that make no
    sense (a kind other than IFBL or MGRS, an unknown datum or method,
    densify outside 0..1000, codes that are not texts) raise ValueError
    or TypeError before any square is made.  The GIL is released while the
    squares are made.

        >>> r = morvane.squares(["E42544", "E4.25"])
        >>> r.coordinateUncertaintyInMeters, r.footprintWKT
        >>> r.to_pandas(), r.to_geopandas(), r.geojson()
    """
    chosen = _kind(kind)
    if chosen not in SQUARE_KINDS:
        raise ValueError(f"kind must be 'ifbl' or 'mgrs' for squares, not {kind!r}")
    out = _datum(datum, "datum")
    source = _datum(code_datum, "code_datum")
    if not isinstance(datum_known, (bool, np.bool_)):
        raise TypeError(f"datum_known must be True or False, not {type(datum_known).__name__}")
    how = _setting(method, "method", METHOD_KEYS, _morvane.method_by_name)
    points = _integer(densify, "densify")
    if not 0 <= points <= MAX_DENSIFY:
        raise ValueError(f"densify must be 0 to {MAX_DENSIFY}, not {points}")
    assert out in DATUM_KEYS and source in DATUM_KEYS
    texts = _codes(codes)
    request = (chosen, source, bool(datum_known), out, how, points)
    return SquareResult(_morvane._squares(texts, *request), texts, request)
