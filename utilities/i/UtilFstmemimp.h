// UtilFstmemimp: the implementation of the fixed-size pools and the registry that lists
// them. Relies on UT_DARRAY for the registry and on the global allocator for blocks.
#ifndef UTILFSTMEMIMP_H
#define UTILFSTMEMIMP_H

#include "UtilDarray.h"
#include "UtilFstmem.h"

#include <cstdint>
#include <cstring>

// One block of a pool. The free elements of the block form a singly linked list through
// their first pointer-sized bytes (read and written with memcpy, since elements need not
// be pointer-aligned), starting at `free`. The elements never handed out yet, from
// `fresh` to the end of the storage, are the tail of that list in address order; they
// are not linked in advance: the list reaches them when a link equals `fresh`, and each
// one taken moves `fresh` on by an element. So a block is handed out in the same order
// as if all its elements had been linked when it was made, without writing the links.
struct UT_FM_BLOCK_HEAD {
  UT_FM_BLOCK_HEAD *next;      // following block, null for the last
  UT_FM_BLOCK_HEAD *prev;      // preceding block, null for head: moving to the front is O(1)
  void *free;                  // first free element, null when the block is full
  void *storage;               // block_size bytes from the global allocator
  unsigned long used;          // elements of this block handed out
  char *fresh;                 // first element never handed out, null once all have been
  UT_FM_BLOCK_HEAD *room_next; // the blocks with room, in chain order (only while free)
  UT_FM_BLOCK_HEAD *room_prev;
};

// The pool proper. Invariants: every block in the chain holds elem_cnt elements; `used`
// counts the block's elements not on its free list; the block last allocated from or
// freed into is `head`; only the last remaining block may be empty. `room` lists the
// blocks that have a free element in chain order, so that an allocation finds the first
// such block at once instead of walking the full blocks before it. `slots` is a hash
// table from address granules (power-of-two spans at least a block long, so a block
// touches at most two) to the blocks touching them: a free finds its block in constant
// time instead of walking the chain; it never changes the chain's order.
class UT_FASTMEM_IMP : public UT_STATOBJ {
public:
  UT_FASTMEM_IMP(unsigned long elem_size, unsigned long elem_cnt, const char *name);
  ~UT_FASTMEM_IMP() override;

  // Sets up a fresh block: new storage, every element free, to be handed out in address
  // order.
  // Returns 0 (header left without storage) when the storage cannot be had.
  int init_block(UT_FM_BLOCK_HEAD *block);
  // The common cases inline: the head block has room, or takes back one of its elements
  // without filling up from full or emptying. Everything else goes out of line.
  void *getnewptr() {
    UT_FM_BLOCK_HEAD *block = head;
    if (!block || !block->free)
      return getnewptr_slow();
    void *elem = take(block); // the head block with room is first in `room`
    if (!block->free)
      room_remove_head();
    return elem;
  }
  void int_free(void *p) {
    UT_FM_BLOCK_HEAD *block = head;
    if (block && block->free && block->used > 1 && holds(block, p) &&
        handed_out(block, reinterpret_cast<std::uintptr_t>(p) -
                              reinterpret_cast<std::uintptr_t>(block->storage))) {
      setlink(p, block->free);
      block->free = p;
      --block->used;
      return;
    }
    free_slow(p);
  }
  [[noreturn]] void abort();
  int fastmem_verify();
  void dump() const;
  static void report_usage();

  UT_FM_BLOCK_HEAD *head;
  unsigned long elem_size;
  unsigned long elem_cnt;
  unsigned long block_size;
  int debug_level;
  const char *classname;

  static int global_debug;

  UT_FM_BLOCK_HEAD *room; // first block with a free element, in chain order
  // One entry of the granule table; an empty slot has a null block.
  struct SLOT {
    std::uintptr_t granule;
    UT_FM_BLOCK_HEAD *block;
  };
  SLOT *slots;              // open addressing, linear probing; nslots a power of two
  unsigned long nslots;     // 0 until the first block
  unsigned long nfilled;    // slots in use
  unsigned gshift;          // granule of an address: address >> gshift
  std::uint64_t elem_recip; // 2^64 / elem_size rounded up, 0 when elem_size is too large

