// utilities.Lut: one lookup-table function (UT_LUT) with the names of its address lines.
// The names live on the Python object; the library holds the truth table. Operators
// combine the 64-bit truth-table words and hand the result back through from_word.
#include "binding.h"

#include "UtilLut.h"

#include <pybind11/stl.h>

#include <optional>

namespace utpy {
namespace {

class Lut {
public:
  Lut(bool assignform, std::vector<std::string> names)
      : lut_(assignform ? 1 : 0), assignform_(assignform), names_(std::move(names)) {}

  static Lut from_init(const std::string &init,
                       const std::optional<std::vector<std::string>> &names,
                       const std::optional<long> &lines, bool assignform) {
    Lut f(assignform, resolve(names, lines));
    std::string i = ctext(init, "the INIT value");
    f.check(f.lut_.from_init(i.c_str(), f.count()));
    return f;
  }

  static Lut from_equation(const std::string &equation, const std::vector<std::string> &names,
                           bool assignform) {
    Lut f(assignform, names);
    Names n(f.names_);
    std::string e = ctext(equation, "the equation");
    f.check(f.lut_.from_equation(e.c_str(), n.get(), n.count()));
    return f;
  }

  static Lut from_word(const py::int_ &word, long lines,
                       const std::optional<std::vector<std::string>> &names, bool assignform) {
    Lut f(assignform, resolve(names, lines));
    f.check(f.lut_.from_word(to_word(word), f.count()));
    return f;
  }

  long lines() const { return lut_.getlines(); }
  uint64_t word() const { return lut_.getword(); }
  const std::vector<std::string> &names() const { return names_; }

  std::vector<std::string> support() const {
    std::vector<std::string> out;
    uint64_t mask = lut_.support();
    for (std::size_t i = 0; i < names_.size() && i < 64; ++i)
      if ((mask >> i) & 1)
        out.push_back(names_[i]);
    return out;
  }

  int call(const py::int_ &address) const {
    uint64_t a = to_word(address);
    if (lines() < 64 && a >> lines() != 0)
      throw py::value_error("address " + std::to_string(a) + " is outside the " +
                            std::to_string(lines()) + "-line table");
    return lut_.value(a);
  }

  std::string init() {
    char *out = nullptr;
    int code = lut_.gen_init(out);
    return text(code, out);
  }
  std::string minterms(const std::string &lhs) { return equation(&UT_LUT::gen_minterms, lhs); }
  std::string minimal(const std::string &lhs) { return equation(&UT_LUT::gen_minimal, lhs); }
  std::string kmap() {
    Names n(names_);
    char *out = nullptr;
    int code = lut_.gen_kmap(n.get(), out);
    return text(code, out);
  }

  // The result keeps this function's names and convention.
  Lut combine(const Lut &other, uint64_t word) const {
    if (other.lines() != lines())
      throw py::value_error("the functions have different numbers of lines (" +
                            std::to_string(lines()) + " and " + std::to_string(other.lines()) +
                            ")");
    Lut f(assignform_, names_);
    f.check(f.lut_.from_word(word, lines()));
    return f;
  }
  Lut invert() const {
    Lut f(assignform_, names_);
    f.check(f.lut_.from_word(~word(), lines()));
    return f;
  }

  bool equals(const Lut &other) const { return lines() == other.lines() && word() == other.word(); }
  bool assignform() const { return assignform_; }

private:
  // The address-line names: the given ones, or I0, I1, ... for `lines` lines.
  static std::vector<std::string> resolve(const std::optional<std::vector<std::string>> &names,
                                          const std::optional<long> &lines) {
    if (names && lines && static_cast<long>(names->size()) != *lines)
      throw py::value_error("names and lines disagree");
    if (names)
      return *names;
    if (!lines)
      throw py::type_error("give the address-line names or the number of lines");
    std::vector<std::string> out;
    for (long i = 0; i < *lines && i < 64; ++i)
      out.push_back("I" + std::to_string(i));
    return out;
  }

  static uint64_t to_word(const py::int_ &value) {
    unsigned long long v = PyLong_AsUnsignedLongLong(value.ptr());
    if (v == static_cast<unsigned long long>(-1) && PyErr_Occurred())
      throw py::error_already_set();
    return v;
  }

  long count() const { return static_cast<long>(names_.size()); }

