"""morvane.find_columns and morvane.convert_frame: tables as people write them.

The names a header may give each column are the core's (one table, in
English, Dutch, French, German and the Darwin Core terms); the core chooses
a header's columns (morvane_find_columns) and converts the rows
(morvane_convert_rows), reading each row's kind and datum from its own
texts when the table has them (verbatimCoordinates with
verbatimCoordinateSystem and verbatimSRS, or degrees with geodeticDatum).
Nothing here knows a column name, a kind's name or a datum's name: this
module moves the frame's cells to the core and its results back.
"""

from __future__ import annotations

import re
from dataclasses import dataclass, field
from typing import TYPE_CHECKING, Any, Iterable, Mapping, Sequence, Union

import numpy as np

if TYPE_CHECKING:  # pragma: no cover
    import pandas

from . import _morvane
from ._convert import (
    DATUM_KEYS,
    HEIGHT_KEYS,
    KIND_KEYS,
    MAX_THREADS,
    METHOD_KEYS,
    NO_HEIGHT,
    OBJECT_DATUMS,
    OBJECT_KINDS,
    SHIFT,
    INT16,
    INT32,
    DatumLike,
    KindLike,
    _as_array,
    _bounded,
    _columns,
    _datum,
    _integer,
    _kind,
    _missing,
    _numbers,
    _setting,
    _utf8,
)
from ._enums import TABLES
from ._result import NAMES, TODAY_NAMES
from ._squares import DARWIN_CORE, squares

# The roles of a table's columns, from the core: number -> key ("Latitude",
# "verbatimCoordinates", ...), and key -> number.
ROLE_KEYS: dict[int, str] = {number: key for number, key, _ in _morvane.column_roles()}
ROLES: dict[str, int] = {key: number for number, key in ROLE_KEYS.items()}
# The roles whose columns hold a row's kind and datum.
VERBATIM = ROLES["verbatimCoordinates"]
SYSTEM = ROLES["verbatimCoordinateSystem"]
HEIGHT = ROLES["Height"]
# The kinds whose texts name squares, and Lambert 2008 and ETRS89, which
# only today's systems have.
IFBL = _morvane.kind_by_name("ifbl")
MGRS = _morvane.kind_by_name("mgrs")
TODAY_KINDS = frozenset(KIND_KEYS) - OBJECT_KINDS
TODAY_DATUMS = frozenset(DATUM_KEYS) - OBJECT_DATUMS
DATUM_EPSG: dict[int, int] = {row["number"]: row["epsg"] for row in TABLES["datums"]}

# The Darwin Core terms convert_frame writes with darwin_core=True: the
# point's terms of those the squares have, in their order, and Error.
DARWIN_CORE_NAMES: tuple[str, ...] = DARWIN_CORE[:4] + ("Error",)
# What the hint of a refused header says.
HINT = "; give them with columns="
GIVEN_HINT = " (from the columns given with columns=)"
# A number written as text in a number column: "50.85", "-4", "1.5e5".
NUMBER_TEXT = re.compile(r"[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?")


@dataclass(frozen=True)
class FrameColumns:
    """The columns of a table to read, as find_columns chose them.

    kind: the input kind's key ("deg", "lambert", ...), or "verbatim" when
        each row writes its point in verbatimCoordinates and says its kind
        in verbatimCoordinateSystem.
    columns: role -> column: the role's key as the core names it
        ("Latitude", "X", "IFBL", "verbatimCoordinates",
        "verbatimCoordinateSystem", "verbatimSRS", "geodeticDatum",
        "Height") and the column's label, as the table has it.
    datum_column: the label of the column that names each row's datum
        (verbatimSRS for verbatim rows, geodeticDatum for degrees), or None.
    """

    kind: str
    columns: dict[str, Any] = field(default_factory=dict)
    datum_column: Any = None


@dataclass
class _Chosen:
    """Columns by position: the kind (0: verbatim rows) and role -> position."""

    kind: int
    at: dict[int, int]
    datum: int  # position, -1 for none