  UT_FASTMEM_IMP(const UT_FASTMEM_IMP &) = delete;
  UT_FASTMEM_IMP &operator=(const UT_FASTMEM_IMP &) = delete;

private:
  // The free-list link kept in a free element's first bytes. Elements are only 4-aligned,
  // so the link is copied rather than dereferenced.
  static void *getlink(const void *elem) {
    void *next;
    std::memcpy(&next, elem, sizeof next);
    return next;
  }
  static void setlink(void *elem, void *next) { std::memcpy(elem, &next, sizeof next); }
  bool holds(const UT_FM_BLOCK_HEAD *block, const void *p) const {
    std::uintptr_t a = reinterpret_cast<std::uintptr_t>(p);
    std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block->storage);
    return start <= a && a < start + block_size;
  }
  // Whether an offset into a block is a multiple of elem_size: offsets below 2^32 are
  // tested by multiplying with the reciprocal (n is a multiple of d exactly when n times
  // ceil(2^64 / d), modulo 2^64, is below that reciprocal), larger ones by division.
  bool on_element(std::uintptr_t offset) const {
    if (offset <= UINT32_MAX && elem_recip)
      return static_cast<std::uint64_t>(offset) * elem_recip < elem_recip;
    return offset % elem_size == 0;
  }
  // Whether the element at `offset` into the block is handed out: only such an element
  // can come back. An address inside an element, one from a block with nothing handed
  // out, or one never handed out would corrupt the free list.
  bool handed_out(const UT_FM_BLOCK_HEAD *block, std::uintptr_t offset) const {
    return on_element(offset) && block->used != 0 &&
           (!block->fresh || offset < static_cast<std::uintptr_t>(
                                          block->fresh - static_cast<char *>(block->storage)));
  }
  // Takes the first free element of a block that has one.
  void *take(UT_FM_BLOCK_HEAD *block) {
    void *elem = block->free;
    if (elem == block->fresh) {
      char *next = block->fresh + elem_size;
      block->fresh = next < static_cast<char *>(block->storage) + block_size ? next : nullptr;
      block->free = block->fresh;
    } else {
      block->free = getlink(elem);
    }
    ++block->used;
    return elem;
  }
  void *getnewptr_slow();
  void free_slow(void *p);
  void room_remove_head();
  UT_FM_BLOCK_HEAD *new_block();
  void release_block(UT_FM_BLOCK_HEAD *block);
  void move_to_front(UT_FM_BLOCK_HEAD *block);
  void unlink(UT_FM_BLOCK_HEAD *block);
  void room_remove(UT_FM_BLOCK_HEAD *block);
  void room_push_front(UT_FM_BLOCK_HEAD *block);
  unsigned long home(std::uintptr_t granule) const;
  bool slot_insert(std::uintptr_t granule, UT_FM_BLOCK_HEAD *block);
  void slot_erase(std::uintptr_t granule, const UT_FM_BLOCK_HEAD *block);
  bool index_block(UT_FM_BLOCK_HEAD *block);
  void unindex_block(UT_FM_BLOCK_HEAD *block);
  UT_FM_BLOCK_HEAD *block_of(const void *p) const;
};

// A contiguous array of pool pointers; `ptrs` is its handle variable.
class DARRAY_FSTMEMPTR : public UT_DARRAY {
public:
  DARRAY_FSTMEMPTR() : UT_DARRAY(reinterpret_cast<void **>(&ptrs), sizeof(void *), 50, 0) {}
  UT_FASTMEM_IMP **ptrs; // set by the UT_DARRAY constructor: no initialiser here
};

// The registry of every living pool, in construction order. Created on first use and kept
// until the program ends.
class UT_FASTMEM_MGR {
public:
  static UT_FASTMEM_MGR *Instance(); // null only when it cannot be allocated
  void report() const;
  void add(UT_FASTMEM_IMP *pool);
  void remove(UT_FASTMEM_IMP *pool);

  DARRAY_FSTMEMPTR pools;

private:
  UT_FASTMEM_MGR() = default;
  static UT_FASTMEM_MGR *_instance;
};

#endif
