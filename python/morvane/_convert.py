"""morvane.convert: whole columns of points through the batch call."""

from __future__ import annotations

import operator
from typing import Any, Union

import numpy as np

from . import _morvane
from ._enums import TABLES, InternalDatums, OriginalCoordinates
from ._result import Result, TodayResult

KindLike = Union[str, int, OriginalCoordinates]
DatumLike = Union[str, int, InternalDatums]

# The short keys of the kinds and datums ("deg", "wgs84"), in number order,
# for messages; names are found by the core (morvane_kind_by_name and
# morvane_datum_by_name), which takes these and the member names.  Every
# kind and datum of the core's tables, also those only the batch call takes
# ("lambert2008", "etrs89").
KIND_KEYS: dict[int, str] = {row["number"]: row["key"] for row in TABLES["kinds"]}
DATUM_KEYS: dict[int, str] = {row["number"]: row["key"] for row in TABLES["datums"]}
# Those of the object: a call with others uses Belgium's systems of today.
OBJECT_KINDS = frozenset(row["number"] for row in TABLES["kinds"] if row["object"])
OBJECT_DATUMS = frozenset(row["number"] for row in TABLES["datums"] if row["object"])
# The methods ("shift", "grid") and height kinds ("none", "ellipsoidal",
# "ostend") of the batch call, by number.
METHOD_KEYS: dict[int, str] = {row["number"]: row["key"] for row in TABLES["methods"]}
HEIGHT_KEYS: dict[int, str] = {row["number"]: row["key"] for row in TABLES["heightKinds"]}
SHIFT = _morvane.method_by_name("shift")
NO_HEIGHT = _morvane.height_kind_by_name("none")

# The numpy type of each property's values.
DTYPES = {"double": "f8", "float": "f4", "int16": "i2", "int32": "i4", "text": "text"}
PROPERTY_DTYPES: dict[str, str] = {row["name"]: DTYPES[row["type"]] for row in TABLES["properties"]}

# The columns each kind reads, by its number: their names (for messages)
# and numpy types.
INPUTS: dict[int, tuple[tuple[str, str], ...]] = {
    row["number"]: tuple((name, PROPERTY_DTYPES[name]) for name in row["inputs"])
    for row in TABLES["kinds"]
}
# The optional input column of the batch call (the heights).
HEIGHT_INPUT: tuple[str, str] = next(
    (row["name"], PROPERTY_DTYPES[row["name"]]) for row in TABLES["properties"] if row["input"]
)


def _choices(keys: dict[int, str], *more: str) -> str:
    """'a', 'b' or 'c': the keys in number order, then `more`."""
    choices = [repr(key) for _, key in sorted(keys.items())] + list(more)
    return ", ".join(choices[:-1]) + " or " + choices[-1] if len(choices) > 1 else choices[0]


MAX_THREADS = 1024
INT16 = np.iinfo(np.int16)
INT32 = np.iinfo(np.int32)
# The largest double that rounds to a finite 32-bit float.
FLOAT32_LIMIT = float.fromhex("0x1.ffffffp+127")


def _integer(value: Any, what: str) -> int:
    if isinstance(value, (bool, np.bool_)):
        raise TypeError(f"{what} must be an integer, not bool")
    try:
        return operator.index(value)
    except TypeError:
        raise TypeError(f"{what} must be an integer, not {type(value).__name__}") from None


def _kind(kind: KindLike) -> int:
    if isinstance(kind, str):
        number = _morvane.kind_by_name(kind)
        if number == 0:
            raise ValueError(f"unknown kind {kind!r}: use {_choices(KIND_KEYS)}")
        return number
    number = _integer(kind, "kind")
    if number not in KIND_KEYS:
        raise ValueError(
            f"unknown kind {number}: the input kinds are {min(KIND_KEYS)} to {max(KIND_KEYS)}"
        )
    return number


def _datum(datum: DatumLike, what: str) -> int:
    if isinstance(datum, str):
        number = _morvane.datum_by_name(datum)
        if number == 0:
            raise ValueError(
                f"unknown {what} {datum!r}: use "
                + _choices(DATUM_KEYS, f"{min(DATUM_KEYS)} to {max(DATUM_KEYS)}")
            )
        return number
    number = _integer(datum, what)
    if number not in DATUM_KEYS:
        raise ValueError(
            f"unknown {what} {number}: the datums are {min(DATUM_KEYS)} to {max(DATUM_KEYS)}"
        )
    return number