def _labels(names: Any) -> list[Any]:
    if isinstance(names, (str, bytes)):
        raise TypeError("names must be a sequence of column names, not a single text")
    if hasattr(names, "columns") and hasattr(names, "iloc"):
        names = names.columns  # a DataFrame: its header
    if isinstance(names, (dict, set, frozenset)) or not hasattr(names, "__iter__"):
        raise TypeError(f"names must be a sequence of column names, not {type(names).__name__}")
    return list(names)


def _header_text(label: Any) -> str:
    """A column label as the core reads a header's name: a NUL reads as
    U+FFFD, which no name holds, so that no name is read cut short."""
    text = label if isinstance(label, str) else str(label)
    return _utf8(text.replace("\0", "\ufffd")).decode("utf-8")


def _find(header: list[str], kind: int, height: bool, hint: str = HINT) -> _Chosen:
    status, reason, found, datum, _, at = _morvane._find_columns(header, kind, False, height)
    if status != 0:
        raise ValueError(reason + hint)
    return _Chosen(found, {int(role): int(i) for role, i in at.items()}, int(datum))


def _optional_kind(kind: Any) -> int:
    return 0 if kind is None else _kind(kind)


def find_columns(names: Any, kind: Union[KindLike, None] = None, height: bool = False) -> FrameColumns:
    """The columns of a table to read, chosen by the core from their names.

    names: the header (a list of column names, a pandas Index, or a
        DataFrame, whose columns are taken).  Names are compared without
        letter case, blanks, '_', '-', '.' and '/': "Decimal Latitude" is
        decimalLatitude.  The names of each input are the core's; see
        docs/columns.md.
    kind: None to find the kind from the names (degrees, Lambert 72, MGRS,
        IFBL; Lambert 2008 and DMS when none of those is there; otherwise
        verbatimCoordinates, whose rows say their own kind), or the kind
        whose columns to look for, as convert() takes kinds.
    height: True to look for a height column too.

    Raises ValueError with the core's reason when the names give no
    columns to read or several candidates for one input (the reason names
    them: "more than one column could be the latitude: 'Breedte' (1),
    'Lat' (3)"), with a hint to name them by hand with columns=.
    """
    labels = _labels(names)
    chosen_kind = _optional_kind(kind)
    if not isinstance(height, (bool, np.bool_)):
        raise TypeError(f"height must be True or False, not {type(height).__name__}")
    chosen = _find([_header_text(label) for label in labels], chosen_kind, bool(height))
    return FrameColumns(
        kind=KIND_KEYS[chosen.kind] if chosen.kind else "verbatim",
        columns={ROLE_KEYS[role]: labels[i] for role, i in sorted(chosen.at.items())},
        datum_column=labels[chosen.datum] if chosen.datum >= 0 else None,
    )


def _position(labels: list[Any], label: Any, what: str) -> int:
    found = [i for i, name in enumerate(labels) if _same_label(name, label)]
    if not found:
        raise ValueError(f"columns: no column {label!r} in the frame (for {what})")
    if len(found) > 1:
        raise ValueError(f"columns: {len(found)} columns are named {label!r} (for {what})")
    return found[0]


def _same_label(a: Any, b: Any) -> bool:
    """Whether a frame's label is the one given (True is no column 1)."""
    if isinstance(a, (bool, np.bool_)) != isinstance(b, (bool, np.bool_)):
        return False
    try:
        return bool(a == b)
    except (TypeError, ValueError):  # labels that compare as arrays
        return False


