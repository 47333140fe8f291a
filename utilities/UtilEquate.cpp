// UtilEquate: the UT_EQUATE handle and the conversions of UT_EQUATE_IMP between INIT
// values and equations, and the checks of both kinds of text. Equations are read by the
// reader of UtilEquateimp straight into their truth-table word, without a tree; texts are
// built in the object's UT_STRING.
#include "UtilEquate.h"

#include "UtilEquateimp.h"

#include <new>

namespace {
// "UtilEquate", each character stored as its code plus one.
const char mv_modname[] = "VujmFrvbuf";

const char *const HEXDIGITS = "0123456789ABCDEF";

// The bare digits of the last gen_hex of any object: up to 8 digits and the NUL.
char hexbuf[9];

int lines_in_range(long nlines, long most) { return nlines >= 2 && nlines <= most; }

int has_hex_prefix(const char *text) {
  return text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// Writes a text into a UT_STRING grown beforehand to the size given, without a call per
// character. Should the string be unable to grow that far, what does not fit is dropped,
// as UT_STRING::append drops it.
class TextWriter {
public:
  TextWriter(UT_STRING &s, long size) : s(s) {
    while (s.capacity < s.length + size) {
      const long before = s.capacity;
      s.grow_buffer();
      if (s.capacity == before)
        break;
    }
  }
  void put(const char *text, long n) {
    const long room = s.capacity - s.length;
    for (long i = 0; i < n && i < room; ++i)
      s.buffer[s.length + i] = text[i];
    s.length += n < room ? n : room;
  }
  void finish() {
    if (s.buffer)
      s.buffer[s.length] = '\0';
  }

private:
  UT_STRING &s;
};

// The text after the first '=', or the whole text when it has none.
const char *after_equals(const char *text) {
  const char *equals = UT_STR::FindChar(text, '=');
  return equals ? equals + 1 : text;
}
} // namespace

int UT_EQUATE_IMP::gen_equatestr(const char *const init, const char **names, const long nlines,
                                 const char *const lhs, char *&out) {
  seterrmsg(nullptr);
  if (!lines_in_range(nlines, 6)) {
    storemsg(mv_modname, "Wrong number of address lines.");
    return UT_EQ_BADLINES;
  }
  const char *digits = init ? init : "";
  if (assignform) {
    digits = after_equals(digits);
    if (has_hex_prefix(digits))
      digits += 2;
  }
  const long nbits = 1L << nlines;
  const long width = nbits / 4;
  // A short text is padded in front; a long one is read in place, from its end.
  char padded[16 + 1];
  const long given = UT_STR::Len(digits);
  if (given < width) {
    if (!assignform)
      storemsg(mv_modname, "INITSTATE string shorter than width of the ROM - padding with zeros.");
    UT_MEMORY::Set(padded, '0', static_cast<unsigned>(width - given));
    UT_STR::Copy(padded + (width - given), digits);
    digits = padded;
  }
  unsigned char bits[256] = {0};
  if (buildbits(digits, nbits, bits) == UT_EQ_BADCHAR)
    return UT_EQ_BADCHAR;

  // Lengths first, so that the whole text is written in one pass into a buffer grown to
  // hold it.
  const char *const equals = assignform ? "=" : " = ";
  const char *const plus = assignform ? "+" : " + ";
  const char *line_name[6];
  long name_length[6];
  long literals = nlines - 1; // the '*' between them
  for (long line = 0; line < nlines; ++line) {
    line_name[line] = names ? names[line] : nullptr;
    name_length[line] = UT_STR::Len(line_name[line]);
    literals += name_length[line];
  }
  const long plus_length = UT_STR::Len(plus);
  long total = UT_STR::Len(lhs) + UT_STR::Len(equals) + 1; // "0" when no bit is set
  for (long address = 0; address < nbits; ++address)
    if (bits[address])
      total += plus_length + literals + nlines - __builtin_popcountl(address); // and the '~'
  outtext.reset();
  TextWriter text(outtext, total);
  text.put(lhs, UT_STR::Len(lhs));
  text.put(equals, UT_STR::Len(equals));
  int terms = 0;
  for (long address = 0; address < nbits; ++address) {
    if (!bits[address])
      continue;
    if (terms++)
      text.put(plus, plus_length);
    for (long line = 0; line < nlines; ++line) {
      if (line)
        text.put("*", 1);
      if (!((address >> line) & 1))
        text.put("~", 1);
      text.put(line_name[line], name_length[line]);
    }
  }
  if (!terms)
    text.put("0", 1);
  text.finish();
  out = outtext.buffer;
  return errmsg ? UT_EQ_WARNING : UT_EQ_OK;
}

int UT_EQUATE_IMP::buildbits(const char *const hex, const long nbits, unsigned char *bits) {
  if (!hex || !bits)
    return UT_EQ_OK;
  long position = 0;
  for (const char *c = hex + UT_STR::Len(hex); c != hex;) {
    --c;
    if (position >= nbits) {
      storemsg(mv_modname, "Extra bits specified in the %s - ignoring.", "INITSTATE");
      return UT_EQ_OK;
    }
    const int upper = UT_STR::ToUpper(static_cast<unsigned char>(*c));
    int value = 0;
    if (upper >= '0' && upper <= '9')
      value = upper - '0';
    else if (upper >= 'A' && upper <= 'F')
      value = upper - 'A' + 10;
    else {
      storemsg(mv_modname, "Bad character '%c' in %s string.", *c, "INITSTATE");
      return UT_EQ_BADCHAR;
    }
    // Never write past nbits, whatever multiple of 4 the caller gives.
    for (int k = 0; k < 4 && position + k < nbits; ++k)
      bits[position + k] = static_cast<unsigned char>(value & (1 << k));
    position += 4;
  }
  return UT_EQ_OK;
}

int UT_EQUATE_IMP::gen_hex(const char *const equation, const char **names, const long nlines,
                           const char *const lhs, char *&out) {
  seterrmsg(nullptr);
  out = nullptr;
  // The whole table must fit one 32-bit word.
  if (!lines_in_range(nlines, 5)) {
    storemsg(mv_modname, "Wrong number of address lines.");
    return UT_EQ_BADLINES;
  }
  uint32_t word = 0;
  if (readtable(equation, names, nlines, word) != UT_EQ_OK)
    return UT_EQ_INVALID;
  const int width = (1 << nlines) / 4;
  for (int d = 0; d < width; ++d)
    hexbuf[width - 1 - d] = HEXDIGITS[(word >> (4 * d)) & 0xF];
  hexbuf[width] = '\0';
  if (!assignform) {
    out = hexbuf;
    return UT_EQ_OK;
  }
  outtext.reset();
  outtext.append(lhs);
  outtext.append("=0x");
  outtext.append(hexbuf);
  out = outtext.buffer;
  return UT_EQ_OK;
}

int UT_EQUATE_IMP::gen_hex(const char *const equation, const char **names, const long nlines,
                           char *&out) {
  return gen_hex(equation, names, nlines, "", out);
}

int UT_EQUATE_IMP::validate(const char *const text, const char *const lhs, const char **names,
                            const long nlines) {
  seterrmsg(nullptr);
  const char *body = text ? text : "";
  if (assignform) {
    const char *equals = UT_STR::FindChar(body, '=');
    if (!equals) {
      storemsg(mv_modname, "Missing = .");
      return UT_EQ_INVALID;
    }
    // The whole left-hand side must match (ignoring case), not only a leading part of it.
    const char *wanted = lhs ? lhs : "";
    const long given = equals - body;
    if (given != UT_STR::Len(wanted) ||
        UT_STR::INCompare(body, wanted, static_cast<int>(given)) != 0) {
      storemsg(mv_modname, "Invalid left hand side, \"%s\".", wanted);
      return UT_EQ_INVALID;
    }
    if (has_hex_prefix(equals + 1))
      return validate_hex(equals + 1);
  }
  return readcheck(body, names, nlines);
}

int UT_EQUATE_IMP::validate(const char *const text, const char **names, const long nlines) {
  return validate(text, "", names, nlines);
}

int UT_EQUATE_IMP::validate_hex(const char *text) {
  const char *value = text ? text : "";
  if (UT_STR::Len(value) < 3 || !has_hex_prefix(value)) {
    storemsg(mv_modname, "Invalid hexdecimal string \"%s\".", value);
    return UT_EQ_INVALID;
  }
  for (const char *c = value + 2; *c; ++c) {
    if (!UT_STR::IsXDigit(static_cast<unsigned char>(*c))) {
      storemsg(mv_modname, "Invalid hexdecimal digit <%c> in string \"%s\".", *c, value);
      return UT_EQ_INVALID;
    }
  }
  return UT_EQ_OK;
}

// The handle: each operation forwards to the implementation; without one (its allocation
// failed) every operation fails with UT_EQ_INVALID.
UT_EQUATE::UT_EQUATE(unsigned char assignform)
    : imp(new (std::nothrow) UT_EQUATE_IMP(assignform)) {}

UT_EQUATE::~UT_EQUATE() { delete imp; }

int UT_EQUATE::gen_equatestr(const char *const init, const char **names, const long nlines,
                             const char *const lhs, char *&out) {
  return imp ? imp->gen_equatestr(init, names, nlines, lhs, out) : UT_EQ_INVALID;
}

int UT_EQUATE::gen_hex(const char *const equation, const char **names, const long nlines,
                       const char *const lhs, char *&out) {
  out = nullptr;
  return imp ? imp->gen_hex(equation, names, nlines, lhs, out) : UT_EQ_INVALID;
}

int UT_EQUATE::gen_hex(const char *const equation, const char **names, const long nlines,
                       char *&out) {
  out = nullptr;
  return imp ? imp->gen_hex(equation, names, nlines, out) : UT_EQ_INVALID;
}

int UT_EQUATE::validate(const char *const text, const char *const lhs, const char **names,
                        const long nlines) {
  return imp ? imp->validate(text, lhs, names, nlines) : UT_EQ_INVALID;
}

int UT_EQUATE::validate(const char *const text, const char **names, const long nlines) {
  return imp ? imp->validate(text, names, nlines) : UT_EQ_INVALID;
}

const wchar_t *UT_EQUATE::geterrmsg() const { return imp ? imp->geterrmsg() : nullptr; }
