// UtilBarray: the blocked array, whose elements live in equal-size blocks that never move.
#ifndef UTILBARRAY_H
#define UTILBARRAY_H

#include "UtilArray.h"

// UT_BARRAY: elements live in blocks of `blocknum` elements; element i is in block
// i / blocknum. Growth reallocates only the block table and adds blocks, so an element's
// address stays valid for the array's lifetime. The caller's handle variable receives the
// block table (an array of block pointers) and is nulled on destruction; the array owns
// the table and the blocks. Access costs a division; intgetindex walks the blocks.
// getaddr returns null when a block or the table cannot be allocated (nothing changes).
class UT_BARRAY : public UT_BASE_ARRAY {
public:
  // Blocks hold `blocknum` elements, or 40 / elsize when blocknum * elsize is below 40.
  UT_BARRAY(void ***handle, long elsize, long blocknum, unsigned char clear);
  // Frees the blocks and the table, and nulls the handle variable.
  ~UT_BARRAY();

  // The index of the element at addr, or -1 when it lies in no block.
  long intgetindex(void *addr) override;
  // Element i, adding blocks up to it when i is at or past num; null when out of memory.
  void *getaddr(long i) override;

protected:
  void ***handle;  // the caller's variable holding the block table
  long numblocks;  // blocks allocated; never released before destruction
  long blockbytes; // blocknum * elsize
  long blocknum;   // elements per block
};

#endif