def _given(labels: list[Any], columns: Any, kind: int, height: bool) -> _Chosen:
    """The columns a caller names: a mapping of role (or the kind's input
    property) -> column, or a sequence in the kind's input order.  The core
    chooses the kind from them, as it would from a header that named only
    those columns by their roles."""
    roles: dict[int, Any] = {}
    if isinstance(columns, Mapping):
        inputs = _morvane.kind_roles(kind) if kind else []
        properties = [row["inputs"] for row in TABLES["kinds"] if row["number"] == kind]
        for key, label in columns.items():
            if not isinstance(key, str):
                raise TypeError(f"columns: the keys are the inputs' names, not {type(key).__name__}")
            role = 0
            # The kind's own properties first: X of Lambert 2008 is its X2008.
            if properties and key in properties[0]:
                role = inputs[properties[0].index(key)]
            role = role or ROLES.get(key, 0) or _morvane.column_role_of(key)
            if role == 0:
                raise ValueError(
                    f"columns: unknown input {key!r}: use {', '.join(repr(k) for k in ROLES)}"
                )
            if role in roles:
                raise ValueError(f"columns: two keys name the {ROLE_KEYS[role]}")
            roles[role] = label
    elif isinstance(columns, (list, tuple)):
        if not kind:
            raise TypeError("columns as a list needs kind=, whose inputs they are in order")
        inputs = _morvane.kind_roles(kind)
        if len(columns) not in (len(inputs), len(inputs) + 1):
            names = ", ".join(ROLE_KEYS[r] for r in inputs)
            raise ValueError(
                f"columns: {KIND_KEYS[kind]!r} input reads {len(inputs)} column"
                f"{'s' if len(inputs) > 1 else ''} ({names}), and a height after them;"
                f" not {len(columns)}"
            )
        roles = dict(zip(inputs, columns))
        if len(columns) > len(inputs):
            roles[HEIGHT] = columns[-1]
    else:
        raise TypeError(
            f"columns must be a dict of inputs to columns or a list, not {type(columns).__name__}"
        )
    # A header that holds the roles' own names where the given columns are.
    header = [""] * len(labels)
    for role, label in roles.items():
        i = _position(labels, label, ROLE_KEYS[role])
        if header[i]:
            raise ValueError(f"columns: {label!r} is given for two inputs")
        header[i] = ROLE_KEYS[role]
    chosen = _find(header, kind, height, GIVEN_HINT)
    # A column given for an input that the chosen kind does not read would
    # be left unread without a word.
    for role, label in roles.items():
        if role not in chosen.at:
            kind_name = KIND_KEYS[chosen.kind] if chosen.kind else "verbatim"
            raise ValueError(
                f"columns: {ROLE_KEYS[role]} ({label!r}) is not read with {kind_name} input"
                + (": give height_kind= for a height column" if role == HEIGHT else "")
            )
    return chosen


def _row_texts(values: np.ndarray, label: Any, index: Any) -> list[bytes]:
    """Cells as the core reads texts: UTF-8 bytes, a missing cell empty, a
    NUL read as U+FFFD (which no name or coordinate holds), numbers as
    their text ("4326" for an EPSG code a reader took for a number)."""
    import pandas

    if pandas.api.types.infer_dtype(values, skipna=True) in ("string", "empty"):
        # Texts and missing cells only, the usual column: each distinct text
        # is encoded once (a column of systems or datums holds a few).
        codes, uniques = pandas.factorize(values)
        encoded = [_utf8(v.replace("\0", "\ufffd")) for v in uniques] + [b""]
        return [encoded[c] for c in codes]
    missing = _missing(values)
    out: list[bytes] = []
    for i, v in enumerate(values):
        if missing[i]:
            out.append(b"")
        elif isinstance(v, str):
            out.append(_utf8(v.replace("\0", "\ufffd")))
        elif isinstance(v, bytes):
            out.append(v.replace(b"\0", "\ufffd".encode()))
        elif isinstance(v, (bool, np.bool_)):
            raise TypeError(f"column {label!r} holds texts, not booleans (row {index[i]!r})")
        elif isinstance(v, (int, np.integer)):
            out.append(str(int(v)).encode())
        elif isinstance(v, (float, np.floating)):
            number = float(v)
            whole = np.isfinite(number) and number == int(number) and abs(number) < 2**53
            out.append((str(int(number)) if whole else repr(number)).encode())
        else:
            raise TypeError(
                f"column {label!r} holds texts, not {type(v).__name__} (row {index[i]!r}: {v!r})"
            )
    return out


def _row_numbers(series: Any, label: Any) -> Any:
    """A number column as convert() takes it; texts that are numbers
    ("50.85", " 4.3 ") are those numbers, blank texts missing values."""
    if series.dtype != object and getattr(series.dtype, "kind", "O") != "O":
        return series
    values = series.to_numpy(dtype=object).copy()
    for i, v in enumerate(values):
        if isinstance(v, bytes):
            v = v.decode("utf-8", "replace")
        if isinstance(v, str):
            text = v.strip()
            if not text:
                values[i] = None
            elif NUMBER_TEXT.fullmatch(text):
                values[i] = float(text)
            else:
                raise TypeError(
                    f"column {label!r} takes numbers, not the text {v!r} (row {series.index[i]!r});"
                    " read the file with decimal=',' when it writes decimal commas"
                )
    return values


