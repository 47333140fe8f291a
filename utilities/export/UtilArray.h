// UtilArray: the abstract base of the arrays of fixed-size raw elements, with the
// quicksort, checked sort, binary search, sorted insertion and shifting that every
// concrete array inherits.
#ifndef UTILARRAY_H
#define UTILARRAY_H

#include "Portability.h"

// UT_BASE_ARRAY: an array of `num` elements of `elsize` bytes each. Elements are raw bytes,
// copied with UT_MEMORY and never constructed or destroyed. A concrete array supplies
// getaddr (the address of element i, growing the array when i is at or past `num`) and
// intgetindex (the index of the element at an address); every algorithm here reaches the
// elements only through getaddr, so it serves blocked and contiguous storage alike.
//
// Concrete arrays publish their storage through a pointer variable the caller owns (the
// handle); they rewrite it after every reallocation and null it on destruction.
//
// Results: getaddr returns null when storage cannot be obtained (the array is then
// unchanged); a_bsearch returns -1 for "not found"; a_makearray returns null for an
// empty array. Comparison functions return <0, 0, >0 and take element addresses, except
// that the first argument of a_bsearch's and a_sortadd's is the caller's key.
//
// Cost: a_sort is an in-place quicksort, O(n log n) expected, recursion depth O(log n);
// a_bsearch is O(log n) plus the run of equal elements; a_shift and a_sortadd move the tail.
//
// The arrays are for one thread: a_sortadd works through one library-wide flag.
class UT_BASE_ARRAY {
public:
  // A comparison of two elements (or of a key and an element): <0, 0, >0.
  typedef int (*CMPFUNC)(const void *, const void *);

  // Reports "Element out of range. Use expand." when i is negative or not below num.
  void testaddr(long i) const;

  // Zero-fills nbytes at addr when the array was built with the clear flag.
  virtual void clearmem(void *addr, long nbytes);
  // Sorts elements lo..hi inclusive in place (not stable); grows the array to hi.
  virtual void qsort(long lo, long hi, CMPFUNC cmp);
  // dir >= 1 opens a gap at pos (pos == num appends); dir <= 0 closes the gap at pos - 1.
  virtual void a_shift(long pos, long dir);
  // Sorts from..to (to == -1: the last element) and reports each pair left out of order.
  virtual void a_sort(CMPFUNC cmp, long from, long to);
  // Inserts a copy of *elem in cmp order, ahead of the elements equal to it.
  virtual void a_sortadd(const void *elem, CMPFUNC cmp);
  // Index of the first element equal to *key in a sorted array, or -1.
  virtual long a_bsearch(const void *key, CMPFUNC cmp);
  // Sets the element count, growing the array when n is above num; n < 0 is refused.
  virtual void a_resetnum(long n);
  // The index of the element at addr.
  virtual long intgetindex(void *addr) = 0;
  // A kor_malloc'd copy of the elements in index order, owned by the caller; null if empty.
  virtual void *a_makearray();
  // The address of element i, growing the array when i is at or past num; null when
  // storage cannot be had (the array is then unchanged).
  virtual void *getaddr(long i) = 0;

  UT_BASE_ARRAY(const UT_BASE_ARRAY &) = delete;
  UT_BASE_ARRAY &operator=(const UT_BASE_ARRAY &) = delete;

  unsigned char clearflag; // zero-fill storage the array obtains
  long elsize;             // bytes per element
  long maxnum;             // capacity in elements (kept by contiguous arrays)
  long num;                // elements in use: 0 .. num - 1
  long incr;               // the size argument; its meaning belongs to the concrete class

protected:
  // For the concrete arrays: elements of elsize bytes, `size` stored in incr, clear as
  // the zero-fill flag; no storage yet.
  UT_BASE_ARRAY(long elsize, long size, unsigned char clear);
  // Not virtual: arrays are destroyed as their concrete class, never through this base.
  ~UT_BASE_ARRAY() = default;

  // Set only while a_sortadd runs its a_bsearch: a_bsearch then inserts the key.
  static unsigned char insflag;
};

#endif
