// UtilFstmemimp: fixed-size pools. Each block's free elements are chained through their
// first pointer-sized bytes; blocks are chained through their headers with the block used
// last at the front, and found from a freed element's address through a hash table of
// address granules. Every pool registers in UT_FASTMEM_MGR, a UT_DARRAY of pool pointers.
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
      debug_level(0), classname(name), room(nullptr), slots(nullptr), nslots(0), nfilled(0),
      gshift(0), elem_recip(0) {
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
  while (gshift < 63 && (std::uintptr_t(1) << gshift) < block_size)
    ++gshift;
  if (this->elem_size <= UINT32_MAX)
    elem_recip = UINT64_MAX / this->elem_size + 1;
}

UT_FASTMEM_IMP::~UT_FASTMEM_IMP() {
  while (head) {
    UT_FM_BLOCK_HEAD *next = head->next;
    release_block(head);
    head = next;
  }
  std::free(slots);
  // A destroyed pool leaves the registry so that no listing touches it again.
  if (UT_FASTMEM_MGR *mgr = UT_FASTMEM_MGR::Instance())
    mgr->remove(this);
}

int UT_FASTMEM_IMP::init_block(UT_FM_BLOCK_HEAD *block) {
  block->next = nullptr;
  block->prev = nullptr;
  block->room_next = nullptr;
  block->room_prev = nullptr;
  block->used = 0;
  block->storage = ::operator new(block_size, std::nothrow);
  block->free = block->storage;
  block->fresh = static_cast<char *>(block->storage);
  return block->storage ? 1 : 0;
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

// Fibonacci hashing: neighbouring granules, the usual case, land far apart.
inline unsigned long UT_FASTMEM_IMP::home(std::uintptr_t granule) const {
  return static_cast<unsigned long>((granule * 0x9E3779B97F4A7C15ULL) >> 32) & (nslots - 1);
}

bool UT_FASTMEM_IMP::slot_insert(std::uintptr_t granule, UT_FM_BLOCK_HEAD *block) {
  if (2 * (nfilled + 1) > nslots) { // at most half full: short probe runs
    unsigned long grown = nslots ? 2 * nslots : 16;
    SLOT *more = static_cast<SLOT *>(std::calloc(grown, sizeof(SLOT)));
    if (!more)
      return false;
    SLOT *old = slots;
    unsigned long oldn = nslots;
    slots = more;
    nslots = grown;
    for (unsigned long i = 0; i < oldn; ++i) {
      if (!old[i].block)
        continue;
      unsigned long at = home(old[i].granule);
      while (slots[at].block)
        at = (at + 1) & (nslots - 1);
      slots[at] = old[i];
    }
    std::free(old);
  }
  unsigned long at = home(granule);
  while (slots[at].block)
    at = (at + 1) & (nslots - 1);
  slots[at] = SLOT{granule, block};
  ++nfilled;
  return true;
}

// Empties the slot and shifts back the entries after it whose probe run crossed it, so
// that every entry stays reachable from its home slot without tombstones.
void UT_FASTMEM_IMP::slot_erase(std::uintptr_t granule, const UT_FM_BLOCK_HEAD *block) {
  if (!nslots)
    return;
  unsigned long mask = nslots - 1;
  unsigned long at = home(granule);
  while (slots[at].block && !(slots[at].granule == granule && slots[at].block == block))
    at = (at + 1) & mask;
  if (!slots[at].block)
    return;
  slots[at].block = nullptr;
  --nfilled;
  for (unsigned long next = (at + 1) & mask; slots[next].block; next = (next + 1) & mask) {
    unsigned long h = home(slots[next].granule);
    // The entry may move to `at` unless its home lies cyclically in (at, next].
    bool stays = at <= next ? (at < h && h <= next) : (at < h || h <= next);
    if (stays)
      continue;
    slots[at] = slots[next];
    slots[next].block = nullptr;
    at = next;
  }
}

bool UT_FASTMEM_IMP::index_block(UT_FM_BLOCK_HEAD *block) {
  std::uintptr_t first = reinterpret_cast<std::uintptr_t>(block->storage);
  std::uintptr_t g0 = first >> gshift;
  std::uintptr_t g1 = (first + block_size - 1) >> gshift;
  if (!slot_insert(g0, block))
    return false;
  if (g1 != g0 && !slot_insert(g1, block)) {
    slot_erase(g0, block);
    return false;
  }
  return true;
}

void UT_FASTMEM_IMP::unindex_block(UT_FM_BLOCK_HEAD *block) {
  std::uintptr_t first = reinterpret_cast<std::uintptr_t>(block->storage);
  slot_erase(first >> gshift, block);
  slot_erase((first + block_size - 1) >> gshift, block);
}

inline UT_FM_BLOCK_HEAD *UT_FASTMEM_IMP::block_of(const void *p) const {
  if (head && holds(head, p))
    return head; // the common case: freed into the block used last
  if (!nslots)
    return nullptr;
  std::uintptr_t granule = reinterpret_cast<std::uintptr_t>(p) >> gshift;
  for (unsigned long at = home(granule); slots[at].block; at = (at + 1) & (nslots - 1))
    if (slots[at].granule == granule && holds(slots[at].block, p))
      return slots[at].block;
  return nullptr;
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

inline void UT_FASTMEM_IMP::room_remove(UT_FM_BLOCK_HEAD *block) {
  if (block->room_prev)
    block->room_prev->room_next = block->room_next;
  else if (room == block)
    room = block->room_next;
  if (block->room_next)
    block->room_next->room_prev = block->room_prev;
  block->room_next = block->room_prev = nullptr;
}

inline void UT_FASTMEM_IMP::room_push_front(UT_FM_BLOCK_HEAD *block) {
  block->room_prev = nullptr;
  block->room_next = room;
  if (room)
    room->room_prev = block;
  room = block;
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

void *UT_FASTMEM_IMP::getnewptr_slow() {
  // The first block of the chain with room, or, when every block is full, a new one (which
  // would join the chain at its end); either moves to the front so the next request finds
  // it at once. Moving the first block with room to the front keeps it first in `room`.
  UT_FM_BLOCK_HEAD *block = room;
  if (block) {
    move_to_front(block);
  } else {
    if (!(block = new_block()))
      return nullptr;
    block->next = head;
    if (head)
      head->prev = block;
    head = block;
    room_push_front(block);
  }
  void *elem = take(block);
  if (!block->free)
    room_remove(block);
  return elem;
}

void UT_FASTMEM_IMP::room_remove_head() { room_remove(head); }

void UT_FASTMEM_IMP::free_slow(void *p) {
  if (!head) {
    UT_REPORT(numbered_msg, 19, "Unable to free as memory was not allocated.\n");
    return;
  }
  UT_FM_BLOCK_HEAD *block = block_of(p);
  std::uintptr_t offset =
      block ? reinterpret_cast<std::uintptr_t>(p) - reinterpret_cast<std::uintptr_t>(block->storage)
            : 0;
  if (!block || !handed_out(block, offset)) {
    UT_REPORT(numbered_msg, 19, "Tried to delete a pointer not in list.\n");
    return;
  }
  // At the front of the chain, the block is the first with room. The head block with
  // room is first already.
  if (block != head) {
    move_to_front(block);
    if (block->free)
      room_remove(block);
    room_push_front(block);
  } else if (!block->free) {
    room_push_front(block);
  }
  setlink(p, block->free);
  block->free = p;
  --block->used;
  // An emptied block goes back unless it is the last one.
  if (block->used == 0 && block->next) {
    room_remove(block);
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
  // From the newest: pools usually go in the reverse order of their making, and a program
  // that makes and drops pools one after another then finds each at once.
  for (long i = pools.num - 1; i >= 0; --i) {
    if (pools.ptrs[i] == pool) {
      pools.a_shift(i + 1, -1);
      return;
    }
  }
}