def _output_names(darwin_core: bool, outputs: Any, today: bool) -> list[str]:
    """The outputs asked for (by default with today's columns when `today`)."""
    available = DARWIN_CORE_NAMES if darwin_core else NAMES + TODAY_NAMES
    if outputs is None:
        if darwin_core:
            return list(DARWIN_CORE_NAMES)
        return list(NAMES + (TODAY_NAMES if today else ()))
    if isinstance(outputs, str) or not isinstance(outputs, (list, tuple)):
        raise TypeError(f"outputs must be a list of output names, not {type(outputs).__name__}")
    names = list(outputs)
    for name in names:
        if not isinstance(name, str) or name not in available:
            raise ValueError(
                f"outputs: unknown output {name!r}: use {', '.join(repr(n) for n in available)}"
            )
    if len(set(names)) != len(names):
        raise ValueError("outputs: an output is named twice")
    return names


def _free_names(taken: Iterable[Any], wanted: Sequence[str]) -> list[str]:
    """Output names that no column of the frame has (letter case and blanks
    around a name aside): "X" when the frame has an "x" is "X_2", as the
    tool's CSV names them."""
    used = [str(t).strip().lower() for t in taken]
    out = []
    for want in wanted:
        name, suffix = want, 2
        while name.lower() in used:
            name, suffix = f"{want}_{suffix}", suffix + 1
        used.append(name.lower())
        out.append(name)
    return out


def _objects(texts: list[str]) -> np.ndarray:
    """A column of texts as pandas holds them: an object array of str."""
    array = np.empty(len(texts), dtype=object)
    array[:] = texts
    return array


