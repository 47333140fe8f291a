// UtilString: the growable text buffer. Buffers and the objects made with new come from
// kor_malloc; growth copies the old contents with UT_MEMORY::Copy. A buffer that cannot
// be had is reported and leaves the text as it was.
#include "UtilString.h"

#include "UtilReport.h"

#include <climits>
#include <cstdint>

UT_REPORT_UNIT("UtilString", "$Revision: 1.1.2.1 $")

namespace {
const long MIN_CAPACITY = 10;
// Largest capacity whose doubled buffer (plus the NUL) still has a size the platform's
// memory copy can express.
const long MAX_CAPACITY = (static_cast<long>(UINT_MAX) - 1) / 2;
// The text of a string that could get no buffer at all: empty, capacity 0, never written
// past its NUL and never released.
char mv_nobuffer[1];

char *new_buffer(long capacity) {
  char *p = static_cast<char *>(kor_malloc(static_cast<unsigned>(capacity + 1)));
  if (!p)
    UT_REPORT(numbered_msg, 19, "Out of memory.\n");
  return p;
}
} // namespace

void *UT_STRING::operator new(std::size_t size) noexcept {
  return kor_malloc(static_cast<unsigned>(size));
}

void UT_STRING::operator delete(void *p) { kor_free(p); }

UT_STRING::UT_STRING(const long capacity)
    : buffer(nullptr), capacity(capacity < MIN_CAPACITY ? MIN_CAPACITY : capacity), length(0) {
  if (this->capacity > MAX_CAPACITY)
    this->capacity = MAX_CAPACITY;
  buffer = new_buffer(this->capacity);
  if (!buffer) {
    buffer = mv_nobuffer;
    this->capacity = 0;
  }
  buffer[0] = '\0';
}

UT_STRING::~UT_STRING() {
  if (buffer != mv_nobuffer)
    kor_free(buffer);
}

void UT_STRING::grow_buffer() {
  if (capacity > MAX_CAPACITY / 2)
    return;
  const long grown = capacity ? 2 * capacity : MIN_CAPACITY;
  char *bigger = new_buffer(grown);
  if (!bigger)
    return;
  UT_MEMORY::Copy(bigger, buffer, static_cast<unsigned>(capacity));
  bigger[capacity] = '\0';
  if (buffer != mv_nobuffer)
    kor_free(buffer);
  buffer = bigger;
  capacity = grown;
}

void UT_STRING::reset() {
  length = 0;
  buffer[0] = '\0';
}

void UT_STRING::append(const char *s) {
  if (!s || !*s)
    return;
  // s may be this string's own text: its length is taken first (appending it must not
  // chase its own end) and its offset kept across the reallocations.
  const long n = UT_STR::Len(s);
  const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(s);
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(buffer);
  const bool own = start <= at && at <= start + static_cast<std::uintptr_t>(capacity);
  const std::uintptr_t offset = at - start;
  while (length + n > capacity) {
    const long before = capacity;
    grow_buffer();
    if (capacity == before)
      break; // no more memory: what fits is kept
  }
  if (own)
    s = buffer + offset;
  const long fits = length + n > capacity ? capacity - length : n;
  UT_MEMORY::Move(buffer + length, s, static_cast<unsigned>(fits));
  length += fits;
  buffer[length] = '\0';
}

void UT_STRING::append(const char c) {
  if (c == '\0')
    return;
  if (length >= capacity) {
    grow_buffer();
    if (length >= capacity)
      return;
  }
  buffer[length++] = c;
  buffer[length] = '\0';
}
