// UtilBlist: block lists and their iterators, one template for both families. List and
// iterator objects come from the class pools built at load time (UtilVars); blinks come
// from kor_malloc and are counted, like the objects, in the list class's total_mem.
#include "UtilBlist.h"

#include "UtilReport.h"

UT_REPORT_UNIT("UtilBlist", "$Revision: 1.1.2.1 $")

namespace {

// Bytes of one blink, as total_mem counts them.
long blink_bytes(unsigned blocksize) {
  return static_cast<long>((blocksize + 1u) * sizeof(void *));
}

void **next_blink(void **blink) { return static_cast<void **>(blink[0]); }

// Pooled objects: `size` bytes from `mem`, counted in `total`. A derived class larger than
// the pool's element size cannot come from it, so new gives null for it.
void *pool_new(UT_FASTMEM *mem, std::size_t size, std::size_t elemsize, long &total) {
  void *p = mem && size <= elemsize ? mem->getnewptr() : nullptr;
  if (p)
    total += static_cast<long>(size);
  return p;
}

void pool_delete(UT_FASTMEM *mem, void *p, std::size_t elemsize, long &total) {
  if (!p)
    return;
  total -= static_cast<long>(elemsize);
  mem->kor_free(p);
}

const char *compress_text(const UT_BLIST *) { return "Cannot compress list with iterators.\n"; }
const char *compress_text(const UT_BLISTS *) { return "Cannot compress lists with iterators.\n"; }

} // namespace

void **create_blink(unsigned short blocksize, void *elem) {
  if (blocksize == 0)
    return nullptr;
  void **blink = static_cast<void **>(kor_malloc(static_cast<unsigned>(blink_bytes(blocksize))));
  if (!blink)
    return nullptr;
  blink[0] = nullptr;
  blink[1] = elem;
  for (unsigned i = 2; i <= blocksize; ++i)
    blink[i] = nullptr;
  return blink;
}

template <class Self, class CountT, class SizeT>
void *UT_BLIST_BASE<Self, CountT, SizeT>::operator new(std::size_t size) noexcept {
  return pool_new(Self::mem, size, sizeof(Self), Self::total_mem);
}

template <class Self, class CountT, class SizeT>
void UT_BLIST_BASE<Self, CountT, SizeT>::operator delete(void *p) noexcept {
  pool_delete(Self::mem, p, sizeof(Self), Self::total_mem);
}

template <class Self, class CountT, class SizeT>
UT_BLIST_BASE<Self, CountT, SizeT>::UT_BLIST_BASE(SizeT size)
    : blocks(nullptr), count(0), blocksize(size ? size : 1), iters(0) {
  ++Self::total_count;
}

template <class Self, class CountT, class SizeT>
UT_BLIST_BASE<Self, CountT, SizeT>::~UT_BLIST_BASE() {
  if (iters)
    UT_REPORT(numbered_msg, 19, "Cannot destroy list with iterators.\n");
  release_blinks();
  count = 0;
  --Self::total_count;
}

template <class Self, class CountT, class SizeT>
void UT_BLIST_BASE<Self, CountT, SizeT>::release_blinks() {
  while (blocks) {
    void **next = next_blink(blocks);
    kor_free(blocks);
    Self::total_mem -= blink_bytes(blocksize);
    blocks = next;
  }
}

template <class Self, class CountT, class SizeT> void UT_BLIST_BASE<Self, CountT, SizeT>::clear() {
  release_blinks();
  count = 0;
}

// An element goes into the slot just above the highest occupied slot of the last blink,
// or into the first slot of a new blink when the last one's top slot is taken.
template <class Self, class CountT, class SizeT>
void UT_BLIST_BASE<Self, CountT, SizeT>::l_append(void *elem) {
  if (!elem)
    return;
  if (++count == 0)
    UT_REPORT(numbered_msg, 19, "Maximum element count exceeded.\n");
  void **last = blocks;
  if (last) {
    while (next_blink(last))
      last = next_blink(last);
    unsigned top = blocksize; // word index of the highest occupied slot, 0 for none
    while (top > 0 && !last[top])
      --top;
    if (top < blocksize) {
      last[top + 1] = elem;
      return;
    }
  }
  void **blink = create_blink(blocksize, elem);
  if (!blink) {
    --count; // the element was not stored
    UT_REPORT(numbered_msg, 19, "UT_BLIST:New failed.\n");
    return;
  }
  if (last)
    last[0] = blink;
  else
    blocks = blink;
  Self::total_mem += blink_bytes(blocksize);
}