def _setting(value: Any, what: str, keys: dict[int, str], by_name: Any) -> int:
    """A method or height kind: its key (found by the core) or its number."""
    if isinstance(value, str):
        number = by_name(value)
        if number < 0:
            raise ValueError(f"unknown {what} {value!r}: use {_choices(keys)}")
        return int(number)
    number = _integer(value, what)
    if number not in keys:
        raise ValueError(f"unknown {what} {number}: use {_choices(keys)}")
    return number


def _bounded(value: Any, what: str, bounds: np.iinfo) -> int:
    number = _integer(value, what)
    if not bounds.min <= number <= bounds.max:
        raise OverflowError(
            f"{what} must fit a {bounds.bits}-bit integer ({bounds.min} to {bounds.max}), not {number}"
        )
    return number


def _first(mask: np.ndarray) -> int:
    return int(np.flatnonzero(mask)[0])


def _missing(values: np.ndarray) -> np.ndarray:
    """Which entries of an object array are missing values (None, NaN, pandas NA)."""
    try:
        import pandas
    except ImportError:  # pragma: no cover - pandas is installed in the tests
        return np.fromiter(
            (v is None or (isinstance(v, float) and v != v) for v in values), bool, len(values)
        )
    return np.asarray(pandas.isna(values), dtype=bool)


def _is_boolean(value: Any) -> bool:
    return isinstance(value, (bool, np.bool_))


def _as_array(value: Any, name: str, want: str) -> np.ndarray:
    """A column (or scalar) as a numpy array, before its type is checked."""
    if isinstance(value, np.ma.MaskedArray):
        # A masked entry is a missing value, whatever lies beneath it.
        mask = np.ma.getmaskarray(value)
        if not mask.any():
            return np.asarray(value.data)
        array = np.asarray(value.data).astype(object)
        array[mask] = None
        return array
    if not isinstance(value, np.ndarray) and hasattr(value, "to_numpy") and hasattr(value, "dtype"):
        # pandas Series, Index or extension array: missing values as NaN or None.
        kind = getattr(value.dtype, "kind", "O")
        if want != "text" and kind in "fiu" and getattr(value, "hasnans", False):
            return np.asarray(value.to_numpy(dtype="float64", na_value=np.nan))
        return np.asarray(value.to_numpy())
    if isinstance(value, (str, bytes)) and want != "text":
        raise TypeError(f"{name} takes numbers, not a text ({value!r})")
    if want != "text" and (
        _is_boolean(value)
        or (isinstance(value, (list, tuple)) and any(_is_boolean(v) for v in value))
    ):
        raise TypeError(f"{name} takes numbers, not booleans")
    if isinstance(value, (str, bytes)):
        # As an object, so that nothing of the text is lost (numpy's own
        # text arrays drop trailing NUL characters).
        array = np.empty((), dtype=object)
        array[()] = value
        return array
    if isinstance(value, (list, tuple)) and want == "text":
        # Element by element: numpy would turn numbers and bytes into texts.
        array = np.empty(len(value), dtype=object)
        try:
            array[:] = value
        except ValueError:
            raise ValueError(f"{name} must be one-dimensional: a list of texts") from None
        return array
    return np.asarray(value)


