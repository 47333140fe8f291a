// The library's reports, routed to Python's logging: a message manager that ut_msgman
// points at while the module is loaded, and the capture of one call's reports. Reports
// made inside a capture are logged when it ends, after the library call has returned:
// no Python code (which may let another thread into the library) runs inside the library.
#include "binding.h"

#include "Portability.h"

#include <cstdarg>

namespace utpy {
namespace {

ReportScope *gv_scope = nullptr;

// One record on the logger "utilities", with the report's context as extra fields
// (ut_unit, ut_line, ut_number). An exception raised by a handler cannot pass through
// the library's frames or a destructor: it is shown as unraisable instead.
void log(const Report &r) {
  if (!Py_IsInitialized())
    return;
  try {
    py::dict extra;
    extra["ut_unit"] = shown(r.unit);
    extra["ut_line"] = r.line;
    extra["ut_number"] = r.number;
    py::object logger = py::module_::import("logging").attr("getLogger")("utilities");
    logger.attr("log")(r.level, "%s", shown(r.text), py::arg("extra") = extra);
  } catch (py::error_already_set &e) {
    e.discard_as_unraisable("utilities report");
  }
}

// logging levels, as the logging module numbers them.
constexpr int LOG_INFO = 20;
constexpr int LOG_WARNING = 30;
constexpr int LOG_ERROR = 40;

// Each reporting operation formats its text and hands it to emit.
#define UT_PY_EMIT(kind, number, level)                                                            \
  va_list ap;                                                                                      \
  va_start(ap, fmt);                                                                               \
  std::string text = vformat(fmt, ap);                                                             \
  va_end(ap);                                                                                      \
  emit(kind, number, level, std::move(text))

class LoggingMsgman : public UT_MSGMAN {
public:
  void print_msg(const char *fmt, ...) override { UT_PY_EMIT(Report::Print, 0, LOG_INFO); }
  void note_msg(const char *fmt, ...) override { UT_PY_EMIT(Report::Note, 0, LOG_INFO); }
  void warn_msg(const char *fmt, ...) override { UT_PY_EMIT(Report::Warn, 0, LOG_WARNING); }
  void error_msg(const char *fmt, ...) override { UT_PY_EMIT(Report::Error, 0, LOG_ERROR); }
  void numbered_msg(int number, const char *fmt, ...) override {
    UT_PY_EMIT(Report::Numbered, number, LOG_ERROR);
  }

private:
  void emit(Report::Kind kind, int number, int level, std::string text) {
    while (!text.empty() && text.back() == '\n')
      text.pop_back();
    Report r{kind, number, level, unit_ ? unit_ : "", line_, std::move(text)};
    if (!ReportScope::record(r))
      log(r);
  }
};

// Leaked on purpose: the library may still report while it is unloaded, after every
// object of this module is gone; the manager is put back before that (see bind_logging).
LoggingMsgman *gv_manager = new LoggingMsgman;
UT_MSGMAN *gv_previous = nullptr;

} // namespace

ReportScope::ReportScope() : outer_(gv_scope) { gv_scope = this; }

ReportScope::~ReportScope() {
  gv_scope = outer_;
  if (outer_) {
    outer_->reports_.insert(outer_->reports_.end(), reports_.begin(), reports_.end());
    return;
  }
  // Logging runs Python code, which must not meet a pending Python exception.
  PyObject *type, *value, *trace;
  PyErr_Fetch(&type, &value, &trace);
  for (const Report &r : reports_)
    log(r);
  PyErr_Restore(type, value, trace);
}

bool ReportScope::record(const Report &report) {
  if (!gv_scope)
    return false;
  gv_scope->reports_.push_back(report);
  return true;
}

std::string ReportScope::errors() const {
  std::string all;
  for (const Report &r : reports_) {
    if (r.kind != Report::Error && r.kind != Report::Numbered)
      continue;
    if (!all.empty())
      all += '\n';
    all += r.text;
  }
  return all;
}

bool ReportScope::has_number(int number) const {
  for (const Report &r : reports_)
    if (r.kind == Report::Numbered && r.number == number)
      return true;
  return false;
}

void bind_logging(py::module_ &m) {
  gv_previous = ut_msgman;
  ut_msgman = gv_manager;
  // Hand the library its default manager back before the interpreter goes away, so
  // reports made while the library unloads never reach a finalized interpreter.
  py::module_::import("atexit").attr("register")(py::cpp_function([] {
    if (ut_msgman == gv_manager)
      ut_msgman = gv_previous;
  }));
  m.attr("LOGGER_NAME") = "utilities";
}

} // namespace utpy
