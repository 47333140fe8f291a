// utilities.IndexedFile: indexed segmented files read through UT_IFILE's reader and
// written through its writer, so the library's limits hold. Segment bytes are copied
// into Python bytes, which owe nothing to the file object.
#include "binding.h"

#include "Utilities.h"

#include <pybind11/stl.h>

#include <cstdio>
#include <memory>

namespace utpy {
namespace {

// The largest block handed to one stream call (its counts are ints).
constexpr long CHUNK = 1L << 20;

// utilities.Segment; never released, as the module is never unloaded.
PyObject *gv_segment = nullptr;

class IndexedFile {
public:
  // Loads `path` for reading; a file that is not there, or not an indexed file, raises.
  static std::unique_ptr<IndexedFile> open(const py::object &path) {
    std::string p = fsbytes(path, "the path");
    auto f = std::unique_ptr<IndexedFile>(new IndexedFile(p));
    ReportScope scope;
    if (!f->file_.load(p.c_str())) {
      f->file_.unload();
      if (scope.has_number(3))
        raise_os(p, scope.errors(), false);
      raise_value(scope.errors(), p + " is not an indexed file");
    }
    f->open_ = true;
    return f;
  }

  ~IndexedFile() { close(); }

  void close() {
    ReportScope scope;
    if (open_)
      file_.unload();
    open_ = false;
  }

  py::list segments() {
    check_open();
    ReportScope scope;
    py::list out;
    UT_IFILESEGINFO info;
    file_.resetseginfo();
    while (file_.getnextseginfo(info))
      out.append(py::handle(gv_segment)(fsstr(info.getname() ? info.getname() : ""), info.getsize(),
                                        info.gettype(), info.getdata()));
    return out;
  }

  py::bytes read(const py::object &name_, const py::int_ &type) {
    check_open();
    std::string n = fsbytes(name_, "the segment name");
    std::string name = shown(n);
    long t = to_long(type, "the segment type");
    UT_IFILESEGINFO info;
    ReportScope scope;
    UT_STREAM *s = file_.getdataseg(&n[0], t, &info);
    if (!s) {
      std::string what = "no segment " + name + (t == -1 ? "" : " of type " + std::to_string(t));
      throw py::key_error(what + " in " + shown(path_));
    }
    // The size comes from the file: read in blocks so that a damaged size costs no more
    // memory than the bytes really there.
    long size = info.getsize();
    std::string bytes;
    while (size > 0 && static_cast<long>(bytes.size()) < size) {
      long want = std::min(CHUNK, size - static_cast<long>(bytes.size()));
      std::size_t at = bytes.size();
      bytes.resize(at + static_cast<std::size_t>(want));
      if (s->read(&bytes[at], static_cast<int>(want)) != want) {
        file_.enddataseg();
        raise_value("segment " + name + " runs past the end of " + shown(path_));
      }
    }
    file_.enddataseg();
    if (size < 0)
      raise_value("segment " + name + " has a negative size in " + shown(path_));
    return py::bytes(bytes);
  }

  static void write(const py::object &path, const py::object &segments, int dataversion,
                    int datarevision);

  bool closed() const { return !open_; }
  py::str path() const { return fsstr(path_); }
  int version() { return file_.getversion(); }
  int revision() { return file_.getrevision(); }
  int dataversion() { return file_.getdataversion(); }
  int datarevision() { return file_.getdatarevision(); }

private:
  explicit IndexedFile(std::string path) : path_(std::move(path)) {}

  void check_open() const {
    if (!open_)
      throw py::value_error("I/O operation on closed indexed file " + shown(path_));
  }

