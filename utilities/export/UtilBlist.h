// UtilBlist: unordered bags of element pointers kept in chains of fixed-size blocks of
// slots (blinks), and their iterators. List and iterator objects made with new come from
// class pools built when the library is loaded.
#ifndef UTILBLIST_H
#define UTILBLIST_H

#include "UtilFstmem.h"

#include <cstdint>

class UT_BLIST_ITER;
class UT_BLISTS_ITER;

// A blink is (blocksize + 1) pointer-sized words: word 0 links to the next blink, words 1
// to blocksize are the element slots (null when empty).
class UT_BLIST {
public:
  static UT_FASTMEM *mem;  // the pool UT_BLIST objects come from
  static long total_count; // UT_BLIST objects in existence
  static long total_mem;   // bytes in use: lists, their iterators and blinks

protected:
  friend class UT_BLIST_ITER;
  void **blocks;            // first blink, null while there is none
  uint32_t count;           // elements, modulo 2^32
  unsigned short blocksize; // slots per blink
  unsigned short iters;     // open iterators
};

// The small variant: narrower counters and blocks, a list object of two words.
class UT_BLISTS {
public:
  static UT_FASTMEM *mem;
  static long total_count;
  static long total_mem;

protected:
  friend class UT_BLISTS_ITER;
  void **blocks;
  unsigned short count;
  unsigned char blocksize;
  unsigned char iters;
};

// Walks the elements of a UT_BLIST.
class UT_BLIST_ITER {
public:
  static UT_FASTMEM *mem;

protected:
  UT_BLIST *list;
  void **block;        // current blink, null when the list had none
  unsigned short slot; // next slot to examine in block
};

// Walks the elements of a UT_BLISTS.
class UT_BLISTS_ITER {
public:
  static UT_FASTMEM *mem;

protected:
  UT_BLISTS *list;
  void **block;
  unsigned char slot;
};

#endif
