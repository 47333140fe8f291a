"""The library's reports go to the logger "utilities", never to standard output."""

import ast
import logging
import pathlib
import sys

import pytest

import utilities as ut


def test_reports_become_log_records_with_their_context(tmp_path, monkeypatch, caplog, capfd):
    monkeypatch.delenv("MYKORVAL", raising=False)
    monkeypatch.delenv("KORVAL", raising=False)
    caplog.set_level(logging.INFO, logger=ut.LOGGER_NAME)
    assert ut.install_value("release") is None
    with pytest.raises(FileNotFoundError):
        ut.IndexedFile.open(str(tmp_path / "none.if"))
    records = [(r.name, r.levelno, r.ut_unit, r.ut_number, r.getMessage()) for r in caplog.records]
    assert records == [
        ("utilities", logging.INFO, "UtilVersion", 0,
         "Unable to obtain the value of environment variable KORVAL."),
        ("utilities", logging.ERROR, "UtilIfileimp", 3,
         f'Unable to open file "{tmp_path / "none.if"}" for input.'),
    ]
    assert all(r.ut_line > 0 for r in caplog.records)
    out, err = capfd.readouterr()
    assert out == "" and "Unable" not in err


def test_a_failing_log_handler_does_not_break_the_library_call(monkeypatch, caplog):
    class Broken(logging.Handler):
        def emit(self, record):
            raise RuntimeError("handler failed")

        def handleError(self, record):
            raise RuntimeError("handler failed")

    seen = []
    monkeypatch.setattr(sys, "unraisablehook", lambda u: seen.append(u.exc_value))
    caplog.set_level(logging.INFO, logger=ut.LOGGER_NAME)
    logger = logging.getLogger(ut.LOGGER_NAME)
    handler = Broken()
    logger.addHandler(handler)
    monkeypatch.delenv("MYKORVAL", raising=False)
    monkeypatch.delenv("KORVAL", raising=False)
    try:
        assert ut.install_value("release") is None
    finally:
        logger.removeHandler(handler)
    assert [str(e) for e in seen] == ["handler failed"]


def test_the_module_documents_itself_and_its_stub_names_every_public_name():
    for item in (ut, ut.Equate, ut.Equate.gen_hex, ut.IndexedFile, ut.IndexedFile.read,
                 ut.Lut, ut.Lut.minimal, ut.Timestamp, ut.install_value):
        assert item.__doc__ and len(item.__doc__) > 20, item
    stub = ast.parse(pathlib.Path(ut.__file__).with_name("utilities.pyi").read_text())
    declared = {getattr(n, "name", None) or getattr(n.target, "id", None) for n in stub.body
                if isinstance(n, (ast.ClassDef, ast.FunctionDef, ast.AnnAssign))}
    public = {name for name in dir(ut) if not name.startswith("_")} | {"__version__"}
    assert declared - {"_Bytes", "_Path", None} == public
    for cls in (ut.Lut, ut.IndexedFile, ut.Timestamp, ut.Equate):
        node = next(n for n in stub.body if getattr(n, "name", "") == cls.__name__)
        members = {n.name for n in node.body if isinstance(n, ast.FunctionDef)}
        assert {m for m in vars(cls) if not m.startswith("_")} <= members, cls
