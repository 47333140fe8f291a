"""Timestamp and install_value: the library's moments and install records."""

import datetime
import time

import pytest

import utilities as ut

# CTest runs these with TZ=UTC.


def test_a_timestamp_gives_the_library_fields_texts_and_a_datetime(monkeypatch):
    monkeypatch.delenv("LC_ALL", raising=False)
    monkeypatch.delenv("LC_MESSAGES", raising=False)
    monkeypatch.setenv("LANG", "C")
    t = ut.Timestamp(883613045)  # Thursday 1 January 1998, 00:04:05
    assert (t.year, t.month, t.day, t.hour, t.minute, t.second) == (1998, 1, 1, 0, 4, 5)
    assert (t.weekday, t.monthname, t.time) == ("THU", "JAN", 883613045)
    assert t.datetime == datetime.datetime(1998, 1, 1, 0, 4, 5)
    assert t.text == "Thu Jan  1 00:04:05 1998\n"
    monkeypatch.setenv("LANG", "ja_JP.UTF-8")
    assert t.text == "THU 1 JAN 0:4:5 1998"
    assert ut.Timestamp(0).compare_time(ut.Timestamp(3600)) == -3600
    assert t.compare_time(ut.Timestamp(883613045)) == 0


def test_now_is_the_current_time_and_out_of_range_times_are_refused():
    before = int(time.time())
    now = ut.Timestamp.now()
    assert before <= now.time <= int(time.time())
    assert isinstance(now.datetime, datetime.datetime)
    with pytest.raises(OverflowError):
        ut.Timestamp(2**70)
    with pytest.raises(TypeError):
        ut.Timestamp(1.5)


def test_install_value_reads_the_newest_or_the_dated_record(tmp_path, monkeypatch):
    (tmp_path / "fileset.txt").write_text(
        "Wed Jun 30 21:49:08 PDT 1993::release= 1.0 \n"
        "Thu Jul 1 10:00:00 PDT 1993::release=1.1\n"
        "Wed Jun 30 21:49:08 PDT 1993::summary=first\n"
    )
    monkeypatch.delenv("MYKORVAL", raising=False)
    monkeypatch.setenv("KORVAL", str(tmp_path))
    assert ut.install_value("release") == "1.1"
    assert ut.install_value("release", date="Wed Jun 30 21:49:08 PDT 1993") == "1.0"
    assert ut.install_value("summary") == "first\n"
    assert ut.install_value("missing") is None
    assert ut.install_value("release", "Fri Jul 2 10:00:00 PDT 1993") is None
    with pytest.raises(ValueError, match="NUL"):
        ut.install_value("rel\0ease")
