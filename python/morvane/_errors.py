"""morvane.Failure: a conversion that failed towards its caller."""

from __future__ import annotations

# The failure kinds, numbered as the core numbers them.
FAILURE_KINDS: dict[str, tuple[int, str]] = {
    "IndexOutOfRange": (1, "an index outside a table (an input kind or datum number with no entry)"),
    "IntegerOverflow": (2, "a 16-bit integer overflow"),
    "InvalidOperation": (3, "an invalid floating-point operation"),
    "DivisionByZero": (4, "a floating-point division by zero"),
    "FloatOverflow": (5, "a floating-point overflow"),
}


class Failure(Exception):
    """ZedizAdo.Conversion() failed; the object is as it was before the call.

    ``kind`` is the failure's name: "IndexOutOfRange", "IntegerOverflow",
    "InvalidOperation", "DivisionByZero" or "FloatOverflow"; ``code`` its
    number, 1 to 5.  Problems with the input are not failures: they leave a
    French message in the object's Error.
    """

    def __init__(self, kind: str) -> None:
        super().__init__(kind)
        self.kind = kind

    @property
    def code(self) -> int:
        return FAILURE_KINDS.get(self.kind, (0, ""))[0]

    def __str__(self) -> str:
        description = FAILURE_KINDS.get(self.kind, (0, ""))[1]
        return f"{self.kind}: {description}" if description else self.kind
