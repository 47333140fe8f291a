"""Lut: one function of up to 6 lines, its texts and the operators on its words."""

import random

import pytest

import utilities as ut

I6 = ["I0", "I1", "I2", "I3", "I4", "I5"]


def test_a_function_from_init_gives_the_library_texts_and_values():
    f = ut.Lut.from_init("FF00F0F0CCCCAAAA", names=I6)
    assert (f.lines, f.word, f.init) == (6, 0xFF00F0F0CCCCAAAA, "FF00F0F0CCCCAAAA")
    assert f.minterms(lhs="O") == ut.Equate().gen_equatestr("FF00F0F0CCCCAAAA", I6, lhs="O")
    assert f(0b110000) == 0 and f(0b111000) == 1 and f(1) == 1
    assert all(f(a) == (f.word >> a) & 1 for a in range(64))
    assert f.support == I6
    assert ut.Lut.from_equation(f.minimal(lhs="O"), I6) == f
    assert all(name in f.kmap() for name in I6)
    g = ut.Lut.from_equation("I0*~I2 + I1*I2", names=["I0", "I1", "I2"])
    assert (g.lines, g.init, g.support) == (3, "CA", ["I0", "I1", "I2"])
    assert ut.Lut.from_equation("a + ~a*b", ["a", "b", "c"]).support == ["a", "b"]
    assert ut.Lut.from_init("8", lines=2).names == ["I0", "I1"]


def test_operators_combine_the_words_and_keep_the_left_names():
    seed = 4242
    rng = random.Random(seed)
    for case in range(50):
        lines = rng.randint(1, 6)
        mask = (1 << (1 << lines)) - 1
        a, b = rng.getrandbits(64), rng.getrandbits(64)
        f = ut.Lut.from_word(a, lines)
        g = ut.Lut.from_word(b, lines, names=[f"x{i}" for i in range(lines)])
        assert f.word == a & mask, (seed, case)
        assert (f & g).word == a & b & mask, (seed, case)
        assert (f | g).word == (a | b) & mask, (seed, case)
        assert (f ^ g).word == (a ^ b) & mask, (seed, case)
        assert (~f).word == ~a & mask, (seed, case)
        assert (g & f).names == g.names and (f | g).names == f.names
        assert (f == ut.Lut.from_word(a, lines)) and hash(f) == hash(ut.Lut.from_word(a, lines))
    assert ut.Lut.from_word(1, 2) != ut.Lut.from_word(1, 3)
    assert ut.Lut.from_word(1, 2) != 1


def test_refusals_raise_and_names_belong_to_the_python_object():
    with pytest.raises(ValueError, match="Bad character 'G'"):
        ut.Lut.from_init("G", lines=2)
    with pytest.raises(ValueError):
        ut.Lut.from_init("0", lines=7)
    with pytest.raises(ValueError, match="Unknown literal"):
        ut.Lut.from_equation("B0", ["A0", "A1"])
    with pytest.raises(ValueError, match="different numbers of lines"):
        ut.Lut.from_word(1, 2) & ut.Lut.from_word(1, 3)
    with pytest.raises(TypeError):
        ut.Lut.from_word(1, 2) & 1
    with pytest.raises(ValueError, match="outside"):
        ut.Lut.from_word(1, 2)(4)
    with pytest.raises(OverflowError):
        ut.Lut.from_word(-1, 2)
    with pytest.raises(ValueError, match="disagree"):
        ut.Lut.from_init("8", names=["a", "b"], lines=3)
    with pytest.warns(ut.UtilitiesWarning):
        assert ut.Lut.from_init("1", lines=3).init == "01"
    names = ["p", "q"]
    f = ut.Lut.from_init("8", names=names)
    names[0] = "changed"
    assert f.names == ["p", "q"] and f.minterms(lhs="O") == "O = p*q"
