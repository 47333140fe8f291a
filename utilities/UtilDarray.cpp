// UtilDarray: the contiguous array. One kor_malloc block grows and shrinks in whole steps
// of `incr` elements and is published through the caller's handle variable.
#include "UtilDarray.h"

#include "UtilArrayimp.h"

#include "UtilReport.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <type_traits>

UT_REPORT_UNIT("UtilDarray", "$Revision: 1.1.2.1 $")

namespace {

// Steps smaller than this many bytes are widened to hold more elements.
const long mv_minstepbytes = 40;

// Byte size of `count` elements, or false when it does not fit the allocator's unsigned.
bool bytesfor(long count, long elsize, unsigned &bytes) {
  if (count < 0 || elsize <= 0 || count > static_cast<long>(0xFFFFFFFFL / elsize))
    return false;
  bytes = static_cast<unsigned>(count * elsize);
  return true;
}

} // namespace

UT_DARRAY::UT_DARRAY(void **handle, long elsize, long size, unsigned char clear)
    : UT_BASE_ARRAY(elsize, size, clear), handle(handle) {
  // size * elsize below the minimum step, asked without multiplying (it may not fit).
  if (elsize <= 0 || size < (mv_minstepbytes + elsize - 1) / elsize)
    incr = elsize > 0 ? mv_minstepbytes / elsize : mv_minstepbytes;
  if (incr < 1)
    incr = 1;
  unsigned bytes = 0;
  if (!bytesfor(incr, elsize, bytes)) {
    // A step no allocator can serve: reported; the array stays empty, every growth refused.
    UT_REPORT(numbered_msg, 19, "Out of memory.\n");
    maxnum = 0;
    *handle = nullptr;
    return;
  }
  void *storage = kor_malloc(bytes);
  // Without storage the array starts at capacity 0; the first getaddr tries again.
  maxnum = storage ? incr : 0;
  *handle = storage;
  if (storage)
    clearmem(storage, static_cast<long>(bytes));
}

UT_DARRAY::~UT_DARRAY() {
  if (handle) {
    kor_free(*handle);
    *handle = nullptr;
    handle = nullptr;
  }
}

void *UT_DARRAY::getaddr_grow(long i) {
  if (i < 0) {
    UT_REPORT(numbered_msg, 19, "Bad index.\n");
    return *handle; // element 0's place: never outside the storage
  }
  if (i >= num) {
    if (i >= maxnum) {
      // Grow to the smallest multiple of incr above i.
      long steps = i / incr + 1;
      unsigned bytes = 0;
      if (steps > LONG_MAX / incr || !bytesfor(steps * incr, elsize, bytes))
        return nullptr;
      void *grown = kor_realloc(*handle, bytes);
      if (!grown)
        return nullptr;
      long oldmax = maxnum;
      maxnum = steps * incr;
      *handle = grown;
      clearmem(static_cast<char *>(grown) + oldmax * elsize, (maxnum - oldmax) * elsize);
    }
    num = i + 1;
  }
  return static_cast<char *>(*handle) + i * elsize;
}

void UT_DARRAY::qsort(long lo, long hi, CMPFUNC cmp) {
  // A negative start is the base's case: it is reported there, index by index.
  if (lo < 0 || elsize <= 0) {
    UT_BASE_ARRAY::qsort(lo, hi, cmp);
    return;
  }
  if (lo >= hi)
    return;
  if (hi >= num && !getaddr(hi))
    return;
  char *base = static_cast<char *>(*handle);
  auto recurse = [this, cmp](long l, long h) { this->qsort(l, h, cmp); };
  // Elements of 4 and 8 bytes, the usual keys and pointers, get exchanges and addressing
  // compiled for their size; the comparisons and moves are the same for every size.
  auto sort = [&](auto size) {
    ut_array_quicksort(
        lo, hi, size, cmp, [base, size](long i) { return static_cast<void *>(base + i * size); },
        recurse);
  };
  if (elsize == 4)
    sort(std::integral_constant<long, 4>());
  else if (elsize == 8)
    sort(std::integral_constant<long, 8>());
  else
    sort(elsize);
}

long UT_DARRAY::intgetindex(void *addr) {
  if (!*handle || elsize <= 0)
    return -1;
  std::intptr_t offset =
      reinterpret_cast<std::intptr_t>(addr) - reinterpret_cast<std::intptr_t>(*handle);
  if (offset < 0 || offset % elsize != 0)
    return -1;
  return static_cast<long>(offset / elsize);
}

void UT_DARRAY::a_shift(long pos, long dir) {
  if (dir >= 1) {
    if (pos == num) {
      getaddr(pos);
    } else if (pos >= 0 && pos < num) {
      unsigned tail = static_cast<unsigned>((num - pos) * elsize);
      if (!getaddr(num))
        return;
      char *base = static_cast<char *>(*handle);
      UT_MEMORY::Move(base + (pos + 1) * elsize, base + pos * elsize, tail);
    }
    return;
  }
  if (pos <= 0 || pos > num)
    return;
  unsigned tail = static_cast<unsigned>((num - pos) * elsize);
  if (tail > 0) {
    char *base = static_cast<char *>(*handle);
    UT_MEMORY::Move(base + (pos - 1) * elsize, base + pos * elsize, tail);
  }
  a_resetnum(num - 1);
}

void UT_DARRAY::a_resetnum(long n) {
  if (n < 0) {
    UT_REPORT(numbered_msg, 19, "Bad index.\n");
    return;
  }
  if (n == num)
    return;
  if (n > num) {
    getaddr(n - 1);
    return;
  }
  long oldnum = num;
  num = n;
  bool shrank = false;
  if (maxnum != incr && maxnum - n >= incr) {
    // Shrink to the smallest multiple of incr that holds n, never below one step.
    long newmax = ((n > 0 ? n - 1 : 0) / incr + 1) * incr;
    unsigned bytes = 0;
    void *smaller = bytesfor(newmax, elsize, bytes) ? kor_realloc(*handle, bytes) : nullptr;
    if (smaller) { // a failed shrink keeps the larger storage
      *handle = smaller;
      maxnum = newmax;
      shrank = true;
    }
  }
  if (!clearflag)
    return;
  long end = shrank ? maxnum : oldnum;
  long nbytes = (end - n) * elsize;
  char *addr = static_cast<char *>(*handle) + n * elsize;
  if (nbytes == static_cast<long>(sizeof(void *)) && (n * elsize) % sizeof(void *) == 0) {
    // One vacated pointer-sized element: a single word store.
    void *zero = nullptr;
    std::memcpy(addr, &zero, sizeof zero);
  } else {
    clearmem(addr, nbytes);
  }
}

void *UT_DARRAY::a_makearray() {
  unsigned bytes = 0;
  if (num <= 0 || !bytesfor(num, elsize, bytes))
    return nullptr;
  void *copy = kor_malloc(bytes);
  if (copy)
    UT_MEMORY::Move(copy, *handle, bytes);
  return copy;
}