def convert_frame(
    frame: "pandas.DataFrame",
    datum_from: DatumLike = "wgs84",
    datum_to: DatumLike = "wgs84",
    columns: Any = None,
    outputs: Union[Sequence[str], None] = None,
    darwin_core: bool = False,
    kind: Union[KindLike, None] = None,
    method: Union[str, int] = "shift",
    mgrs_precision: int = 0,
    ifbl_precision: int = 0,
    threads: int = 1,
    height_kind: Union[str, int, None] = None,
    today: Union[bool, None] = None,
) -> "pandas.DataFrame":
    """Converts the points of a table; returns a copy of the frame with the
    outputs added after its columns (its columns untouched, its index kept).

    The columns to read are found by their names (see find_columns and
    docs/columns.md): latitude and longitude, DMS fields, Lambert 72 or
    Lambert 2008 X and Y, MGRS, IFBL, or Darwin Core verbatimCoordinates
    with verbatimCoordinateSystem, whose rows say their own kind (several
    kinds in one table, IFBL codes beside MGRS references, Lambert X, Y and
    degrees).  Each row's datum comes from verbatimSRS (verbatim rows) or
    geodeticDatum (degrees) when the table has it; an empty cell or
    "unknown" takes datum_from.

    columns: the columns to read, when their names do not say: a dict of
        input -> column label ({"Latitude": "lat_n", "Longitude": "lon_e",
        "geodeticDatum": "datum"}; the inputs are the core's role keys, or
        the kind's own properties with kind=), or a list in the kind's
        input order with kind= (a height column after them).  Only the
        columns named are read.
    kind: the kind of every row (the default kind of verbatim rows whose
        system cell is empty), as convert() takes kinds; None: from the
        names.
    outputs: the output columns, in order; None for all: the columns of
        morvane.convert's Result (Latitude, Longitude, the DMS fields, X, Y,
        Northing, Easting, MGRS, IFBL, Error, Failure, with the same dtypes)
        and those of today's systems when the table uses them (Lambert 2008
        or ETRS89 rows, the grid, heights) or today=True.
    darwin_core: True for the Darwin Core terms instead: decimalLatitude,
        decimalLongitude (on datum_to), geodeticDatum ("EPSG:4326" for
        WGS 1984), coordinateUncertaintyInMeters (an IFBL or MGRS row's
        square's, as morvane.squares gives it; the stated accuracy of the
        datum changes for other rows, empty when they changed no datum,
        since zero is no uncertainty), and Error.
    datum_from, datum_to, method, mgrs_precision, ifbl_precision, threads:
        as for convert().
    height_kind: None (no heights), "ellipsoidal" or "ostend": the table's
        height column (found by its name) holds such heights.

    An output name the frame already has gets "_2" ("_3", ...), as the
    tool's CSV output does.  A row whose cells name no point (empty, NaN,
    None, a text that is not of its kind, an unknown system or datum)
    keeps its row, with the core's message in Error and NaN numbers;
    every other row is converted as a fresh object with its kind and datum
    converts it, to the same bits as convert().  Arguments that make no
    sense (not a DataFrame, an unknown column, kind, datum or output,
    texts in a number column, a header whose columns cannot be chosen)
    raise TypeError or ValueError before any row is converted.

        >>> frame = pandas.read_csv("occurrence.txt", sep="\\t")
        >>> morvane.convert_frame(frame, datum_to="bd72", outputs=["X", "Y", "Error"])
        >>> morvane.convert_frame(dwc, darwin_core=True)
    """
    try:
        import pandas
    except ImportError as missing:  # pragma: no cover - pandas is installed in the tests
        raise ImportError("convert_frame() needs pandas: pip install pandas") from missing
    if not isinstance(frame, pandas.DataFrame):
        raise TypeError(f"convert_frame takes a pandas DataFrame, not {type(frame).__name__}")
    source = _datum(datum_from, "datum_from")
    destination = _datum(datum_to, "datum_to")
    default_kind = _optional_kind(kind)
    chosen_method = _setting(method, "method", METHOD_KEYS, _morvane.method_by_name)
    mgrs = _bounded(mgrs_precision, "mgrs_precision", INT32)
    ifbl = _bounded(ifbl_precision, "ifbl_precision", INT16)
    workers = _integer(threads, "threads")
    if workers < 0:
        raise ValueError(f"threads must be 0 (every core) or more, not {workers}")
    heights = NO_HEIGHT
    if height_kind is not None:
        heights = _setting(height_kind, "height_kind", HEIGHT_KEYS, _morvane.height_kind_by_name)
    if not isinstance(darwin_core, (bool, np.bool_)):
        raise TypeError(f"darwin_core must be True or False, not {type(darwin_core).__name__}")
    if today is not None and not isinstance(today, (bool, np.bool_)):
        raise TypeError(f"today must be True, False or None, not {type(today).__name__}")
    if today is False and heights != NO_HEIGHT:
        raise ValueError("heights come out in the columns of today's systems: not with today=False")
    _output_names(bool(darwin_core), outputs, False)  # checked before any work

    labels = list(frame.columns)
    with_height = heights != NO_HEIGHT
    if columns is None:
        chosen = _find([_header_text(label) for label in labels], default_kind, with_height)
    else:
        chosen = _given(labels, columns, default_kind, with_height)
    count = len(frame)
    index = frame.index

    def cells(role: int) -> np.ndarray:
        return frame.iloc[:, chosen.at[role]].to_numpy(dtype=object)

    def label(role: int) -> Any:
        return labels[chosen.at[role]]

    kind_columns: tuple[Any, ...] = ()
    coordinates = systems = None
    if chosen.kind == 0:
        coordinates = _row_texts(cells(VERBATIM), label(VERBATIM), index)
        if SYSTEM in chosen.at:
            systems = _row_texts(cells(SYSTEM), label(SYSTEM), index)
        row_kind = default_kind
    else:
        row_kind = chosen.kind
        roles = _morvane.kind_roles(chosen.kind)
        if chosen.kind in (IFBL, MGRS):
            kind_columns = (_row_texts(cells(roles[0]), label(roles[0]), index),)
        else:
            series = [_row_numbers(frame.iloc[:, chosen.at[r]], label(r)) for r in roles]
            kind_columns, _, _ = _columns(chosen.kind, tuple(series))
            kind_columns = tuple(np.ascontiguousarray(a) for a in kind_columns)
    datums = None
    datum_cells: list[bytes] = []
    if chosen.datum >= 0:
        datum_label = labels[chosen.datum]
        datum_cells = _row_texts(
            frame.iloc[:, chosen.datum].to_numpy(dtype=object), datum_label, index
        )
        datums = datum_cells
    height_column = None
    if with_height:
        numbers = _row_numbers(frame.iloc[:, chosen.at[HEIGHT]], label(HEIGHT))
        height_column, _ = _numbers(_as_array(numbers, str(label(HEIGHT)), "f8"), str(label(HEIGHT)), "f8")
        height_column = np.ascontiguousarray(height_column)

    raw = _morvane._convert_rows(
        row_kind, source, destination, mgrs, ifbl, kind_columns, coordinates, systems, datums,
        count, min(workers, MAX_THREADS), chosen_method, heights, height_column,
    )
    kinds_read, datums_read = raw["KindsRead"], raw["DatumsRead"]
    uses_today = (
        bool(np.isin(kinds_read, list(TODAY_KINDS)).any())
        or bool(np.isin(datums_read, list(TODAY_DATUMS)).any())
        or source in TODAY_DATUMS
        or destination in TODAY_DATUMS
        or chosen_method != SHIFT
        or with_height
    )
    names = _output_names(bool(darwin_core), outputs, uses_today if today is None else bool(today))

    values: dict[str, np.ndarray] = {
        name: _objects(raw[name]) if isinstance(raw[name], list) else raw[name]
        for name in NAMES + TODAY_NAMES
    }
    error = values["Error"]
    if darwin_core:
        values = _darwin_core(
            values, error, kinds_read, datums_read, coordinates, kind_columns, chosen,
            datum_cells, destination, chosen_method,
        )
    new = pandas.DataFrame(
        {free: values[name] for free, name in zip(_free_names(labels, names), names)},
        index=index,
        copy=False,
    )
    return pandas.concat([frame, new], axis=1, copy=True) if len(new.columns) else frame.copy()


