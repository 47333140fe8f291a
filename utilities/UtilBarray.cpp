// UtilBarray: the blocked array. Elements live in kor_malloc blocks that never move; only
// the block table, published through the caller's handle variable, is reallocated.
#include "UtilBarray.h"

#include "UtilReport.h"

#include <cstdint>

UT_REPORT_UNIT("UtilBarray", "$Revision: 1.1.2.1 $")

namespace {

// Blocks smaller than this many bytes are widened to hold more elements.
const long mv_minblockbytes = 40;

} // namespace

UT_BARRAY::UT_BARRAY(void ***handle, long elsize, long blocknum, unsigned char clear)
    : UT_BASE_ARRAY(elsize, blocknum, clear), handle(handle), numblocks(0) {
  long perblock = blocknum;
  // blocknum * elsize below the minimum block, asked without multiplying (it may not fit).
  if (elsize <= 0 || blocknum < (mv_minblockbytes + elsize - 1) / elsize)
    perblock = elsize > 0 ? mv_minblockbytes / elsize : mv_minblockbytes;
  // Elements wider than a minimal block with no count asked for still get one per block.
  this->blocknum = perblock > 0 ? perblock : 1;
  // A block no allocator can serve leaves blockbytes 0: the array stays empty for good.
  const bool sizeok = elsize <= 0 || this->blocknum <= 0xFFFFFFFFL / elsize;
  blockbytes = sizeok ? this->blocknum * elsize : 0;

  if (!sizeok)
    UT_REPORT(numbered_msg, 19, "Out of memory.\n");
  void **table = sizeok ? static_cast<void **>(kor_malloc(sizeof(void *))) : nullptr;
  void *block = table ? kor_malloc(static_cast<unsigned>(blockbytes)) : nullptr;
  if (!block) {
    // Start empty, without blocks; the first getaddr tries again (unless !sizeok).
    kor_free(table);
    *handle = nullptr;
    return;
  }
  clearmem(block, blockbytes);
  table[0] = block;
  numblocks = 1;
  *handle = table;
}

UT_BARRAY::~UT_BARRAY() {
  void **table = *handle;
  if (table) {
    for (long b = 0; b < numblocks; ++b)
      kor_free(table[b]);
    kor_free(table);
  }
  *handle = nullptr;
}

void *UT_BARRAY::getaddr(long i) {
  void **table = *handle;
  if (i < 0) {
    UT_REPORT(numbered_msg, 19, "Bad expand index.\n");
    // Element 0's place: never an address outside the storage.
    return table && numblocks > 0 ? table[0] : nullptr;
  }
  if (i >= num) {
    if (blockbytes <= 0 && elsize > 0)
      return nullptr; // blocks of this size cannot be had
    long needed = i / blocknum + 1;
    if (needed > numblocks) {
      if (static_cast<unsigned long long>(needed) * sizeof(void *) > 0xFFFFFFFFull)
        return nullptr;
      void **grown =
          static_cast<void **>(kor_realloc(table, static_cast<unsigned>(needed * sizeof(void *))));
      if (!grown)
        return nullptr;
      *handle = table = grown;
      // numblocks counts only the blocks actually obtained, so a failure part-way keeps
      // the array consistent; the spare table entries are reused on the next growth.
      for (long b = numblocks; b < needed; ++b) {
        void *block = kor_malloc(static_cast<unsigned>(blockbytes));
        if (!block)
          return nullptr;
        clearmem(block, blockbytes);
        table[b] = block;
        numblocks = b + 1;
      }
    }
    num = i + 1;
  }
  return static_cast<char *>(table[i / blocknum]) + (i % blocknum) * elsize;
}

long UT_BARRAY::intgetindex(void *addr) {
  void **table = *handle;
  if (!table || num <= 0 || elsize <= 0)
    return -1;
  std::uintptr_t a = reinterpret_cast<std::uintptr_t>(addr);
  long inuse = (num + blocknum - 1) / blocknum;
  for (long b = 0; b < inuse && b < numblocks; ++b) {
    std::uintptr_t start = reinterpret_cast<std::uintptr_t>(table[b]);
    if (start <= a && a < start + static_cast<std::uintptr_t>(blockbytes))
      return b * blocknum + static_cast<long>(a - start) / elsize;
  }
  return -1;
}
