// UtilString: the growable text buffer. Buffers come from the general heap; growth copies
// the old contents with UT_MEMORY::Copy. Allocation failures leave the text as it was.
#include "UtilString.h"

#include <climits>
#include <new>

namespace {
const long MIN_CAPACITY = 10;
// Largest capacity whose doubled buffer (plus the NUL) still has a size the platform's
// memory copy can express.
const long MAX_CAPACITY = (static_cast<long>(UINT_MAX) - 1) / 2;

char *new_buffer(long capacity) { return new (std::nothrow) char[capacity + 1]; }
} // namespace

UT_STRING::UT_STRING(const long capacity)
    : buffer(nullptr), capacity(capacity < MIN_CAPACITY ? MIN_CAPACITY : capacity), length(0) {
  if (this->capacity > MAX_CAPACITY)
    this->capacity = MAX_CAPACITY;
  buffer = new_buffer(this->capacity);
  if (!buffer) {
    this->capacity = 0;
    return;
  }
  buffer[0] = '\0';
}

UT_STRING::~UT_STRING() { delete[] buffer; }

void UT_STRING::grow_buffer() {
  if (!buffer || capacity > MAX_CAPACITY / 2)
    return;
  char *bigger = new_buffer(2 * capacity);
  if (!bigger)
    return;
  UT_MEMORY::Copy(bigger, buffer, static_cast<unsigned>(capacity));
  bigger[capacity] = '\0';
  delete[] buffer;
  buffer = bigger;
  capacity *= 2;
}

void UT_STRING::reset() {
  length = 0;
  if (buffer)
    buffer[0] = '\0';
}

void UT_STRING::append(const char *s) {
  if (!s)
    return;
  for (; *s; ++s) {
    if (length >= capacity) {
      grow_buffer();
      if (length >= capacity)
        break;
    }
    buffer[length++] = *s;
  }
  if (buffer)
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
