"""morvane.Result: the columns that convert() returns."""

from __future__ import annotations

from typing import TYPE_CHECKING, Any, Iterator

import numpy as np
import numpy.typing as npt

if TYPE_CHECKING:  # pragma: no cover
    import pandas

from ._enums import TABLES

# The outputs, in the interface's order: the properties that the core's
# batch call writes, then the failure's name.
NAMES: tuple[str, ...] = tuple(row["name"] for row in TABLES["properties"] if row["output"]) + (
    "Failure",
)
# The outputs of Belgium's systems of today (the extra outputs of the batch
# call): X2008, Y2008, EllipsoidalHeight, OstendHeight, Route, Accuracy.
TODAY_NAMES: tuple[str, ...] = tuple(row["name"] for row in TABLES["properties"] if row["extra"])


class Columns:
    """The mapping of a result's columns: ``result["X"]``, ``"X" in
    result``, iteration over the names, ``to_dict()``.  A subclass names
    its columns in ``_names`` and holds each as an attribute."""

    __slots__ = ()
    _names: tuple[str, ...] = ()

    def __getitem__(self, name: str) -> np.ndarray:
        if name not in self._names:
            raise KeyError(name)
        return getattr(self, name)  # type: ignore[no-any-return]

    def __iter__(self) -> Iterator[str]:
        return iter(self._names)

    def __contains__(self, name: object) -> bool:
        return name in self._names

    def to_dict(self) -> dict[str, np.ndarray]:
        """A new dict of the arrays (the arrays themselves, not copies)."""
        return {name: getattr(self, name) for name in self._names}


class Result(Columns):
    """The points of one convert() call, one numpy array per property.

    Each array has one entry per point, named as the ZedizAdo property it
    holds: Latitude, Longitude, X, Y, Northing, Easting (float64),
    LatDmsDeg, LatDmsMin, LonDmsDeg, LonDmsMin (int16), LatDmsSec,
    LonDmsSec (float32), and the texts MGRS, IFBL, Error (the point's
    French message, empty when there is none) and Failure (the failure's
    name, such as "IndexOutOfRange", empty when the conversion did not
    fail) as numpy unicode arrays.  A point with a message or a failure
    still has every entry: those of a fresh object after that conversion.

    ``len(result)`` is the number of points, ``result["X"]`` and
    ``result.X`` the same array; ``to_dict()`` and ``to_pandas()`` give
    them all.
    """

    __slots__ = NAMES
    # The columns of this class of result, in order.
    _names: tuple[str, ...] = NAMES

    Latitude: npt.NDArray[np.float64]
    Longitude: npt.NDArray[np.float64]
    LatDmsDeg: npt.NDArray[np.int16]
    LatDmsMin: npt.NDArray[np.int16]
    LatDmsSec: npt.NDArray[np.float32]
    LonDmsDeg: npt.NDArray[np.int16]
    LonDmsMin: npt.NDArray[np.int16]
    LonDmsSec: npt.NDArray[np.float32]
    X: npt.NDArray[np.float64]
    Y: npt.NDArray[np.float64]
    Northing: npt.NDArray[np.float64]
    Easting: npt.NDArray[np.float64]
    MGRS: npt.NDArray[np.str_]
    IFBL: npt.NDArray[np.str_]
    Error: npt.NDArray[np.str_]
    Failure: npt.NDArray[np.str_]

    def __init__(self, columns: dict[str, np.ndarray]) -> None:
        for name in self._names:
            setattr(self, name, columns[name])

    def __len__(self) -> int:
        return len(self.Latitude)

    def keys(self) -> tuple[str, ...]:
        """The names of the columns, in the interface's order."""
        return self._names

    def to_pandas(self, index: Any = None) -> "pandas.DataFrame":
        """The columns as a pandas DataFrame (pandas must be installed).

        ``index`` is the DataFrame's index, for instance the index of the
        DataFrame whose columns were converted, so that the result can be
        joined to it.
        """
        try:
            import pandas
        except ImportError as missing:  # pragma: no cover - pandas is installed in the tests
            raise ImportError("Result.to_pandas() needs pandas: pip install pandas") from missing
        return pandas.DataFrame(self.to_dict(), index=index, copy=False)

    def __repr__(self) -> str:
        return f"<morvane.{type(self).__name__} of {len(self)} points: {', '.join(self._names)}>"


class TodayResult(Result):
    """A Result with the columns of Belgium's systems of today after the others.

    convert() returns one when the call uses them (Lambert 2008, ETRS89,
    the grid method, heights) or asks for them with ``today=True``:

    - X2008, Y2008: Belgian Lambert 2008 (EPSG:3812), metres (float64);
    - EllipsoidalHeight, OstendHeight: the point's ETRS89 ellipsoidal
      height and its Ostend height (EPSG:5710, through the hBG18
      quasi-geoid), metres, NaN when the call has no heights;
    - Route: the steps of the point's datum changes as the core writes
      them ("grid BD72→ETRS89 (EPSG:8369)", "three-parameter shift BD72→WGS
      84; WGS 84 taken for ETRS89"; "none" when its position changed no
      datum), a numpy unicode array;
    - Accuracy: the accuracy in metres that those steps state (float64).

    A point with a message or a failure has NaN there and an empty Route.
    """

    __slots__ = TODAY_NAMES
    _names = NAMES + TODAY_NAMES

    X2008: npt.NDArray[np.float64]
    Y2008: npt.NDArray[np.float64]
    EllipsoidalHeight: npt.NDArray[np.float64]
    OstendHeight: npt.NDArray[np.float64]
    Route: npt.NDArray[np.str_]
    Accuracy: npt.NDArray[np.float64]