  UT_IFILE file_;
  std::string path_;
  bool open_ = false;
};

// One segment to write: its bytes (held through the caller's buffer), type and value.
struct Pending {
  std::string name;
  py::buffer_info data;
  long type;
  long value;
};

Pending pending(const py::handle &key, const py::handle &item) {
  if (!py::isinstance<py::str>(key) && !py::isinstance<py::bytes>(key))
    throw py::type_error("segment names must be str or bytes");
  py::handle data = item;
  long type = 0, value = 0;
  if (py::isinstance<py::tuple>(item)) {
    py::tuple t = py::reinterpret_borrow<py::tuple>(item);
    if (t.size() != 3)
      throw py::type_error("a segment is bytes or a tuple (bytes, type, value)");
    data = t[0];
    type = to_long(t[1], "the segment type");
    value = to_long(t[2], "the segment value");
  }
  if (py::isinstance<py::str>(data) || !PyObject_CheckBuffer(data.ptr()))
    throw py::type_error("segment data must be bytes-like");
  py::buffer_info info = py::reinterpret_borrow<py::buffer>(data).request();
  if (!PyBuffer_IsContiguous(info.view(), 'C'))
    throw py::type_error("segment data must be contiguous");
  return {fsbytes(key, "the segment name"), std::move(info), type, value};
}

void IndexedFile::write(const py::object &path, const py::object &segments, int dataversion,
                        int datarevision) {
  std::string p = fsbytes(path, "the path");
  if (dataversion < 0 || dataversion > 255 || datarevision < 0 || datarevision > 255)
    throw py::value_error("dataversion and datarevision are bytes (0 to 255)");
  // Every argument is checked before the file is touched.
  std::vector<Pending> todo;
  for (py::handle item : segments.attr("items")()) {
    py::sequence kv = py::reinterpret_borrow<py::sequence>(item);
    todo.push_back(pending(kv[0], kv[1]));
  }

  UT_IFILE file;
  ReportScope scope;
  if (!file.create(p.c_str())) {
    file.unload();
    raise_os(p, scope.errors(), true);
  }
  file.setdataversion(static_cast<unsigned char>(dataversion));
  file.setdatarevision(static_cast<unsigned char>(datarevision));
  // A file that could not be written whole is removed: it would not read back.
  auto fail = [&](bool refused, const std::string &why) {
    file.unload();
    std::remove(p.c_str());
    if (refused)
      raise_value(scope.errors(), why);
    raise_os(p, scope.errors().empty() ? why : scope.errors(), true);
  };
  for (Pending &seg : todo) {
    UT_STREAM *s = file.putdataseg(&seg.name[0], seg.type, seg.value);
    if (!s)
      fail(true, "segment " + shown(seg.name) + " refused");
    const char *bytes = static_cast<const char *>(seg.data.ptr);
    long left = static_cast<long>(seg.data.size * seg.data.itemsize);
    while (left > 0) {
      long n = std::min(CHUNK, left);
      if (!s->write(bytes, static_cast<int>(n)))
        fail(false, "cannot write segment " + shown(seg.name) + " to " + p);
      bytes += n;
      left -= n;
    }
    if (!file.enddataseg())
      fail(false, "cannot end segment " + shown(seg.name) + " in " + p);
  }
  if (!file.unload()) {
    std::remove(p.c_str());
    raise_os(p, scope.errors().empty() ? "cannot write " + p : scope.errors(), true);
  }
}

} // namespace

void bind_ifile(py::module_ &m) {
  py::object segment =
      py::module_::import("collections")
          .attr("namedtuple")("Segment", py::make_tuple("name", "size", "type", "value"),
                              py::arg("module") = "utilities");
  segment.attr("__doc__") = "A directory entry: name (str), size in bytes, the client's "
                            "type and value (int).";
  m.attr("Segment") = segment;
  gv_segment = segment.release().ptr();
  py::class_<IndexedFile>(m, "IndexedFile", R"doc(
An indexed segmented file (the C++ class UT_IFILE), open for reading.

    with IndexedFile.open("design.if") as d:
        for seg in d.segments():
            data = d.read(seg.name)

IndexedFile.write(path, {"a": b"...", "b": (b"...", type, value)}) writes one.
Reading a closed file raises ValueError; closing twice is harmless. A missing file
raises FileNotFoundError, a file that is not an indexed file ValueError.
)doc")
      .def_static("open", &IndexedFile::open, py::arg("path"),
                  "Loads the file's directory; the file stays open until close().")
      .def_static("write", &IndexedFile::write, py::arg("path"), py::arg("segments"), py::kw_only(),
                  py::arg("dataversion") = 0, py::arg("datarevision") = 0,
                  "Writes a new file with one segment per item, in the mapping's order. A value\n"
                  "is bytes-like, or a tuple (bytes, type, value) of the client's two numbers\n"
                  "(both 0 otherwise). On failure nothing is left at `path`.")
      .def("segments", &IndexedFile::segments,
           "The directory in file order: [Segment(name, size, type, value), ...].")
      .def("read", &IndexedFile::read, py::arg("name"), py::arg("type") = -1,
           "The bytes of the named segment; type -1 accepts any type. A name (or type)\n"
           "not in the directory raises KeyError, a segment cut short ValueError.")
      .def("close", &IndexedFile::close, "Releases the file; harmless when already closed.")
      .def(
          "__enter__", [](IndexedFile &f) -> IndexedFile & { return f; },
          py::return_value_policy::reference_internal)
      .def("__exit__", [](IndexedFile &f, const py::args &) { f.close(); })
      .def_property_readonly("closed", &IndexedFile::closed)
      .def_property_readonly("path", &IndexedFile::path)
      .def_property_readonly("version", &IndexedFile::version, "Format version (2).")
      .def_property_readonly("revision", &IndexedFile::revision, "Format revision.")
      .def_property_readonly("dataversion", &IndexedFile::dataversion, "The client's byte.")
      .def_property_readonly("datarevision", &IndexedFile::datarevision, "The client's byte.")
      .def("__repr__", [](const IndexedFile &f) {
        return "<utilities.IndexedFile " + std::string(py::repr(f.path())) +
               (f.closed() ? " closed>" : ">");
      });
}

} // namespace utpy
