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


class Result:
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
        for name in NAMES:
            setattr(self, name, columns[name])

    def __len__(self) -> int:
        return len(self.Latitude)

    def __getitem__(self, name: str) -> np.ndarray:
        if name not in NAMES:
            raise KeyError(name)
        return getattr(self, name)  # type: ignore[no-any-return]

    def __iter__(self) -> Iterator[str]:
        return iter(NAMES)

    def __contains__(self, name: object) -> bool:
        return name in NAMES

    def keys(self) -> tuple[str, ...]:
        """The names of the columns, in the interface's order."""
        return NAMES

    def to_dict(self) -> dict[str, np.ndarray]:
        """A new dict of the arrays (the arrays themselves, not copies)."""
        return {name: getattr(self, name) for name in NAMES}

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
        return f"<morvane.Result of {len(self)} points: {', '.join(NAMES)}>"