template <class Self, class CountT, class SizeT>
int UT_BLIST_BASE<Self, CountT, SizeT>::l_find(void *elem) const {
  if (!elem)
    return 0;
  for (void **b = blocks; b; b = next_blink(b))
    for (unsigned i = 1; i <= blocksize; ++i)
      if (b[i] == elem)
        return 1;
  return 0;
}

template <class Self, class CountT, class SizeT>
int UT_BLIST_BASE<Self, CountT, SizeT>::l_remove(void *elem) {
  if (!elem)
    return 0;
  for (void **b = blocks; b; b = next_blink(b))
    for (unsigned i = 1; i <= blocksize; ++i)
      if (b[i] == elem) {
        b[i] = nullptr;
        --count;
        return 1;
      }
  return 0;
}

template <class Self, class CountT, class SizeT>
void UT_BLIST_BASE<Self, CountT, SizeT>::compress() {
  if (iters)
    UT_REPORT(numbered_msg, 19, compress_text(static_cast<Self *>(this)));
  UT_REPORT(error_msg, "List compression not yet implemented.\n");
}

template <class Self, class List>
void *UT_BLIST_ITER_BASE<Self, List>::operator new(std::size_t size) noexcept {
  return pool_new(Self::mem, size, sizeof(Self), List::total_mem);
}

template <class Self, class List>
void UT_BLIST_ITER_BASE<Self, List>::operator delete(void *p) noexcept {
  pool_delete(Self::mem, p, sizeof(Self), List::total_mem);
}

// A null list gives an iterator that finds nothing and counts nowhere.
template <class Self, class List>
UT_BLIST_ITER_BASE<Self, List>::UT_BLIST_ITER_BASE(List *l)
    : list(l), block(l ? l->blocks : nullptr), slot(0) {
  if (list && ++list->iters == 0)
    UT_REPORT(numbered_msg, 19, "Maximum iterator count exceeded.\n");
}

template <class Self, class List> UT_BLIST_ITER_BASE<Self, List>::~UT_BLIST_ITER_BASE() {
  if (list && list->iters-- == 0)
    UT_REPORT(numbered_msg, 19, "Iterator count underflow.\n");
}

template <class Self, class List> void UT_BLIST_ITER_BASE<Self, List>::reset() {
  block = list ? list->blocks : nullptr;
  slot = 0;
}

// When nothing is found, the iterator stays on the last blink with `slot` back where
// this search began in that blink (0 when the search reached it from an earlier one),
// so the next call examines again every slot that this search found empty.
template <class Self, class List> void *UT_BLIST_ITER_BASE<Self, List>::l_next() {
  if (!block)
    return nullptr;
  const unsigned size = list->blocksize;
  if (slot >= size) { // the current blink is used up
    if (!next_blink(block))
      return nullptr;
    block = next_blink(block);
    slot = 0;
  }
  SizeT start = slot;
  for (;;) {
    while (slot < size) {
      void *elem = block[1 + slot];
      ++slot;
      if (elem)
        return elem;
    }
    if (!next_blink(block))
      break;
    block = next_blink(block);
    slot = start = 0;
  }
  slot = start;
  return nullptr;
}

template class UT_BLIST_BASE<UT_BLIST, uint32_t, unsigned short>;
template class UT_BLIST_BASE<UT_BLISTS, unsigned short, unsigned char>;
template class UT_BLIST_ITER_BASE<UT_BLIST_ITER, UT_BLIST>;
template class UT_BLIST_ITER_BASE<UT_BLISTS_ITER, UT_BLISTS>;
