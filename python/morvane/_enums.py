"""The two enumerations of the interface, made from the core's tables.

The core defines the input kinds and the datums once (their numbers,
member names, short keys and labels); this module reads its tables when
the package is imported, so that a kind or datum the core gains is here
without being written again.  The enumerations hold those the object
takes (``object`` in the tables): Lambert 2008 and ETRS89 are conversions
of the batch call only, which convert() takes by name or number.
"""

from __future__ import annotations

import enum
import json
from typing import Any

from . import _morvane

# The core's tables: "kinds", "datums", "properties", "failures", "messages",
# "methods", "heightKinds", "steps".
TABLES: dict[str, Any] = json.loads(_morvane.names_json())


def _enumeration(name: str, rows: list[dict[str, Any]], doc: str) -> Any:
    members = [(row["member"], row["number"]) for row in sorted(rows, key=lambda r: r["number"])]
    # module and qualname: members pickle by name, as those of a class would.
    made = enum.IntEnum(name, members, module=__name__, qualname=name)  # type: ignore[misc]
    made.__doc__ = doc
    return made


OriginalCoordinates = _enumeration(
    "OriginalCoordinates",
    [row for row in TABLES["kinds"] if row["object"]],
    "The kind of the input (ZedizAdo.OrigType, the ``kind`` of convert).",
)
InternalDatums = _enumeration(
    "InternalDatums",
    [row for row in TABLES["datums"] if row["object"]],
    "The datums (ZedizAdo.DatumFrom and DatumDest, the datums of convert).",
)
