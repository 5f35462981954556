"""Morvane: points between the reference systems used in Belgium.

Latitude and longitude in decimal degrees and in degrees, minutes and
seconds on four datums (European 1950, the Belgian datum 1972, WGS 1984,
the Nouvelle Triangulation Française), Belgian Lambert 1972, UTM, MGRS
references and IFBL grid squares; and Belgium's systems of today: ETRS89,
Belgian Lambert 2008, the national agency's BD72 <-> ETRS89 grid and
Ostend heights through the hBG18 quasi-geoid (the grids are compiled in:
IGN/NGI Belgium, CC BY 4.0, credited in GRIDS-NOTICE.md beside this file).

- ZedizAdo: one point at a time, the object of the interface.
- convert(kind, *columns, ...): whole columns (numpy arrays, lists, pandas
  Series) at once, returning a Result of numpy arrays (a TodayResult, with
  Lambert 2008, heights, Route and Accuracy, for today's systems).
- point(kind, *values, ...): one point in today's systems, as a Point.
- squares(codes, kind="ifbl"|"mgrs", ...): the squares a column of IFBL
  codes or MGRS references names, with their Darwin Core terms, as a
  SquareResult (to_pandas(), to_geopandas(), geojson()).
- find_columns(names) and convert_frame(frame, ...): tables as people and
  standards write them (a GBIF download, a Darwin Core file whose rows say
  their own coordinate system), the columns found by their names.
- OriginalCoordinates and InternalDatums: the enumerations, their members
  also here (mvDeg, mvWGS1984, ...).
- Failure: what ZedizAdo.Conversion() raises when it fails.
"""

from __future__ import annotations

from ._errors import Failure
from ._enums import InternalDatums, OriginalCoordinates
from ._morvane import ZedizAdo
from ._morvane import version as _version
from ._convert import convert
from ._frame import FrameColumns, convert_frame, find_columns
from ._point import Point, point
from ._result import Result, TodayResult
from ._squares import SquareResult, squares

# The members of both enumerations, also here (mvDeg, mvWGS1984, ...).
_MEMBERS = (*OriginalCoordinates, *InternalDatums)
globals().update((member.name, member) for member in _MEMBERS)

# Shown as the package's own, where it exports them.
for _exported in (
    Failure, InternalDatums, OriginalCoordinates, Result, TodayResult, Point, SquareResult,
    FrameColumns,
):
    _exported.__module__ = __name__
del _exported

__version__: str = _version()

__all__ = [
    "ZedizAdo",
    "convert",
    "Result",
    "TodayResult",
    "point",
    "Point",
    "squares",
    "find_columns",
    "convert_frame",
    "FrameColumns",
    "SquareResult",
    "Failure",
    "OriginalCoordinates",
    "InternalDatums",
    *(member.name for member in _MEMBERS),
]
del _MEMBERS
