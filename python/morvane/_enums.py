"""The two enumerations of the interface."""

from __future__ import annotations

import enum


class OriginalCoordinates(enum.IntEnum):
    """The kind of the input (ZedizAdo.OrigType, the ``kind`` of convert)."""

    mvMgrs = 1
    mvDeg = 2
    mvIFBL = 3
    mvLambert72 = 4
    mvDegMinSec = 5


class InternalDatums(enum.IntEnum):
    """The datums (ZedizAdo.DatumFrom and DatumDest, the datums of convert)."""

    mvEuropeanData1950 = 1
    mvBelgium1972 = 2
    mvWGS1984 = 3
    mvNTF = 4
