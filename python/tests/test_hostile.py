"""Bad input and misuse: an exception or a point's message, never a crash, a
corrupted heap or a silent wrong value."""

from __future__ import annotations

import threading

import numpy as np
import pandas as pd
import pytest

import morvane
from conftest import assert_row_matches_object, fresh_object

WGS84 = int(morvane.mvWGS1984)
BD72 = int(morvane.mvBelgium1972)


# An object made by __new__ alone holds no C++ object: every use is refused.
@pytest.mark.parametrize(
    "use",
    [
        lambda o: o.Error,
        lambda o: o.Latitude,
        lambda o: o.OrigType,
        lambda o: o.MGRS,
        lambda o: setattr(o, "MGRS", "31UES"),
        lambda o: setattr(o, "LatDmsDeg", 5),
        lambda o: setattr(o, "DatumFrom", 1),
        lambda o: o.Conversion(),
        lambda o: o.Reset(),
        lambda o: repr(o),
        lambda o: o == morvane.ZedizAdo(),
        lambda o: morvane.ZedizAdo() == o,
        lambda o: o.__copy__(),
    ],
)
def test_an_object_made_without_init_is_refused(use):
    o = morvane.ZedizAdo.__new__(morvane.ZedizAdo)
    with pytest.raises(TypeError, match="without __init__"):
        use(o)
    morvane.ZedizAdo.__init__(o)  # usable once initialised
    assert o.Error == ""


def test_a_method_on_something_else_is_refused():
    with pytest.raises(TypeError):
        morvane.ZedizAdo.Conversion(42)


# Lone surrogates are U+FFFD in convert() and in the object's puts alike.
@pytest.mark.parametrize("kind, text", [("mgrs", "31U\ud800ES"), ("ifbl", "E4\udfff25")])
def test_a_lone_surrogate_is_a_replacement_character(kind, text):
    o = morvane.ZedizAdo()
    setattr(o, kind.upper(), text)
    assert getattr(o, kind.upper()) == text.replace(text[3] if kind == "mgrs" else text[2], "\ufffd")
    number = int(morvane.mvMgrs if kind == "mgrs" else morvane.mvIFBL)
    o, failure = fresh_object(number, {kind.upper(): text}, WGS84, WGS84)
    for column in ([text], np.array([text]), text, pd.Series([text], dtype="string")):
        r = morvane.convert(kind, column)
        assert_row_matches_object(r, 0, o, failure, column)
