// UtilStrobj: a string value, an owned copy of a text with its length. Objects made with
// new come from the small-object allocator ut_stringmem; their texts from the general heap.
#ifndef UTILSTROBJ_H
#define UTILSTROBJ_H

#include "Portability.h"

#include <cstddef>

// UT_STROBJ owns `text`, a NUL-terminated copy (new[]), or null for the null string, with
// `length` its number of characters (0 for the null string). Copying copies the text;
// assignment and append replace it. Two words, no per-object header: `new UT_STROBJ`
// takes one element of ut_stringmem and yields null when that allocator has none. A text
// that cannot be allocated leaves the null string (intdupstr, construction) or the old
// text (append).
class UT_STROBJ {
public:
  UT_STROBJ();              // the null string
  UT_STROBJ(const char *s); // a copy of s; null gives the null string
  // A copy of other's text.
  UT_STROBJ(const UT_STROBJ &other);
  // Frees the text.
  ~UT_STROBJ();
  // Replaces the text with a copy of other's.
  UT_STROBJ &operator=(const UT_STROBJ &other);

  // One element of ut_stringmem; null when that allocator has none.
  static void *operator new(std::size_t size) noexcept;
  // Returns the element to ut_stringmem.
  static void operator delete(void *p, std::size_t size);

  // Makes this object hold a copy of s and returns `text`. It does not release the text
  // held before: it is the constructors' helper.
  char *intdupstr(const char *s);
  // 0 for the same text pointer (two null strings too), -1 when only this one is null,
  // 1 when only the other is, else the UT_STR::Compare order.
  int compare(const UT_STROBJ &other) const;
  // The character at i; outside 0..length-1 reports "Index out of bounds." and yields the
  // last character (for an empty or null string, a scratch NUL character).
  char &operator[](long i) const;
  // A new[] buffer the caller owns holding a then b (a null one taken as empty); null
  // when both are null.
  char *intappend(const char *a, const char *b) const;
  // Appends s to the text (a null one taken as empty) in a new buffer; returns `text`.
  char *append(const char *s);
  // A new object holding this text followed by other's.
  UT_STROBJ operator+(const UT_STROBJ &other) const;

  // The owned text, or null for the null string.
  char *text;
  // The number of characters of text.
  long length;
};

#endif