def _numbers(array: np.ndarray, name: str, want: str) -> tuple[np.ndarray, np.ndarray | None]:
    """The column in the type the core reads, and for an integer column the
    entries that are missing values (or None when there are none)."""
    kind = array.dtype.kind
    if kind == "O":
        if array.size and any(isinstance(v, (str, bytes)) for v in array.flat):
            raise TypeError(f"{name} takes numbers, not texts")
        if array.size and any(_is_boolean(v) for v in array.flat):
            raise TypeError(f"{name} takes numbers, not booleans")
        # None and pandas NA as NaN; a NaN keeps its bits.
        missing = _missing(array.ravel()).reshape(array.shape)
        missing &= np.fromiter(
            (not isinstance(v, (float, np.floating)) for v in array.flat), bool, array.size
        ).reshape(array.shape)
        filled = array.copy()
        filled[missing] = np.nan
        try:
            array = filled.astype(np.float64)
        except (TypeError, ValueError) as problem:
            raise TypeError(f"{name} takes numbers: {problem}") from None
        kind = "f"
    if kind in "US":
        raise TypeError(f"{name} takes numbers, not texts")
    if kind not in "fiu":
        raise TypeError(f"{name} takes numbers, not {array.dtype}")
    if want == "f8":
        return array.astype(np.float64, copy=False), None
    if want == "f4":
        values = array.astype(np.float64, copy=False)
        too_large = np.isfinite(values) & (np.abs(values) >= FLOAT32_LIMIT)
        if too_large.any():
            i = _first(too_large)
            raise OverflowError(f"{name}[{i}] = {values.flat[i]!r} does not fit a 32-bit float")
        return values.astype(np.float32), None
    # Integers: integers in range, or floats that are whole numbers in range;
    # NaN is a missing value.
    bounds = np.iinfo(want)
    missing = None
    if kind == "f":
        nan = np.isnan(array)
        if nan.any():
            missing = nan
            array = np.where(nan, 0.0, array)
        not_whole = ~np.isfinite(array) | (np.trunc(array) != array)
        if not_whole.any():
            i = _first(not_whole)
            raise ValueError(f"{name}[{i}] = {array.flat[i]!r} is not a whole number")
    out_of_range = (array < bounds.min) | (array > bounds.max)
    if out_of_range.any():
        i = _first(out_of_range)
        raise OverflowError(
            f"{name}[{i}] = {array.flat[i]!r} does not fit a {bounds.bits}-bit integer"
            f" ({bounds.min} to {bounds.max})"
        )
    return array.astype(want), missing


def _utf8(text: str) -> bytes:
    """A text as UTF-8, a lone surrogate as U+FFFD (as the object's puts write it)."""
    try:
        return text.encode("utf-8")
    except UnicodeEncodeError:
        return "".join("\ufffd" if "\ud800" <= c <= "\udfff" else c for c in text).encode("utf-8")


def _texts(array: np.ndarray, name: str) -> tuple[np.ndarray, list[tuple[int, bytes]]]:
    """The column as a numpy text array, and the points whose text holds a
    NUL character, which go through an object of their own (their row in
    the array is empty)."""
    lones: list[tuple[int, bytes]] = []
    kind = array.dtype.kind
    if kind == "O":
        flat = array.ravel()
        missing = _missing(flat)
        filled = flat.copy()
        any_bytes = False
        for i, v in enumerate(flat):
            if missing[i]:
                filled[i] = ""
            elif isinstance(v, str):
                if "\0" in v:
                    lones.append((i, _utf8(v)))
                    filled[i] = ""
            elif isinstance(v, bytes):
                any_bytes = True
                if b"\0" in v:
                    lones.append((i, v))
                    filled[i] = b""
            else:
                raise TypeError(
                    f"{name} takes texts, not {type(v).__name__} ({name}[{i}] = {v!r})"
                )
        if any_bytes:
            # Bytes are UTF-8: every text as its UTF-8.
            encoded = [v if isinstance(v, bytes) else _utf8(v) for v in filled]
            texts = np.array(encoded, dtype="S") if encoded else np.zeros(0, "S1")
        else:
            texts = filled.astype(np.str_) if flat.size else np.zeros(0, "U1")
        return texts.reshape(array.shape), lones
    if kind not in "US":
        raise TypeError(f"{name} takes texts, not {array.dtype}")
    if not array.dtype.isnative:
        array = array.astype(array.dtype.newbyteorder("="))
    return array, lones