  using EquationText = int (UT_LUT::*)(const char **, const char *, char *&);
  std::string equation(EquationText op, const std::string &lhs) {
    Names n(names_);
    std::string l = ctext(lhs, "the left-hand side");
    char *out = nullptr;
    int code = (lut_.*op)(n.get(), l.c_str(), out);
    return text(code, out);
  }

  void check(int code) {
    if (code == UT_EQ_WARNING)
      warn(narrow(lut_.geterrmsg()));
    else if (code != UT_EQ_OK)
      raise_value(narrow(lut_.geterrmsg()), "refused with result " + std::to_string(code));
  }
  std::string text(int code, const char *out) {
    std::string t = out ? out : "";
    check(code);
    return t;
  }

  UT_LUT lut_;
  bool assignform_;
  std::vector<std::string> names_;
};

} // namespace

void bind_lut(py::module_ &m) {
  py::class_<Lut>(m, "Lut", R"doc(
A Boolean function of 1 to 6 address lines (the C++ class UT_LUT), with the names of
its lines. names[i] is address line i; bit k of `word` is the value at address k.

    f = Lut.from_init("FF00F0F0CCCCAAAA", names=["I0", "I1", "I2", "I3", "I4", "I5"])
    g = Lut.from_equation("I0*~I2 + I1*I2", names=["I0", "I1", "I2"])
    f.init, f.minterms(lhs="O"), f.minimal(lhs="O"), f.kmap(), f(0b110000), f.support

&, |, ^ and ~ work on the truth-table words and need functions of the same number of
lines; the result keeps the left operand's names. == compares lines and words.
`assignform` selects UT_EQUATE's text conventions. Refusals raise ValueError with the
library's message; warning results issue UtilitiesWarning.
)doc")
      .def_static("from_init", &Lut::from_init, py::arg("init"), py::arg("names") = py::none(),
                  py::kw_only(), py::arg("lines") = py::none(), py::arg("assignform") = false,
                  "The function of an INIT value (read as Equate.gen_equatestr reads it) over\n"
                  "`names`, or over I0.. when only `lines` is given.")
      .def_static("from_equation", &Lut::from_equation, py::arg("equation"), py::arg("names"),
                  py::kw_only(), py::arg("assignform") = false,
                  "The function of an equation over `names`.")
      .def_static("from_word", &Lut::from_word, py::arg("word"), py::arg("lines"),
                  py::arg("names") = py::none(), py::kw_only(), py::arg("assignform") = false,
                  "The function whose truth table is `word` (bits past 2**lines are dropped).")
      .def_property_readonly("lines", &Lut::lines, "The number of address lines.")
      .def_property_readonly("word", &Lut::word, "The truth table as a 64-bit int.")
      .def_property_readonly("names", &Lut::names, "The address-line names.")
      .def_property_readonly("assignform", &Lut::assignform, "The text convention.")
      .def_property_readonly("init", &Lut::init, "The INIT digits.")
      .def_property_readonly("support", &Lut::support,
                             "The names of the lines the function depends on.")
      .def("__call__", &Lut::call, py::arg("address"),
           "The value (0 or 1) at an address below 2**lines.")
      .def("minterms", &Lut::minterms, py::arg("lhs") = "O",
           "The sum of minterms, as Equate.gen_equatestr writes it.")
      .def("minimal", &Lut::minimal, py::arg("lhs") = "O", "The exact minimal sum of products.")
      .def("kmap", &Lut::kmap, "The Karnaugh-map text.")
      .def(
          "__and__", [](const Lut &a, const Lut &b) { return a.combine(b, a.word() & b.word()); },
          py::is_operator())
      .def(
          "__or__", [](const Lut &a, const Lut &b) { return a.combine(b, a.word() | b.word()); },
          py::is_operator())
      .def(
          "__xor__", [](const Lut &a, const Lut &b) { return a.combine(b, a.word() ^ b.word()); },
          py::is_operator())
      .def("__invert__", &Lut::invert)
      .def("__eq__", &Lut::equals, py::is_operator())
      .def("__hash__", [](const Lut &f) { return py::hash(py::make_tuple(f.lines(), f.word())); })
      .def("__repr__", [](Lut &f) {
        return "<utilities.Lut lines=" + std::to_string(f.lines()) + " init=" + f.init() + ">";
      });
}

} // namespace utpy
