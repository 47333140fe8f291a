// UtilFstmemimp: fixed-size pools. Each block's free elements are chained through their
// first pointer-sized bytes; blocks are chained through their headers with the block used
// last at the front, and kept in an array sorted by address for finding a freed element's
// block. Every pool registers in UT_FASTMEM_MGR, a UT_DARRAY of pool pointers.
#include "UtilFstmemimp.h"

#include "UtilReport.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

UT_REPORT_UNIT("UtilFstmemimp", "$Revision: 1.1.2.1 $")

UT_FASTMEM_MGR *UT_FASTMEM_MGR::_instance = nullptr;

namespace {

// The free-list link kept in a free element's first bytes. Elements are only 4-aligned,
// so the link is copied rather than dereferenced.
void *getlink(const void *elem) {
  void *next;
  std::memcpy(&next, elem, sizeof next);
  return next;
}

void setlink(void *elem, void *next) { std::memcpy(elem, &next, sizeof next); }

bool holds(const UT_FM_BLOCK_HEAD *block, const void *p, unsigned long block_size) {
  std::uintptr_t a = reinterpret_cast<std::uintptr_t>(p);
  std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block->storage);
  return start <= a && a < start + block_size;
}

// Whether a block of elem_cnt elements of elem_size bytes, rounded as the pool rounds
// them, has a size that can be expressed at all.
bool servable(unsigned long elem_size, unsigned long elem_cnt) {
  if (elem_size > ULONG_MAX - 8)
    return false;
  unsigned long rounded = (elem_size + 3) & ~3UL;
  if (rounded < sizeof(void *))
    rounded = sizeof(void *);
  return elem_cnt == 0 || rounded <= ULONG_MAX / elem_cnt;
}

} // namespace

UT_FASTMEM_IMP::UT_FASTMEM_IMP(unsigned long elem_size, unsigned long elem_cnt, const char *name)
    : UT_STATOBJ("UT_FASTMEM_IMP"), head(nullptr), elem_size(0), elem_cnt(elem_cnt), block_size(0),
      debug_level(0), classname(name), bystorage(nullptr), nblocks(0), maxblocks(0) {
  if (UT_FASTMEM_MGR *mgr = UT_FASTMEM_MGR::Instance())
    mgr->add(this);
  if (!servable(elem_size, elem_cnt)) {
    // A block no allocator can serve: reported, and the pool hands out nothing.
    UT_REPORT(numbered_msg, 19, "Out of memory.\n");
    elem_cnt = this->elem_cnt = 0;
  }
  // Round up to a multiple of 4 (13, 14 and 15 give 16), and make room for the link.
  this->elem_size = elem_size % 4 == 0 ? elem_size : (elem_size + 4) & ~3UL;
  if (this->elem_size < sizeof(void *))
    this->elem_size = sizeof(void *);
  block_size = elem_cnt * this->elem_size;
}

UT_FASTMEM_IMP::~UT_FASTMEM_IMP() {
  while (head) {
    UT_FM_BLOCK_HEAD *next = head->next;
    release_block(head);
    head = next;
  }
  std::free(bystorage);
  // A destroyed pool leaves the registry so that no listing touches it again.
  if (UT_FASTMEM_MGR *mgr = UT_FASTMEM_MGR::Instance())
    mgr->remove(this);
}

int UT_FASTMEM_IMP::init_block(UT_FM_BLOCK_HEAD *block) {
  block->next = nullptr;
  block->prev = nullptr;
  block->used = 0;
  block->storage = ::operator new(block_size, std::nothrow);
  block->free = block->storage;
  if (!block->storage)
    return 0;
  char *elem = static_cast<char *>(block->storage);
  for (unsigned long i = 0; i + 1 < elem_cnt; ++i, elem += elem_size)
    setlink(elem, elem + elem_size);
  setlink(elem, nullptr);
  return 1;
}

UT_FM_BLOCK_HEAD *UT_FASTMEM_IMP::new_block() {
  if (elem_cnt == 0 || block_size / elem_cnt != elem_size)
    return nullptr; // no element fits, or the block size overflowed
  UT_FM_BLOCK_HEAD *block = new (std::nothrow) UT_FM_BLOCK_HEAD;
  if (block && !init_block(block)) {
    delete block;
    block = nullptr;
  }
  // A block that cannot be indexed could never be freed into: no block at all.
  if (block && !index_block(block)) {
    ::operator delete(block->storage);
    delete block;
    block = nullptr;
  }
  return block;
}

void UT_FASTMEM_IMP::release_block(UT_FM_BLOCK_HEAD *block) {
  unindex_block(block);
  ::operator delete(block->storage);
  delete block;
}

