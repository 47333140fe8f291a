"""IndexedFile: files read through the C++ reader and written through its writer."""

import struct
import sys

import pytest

import utilities as ut


def header(numsegs, diroffset, version=2):
    return struct.pack("<BBBBhi", version, 0, 0, 0, numsegs, diroffset).ljust(128, b"\0")


def entry(name, offset, size, type_=0, value=0):
    return struct.pack("<i", len(name)) + name.encode() + struct.pack("<iiii", offset, size, type_, value)


def test_a_written_file_has_the_library_layout_and_reads_back(tmp_path):
    path = tmp_path / "out.if"
    ut.IndexedFile.write(
        str(path), {"alpha": b"0123456789", "beta": (bytearray(b"hello"), 7, -42)}, dataversion=3
    )
    data = b"0123456789hello"
    assert path.read_bytes() == (
        struct.pack("<BBBBhi", 2, 0, 3, 0, 2, 143).ljust(128, b"\0")
        + data
        + entry("alpha", 128, 10)
        + entry("beta", 138, 5, 7, -42)
    )
    with ut.IndexedFile.open(str(path)) as d:
        assert d.segments() == [ut.Segment("alpha", 10, 0, 0), ut.Segment("beta", 5, 7, -42)]
        assert (d.version, d.revision, d.dataversion, d.datarevision) == (2, 0, 3, 0)
        assert d.read("beta") == b"hello" and d.read("beta", 7) == b"hello"
        assert d.read("alpha", type=0) == b"0123456789"
        with pytest.raises(KeyError):
            d.read("beta", 8)
        with pytest.raises(KeyError):
            d.read("gamma")
    big = bytes(range(256)) * 9000  # several blocks of the bulk copy
    ut.IndexedFile.write(str(path), {"big": memoryview(big), "empty": b""})
    with ut.IndexedFile.open(str(path)) as d:
        assert d.read("big") == big and d.read("empty") == b""


def test_paths_may_be_path_objects_and_names_need_not_be_utf8(tmp_path):
    path = tmp_path / "n.if"
    ut.IndexedFile.write(path, {b"caf\xe9": b"latin", "ok": b"y"})
    with ut.IndexedFile.open(path) as d:
        latin = d.segments()[0].name
        assert latin == "caf\udce9" and d.path == str(path)
        assert d.read(latin) == b"latin" and d.read(b"caf\xe9") == b"latin"
        with pytest.raises(KeyError, match=r"caf\\+xe9 of type 3"):
            d.read(b"caf\xe9", 3)
    with pytest.raises(TypeError):
        ut.IndexedFile.open(3)


def test_files_utiltool_writes_read_here_and_files_written_here_list_there(tmp_path, tool):
    (tmp_path / "alpha").write_bytes(b"0123456789")
    (tmp_path / "beta").write_bytes(b"hello")
    tool("ifile", "create", "tool.if", "alpha", "beta", cwd=tmp_path)
    with ut.IndexedFile.open(str(tmp_path / "tool.if")) as d:
        assert [s.name for s in d.segments()] == ["alpha", "beta"]
        assert d.read("alpha") == b"0123456789" and d.read("beta") == b"hello"
    ut.IndexedFile.write(str(tmp_path / "py.if"), {"x": (b"\0\1\2", 5, 9)})
    assert tool("ifile", "extract", "py.if", "x", cwd=tmp_path) == b"\0\1\2"
    assert (
        b"x                               128          3           5 0x00000005           9 0x00000009"
        in tool("ifile", "list", "py.if", cwd=tmp_path)
    )


def test_damaged_files_are_refused_or_read_as_the_library_reads_them(tmp_path):
    missing = tmp_path / "none.if"
    with pytest.raises(FileNotFoundError):
        ut.IndexedFile.open(str(missing))
    bad = tmp_path / "bad.if"
    bad.write_bytes(b"\1\0\0\0")
    with pytest.raises(ValueError, match="Incompatible versions. Version 1 does not match"):
        ut.IndexedFile.open(str(bad))
    # One entry whose bytes would lie at 4096 in a 157-byte file.
    cut = tmp_path / "cut.if"
    cut.write_bytes(header(1, 128) + entry("beta", 4096, 5))
    with ut.IndexedFile.open(str(cut)) as d:
        assert d.segments() == [ut.Segment("beta", 5, 0, 0)]
        with pytest.raises(ValueError, match="runs past the end"):
            d.read("beta")
    # A size far beyond the file costs no more than the bytes there.
    huge = tmp_path / "huge.if"
    huge.write_bytes(header(1, 131) + b"abc" + entry("h", 128, 2**31 - 1))
    with ut.IndexedFile.open(str(huge)) as d, pytest.raises(ValueError, match="past the end"):
        d.read("h")
    for count in (-1, 32761):  # a bad count loads with an empty directory
        bad.write_bytes(header(count, 128))
        with ut.IndexedFile.open(str(bad)) as d:
            assert d.segments() == []


def test_refused_writes_raise_and_leave_no_file(tmp_path):
    path = tmp_path / "w.if"
    with pytest.raises(FileNotFoundError):
        ut.IndexedFile.write(str(tmp_path / "no" / "w.if"), {"a": b"x"})
    strided = memoryview(b"abcdef")[::2]
    for segments in ({"a": "text"}, {"a": (b"x", 1)}, {"a": (b"x", 1.5, 0)}, {1: b"x"},
                     {"a": strided}):
        with pytest.raises(TypeError):
            ut.IndexedFile.write(str(path), segments)
        assert not path.exists()
    with pytest.raises(OverflowError):
        ut.IndexedFile.write(str(path), {"a": (b"x", 2**64, 0)})
    with pytest.raises(ValueError, match="null"):
        ut.IndexedFile.write(str(path), {"a\0b": b"x"})
    with pytest.raises(ValueError):
        ut.IndexedFile.write(str(path), {"a": b"x"}, dataversion=256)
    assert not path.exists()


def test_segment_bytes_outlive_the_file_and_closing_twice_is_harmless(tmp_path):
    path = str(tmp_path / "l.if")
    ut.IndexedFile.write(path, {"a": b"payload"})
    d = ut.IndexedFile.open(path)
    data = d.read("a")
    segs = d.segments()
    assert sys.getrefcount(data) == 2  # this name and the call's argument
    d.close()
    d.close()
    assert d.closed and "closed" in repr(d)
    with pytest.raises(ValueError, match="closed"):
        d.read("a")
    with pytest.raises(ValueError, match="closed"):
        d.segments()
    del d
    assert data == b"payload" and segs[0].name == "a"
    with ut.IndexedFile.open(path) as d:
        pass
    d.close()
    assert d.closed
