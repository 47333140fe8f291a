// UtilDarray: the contiguous array, one block of storage that grows and shrinks in steps.
#ifndef UTILDARRAY_H
#define UTILDARRAY_H

#include "UtilArray.h"

// UT_DARRAY: all elements lie in one kor_malloc block that grows to the smallest multiple
// of `incr` elements above the index asked for and shrinks (a_resetnum only) when a whole
// step would stay unused. Any growth or shrink may move the storage: the caller's handle
// variable always holds the current address, and addresses taken earlier become stale.
// The array owns the storage and nulls the handle variable on destruction.
//
// A typed array derives from it, keeps the typed pointer as a member and passes that
// member's address as the handle; it appends by writing through getaddr(num).
// getaddr returns null when the storage cannot grow; the old storage is kept intact.
class UT_DARRAY : public UT_BASE_ARRAY {
public:
  // The growth step is `size` elements, or 40 / elsize when size * elsize is below 40.
  UT_DARRAY(void **handle, long elsize, long size, unsigned char clear);
  ~UT_DARRAY();

  // The same sort as the base's, reaching the elements through the storage directly.
  void qsort(long lo, long hi, CMPFUNC cmp) override;
  void a_shift(long pos, long dir) override;
  void a_resetnum(long n) override;
  // Index of the element starting at addr; -1 before the storage or off an element start.
  long intgetindex(void *addr) override;
  void *a_makearray() override;
  // An element in use is found inline; a negative index and growth go the long way.
  void *getaddr(long i) override {
    if (i >= 0 && i < num)
      return static_cast<char *>(*handle) + i * elsize;
    return getaddr_grow(i);
  }

protected:
  void **handle; // the caller's variable holding the storage address; null once destroyed

private:
  void *getaddr_grow(long i);
};

#endif
