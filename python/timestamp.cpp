// utilities.Timestamp (UT_TIMESTAMP) and utilities.install_value (Util_Version). The
// library's texts live in buffers shared by every timestamp: each is copied into a
// Python object before the next call can overwrite it.
#include "binding.h"

#include "Utilities.h"

#include <pybind11/stl.h>

#include <memory>

namespace utpy {
namespace {

class Timestamp {
public:
  Timestamp() : ts_(new UT_TIMESTAMP()) {}
  explicit Timestamp(long t) : ts_(new UT_TIMESTAMP(t)) {}

  // A moment the library could not break down is reported; it is refused here rather
  // than handed on as some other moment.
  static std::unique_ptr<Timestamp> make(const py::int_ &t) {
    long v = to_long(t, "the calendar time");
    ReportScope scope;
    auto ts = std::make_unique<Timestamp>(v);
    if (!scope.errors().empty())
      raise_value(scope.errors());
    return ts;
  }
  static std::unique_ptr<Timestamp> now() {
    ReportScope scope;
    auto ts = std::make_unique<Timestamp>();
    if (!scope.errors().empty())
      throw py::value_error(scope.errors());
    return ts;
  }

  py::object text() {
    ReportScope scope;
    return copy(ts_->get_timestamp_string());
  }
  long time() { return ts_->get_absolute_time(); }
  long compare_time(Timestamp &other) { return ts_->compare_time(other.ts_.get()); }
  int year() { return number(ts_->get_ts_year()); }
  int month() { return number(ts_->get_ts_month()); }
  int day() { return number(ts_->get_ts_mday()); }
  int hour() { return number(ts_->get_ts_hour()); }
  int minute() { return number(ts_->get_ts_minute()); }
  int second() { return number(ts_->get_ts_second()); }
  py::object weekday() { return copy(ts_->get_ts_wday()); }
  py::object monthname() { return copy(ts_->get_ts_monthst()); }

  // The local time the timestamp holds, as a naive datetime built from its fields.
  py::object datetime() {
    return py::module_::import("datetime")
        .attr("datetime")(year(), month(), day(), hour(), minute(), second());
  }

private:
  static py::object copy(const char *text) {
    return text ? py::object(py::str(text)) : py::object(py::none());
  }
  static int number(const char *text) {
    if (!text)
      throw std::bad_alloc();
    return std::stoi(text);
  }

  std::unique_ptr<UT_TIMESTAMP> ts_;
};

py::object install_value(const std::string &key, const std::optional<std::string> &date) {
  std::string k = ctext(key, "the key");
  std::string d = date ? ctext(*date, "the date") : std::string();
  ReportScope scope;
  const char *value = Util_Version::GetValue(k.c_str(), date ? d.c_str() : nullptr);
  return value ? py::object(py::str(value)) : py::object(py::none());
}

} // namespace

void bind_time(py::module_ &m) {
  py::class_<Timestamp>(m, "Timestamp", R"doc(
One moment as local broken-down time (the C++ class UT_TIMESTAMP).

Timestamp(t) holds the local time of calendar time t (seconds since the epoch);
Timestamp.now() the current one. `text` is the library's whole-moment text: the
standard text, or the compact "SAT 5 DEC 0:16:7 2026" when the user's language is
Japanese. The fields are ints, `weekday` and `monthname` the library's names
("SUN", "JAN"), and `datetime` a naive datetime of the local time held.
)doc")
      .def(py::init(&Timestamp::make), py::arg("t"))
      .def_static("now", &Timestamp::now, "The current local time.")
      .def_property_readonly("text", &Timestamp::text, "The whole moment as text.")
      .def_property_readonly("time", &Timestamp::time, "Calendar time in seconds.")
      .def_property_readonly("datetime", &Timestamp::datetime, "A naive local datetime.")
      .def_property_readonly("year", &Timestamp::year)
      .def_property_readonly("month", &Timestamp::month, "1 to 12.")
      .def_property_readonly("day", &Timestamp::day, "Day of the month.")
      .def_property_readonly("hour", &Timestamp::hour)
      .def_property_readonly("minute", &Timestamp::minute)
      .def_property_readonly("second", &Timestamp::second)
      .def_property_readonly("weekday", &Timestamp::weekday, "\"SUN\" to \"SAT\".")
      .def_property_readonly("monthname", &Timestamp::monthname, "\"JAN\" to \"DEC\".")
      .def("compare_time", &Timestamp::compare_time, py::arg("other"),
           "This moment minus `other`, in seconds: positive when this one is later.")
      .def("__repr__",
           [](Timestamp &t) { return "<utilities.Timestamp " + std::to_string(t.time()) + ">"; });

  m.def("install_value", &install_value, py::arg("key"), py::arg("date") = py::none(), R"doc(
The value of `key` in the installation record file ($MYKORVAL/fileset.txt, else
$KORVAL/fileset.txt): the newest one, or with `date` (a date part as the file writes
it, "Wed Jun 30 21:49:08 PDT 1993") the one stamped with exactly that date. None when
there is no file or no such record; the reasons are logged.
)doc");
}

} // namespace utpy
