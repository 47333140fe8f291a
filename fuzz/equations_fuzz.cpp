// Equation texts from outside: gen_hex, both validate forms and gen_equatestr in both
// conventions, and UT_LUT reading the same texts. Input: one byte that picks the line count
// (0 to 7, so out-of-range counts are tried too), then the text. Whenever an INIT text
// converts to an equation, reading that equation back must give the same INIT digits.
// The reader's paths (a tree, a 32- or 64-bit table, a check alone) must give the same
// code, message and table for any text. UT_LUT must agree with UT_EQUATE, and its minimal
// equation must read back to its table.
#include "Utilities.h"

#include "UtilEquateimp.h"

#include "fuzz_support.h"

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>

namespace {
// validate takes any line count: the table holds one name for every count tried.
const char *NAMES[] = {"A0", "A1", "A2", "A3", "A4", "A5", "A6", "A7"};

void check(bool ok) {
  if (!ok)
    __builtin_trap();
}

bool is_code(int code) { return code >= UT_EQ_OK && code <= UT_EQ_INVALID; }

bool same_message(const wchar_t *a, const wchar_t *b) {
  return (!a && !b) || (a && b && std::wcscmp(a, b) == 0);
}

// UT_LUT on the same text: the codes, messages and texts of UT_EQUATE where both take the
// line count, and every text it writes read back to the table it holds.
void run_lut(unsigned char assignform, const char *text, long nlines) {
  UT_EQUATE eq(assignform);
  UT_LUT lut(assignform);
  char *ours = nullptr;
  char *theirs = nullptr;

  int code = lut.from_equation(text, NAMES, nlines);
  check(is_code(code) && code != UT_EQ_WARNING);
  if (nlines >= 2 && nlines <= 5) {
    const int theircode = eq.gen_hex(text, NAMES, nlines, "O", theirs);
    check(code == theircode && same_message(lut.geterrmsg(), eq.geterrmsg()));
    if (code == UT_EQ_OK && !assignform)
      check(lut.gen_init(ours) == UT_EQ_OK && std::strcmp(ours, theirs) == 0);
  }

  code = lut.from_init(text, nlines);
  check(is_code(code));
  if (nlines >= 2) {
    const int theircode = eq.gen_equatestr(text, NAMES, nlines, "O", theirs);
    check(code == theircode && same_message(lut.geterrmsg(), eq.geterrmsg()));
    if (code <= UT_EQ_WARNING)
      check(lut.gen_minterms(NAMES, "O", ours) == UT_EQ_OK && std::strcmp(ours, theirs) == 0);
  }
  if (code > UT_EQ_WARNING)
    return;
  const uint64_t table = lut.getword();
  check(lut.gen_kmap(NAMES, ours) == UT_EQ_OK);
  check(lut.gen_minimal(NAMES, "O", ours) == UT_EQ_OK);
  const std::string minimal = ours;
  UT_LUT back(assignform);
  check(back.from_equation(minimal.c_str(), NAMES, nlines) == UT_EQ_OK);
  check(back.getword() == table);
}

// The digits an INIT text stands for at this width: the last `width` characters, upper
// case, padded in front with zeros.
std::string expected_digits(const std::string &digits, long width) {
  std::string tail =
      digits.size() > static_cast<size_t>(width) ? digits.substr(digits.size() - width) : digits;
  for (char &c : tail)
    c = static_cast<char>(UT_STR::ToUpper(static_cast<unsigned char>(c)));
  return std::string(static_cast<size_t>(width) - tail.size(), '0') + tail;
}

std::wstring message(const UT_EQUATE_IMP &imp) {
  return imp.geterrmsg() ? imp.geterrmsg() : L"(none)";
}

void compare_paths(unsigned char assignform, const std::string &text, long nlines) {
  UT_EQUATE_IMP imp(assignform);
  std::string copy = text;
  UT_PREDICATE *tree = nullptr;
  const int code = imp.parse(&copy[0], NAMES, nlines, tree) ? UT_EQ_OK : UT_EQ_INVALID;
  const uint32_t word = code == UT_EQ_OK ? tree->eval() : 0;
  delete tree;
  const std::wstring msg = message(imp);
  uint32_t word32 = 1;
  uint64_t word64 = 1;
  imp.seterrmsg(nullptr);
  check(imp.readtable(text.c_str(), NAMES, nlines, word32) == code && word32 == word);
  check(message(imp) == msg);
  imp.seterrmsg(nullptr);
  check(imp.readtable(text.c_str(), NAMES, nlines, word64) == code &&
        static_cast<uint32_t>(word64) == word);
  check(message(imp) == msg);
  imp.seterrmsg(nullptr);
  check(imp.readcheck(text.c_str(), NAMES, nlines) == code && message(imp) == msg);
}

void run(unsigned char assignform, const char *text, long nlines) {
  UT_EQUATE eq(assignform);
  char *out = nullptr;

  int code = eq.gen_hex(text, NAMES, nlines, "O", out);
  check(is_code(code));
  check((code == UT_EQ_OK) == (out != nullptr));
  check((code == UT_EQ_OK) == (eq.geterrmsg() == nullptr));
  if (out && !assignform)
    check(static_cast<long>(std::strlen(out)) == (1L << nlines) / 4);
  code = eq.gen_hex(text, NAMES, nlines, out);
  check(is_code(code));

  check(is_code(eq.validate(text, "O", NAMES, nlines)));
  check(is_code(eq.validate(text, NAMES, nlines)));

  code = eq.gen_equatestr(text, NAMES, nlines, "O", out);
  check(is_code(code));
  if (code != UT_EQ_OK && code != UT_EQ_WARNING)
    return;
  check(out != nullptr);
  // Round trip: the minterms read back give the INIT value (gen_hex stops at 5 lines).
  if (nlines > 5)
    return;
  std::string digits = text;
  if (assignform) {
    const size_t equals = digits.find('=');
    if (equals != std::string::npos)
      digits = digits.substr(equals + 1);
    if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
      digits = digits.substr(2);
  }
  const std::string equation = out;
  UT_EQUATE back(0);
  char *hex = nullptr;
  check(back.gen_hex(equation.c_str(), NAMES, nlines, hex) == UT_EQ_OK);
  check(expected_digits(digits, (1L << nlines) / 4) == hex);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  static QuietMsgman quiet;
  const long nlines = data[0] % 8;
  const std::string text(reinterpret_cast<const char *>(data + 1), size - 1); // cut at a NUL
  run(0, text.c_str(), nlines);
  run(1, text.c_str(), nlines);
  compare_paths(0, text, nlines);
  compare_paths(1, text, nlines);
  run_lut(0, text.c_str(), nlines);
  run_lut(1, text.c_str(), nlines);
  return 0;
}
