// The module `utilities`: the conversions and exceptions every binding unit shares, and
// the module definition that gathers the units.
#include "binding.h"

#include <pybind11/stl.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace utpy {
namespace {
PyObject *gv_warning = nullptr; // utilities.UtilitiesWarning, owned by the module
}

void raise_value(const std::string &message, const std::string &fallback) {
  throw py::value_error(shown(message.empty() ? fallback : message));
}

void raise_os(const std::string &path, const std::string &message, bool writing) {
  // The file system tells best why a path could not be opened: a missing file or
  // directory, a directory, or one the user may not use becomes the matching OSError
  // subclass (Python picks it from errno). Anything else carries the library's message.
  struct stat st;
  int err = 0;
  if (stat(path.c_str(), &st) != 0) {
    err = errno;
    if (writing && err == ENOENT) {
      std::size_t slash = path.rfind('/');
      std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
      err = access(dir.c_str(), W_OK | X_OK) != 0 ? errno : 0;
    }
  } else if (S_ISDIR(st.st_mode)) {
    err = EISDIR;
  } else if (access(path.c_str(), writing ? W_OK : R_OK) != 0) {
    err = errno;
  }
  if (err != 0) {
    errno = err;
    PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
    throw py::error_already_set();
  }
  PyErr_SetString(PyExc_OSError, shown(message.empty() ? "cannot open " + path : message).c_str());
  throw py::error_already_set();
}

void warn(const std::string &message) {
  if (PyErr_WarnEx(gv_warning, message.c_str(), 1) != 0)
    throw py::error_already_set();
}

std::string ctext(const std::string &text, const char *what) {
  if (text.find('\0') != std::string::npos)
    throw py::value_error(std::string(what) + " contains a NUL character");
  return text;
}

std::string fsbytes(py::handle value, const char *what) {
  PyObject *out = nullptr;
  if (!PyUnicode_FSConverter(value.ptr(), &out)) {
    if (PyErr_ExceptionMatches(PyExc_TypeError)) {
      PyErr_Clear();
      throw py::type_error(std::string(what) + " must be str, bytes or os.PathLike");
    }
    throw py::error_already_set(); // an embedded NUL: ValueError
  }
  py::bytes bytes = py::reinterpret_steal<py::bytes>(out);
  return bytes.cast<std::string>();
}

py::str fsstr(const std::string &bytes) {
  PyObject *out =
      PyUnicode_DecodeFSDefaultAndSize(bytes.data(), static_cast<Py_ssize_t>(bytes.size()));
  if (!out)
    throw py::error_already_set();
  return py::reinterpret_steal<py::str>(out);
}

std::string shown(const std::string &bytes) {
  PyObject *text =
      PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "backslashreplace");
  if (!text)
    throw py::error_already_set();
  return py::reinterpret_steal<py::str>(text).cast<std::string>();
}

std::string narrow(const wchar_t *text) {
  if (!text)
    return std::string();
  return py::str(py::cast(std::wstring(text))).cast<std::string>();
}

long to_long(py::handle value, const char *what) {
  if (!PyLong_Check(value.ptr()))
    throw py::type_error(std::string(what) + " must be an int");
  int overflow = 0;
  long v = PyLong_AsLongAndOverflow(value.ptr(), &overflow);
  if (v == -1 && PyErr_Occurred())
    throw py::error_already_set();
  if (overflow != 0) {
    PyErr_Format(PyExc_OverflowError, "%s does not fit a C long", what);
    throw py::error_already_set();
  }
  return v;
}

Names::Names(const std::vector<std::string> &names) {
  texts_.reserve(names.size());
  for (const std::string &n : names)
    texts_.push_back(ctext(n, "an address-line name"));
  for (const std::string &n : texts_)
    ptrs_.push_back(n.c_str());
}

} // namespace utpy

PYBIND11_MODULE(utilities, m) {
  using namespace utpy;
  m.doc() = "Lookup-table functions, INIT values and equations, indexed files, timestamps.\n\n"
            "Bindings of the C++ library libUtilities: every result comes from it. Refused "
            "input raises ValueError with the library's message, warning results become "
            "UtilitiesWarning, a missing file raises FileNotFoundError, and the library's "
            "reports go to the logger named \"utilities\".";
  m.attr("__version__") = UT_PYTHON_VERSION;
  gv_warning = PyErr_NewExceptionWithDoc(
      "utilities.UtilitiesWarning",
      "A conversion that succeeded with a warning (the library's warning result).",
      PyExc_UserWarning, nullptr);
  if (!gv_warning)
    throw py::error_already_set();
  m.attr("UtilitiesWarning") = py::reinterpret_borrow<py::object>(gv_warning);
  bind_logging(m);
  bind_equate(m);
  bind_ifile(m);
  bind_lut(m);
  bind_time(m);
}
