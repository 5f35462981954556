"""The compiled core of the morvane package (use `import morvane`)."""

from typing import Any

import numpy as np

def version() -> str:
    """The version of the library, "0.3.0"."""

def failure_name(code: int) -> str:
    """The name of a status code of the batch call ("IndexOutOfRange" for 1, ...)."""

def names_json() -> str:
    """The core's tables of kinds, datums, properties, failures and messages, as JSON."""

def kind_by_name(name: str) -> int:
    """The number of the input kind a name stands for ("deg", "mvDeg"), or 0."""

def datum_by_name(name: str) -> int:
    """The number of the datum a name stands for ("wgs84", "mvWGS1984", "3"), or 0."""

def method_by_name(name: str) -> int:
    """The number of the method a name stands for ("shift", "grid"), or -1."""

def height_kind_by_name(name: str) -> int:
    """The number of the height kind a name stands for ("ellipsoidal", "ostend", "none"), or -1."""

def grids_loaded() -> int:
    """1 when the national agency's grids are there (they are compiled in)."""

def _convert(
    kind: int,
    datum_from: int,
    datum_to: int,
    mgrs_precision: int,
    ifbl_precision: int,
    columns: tuple[np.ndarray, ...],
    count: int,
    threads: int,
    lones: list[tuple[int, bytes]] = ...,
    method: int = ...,
    height_kind: int = ...,
    height: np.ndarray | None = ...,
    today: bool = ...,
) -> dict[str, np.ndarray]: ...

def _squares(
    codes: list[bytes],
    kind: int,
    datum_code: int,
    datum_known: bool,
    datum_out: int,
    method: int,
    densify: int,
) -> dict[str, Any]: ...
def _square_geojson(
    codes: list[bytes],
    kind: int,
    datum_code: int,
    datum_known: bool,
    datum_out: int,
    method: int,
    densify: int,
) -> list[str]: ...

def column_roles() -> list[tuple[int, str, str]]:
    """The roles of a table's columns: (number, key, label)."""

def kind_roles(kind: int) -> list[int]:
    """The roles an input kind reads, in the order of its properties."""

def column_role_of(header: str) -> int:
    """The role a header name stands for, or 0."""

def datum_of_srs(srs: str) -> int:
    """The datum a verbatimSRS or geodeticDatum names, or 0."""

def route_text(route: int) -> str:
    """The core's text of a Route's steps ("none" for 0)."""

def _find_columns(
    names: list[str], kind: int, codes_only: bool, height: bool
) -> tuple[int, str, int, int, int, dict[int, int]]: ...

def _convert_rows(
    kind: int,
    datum_from: int,
    datum_to: int,
    mgrs_precision: int,
    ifbl_precision: int,
    columns: tuple[Any, ...],
    coordinates: list[bytes] | None,
    systems: list[bytes] | None,
    datums: list[bytes] | None,
    count: int,
    threads: int,
    method: int,
    height_kind: int,
    height: np.ndarray | None,
) -> dict[str, np.ndarray]: ...

class ZedizAdo:
    """One point in every representation Morvane knows."""

    def __init__(self) -> None: ...
    def Conversion(self) -> None:
        """Converts the input that OrigType names; raises morvane.Failure when it fails."""
    def Reset(self) -> None:
        """Empties Error and clears the input and output properties but the datums,
        precisions and DMS fields."""
    Latitude: float
    Longitude: float
    X: float
    Y: float
    Northing: float
    Easting: float
    LatDmsDeg: int
    LatDmsMin: int
    LatDmsSec: float
    LonDmsDeg: int
    LonDmsMin: int
    LonDmsSec: float
    OrigType: int
    """An OriginalCoordinates member, or a plain int when the stored value names none."""
    mgrsPrecision: int
    IfblPrecision: int
    MGRS: str
    IFBL: str
    @property
    def Error(self) -> str:
        """Read-only: the last message, empty when there is none."""
    # Write-only (reading raises AttributeError): an InternalDatums member or int.
    @property
    def DatumFrom(self) -> Any: ...
    @DatumFrom.setter
    def DatumFrom(self, value: int) -> None: ...
    @property
    def DatumDest(self) -> Any: ...
    @DatumDest.setter
    def DatumDest(self, value: int) -> None: ...
    def __copy__(self) -> "ZedizAdo": ...
    def __deepcopy__(self, memo: Any) -> "ZedizAdo": ...
    def __eq__(self, other: object) -> bool: ...
