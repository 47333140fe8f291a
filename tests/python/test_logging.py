"""The library's reports go to the logger "utilities", never to standard output."""

import logging
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


def test_the_module_documents_itself():
    for item in (ut, ut.Equate, ut.Equate.gen_hex, ut.IndexedFile, ut.IndexedFile.read,
                 ut.Timestamp, ut.install_value):
        assert item.__doc__ and len(item.__doc__) > 20, item
