// UtilFstmem: named pools of equal-sized elements carved out of blocks, and the listing of
// every pool's usage. The class pools of the tree nodes and block lists are such pools.
#ifndef UTILFSTMEM_H
#define UTILFSTMEM_H

#include "Portability.h"

class UT_FASTMEM_IMP;

// UT_FASTMEM: a pool of elements of `elem_size` bytes (rounded up to a multiple of 4, and
// at least a pointer), `elem_cnt` to a block. The pool owns its blocks; handed-out
// elements never move, carry no header and are not cleared. getnewptr is O(1) while the
// block used last has room, and returns null when no memory can be had. A block goes back
// to the global allocator only when it empties while another block remains, and when the
// pool is destroyed. Every pool is listed by report_usage, in construction order, for as
// long as it exists. The name is not copied: it must outlive the pool.
class UT_FASTMEM {
public:
  // An empty pool named `name` (not copied), listed by report_usage from now on.
  UT_FASTMEM(unsigned long elem_size, unsigned long elem_cnt, const char *name);
  // Frees every block, handed-out elements included, and leaves the listing.
  ~UT_FASTMEM();

  // An element of the pool, or null when no memory can be had.
  void *getnewptr();
  // Gives p back to the pool; null does nothing. An address the pool did not hand out is
  // reported and changes nothing.
  void kor_free(void *p);
  int fastmem_verify(); // always 0
  void dump() const;    // the pool's listing through print_msg
  // Lists every pool's usage through print_msg.
  static void report_usage();
  // Sets the debug level of every pool.
  static void set_global_debug(int level);
  // Sets this pool's debug level.
  void set_debug_level(int level);

  UT_FASTMEM(const UT_FASTMEM &) = delete;
  UT_FASTMEM &operator=(const UT_FASTMEM &) = delete;

private:
  UT_FASTMEM_IMP *imp;
};

#endif