def _columns(
    kind: int, columns: tuple[Any, ...], height: Any = None
) -> tuple[tuple[np.ndarray, ...], int, list[tuple[int, bytes]]]:
    """The kind's columns (and the heights last, when given) as arrays of one
    length, their length, and the points for an object of their own."""
    expected = INPUTS[kind]
    if len(columns) != len(expected):
        names = ", ".join(name for name, _ in expected)
        raise TypeError(
            f"convert({KIND_KEYS[kind]!r}, ...) takes {len(expected)} column"
            f"{'s' if len(expected) > 1 else ''} ({names}), not {len(columns)}"
        )
    if height is not None:
        # The heights are a column like the others: of the same length, or
        # one value for every point.
        expected = expected + (HEIGHT_INPUT,)
        columns = columns + (height,)
    arrays = []
    missing = []
    lones: list[tuple[int, bytes]] = []
    for (name, want), value in zip(expected, columns):
        array = _as_array(value, name, want)
        if array.ndim > 1:
            raise ValueError(f"{name} must be one-dimensional, not of shape {array.shape}")
        if want == "text":
            array, lones = _texts(array, name)
            missing.append(None)
        else:
            array, absent = _numbers(array, name, want)
            missing.append(absent)
        arrays.append(array)
    lengths = {name: len(a) for (name, _), a in zip(expected, arrays) if a.ndim == 1}
    if len(set(lengths.values())) > 1:
        described = ", ".join(f"{name} has {n}" for name, n in lengths.items())
        raise ValueError(f"the columns are not of one length: {described}")
    count = next(iter(lengths.values())) if lengths else 1
    if lones and arrays[0].ndim == 0:
        lones = [(i, lones[0][1]) for i in range(count)]  # one text for every point
    arrays = [a if a.ndim == 1 else np.broadcast_to(a, (count,)) for a in arrays]
    if any(m is not None for m in missing):
        arrays = _missing_dms(expected, arrays, missing, count)
    return tuple(arrays), count, lones


def _missing_dms(expected, arrays, missing, count):
    """A point with a missing DMS degree or minute names no position, as one
    with missing seconds does: its degrees and minutes read as 0 and its
    seconds as NaN."""
    names = [name for name, _ in expected]
    out = [np.array(a) for a in arrays]  # copies: broadcast views are read-only
    for half in ("Lat", "Lon"):
        absent = np.zeros(count, bool)
        for part in ("Deg", "Min"):
            m = missing[names.index(f"{half}Dms{part}")]
            if m is not None:
                absent |= np.broadcast_to(m, (count,))
        if absent.any():
            out[names.index(f"{half}DmsSec")][absent] = np.nan
    return out


