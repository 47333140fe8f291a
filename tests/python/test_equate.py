"""Equate: the library's conversions, their failures as exceptions and warnings."""

import random
import warnings

import pytest

import utilities as ut

A2 = ["A0", "A1"]
A3 = ["A0", "A1", "A2"]


def test_conversions_give_the_library_texts_in_both_conventions():
    bare, assign = ut.Equate(), ut.Equate(assignform=True)
    assert bare.gen_equatestr("6", A2, lhs="O") == "O = A0*~A1 + ~A0*A1"
    assert bare.gen_equatestr("0", A2, lhs="O") == "O = 0"
    assert assign.gen_equatestr("INIT=0x8", A2, lhs="O") == "O=A0*A1"
    assert assign.gen_equatestr("1", A3, lhs="O") == "O=~A0*~A1*~A2"
    assert bare.gen_hex("O = A0*A1", A2, lhs="O") == "8"
    assert assign.gen_hex("O = A0*A1", A2, lhs="O") == "O=0x8"
    assert bare.gen_hex("a4", [f"A{i}" for i in range(5)]) == "FFFF0000"
    assert bare.message is None and assign.assignform and not bare.assignform
    assert assign.validate("INIT=0x1F", A2, lhs="INIT") is None


def test_warning_results_become_python_warnings_and_still_return_the_text():
    eq = ut.Equate()
    with pytest.warns(ut.UtilitiesWarning, match="shorter than width of the ROM"):
        assert eq.gen_equatestr("1", A3, lhs="O") == "O = ~A0*~A1*~A2"
    with pytest.warns(ut.UtilitiesWarning, match="Extra bits specified in the INITSTATE"):
        assert eq.gen_equatestr("12", A2, lhs="O") == "O = A0*~A1"
    assert "padding" not in (eq.message or "")
    with warnings.catch_warnings():
        warnings.simplefilter("error", ut.UtilitiesWarning)
        with pytest.raises(ut.UtilitiesWarning):
            eq.gen_equatestr("", A2, lhs="O")


@pytest.mark.parametrize(
    "assignform, call, message",
    [
        (0, lambda e: e.gen_equatestr("G", A2, "O"), "Bad character 'G' in INITSTATE string."),
        (0, lambda e: e.gen_equatestr("8", ["A0"], "O"), "Wrong number of address lines."),
        (0, lambda e: e.gen_hex("A0", A2 * 3), "Wrong number of address lines."),
        (0, lambda e: e.gen_hex("O = ", A2), "Empty equate string - ignoring."),
        (0, lambda e: e.gen_hex("a b", ["a", "b"]), "Unexpected 'b'."),
        (0, lambda e: e.gen_hex("(a", ["a"] * 2), "Unmatched '('."),
        (0, lambda e: e.gen_hex("B0", A2), 'Unknown literal "B0".'),
        (0, lambda e: e.validate("a) + b", ["a", "b"]), "Too many right parens."),
        # The assign form checks the value and the left hand side.
        (1, lambda e: e.validate("INIT=0x", A2, lhs="INIT"), 'Invalid hexdecimal string "0x".'),
        (1, lambda e: e.validate("INIT=0x1G", A2, lhs="INIT"),
         'Invalid hexdecimal digit <G> in string "0x1G".'),
        (1, lambda e: e.validate("OUT=0x1", A2, lhs="INIT"), 'Invalid left hand side, "INIT".'),
        (1, lambda e: e.validate("0x1", A2, lhs="INIT"), "Missing = ."),
    ],
)
def test_refusals_raise_value_error_with_the_library_message(assignform, call, message):
    eq = ut.Equate(assignform=bool(assignform))
    with pytest.raises(ValueError) as caught:
        call(eq)
    assert str(caught.value) == message
    assert eq.message == message


def test_texts_with_a_nul_or_names_of_the_wrong_type_are_refused_before_the_library():
    eq = ut.Equate()
    with pytest.raises(ValueError, match="NUL"):
        eq.gen_hex("A0\0+A1", A2)
    with pytest.raises(ValueError, match="NUL"):
        eq.gen_hex("A0", ["A0\0x", "A1"])
    with pytest.raises(TypeError):
        eq.gen_hex("A0", [0, 1])


def test_random_init_values_round_trip_and_match_utiltool(tool):
    seed = 20261206
    rng = random.Random(seed)
    eq = ut.Equate()
    for case in range(40):
        lines = rng.randint(2, 5)
        names = [f"I{i}" for i in range(lines)]
        init = "".join(rng.choice("0123456789ABCDEF") for _ in range(2**lines // 4))
        equation = eq.gen_equatestr(init, names, lhs="O")
        assert eq.gen_hex(equation, names) == init, (seed, case, init)
        if case < 8:
            args = ["--lines", ",".join(names)]
            assert tool("init2eq", *args, init).decode() == equation + "\n", (seed, case)
            assert tool("eq2init", *args, equation).decode() == init + "\n", (seed, case)