inline unsigned long UT_FASTMEM_IMP::upper_bound(const void *p) const {
  std::uintptr_t a = reinterpret_cast<std::uintptr_t>(p);
  unsigned long lo = 0;
  unsigned long hi = nblocks;
  while (lo < hi) {
    unsigned long mid = lo + (hi - lo) / 2;
    if (reinterpret_cast<std::uintptr_t>(bystorage[mid]->storage) <= a)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

bool UT_FASTMEM_IMP::index_block(UT_FM_BLOCK_HEAD *block) {
  if (nblocks == maxblocks) {
    unsigned long grown = maxblocks ? 2 * maxblocks : 8;
    void *more = std::realloc(bystorage, grown * sizeof *bystorage);
    if (!more)
      return false;
    bystorage = static_cast<UT_FM_BLOCK_HEAD **>(more);
    maxblocks = grown;
  }
  unsigned long at = upper_bound(block->storage);
  std::memmove(bystorage + at + 1, bystorage + at, (nblocks - at) * sizeof *bystorage);
  bystorage[at] = block;
  ++nblocks;
  return true;
}

void UT_FASTMEM_IMP::unindex_block(UT_FM_BLOCK_HEAD *block) {
  unsigned long at = upper_bound(block->storage);
  if (at == 0 || bystorage[at - 1] != block)
    return;
  std::memmove(bystorage + at - 1, bystorage + at, (nblocks - at) * sizeof *bystorage);
  --nblocks;
}

inline UT_FM_BLOCK_HEAD *UT_FASTMEM_IMP::block_of(const void *p) const {
  if (head && holds(head, p, block_size))
    return head; // the common case: freed into the block used last
  unsigned long at = upper_bound(p);
  if (at == 0 || !holds(bystorage[at - 1], p, block_size))
    return nullptr;
  return bystorage[at - 1];
}

inline void UT_FASTMEM_IMP::unlink(UT_FM_BLOCK_HEAD *block) {
  if (block->prev)
    block->prev->next = block->next;
  else
    head = block->next;
  if (block->next)
    block->next->prev = block->prev;
  block->next = block->prev = nullptr;
}

inline void UT_FASTMEM_IMP::move_to_front(UT_FM_BLOCK_HEAD *block) {
  if (block == head)
    return;
  unlink(block);
  block->next = head;
  if (head)
    head->prev = block;
  head = block;
}

void *UT_FASTMEM_IMP::getnewptr() {
  if (!head && !(head = new_block()))
    return nullptr;
  UT_FM_BLOCK_HEAD *block = head;
  // Find the first block with room, adding one at the end when all are full, and move it
  // to the front so the next request finds it at once.
  while (!block->free) {
    if (!block->next) {
      if (!(block->next = new_block()))
        return nullptr;
      block->next->prev = block;
    }
    block = block->next;
  }
  move_to_front(block);
  void *elem = block->free;
  block->free = getlink(elem);
  ++block->used;
  return elem;
}

void UT_FASTMEM_IMP::int_free(void *p) {
  if (!head) {
    UT_REPORT(numbered_msg, 19, "Unable to free as memory was not allocated.\n");
    return;
  }
  UT_FM_BLOCK_HEAD *block = block_of(p);
  // Only the start of an element that is handed out can come back: an address inside an
  // element, or one from a block with nothing handed out, would corrupt the free list.
  std::uintptr_t offset =
      block ? reinterpret_cast<std::uintptr_t>(p) - reinterpret_cast<std::uintptr_t>(block->storage)
            : 0;
  if (!block || offset % elem_size != 0 || block->used == 0) {
    UT_REPORT(numbered_msg, 19, "Tried to delete a pointer not in list.\n");
    return;
  }
  move_to_front(block);
  setlink(p, block->free);
  block->free = p;
  --block->used;
  // An emptied block goes back unless it is the last one.
  if (block->used == 0 && block->next) {
    unlink(block);
    release_block(block);
  }
}

void UT_FASTMEM_IMP::abort() { std::abort(); }

int UT_FASTMEM_IMP::fastmem_verify() { return 0; }

void UT_FASTMEM_IMP::dump() const {
  if (classname)
    UT_REPORT(print_msg, "UT_FASTMEM::classname  = %s\n", classname);
  else
    UT_REPORT(print_msg, "UT_FASTMEM::classname  = NULL\n");
  UT_REPORT(print_msg, "UT_FASTMEM::elem_size  = %d\n", static_cast<int>(elem_size));
  UT_REPORT(print_msg, "UT_FASTMEM::elem_cnt   = %d\n", static_cast<int>(elem_cnt));
  UT_REPORT(print_msg, "UT_FASTMEM::block_size = %d\n", static_cast<int>(block_size));
  if (!head) {
    UT_REPORT(print_msg, "   No blocks allocated.\n");
    return;
  }
  unsigned long total = 0;
  unsigned long blocks = 0;
  for (const UT_FM_BLOCK_HEAD *b = head; b; b = b->next, ++blocks) {
    UT_REPORT(print_msg, "   Block %d:  num_used = %d\n", static_cast<int>(blocks),
              static_cast<int>(b->used));
    total += b->used;
  }
  unsigned long capacity = blocks * elem_cnt;
  // Truncated, in exactly this order: 29 of 100 shows 28%.
  int percent =
      static_cast<int>(static_cast<double>(total) / static_cast<double>(capacity) * 100.0);
  UT_REPORT(print_msg, "   Total used:  %d / %d (%d%%)\n", static_cast<int>(total),
            static_cast<int>(capacity), percent);
}

void UT_FASTMEM_IMP::report_usage() {
  if (UT_FASTMEM_MGR *mgr = UT_FASTMEM_MGR::Instance())
    mgr->report();
}

UT_FASTMEM_MGR *UT_FASTMEM_MGR::Instance() {
  if (!_instance)
    _instance = new (std::nothrow) UT_FASTMEM_MGR;
  return _instance;
}

void UT_FASTMEM_MGR::report() const {
  for (long i = 0; i < pools.num; ++i)
    pools.ptrs[i]->dump();
}

void UT_FASTMEM_MGR::add(UT_FASTMEM_IMP *pool) {
  // Appending through getaddr(num); a registry that cannot grow leaves the pool unlisted.
  void *slot = pools.getaddr(pools.num);
  if (slot)
    std::memcpy(slot, &pool, sizeof pool);
}

void UT_FASTMEM_MGR::remove(UT_FASTMEM_IMP *pool) {
  for (long i = 0; i < pools.num; ++i) {
    if (pools.ptrs[i] == pool) {
      pools.a_shift(i + 1, -1);
      return;
    }
  }
}
