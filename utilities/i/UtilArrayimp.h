// UtilArrayimp: the quicksort the arrays share, written over an address function: the
// base class reaches the elements through the virtual getaddr, the contiguous array
// through its storage directly. Both make the same comparisons and moves in the same order.
#ifndef UTILARRAYIMP_H
#define UTILARRAYIMP_H

#include "UtilArray.h"

#include <cstdint>
#include <cstring>

// Exchanges n bytes in place, without a buffer; n of 0 or less swaps nothing. Eight
// bytes at a time while they last, then four, then single bytes: the same result as a
// byte-wise exchange.
inline void ut_array_swap(void *a, void *b, int n) {
  unsigned char *p = static_cast<unsigned char *>(a);
  unsigned char *q = static_cast<unsigned char *>(b);
  if (p == q)
    return;
  int k = 0;
  for (; k + 8 <= n; k += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, p + k, 8);
    std::memcpy(&y, q + k, 8);
    std::memcpy(p + k, &y, 8);
    std::memcpy(q + k, &x, 8);
  }
  if (k + 4 <= n) {
    std::uint32_t x, y;
    std::memcpy(&x, p + k, 4);
    std::memcpy(&y, q + k, 4);
    std::memcpy(p + k, &y, 4);
    std::memcpy(q + k, &x, 4);
    k += 4;
  }
  for (; k < n; ++k) {
    unsigned char t = p[k];
    p[k] = q[k];
    q[k] = t;
  }
}

// Sorts elements lo..hi (all below num) with addr(i) giving element i's address, which
// must not move during the sort. Lomuto partition around the middle element, moved to lo;
// the shorter part is sorted by recurse(lo, hi), which the arrays point at their virtual
// qsort so that a derived class replacing it sees every part; the longer part is looped
// over, which keeps the depth logarithmic.
// The element size may be a std::integral_constant, so that a caller can have the
// exchanges of a common size compiled for it.
template <class Size, class Addr, class Recurse>
void ut_array_quicksort(long lo, long hi, Size elsize, UT_BASE_ARRAY::CMPFUNC cmp, Addr addr,
                        Recurse recurse) {
  const int n = static_cast<int>(elsize);
  while (lo < hi) {
    // The middle element becomes the pivot at lo.
    void *pivot = addr(lo);
    ut_array_swap(pivot, addr((lo + hi) / 2), n);
    long last = lo;
    bool allequal = true;
    // Partition: elements not above the pivot gather in lo + 1 .. last.
    for (long i = lo + 1; i <= hi; ++i) {
      void *at = addr(i);
      int c = cmp(at, pivot);
      if (c <= 0) {
        ++last;
        if (i != last)
          ut_array_swap(at, addr(last), n);
        if (c < 0)
          allequal = false;
      }
    }
    ut_array_swap(pivot, addr(last), n);
    if (allequal) {
      // All-equal case: nothing left of the pivot is below it, so that part is done.
      lo = last + 1;
    } else if (last - lo >= hi - last) {
      // Recurse into the shorter part (here the right).
      recurse(last + 1, hi);
      hi = last - 1;
    } else {
      recurse(lo, last - 1);
      lo = last + 1;
    }
  }
}

#endif