def _darwin_core(
    values: dict[str, np.ndarray],
    error: np.ndarray,
    kinds_read: np.ndarray,
    datums_read: np.ndarray,
    coordinates: Union[list[bytes], None],
    kind_columns: tuple[Any, ...],
    chosen: _Chosen,
    datum_cells: list[bytes],
    destination: int,
    method: int,
) -> dict[str, np.ndarray]:
    """The Darwin Core terms of the converted rows."""
    import pandas

    placed = (error == "") & (values["Failure"] == "") & np.isfinite(values["Latitude"])
    uncertainty = np.where(placed & (values["Accuracy"] > 0), values["Accuracy"], np.nan)
    # The codes of IFBL and MGRS rows name squares: their uncertainty is the
    # square's, made by the core for each kind and datum the rows were read
    # with (a row whose datum cell names none has a datum not known).
    codes = coordinates if chosen.kind == 0 else (
        kind_columns[0] if chosen.kind in (IFBL, MGRS) else None
    )
    if codes is not None:
        stated = np.ones(len(error), dtype=bool)
        if datum_cells:
            which, cells = pandas.factorize(np.array(datum_cells, dtype=object))
            names = np.array(
                [_morvane.datum_of_srs(c.decode("utf-8", "replace")) != 0 for c in cells], dtype=bool
            )
            stated = names[which]
        for code_kind in (IFBL, MGRS):
            rows = placed & (kinds_read == code_kind)
            for datum in np.unique(datums_read[rows]):
                for known in (True, False):
                    part = np.flatnonzero(rows & (datums_read == datum) & (stated == known))
                    if len(part) == 0:
                        continue
                    # Each distinct code once: records share their squares.
                    which, distinct = pandas.factorize(
                        np.array([codes[i] for i in part], dtype=object)
                    )
                    square = squares(
                        list(distinct), kind=code_kind, datum=destination,
                        code_datum=int(datum), datum_known=known, method=method,
                    )
                    uncertainty[part] = square.coordinateUncertaintyInMeters[which]
    epsg = f"EPSG:{DATUM_EPSG[destination]}"
    return {
        "decimalLatitude": np.where(placed, values["Latitude"], np.nan),
        "decimalLongitude": np.where(placed, values["Longitude"], np.nan),
        "geodeticDatum": np.where(placed, epsg, ""),
        "coordinateUncertaintyInMeters": uncertainty,
        "Error": error,
    }
