// UtilStrobj: the string value. Objects made with new are elements of ut_stringmem (sized
// for exactly one UT_STROBJ); texts are new[] buffers filled by the platform's text helpers.
#include "UtilStrobj.h"

#include "UtilReport.h"
#include "UtilSmem.h"

#include <new>

UT_REPORT_UNIT("UtilStrobj", "$Revision: 1.1.2.1 $")

static_assert(sizeof(UT_STROBJ) <= sizeof(char *) + sizeof(long),
              "a UT_STROBJ must fit one element of ut_stringmem");

namespace {
// What indexing an empty or null string yields: there is no character to refer to.
char mv_nochar;

char *new_text(long length) { return new (std::nothrow) char[length + 1]; }
} // namespace

UT_STROBJ::UT_STROBJ() : text(nullptr), length(0) {}

UT_STROBJ::UT_STROBJ(const char *s) : text(nullptr), length(0) { intdupstr(s); }

UT_STROBJ::UT_STROBJ(const UT_STROBJ &other) : text(nullptr), length(0) { intdupstr(other.text); }

UT_STROBJ::~UT_STROBJ() { delete[] text; }

UT_STROBJ &UT_STROBJ::operator=(const UT_STROBJ &other) {
  if (this == &other)
    return *this;
  delete[] text;
  intdupstr(other.text);
  return *this;
}

void *UT_STROBJ::operator new(std::size_t) noexcept { return ut_stringmem.getmem(); }

void UT_STROBJ::operator delete(void *p, std::size_t) { ut_stringmem.relmem(p); }

char *UT_STROBJ::intdupstr(const char *s) {
  text = nullptr;
  length = 0;
  if (!s)
    return nullptr;
  const long n = UT_STR::Len(s);
  text = new_text(n);
  if (text) {
    UT_STR::Copy(text, s);
    length = n;
  }
  return text;
}

int UT_STROBJ::compare(const UT_STROBJ &other) const {
  if (text == other.text)
    return 0;
  if (!text)
    return -1;
  if (!other.text)
    return 1;
  return UT_STR::Compare(text, other.text);
}

char &UT_STROBJ::operator[](long i) const {
  if (i >= 0 && i < length)
    return text[i];
  UT_REPORT(numbered_msg, 19, "Index out of bounds.\n");
  if (length > 0)
    return text[length - 1];
  mv_nochar = '\0';
  return mv_nochar;
}

char *UT_STROBJ::intappend(const char *a, const char *b) const {
  if (!a && !b)
    return nullptr;
  char *joined = new_text(static_cast<long>(UT_STR::Len(a)) + UT_STR::Len(b));
  if (joined) {
    UT_STR::Copy(joined, a ? a : "");
    UT_STR::Cat(joined, b ? b : "");
  }
  return joined;
}

char *UT_STROBJ::append(const char *s) {
  char *joined = intappend(text, s);
  if (!joined) // both null, or no memory: the text stays as it was
    return text;
  delete[] text;
  text = joined;
  length = UT_STR::Len(joined);
  return text;
}

UT_STROBJ UT_STROBJ::operator+(const UT_STROBJ &other) const {
  char *joined = intappend(text, other.text);
  UT_STROBJ sum(joined);
  delete[] joined;
  return sum;
}
