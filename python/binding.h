// What the binding's units share: the report capture around a call into the library,
// the conversions of texts and integers at the boundary, and the Python exceptions the
// library's failures become.
#ifndef UT_PYTHON_BINDING_H
#define UT_PYTHON_BINDING_H

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

namespace utpy {
namespace py = pybind11;

// One report the library made through ut_msgman.
struct Report {
  enum Kind { Print, Note, Warn, Error, Numbered };
  Kind kind;
  int number; // numbered reports only
  int level;  // the logging level it is logged at
  std::string unit;
  short line;
  std::string text;
};

// Put around every call into the library that may report. Collects the reports made
// while it lives, so that a failed call can raise an exception carrying the library's own
// message, and logs them when it ends (the outermost scope does). Without a scope, a
// report is logged at once.
class ReportScope {
public:
  ReportScope();
  ~ReportScope();
  ReportScope(const ReportScope &) = delete;
  ReportScope &operator=(const ReportScope &) = delete;

  // The error and numbered reports, one per line, without trailing newlines; empty
  // when there were none.
  std::string errors() const;
  bool has_number(int number) const;

  // False when no scope is open.
  static bool record(const Report &report);

private:
  std::vector<Report> reports_;
  ReportScope *outer_;
};

// Refusals: the library's message, or `fallback` when it gave none.
[[noreturn]] void raise_value(const std::string &message, const std::string &fallback = "");
// A missing file as Python's FileNotFoundError (or the OSError the path's state calls
// for); otherwise an OSError carrying the library's message.
[[noreturn]] void raise_os(const std::string &path, const std::string &message, bool writing);
// A Python warning of the module's UtilitiesWarning category (an exception when the
// warnings filter turns it into one).
void warn(const std::string &message);

// A text handed to the library: refuses an embedded NUL, which would cut it short.
std::string ctext(const std::string &text, const char *what);
// A path or segment name (str, bytes or os.PathLike) as the file system's bytes: str is
// encoded as os.fsencode does, so names that are not UTF-8 survive a round trip.
std::string fsbytes(py::handle value, const char *what);
// Bytes from a file as str, decoded as os.fsdecode does.
py::str fsstr(const std::string &bytes);
// Bytes that may not be UTF-8 (names and paths from files, and the library's messages
// that quote them) as valid UTF-8, undecodable bytes shown as \xNN.
std::string shown(const std::string &bytes);
// A wide library message as UTF-8; empty for null.
std::string narrow(const wchar_t *text);
// A Python integer as a C long; values the library cannot hold raise OverflowError.
long to_long(py::handle value, const char *what);

// Address-line names as the library takes them: `count` NUL-free texts.
class Names {
public:
  explicit Names(const std::vector<std::string> &names);
  const char **get() { return ptrs_.empty() ? nullptr : ptrs_.data(); }
  long count() const { return static_cast<long>(texts_.size()); }

private:
  std::vector<std::string> texts_;
  std::vector<const char *> ptrs_;
};

// The units of the module, each adding its classes and functions.
void bind_logging(py::module_ &m);
void bind_equate(py::module_ &m);
void bind_ifile(py::module_ &m);
void bind_lut(py::module_ &m);
void bind_time(py::module_ &m);

} // namespace utpy

#endif
