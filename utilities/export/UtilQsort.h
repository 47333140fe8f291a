// UtilQsort: in-place quicksort of fixed-size records with a caller's comparison.
#ifndef UTILQSORT_H
#define UTILQSORT_H

#include "Portability.h"

// UT_SORT: sorts `n` records of `size` bytes starting at `base` into ascending order of
// `compar` (negative, 0, positive as the first record is less than, equal to or greater
// than the second). Not stable: equal records may change their order. Records are moved
// by exchanging bytes, so any record size works and nothing is allocated.
//
// qsort returns 1 when it sorted and 0 when there was nothing to do or the call was
// refused (n of 0 or 1, a size below 1, a null base or comparison): then no record is
// touched and no comparison made. O(n log n) expected with median-of-three pivots;
// recursion depth is at most log2(n). The comparison may itself call qsort.
class UT_SORT {
public:
  // Sorts the n records of size bytes at base by compar; 1 when sorted, 0 when refused
  // or there was nothing to do.
  static int qsort(char *base, int n, int size, int (*compar)(const void *, const void *));
};

#endif
