"""Random requests of every input kind: the points the same-bits tests convert."""

from __future__ import annotations

import numpy as np

import morvane

KINDS = ("deg", "dms", "lambert", "mgrs", "ifbl")
KIND_NUMBERS = {"mgrs": 1, "deg": 2, "ifbl": 3, "lambert": 4, "dms": 5}
INPUT_NAMES = {
    "deg": ("Latitude", "Longitude"),
    "dms": ("LatDmsDeg", "LatDmsMin", "LatDmsSec", "LonDmsDeg", "LonDmsMin", "LonDmsSec"),
    "lambert": ("X", "Y"),
    "mgrs": ("MGRS",),
    "ifbl": ("IFBL",),
}
MGRS_PRECISIONS = (0, 1, 10, 100, 1000, 10000, 7)
IFBL_PRECISIONS = (0, 2, 4, 6, -1)


def _mixed(rng: np.random.Generator, n: int, low: float, high: float, wide: float,
           specials: tuple[float, ...]) -> np.ndarray:
    """Mostly points in the range, some far outside it, some special values."""
    values = rng.uniform(low, high, n)
    far = rng.random(n) < 0.15
    values[far] = rng.uniform(-wide, wide, far.sum())
    special = rng.random(n) < 0.1
    values[special] = rng.choice(specials, special.sum())
    return values


def columns(rng: np.random.Generator, kind: str, n: int, finite: bool = False) -> tuple[np.ndarray, ...]:
    """n random points of a kind, as the columns convert() takes.  finite:
    only values that a JSON line can carry."""
    nan = 0.0 if finite else np.nan
    inf = 1e308 if finite else np.inf
    if kind == "deg":
        return (
            _mixed(rng, n, 49.0, 52.0, 100.0, (90.0, -90.0, 84.5, -80.5, 0.0, nan, -inf)),
            _mixed(rng, n, 2.0, 7.0, 200.0, (180.0, -180.0, 0.0, 179.99999, nan, inf)),
        )
    if kind == "lambert":
        return (
            _mixed(rng, n, 0.0, 320_000.0, 2e6, (2012.0, 322012.0, -1.0, nan, 1e300)),
            _mixed(rng, n, 0.0, 260_000.0, 2e6, (18180.0, 258180.0, 0.0, nan, -inf)),
        )
    if kind == "dms":
        degrees = rng.integers(-3, 3, n) * 60 + rng.integers(-5, 60, n)
        return (
            degrees.astype(np.int16),
            rng.integers(-2, 62, n).astype(np.int16),
            _mixed(rng, n, 0.0, 60.0, 100.0, (0.0, 59.999, 60.0, nan)).astype(np.float32),
            rng.integers(-20, 20, n).astype(np.int16),
            rng.integers(-2, 62, n).astype(np.int16),
            _mixed(rng, n, 0.0, 60.0, 100.0, (0.0, 59.9999, -0.5, 3e38 if finite else inf)).astype(np.float32),
        )
    # Texts: references and codes of real points, some spoiled.
    lat = rng.uniform(-79.0, 83.0, n)
    lon = rng.uniform(-179.0, 179.0, n)
    if kind == "ifbl":
        lat, lon = rng.uniform(49.4, 51.6, n), rng.uniform(2.4, 6.5, n)
    done = morvane.convert("deg", lat, lon, datum_from="wgs84", datum_to="wgs84",
                           mgrs_precision=int(rng.choice(MGRS_PRECISIONS)),
                           ifbl_precision=int(rng.choice(IFBL_PRECISIONS)))
    texts = [str(t) for t in (done.MGRS if kind == "mgrs" else done.IFBL)]
    spoilers = [
        lambda t: t.lower(),
        lambda t: t[:-1],
        lambda t: " " + t + "  ",
        lambda t: t[:5],
        lambda t: t + "é",
        lambda t: "",
        lambda t: "ZZ" + t,
        lambda t: t.replace("1", "I"),
        lambda t: t[:2] + "." + t[2:4] + "-" + t[4:],
        lambda t: "x" * 40,
    ]
    for i in np.flatnonzero(rng.random(n) < 0.35):
        texts[i] = spoilers[rng.integers(len(spoilers))](texts[i])
    return (np.array(texts, dtype=str),)


def settings(rng: np.random.Generator):
    """Every pair of datums with random precisions."""
    for datum_from in range(1, 5):
        for datum_to in range(1, 5):
            yield {
                "datum_from": datum_from,
                "datum_to": datum_to,
                "mgrs_precision": int(rng.choice(MGRS_PRECISIONS)),
                "ifbl_precision": int(rng.choice(IFBL_PRECISIONS)),
            }


def inputs_of(kind: str, cols: tuple[np.ndarray, ...], i: int) -> dict:
    """The puts that give a fresh object point i."""
    return {name: c[i].item() for name, c in zip(INPUT_NAMES[kind], cols)}
