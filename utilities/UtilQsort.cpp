// UtilQsort: quicksort of fixed-size records. Median-of-three partitioning runs down to
// partitions of fewer than 4 records; one insertion sort behind a sentinel (the smallest
// record, moved to the front) finishes the array. Relies only on the arrays' word-wide
// exchange of bytes (UtilArrayimp.h).
#include "UtilQsort.h"

#include "UtilArrayimp.h"

#include <cstddef>
#include <cstring>

namespace {

// The sort in progress, read by ut_qstfunc and the insertion sort. Byte counts are
// pointer-wide so that n * size cannot overflow. Each qsort call saves and restores
// it, so a comparison that sorts something else of its own leaves the outer sort intact.
struct SortState {
  std::ptrdiff_t qsz;     // record size in bytes
  std::ptrdiff_t thresh;  // 4 records: smaller partitions are left to the insertion sort
  std::ptrdiff_t mthresh; // 6 records: from here on the pivot is a median of three
  int (*qcmp)(const void *, const void *);
};
thread_local SortState mv_sort;

struct SortStateGuard {
  SortState saved = mv_sort;
  ~SortStateGuard() { mv_sort = saved; }
};

// Exchanges two records of qsz bytes in place, eight bytes at a time where it can.
void exchange(char *a, char *b, std::ptrdiff_t qsz) { ut_array_swap(a, b, static_cast<int>(qsz)); }

// Moves W bytes at offset k of the records from `at` up to the one before min one record
// towards the end, and puts those bytes of min at `at`: one slice of the rotation below.
template <std::ptrdiff_t W>
void rotate_slice(char *at, char *min, std::ptrdiff_t k, std::ptrdiff_t qsz) {
  unsigned char saved[W];
  std::memcpy(saved, min + k, W);
  for (std::ptrdiff_t q = min - at; q > 0; q -= qsz)
    std::memcpy(at + q + k, at + q - qsz + k, W);
  std::memcpy(at + k, saved, W);
}

// Quicksorts the records from base up to max (exclusive) down to partitions of fewer
// than 4 records. Recurses on the smaller part and loops on the larger one. Q is the
// record size when it is known at compile time (the common small sizes, whose exchanges
// then compile to a single load and store per record), 0 when it is read from the state.
template <std::ptrdiff_t Q> void ut_qstfunc(char *base, char *max) {
  const std::ptrdiff_t qsz = Q ? Q : mv_sort.qsz;
  int (*const cmp)(const void *, const void *) = mv_sort.qcmp;
  // Read once: the state is thread-local, and every access to it costs a lookup.
  const std::ptrdiff_t thresh = mv_sort.thresh;
  const std::ptrdiff_t mthresh = mv_sort.mthresh;
  std::ptrdiff_t lo = max - base;
  do {
    char *mid = base + qsz * ((lo / qsz) / 2);
    char *const last = max - qsz;
    if (lo >= mthresh) {
      // Median of three: j is the larger of first and middle (the middle on a tie); when
      // it exceeds the last record, the median is the larger of the other one and last.
      char *j = cmp(base, mid) > 0 ? base : mid;
      if (cmp(j, last) > 0) {
        j = (j == base) ? mid : base;
        if (cmp(j, last) < 0)
          j = last;
      }
      if (j != mid)
        exchange(j, mid, qsz);
    }
    // Partition around the record at mid; the pivot itself moves when it is exchanged.
    // Both scans stop at records equal to the pivot, so runs of equal keys are shared
    // out between the two parts instead of all landing on one side: letting the scans
    // pass over equal records makes inputs with few distinct keys take quadratic time.
    char *i = base;
    char *j = last;
    for (;;) {
      while (i < mid && cmp(i, mid) < 0)
        i += qsz;
      while (j > mid && cmp(mid, j) < 0)
        j -= qsz;
      if (j > mid) {
        // Record j belongs below the pivot (or equals it).
        char *next = i + qsz;
        exchange(i, j, qsz);
        if (i == mid)
          mid = j; // case pivot <-> j: the pivot moves up to j
        else
          j -= qsz; // case i <-> j: both records now stand on their proper side
        i = next;
      } else if (i == mid) {
        break; // both scans met at the pivot: partitioned
      } else {
        // Case i <-> pivot: record i belongs above the pivot (or equals it), and the
        // pivot moves down to i.
        exchange(i, mid, qsz);
        mid = i;
        j -= qsz;
      }
    }
    // Smaller part by recursion (the low part on a tie), larger part by looping.
    char *const high = mid + qsz;
    const std::ptrdiff_t lowsize = mid - base, highsize = max - high;
    if (lowsize <= highsize) {
      if (lowsize >= thresh)
        ut_qstfunc<Q>(base, mid);
      base = high;
      lo = highsize;
    } else {
      if (highsize >= thresh)
        ut_qstfunc<Q>(high, max);
      max = mid;
      lo = lowsize;
    }
  } while (lo >= thresh);
}

} // namespace

int UT_SORT::qsort(char *base, int n, int size, int (*compar)(const void *, const void *)) {
  if (n <= 1 || size < 1 || !base || !compar)
    return 0;
  SortStateGuard guard;
  const std::ptrdiff_t qsz = size;
  mv_sort = SortState{qsz, 4 * qsz, 6 * qsz, compar};
  char *const max = base + static_cast<std::ptrdiff_t>(n) * qsz;
  char *hi = max;
  if (n >= 4) {
    if (qsz == 4)
      ut_qstfunc<4>(base, max);
    else if (qsz == 8)
      ut_qstfunc<8>(base, max);
    else
      ut_qstfunc<0>(base, max);
    hi = base + mv_sort.thresh;
  }
  // Sentinel: the smallest record now lies among the first 4 (or the first n); put it
  // first so that every backward walk of the insertion sort stops by comparison.
  char *j = base;
  for (char *lo = base + qsz; lo < hi; lo += qsz)
    if (compar(j, lo) > 0)
      j = lo;
  if (j != base)
    exchange(j, base, qsz);
  // Insertion sort. The walk also stops at the front, so a comparison that is not a
  // consistent order cannot lead it out of the array.
  for (char *min = base + qsz; min < max; min += qsz) {
    char *at = min;
    while (at > base && compar(at - qsz, min) > 0)
      at -= qsz;
    if (at == min)
      continue;
    // Rotate min down to `at`, shifting the records from `at` up to the one before min
    // one place towards the end. Each byte offset moves on its own, so the offsets go
    // in slices of 8, 4 or 1 bytes, the last slice first; no record-sized buffer is needed.
    for (std::ptrdiff_t k = qsz; k > 0;) {
      if (k >= 8) {
        k -= 8;
        rotate_slice<8>(at, min, k, qsz);
      } else if (k >= 4) {
        k -= 4;
        rotate_slice<4>(at, min, k, qsz);
      } else {
        k -= 1;
        rotate_slice<1>(at, min, k, qsz);
      }
    }
  }
  return 1;
}
