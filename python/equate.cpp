// utilities.Equate: UT_EQUATE as it is, so scripts produce the C++ tools' texts byte for
// byte. Result codes become exceptions (refusals) and warnings (warning results).
#include "binding.h"

#include "Utilities.h"

#include <pybind11/stl.h>

#include <memory>

namespace utpy {
namespace {

class Equate {
public:
  explicit Equate(bool assignform) : eq_(assignform ? 1 : 0), assignform_(assignform) {}

  std::string gen_equatestr(const std::string &init, const std::vector<std::string> &names,
                            const std::string &lhs) {
    return convert(&UT_EQUATE::gen_equatestr, ctext(init, "the INIT value"), names, lhs);
  }
  std::string gen_hex(const std::string &equation, const std::vector<std::string> &names,
                      const std::string &lhs) {
    return convert(&UT_EQUATE::gen_hex, ctext(equation, "the equation"), names, lhs);
  }

  void validate(const std::string &text, const std::vector<std::string> &names,
                const std::string &lhs) {
    Names n(names);
    std::string t = ctext(text, "the text"), l = ctext(lhs, "the left-hand side");
    finish(eq_.validate(t.c_str(), l.c_str(), n.get(), n.count()), nullptr);
  }

  py::object message() const {
    const wchar_t *msg = eq_.geterrmsg();
    return msg ? py::cast(std::wstring(msg)) : py::object(py::none());
  }
  bool assignform() const { return assignform_; }

private:
  using Conversion = int (UT_EQUATE::*)(const char *const, const char **, const long,
                                        const char *const, char *&);
  std::string convert(Conversion op, const std::string &text, const std::vector<std::string> &names,
                      const std::string &lhs) {
    Names n(names);
    std::string l = ctext(lhs, "the left-hand side");
    char *out = nullptr;
    int code = (eq_.*op)(text.c_str(), n.get(), n.count(), l.c_str(), out);
    return finish(code, out);
  }

  // The text handed back, copied before anything can overwrite it.
  std::string finish(int code, const char *out) {
    std::string text = out ? out : "";
    if (code == UT_EQ_WARNING)
      warn(narrow(eq_.geterrmsg()));
    else if (code != UT_EQ_OK)
      raise_value(narrow(eq_.geterrmsg()), "refused with result " + std::to_string(code));
    return text;
  }

  UT_EQUATE eq_;
  bool assignform_;
};

} // namespace

void bind_equate(py::module_ &m) {
  py::class_<Equate>(m, "Equate", R"doc(
The INIT-value and equation conversions of the C++ class UT_EQUATE, unchanged.

`assignform` fixes the text convention: False matches names ignoring case and writes
"O = A0*A1" and bare digits ("8"); True matches names exactly, reads the value after a
"=" with an optional 0x ("INIT=0x8") and writes "O=A0*A1" and "O=0x8". The number of
address lines is len(names); names[i] is address line i.

Refusals raise ValueError with the library's message; a warning result (a short or
over-long INIT value) issues UtilitiesWarning and still returns the text.
)doc")
      .def(py::init<bool>(), py::arg("assignform") = false)
      .def_property_readonly("assignform", &Equate::assignform, "The text convention.")
      .def_property_readonly("message", &Equate::message,
                             "The message of the last operation (str), or None.")
      .def("gen_equatestr", &Equate::gen_equatestr, py::arg("init"), py::arg("names"),
           py::arg("lhs") = "",
           "INIT value to the sum of its minterms over 2 to 6 lines, in address order:\n"
           "Equate().gen_equatestr('8', ['A0', 'A1'], lhs='O') == 'O = A0*A1'.")
      .def("gen_hex", &Equate::gen_hex, py::arg("equation"), py::arg("names"), py::arg("lhs") = "",
           "Equation over 2 to 5 lines to its INIT value: the bare digits, or\n"
           "lhs + '=0x' + digits with assignform.")
      .def("validate", &Equate::validate, py::arg("text"), py::arg("names"), py::arg("lhs") = "",
           "Checks an equation (with assignform also 'lhs=0x...' values and the left-hand\n"
           "side) without converting it; raises ValueError when it is invalid.");
}

} // namespace utpy
