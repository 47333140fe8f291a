// UtilString: a growable character buffer for building a text by appending texts and
// characters. Relies on the platform layer for memory copies.
#ifndef UTILSTRING_H
#define UTILSTRING_H

#include "Portability.h"

#include <cstddef>

// UT_STRING holds a NUL-terminated text in a buffer it owns (kor_malloc, released by the
// destructor). `buffer` holds `capacity` + 1 bytes; `length` is the position of the NUL.
// Appending never allocates until the text fills the buffer, then the capacity doubles, so
// n appended characters cost O(n) with about log2(n / capacity) reallocations. `reset`
// empties the text and keeps the buffer. The string cannot be copied (it owns its buffer).
// Appending the string's own text (or a part of it) appends a copy of it. Should memory
// run out, it is reported ("Out of memory."), the buffer keeps what fitted, stays
// terminated, and the rest of that append is dropped; a string that got no buffer at all
// holds the empty text with capacity 0. Objects made with new come from kor_malloc: new
// yields null when memory runs out.
class UT_STRING {
public:
  explicit UT_STRING(const long capacity); // below 10 (or negative) gives 10
  ~UT_STRING();
  // From kor_malloc; null when memory runs out.
  static void *operator new(std::size_t size) noexcept;
  // Returns the object's bytes to kor_free.
  static void operator delete(void *p);
  UT_STRING(const UT_STRING &) = delete;
  UT_STRING &operator=(const UT_STRING &) = delete;

  void grow_buffer();         // doubles the capacity, keeping the text
  void reset();               // empty text, same buffer
  void append(const char *s); // null or empty: nothing
  void append(const char c);  // NUL: nothing

  char *buffer;  // the text, always NUL-terminated
  long capacity; // characters the buffer holds without growing
  long length;   // characters in the text
};

#endif