def convert(
    kind: KindLike,
    *columns: Any,
    datum_from: DatumLike = "wgs84",
    datum_to: DatumLike = "wgs84",
    mgrs_precision: int = 0,
    ifbl_precision: int = 0,
    threads: int = 1,
    method: Union[str, int] = "shift",
    height: Any = None,
    height_kind: Union[str, int] = "ellipsoidal",
    today: Union[bool, None] = None,
) -> Result:
    """Converts whole columns of points; returns a Result of numpy arrays.

    kind and columns:
        "deg"      latitude, longitude (decimal degrees, north and east positive)
        "dms"      LatDmsDeg, LatDmsMin, LatDmsSec, LonDmsDeg, LonDmsMin, LonDmsSec
                   (the sign on the degrees; degrees and minutes whole numbers
                   that fit 16 bits, seconds that fit a 32-bit float)
        "lambert"  X, Y (Belgian Lambert 1972, metres)
        "mgrs"     one column of MGRS references
        "ifbl"     one column of IFBL square codes
        "lambert2008"  X, Y (Belgian Lambert 2008, EPSG:3812, metres)
    kind may also be an OriginalCoordinates member, its name ("mvDeg",
    "mvLambert2008") or its number.  Each column is a numpy array, a list, a pandas Series or a
    single value (used for every point); the columns are of one length.
    Missing values (NaN, None, pandas NA, a masked entry of a masked array)
    are points that name no position, in DMS degrees and minutes too.
    Booleans are no numbers (TypeError).  Texts are str or bytes (UTF-8);
    a text holding a NUL character is converted by an object of its own,
    as a put gives it, and a lone surrogate is read as U+FFFD.

    datum_from: the datum of degree, DMS and MGRS input; datum_to: the datum
    of the degree, DMS, UTM and MGRS output.  Lambert 72 and IFBL are always
    on the Belgian datum 1972, Lambert 2008 on ETRS89.  A datum is a name
    in any case ("ed50", "bd72", "wgs84", "ntf", "etrs89", or a member's
    name such as "mvWGS1984"), its number 1 to 5 (or that number as a
    text) or an InternalDatums member.

    Belgium's systems of today:
    method: "shift" (the default: the object's three-parameter shifts
        through WGS 1984, ETRS89 taken for WGS 1984) or "grid" (the national
        agency's grid BD72 <-> ETRS89, EPSG:8369, with Lambert 72 as the
        agency defines it; a point outside the grid gets a message).
    height: the points' heights in metres (a column or one value), of the
        kind height_kind names: "ellipsoidal" (ETRS89 ellipsoidal height,
        for input on ETRS89 or WGS 1984) or "ostend" (Ostend height,
        EPSG:5710).  Both heights come out, through the hBG18 quasi-geoid.
    today: whether the result has the columns of today's systems (X2008,
        Y2008, EllipsoidalHeight, OstendHeight, Route, Accuracy: see
        TodayResult).  None (the default): when the call uses them (the
        kind "lambert2008", the datum "etrs89", the grid, heights); a call
        without them has exactly the columns and bits it always had.

    mgrs_precision: 10000, 1000, 100 or 10 metres; anything else 1 m.
    ifbl_precision: 2 or 4 characters; anything else the 6-character code.
    threads: worker threads; 0 uses every core.  The GIL is released while
    the points are converted.

    Every point is converted as a fresh ZedizAdo with these settings would
    convert it, to the same bits.  A point that names no position gets its
    French message in Error and a point whose conversion fails the failure's
    name in Failure; neither stops the call.  Arguments that make no sense
    (an unknown kind, datum, method or height kind, the wrong number of
    columns, columns of different lengths, heights of another length,
    texts where numbers belong, numbers where texts belong, heights with
    today=False) raise ValueError or TypeError, and numbers that their type
    cannot hold OverflowError, before any point is converted.  Another
    thread that rewrites a column during the call makes each point either
    the old or the new value, never a mixture (when it writes under the
    GIL, as item assignment and memoryview do).

        >>> r = morvane.convert("deg", [50.8], [4.35], datum_from="wgs84", datum_to="bd72")
        >>> r.X, r.Y, r.IFBL, r.MGRS, r.Error
        >>> r = morvane.convert("lambert", [149186.41], [170810.74], method="grid")
        >>> r.X2008, r.Y2008, r.Route, r.Accuracy
    """
    original = _kind(kind)
    source = _datum(datum_from, "datum_from")
    destination = _datum(datum_to, "datum_to")
    mgrs = _bounded(mgrs_precision, "mgrs_precision", INT32)
    ifbl = _bounded(ifbl_precision, "ifbl_precision", INT16)
    workers = _integer(threads, "threads")
    if workers < 0:
        raise ValueError(f"threads must be 0 (every core) or more, not {workers}")
    chosen = _setting(method, "method", METHOD_KEYS, _morvane.method_by_name)
    heights = _setting(height_kind, "height_kind", HEIGHT_KEYS, _morvane.height_kind_by_name)
    if height is None:
        heights = NO_HEIGHT
    elif heights == NO_HEIGHT:
        raise ValueError(
            "a height column needs what it holds: "
            f"height_kind={_choices({k: v for k, v in HEIGHT_KEYS.items() if k != NO_HEIGHT})}"
        )
    if today is not None and not isinstance(today, (bool, np.bool_)):
        raise TypeError(f"today must be True, False or None, not {type(today).__name__}")
    uses_today = (
        original not in OBJECT_KINDS
        or source not in OBJECT_DATUMS
        or destination not in OBJECT_DATUMS
        or chosen != SHIFT
        or height is not None
    )
    if today is None:
        today = uses_today
    elif not today and height is not None:
        raise ValueError("heights come out in the columns of today's systems: not with today=False")
    arrays, count, lones = _columns(original, columns, height)
    height_column = None
    if height is not None:
        *kind_arrays, height_column = arrays
        arrays = tuple(kind_arrays)
    # More threads than points or cores change nothing but the time.
    workers = min(workers, MAX_THREADS)
    made = TodayResult if today else Result
    return made(
        _morvane._convert(
            original, source, destination, mgrs, ifbl, arrays, count, workers, lones,
            method=chosen, height_kind=heights, height=height_column, today=bool(today),
        )
    )
