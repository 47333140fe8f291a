// UtilBlist: unordered bags of element pointers kept in chains of fixed-size blocks of
// slots (blinks), and their iterators. List and iterator objects made with new come from
// class pools built when the library is loaded.
#ifndef UTILBLIST_H
#define UTILBLIST_H

#include "UtilFstmem.h"

#include <cstddef>
#include <cstdint>

// A blink is (blocksize + 1) pointer-sized words from kor_malloc: word 0 links to the
// next blink, words 1 to blocksize are the element slots (null when empty).
//
// create_blink returns a blink holding `elem` in its first slot and no successor, or
// null when it cannot be allocated or `blocksize` is 0. The caller owns it and releases
// it with kor_free.
void **create_blink(unsigned short blocksize, void *elem);

// UT_BLIST_BASE: the one implementation of both block-list families. `Self` is the
// concrete list class, which holds the class statics (mem, total_count, total_mem);
// CountT and SizeT are the widths of the element count and of the block size and
// iterator count, which wrap modulo their width.
//
// A list holds non-null element pointers by identity and never owns them; it owns its
// blinks. l_append fills the free slots above the last occupied slot of the last blink
// before it adds a blink (walking the chain to find it); l_find and l_remove scan blinks
// in chain order and slots in index order. Removal only empties a slot: blinks are
// released by clear and destruction alone. Status results are 1 for done, 0 for not
// found or a null element. A block size of 0 is taken as 1.
//
// Open iterators are counted; compressing (which is not implemented) or destroying a
// list with iterators open is reported. The iterators must not be used after their
// list is destroyed, and must be reset after the list is cleared.
template <class Self, class CountT, class SizeT> class UT_BLIST_BASE {
public:
  // From the class pool; null (and nothing constructed) when it is exhausted. The
  // bytes are counted in Self::total_mem.
  static void *operator new(std::size_t size) noexcept;
  // Returns the object's bytes to the class pool.
  static void operator delete(void *p) noexcept;

  // An empty list whose blinks hold blocksize slots (0 is taken as 1).
  explicit UT_BLIST_BASE(SizeT blocksize);
  // Releases the blinks; reports when iterators are still open.
  ~UT_BLIST_BASE();

  // Puts elem into the first free slot after the last occupied one, adding a blink
  // when the last is full; a null elem is ignored.
  void l_append(void *elem);
  // 1 when elem is in the list, else 0.
  int l_find(void *elem) const;
  // Empties the first slot holding elem: 1, or 0 when it is not there.
  int l_remove(void *elem);
  // Not implemented: reports so, and reports open iterators; changes nothing.
  void compress();
  // Releases every blink; the list is empty afterwards.
  void clear();
  // The number of elements, modulo the width of CountT.
  CountT getcount() const { return count; }

  UT_BLIST_BASE(const UT_BLIST_BASE &) = delete;
  UT_BLIST_BASE &operator=(const UT_BLIST_BASE &) = delete;

protected:
  template <class, class> friend class UT_BLIST_ITER_BASE;
  // Frees the chain of blinks and counts their bytes out of total_mem.
  void release_blinks();

  void **blocks;   // first blink, null while there is none
  CountT count;    // elements, modulo the width of CountT
  SizeT blocksize; // slots per blink, at least 1
  SizeT iters;     // open iterators, modulo the width of SizeT
};

// UT_BLIST_ITER_BASE: walks the elements of a `List` in chain and slot order, skipping
// empty slots. After it has returned null, a later l_next goes on from where that last
// search began in the blink where it stands, so it sees the elements appended since;
// an iterator made on a list without blinks sees nothing until reset. `Self` is the
// concrete iterator class (which holds the pool `mem`); its bytes are counted in
// List::total_mem. Iterating allocates nothing.
template <class Self, class List> class UT_BLIST_ITER_BASE {
public:
  // From the iterator class pool; null (and nothing constructed) when it is exhausted.
  static void *operator new(std::size_t size) noexcept;
  // Returns the object's bytes to the class pool.
  static void operator delete(void *p) noexcept;

  // An iterator at the start of list, counted among its open iterators.
  explicit UT_BLIST_ITER_BASE(List *list);
  // Counts itself out of the list's open iterators.
  ~UT_BLIST_ITER_BASE();

  // Goes back to the list's first blink.
  void reset();
  void *l_next(); // null when there is no further element

  UT_BLIST_ITER_BASE(const UT_BLIST_ITER_BASE &) = delete;
  UT_BLIST_ITER_BASE &operator=(const UT_BLIST_ITER_BASE &) = delete;

protected:
  // The width of the list's block size.
  using SizeT = decltype(List::blocksize);

  List *list; // the list walked
  void **block; // current blink, null when the list had none at creation or reset
  SizeT slot;   // next slot to examine in block
};

// A block list for up to 4294967295 elements, 65535 slots per blink and 65535 open
// iterators: a list object of three words.
class UT_BLIST : public UT_BLIST_BASE<UT_BLIST, uint32_t, unsigned short> {
public:
  // An empty list with blocksize slots per blink.
  explicit UT_BLIST(unsigned short blocksize) : UT_BLIST_BASE(blocksize) {}

  static UT_FASTMEM *mem;  // the pool UT_BLIST objects come from
  static long total_count; // UT_BLIST objects in existence
  static long total_mem;   // bytes in use: lists, their iterators and blinks
};

// The small variant: up to 65535 elements, 255 slots per blink and 255 open iterators,
// in a list object of two words.
class UT_BLISTS : public UT_BLIST_BASE<UT_BLISTS, unsigned short, unsigned char> {
public:
  // An empty list with blocksize slots per blink.
  explicit UT_BLISTS(unsigned char blocksize) : UT_BLIST_BASE(blocksize) {}

  static UT_FASTMEM *mem;  // the pool UT_BLISTS objects come from
  static long total_count; // UT_BLISTS objects in existence
  static long total_mem;   // bytes in use: lists, their iterators and blinks
};

// Walks the elements of a UT_BLIST.
class UT_BLIST_ITER : public UT_BLIST_ITER_BASE<UT_BLIST_ITER, UT_BLIST> {
public:
  // An iterator at the start of list.
  explicit UT_BLIST_ITER(UT_BLIST *list) : UT_BLIST_ITER_BASE(list) {}

  static UT_FASTMEM *mem; // the pool UT_BLIST_ITER objects come from
};

// Walks the elements of a UT_BLISTS.
class UT_BLISTS_ITER : public UT_BLIST_ITER_BASE<UT_BLISTS_ITER, UT_BLISTS> {
public:
  // An iterator at the start of list.
  explicit UT_BLISTS_ITER(UT_BLISTS *list) : UT_BLIST_ITER_BASE(list) {}

  static UT_FASTMEM *mem; // the pool UT_BLISTS_ITER objects come from
};

extern template class UT_BLIST_BASE<UT_BLIST, uint32_t, unsigned short>;
extern template class UT_BLIST_BASE<UT_BLISTS, unsigned short, unsigned char>;
extern template class UT_BLIST_ITER_BASE<UT_BLIST_ITER, UT_BLIST>;
extern template class UT_BLIST_ITER_BASE<UT_BLISTS_ITER, UT_BLISTS>;

#endif
