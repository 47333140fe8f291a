// UtilCnameimp: the implementation of the name cache: the three name classes, the
// character pools long texts are packed into, and the cache's operations on its tree.
#ifndef UTILCNAMEIMP_H
#define UTILCNAMEIMP_H

#include "UtilCname.h"
#include "UtilDarray.h"

#include <cstdint>

class UT_PTRFILE;

// Copies text into an inline buffer of cap bytes. A text that does not fit is reported
// ("name count overflow.") and cut to cap - 1 characters.
void nch_copyinline(char *buf, int cap, const char *text);

// A name whose text lies inside the object, in a buffer of N bytes (N - 1 characters
// and the NUL). get_size is N.
template <unsigned short N> class UT_NCH_INLINENAME : public UT_NCH_NAME {
public:
  explicit UT_NCH_INLINENAME(const char *text) { nch_copyinline(buf, N, text); }
  const char *get_name() const override { return buf; }
  unsigned short get_size() override { return N; }

private:
  char buf[N];
};

// Texts of 0 to 3 characters.
class UT_NCH_NAME3 final : public UT_NCH_INLINENAME<4> {
public:
  using UT_NCH_INLINENAME<4>::UT_NCH_INLINENAME;
};

// Texts of 4 to 7 characters.
class UT_NCH_NAME7 final : public UT_NCH_INLINENAME<8> {
public:
  using UT_NCH_INLINENAME<8>::UT_NCH_INLINENAME;
};

// Texts of 8 characters or more: a pointer to text held in a pool of the cache (or the
// caller's text in a pointer-only cache). Copies nothing and frees nothing.
class UT_NCH_NAMELONG final : public UT_NCH_NAME {
public:
  explicit UT_NCH_NAMELONG(const char *text) : text(text) {}
  const char *get_name() const override { return text; }
  unsigned short get_size() override { return 9; }

private:
  const char *text;
};

// One block of characters; long texts are packed into it one after another, each with
// its NUL, and never moved or reused. Invariant: used < size once anything is packed
// (the last byte is never handed out); nnames counts the live names whose text is here.
struct UT_NCH_POOL {
  explicit UT_NCH_POOL(long size); // reports "New failed." and leaves buf null on failure
  ~UT_NCH_POOL();

  UT_NCH_POOL *next;
  char *buf;
  int32_t size;
  int32_t used;
  int32_t nnames;

  UT_NCH_POOL(const UT_NCH_POOL &) = delete;
  UT_NCH_POOL &operator=(const UT_NCH_POOL &) = delete;
};

// The texts clean() collects; `names` is its handle variable.
class DARRAY_NAME final : public UT_DARRAY {
public:
  explicit DARRAY_NAME(long size);

  const char **names;

  int append(const char *text); // 0 when the storage could not grow
};

// Invariants: every tree node holds a non-null name whose text is the node's key; in a
// cache that is not pointer-only every UT_NCH_NAMELONG's text lies in exactly one pool
// and is counted in its nnames; last_pool is the tail of the chain from first_pool.
class UT_NCH_CACHE_IMP {
public:
  UT_NCH_CACHE_IMP(UT_NCH_CACHE *cache, unsigned char pointer_only);
  ~UT_NCH_CACHE_IMP();

  UT_NCH_NAME *add(const char *name, long count);
  UT_NCH_NAME *find(const char *name);
  void clean();
  void flush();
  void clear_marks();
  int write(UT_PTRFILE *file, unsigned char marked_only);
  void read(UT_PTRFILE *file);
  long get_total_mem();
  void dump(unsigned char node_state);
  void dump(UT_STREAM &s, unsigned char node_state);

  // Copies a text of 8 or more characters into the pools and returns the copy; null for
  // a shorter text or when no pool could be had.
  char *add_name(const char *text);
  // Gives up a long name's place in its pool, freeing the pool with its last name.
  void adjust_pool(UT_NCH_NAME *name);

  UT_NCH_CACHE_IMP(const UT_NCH_CACHE_IMP &) = delete;
  UT_NCH_CACHE_IMP &operator=(const UT_NCH_CACHE_IMP &) = delete;

private:
  // A new name object for a text of length len, with its pool copy; null on failure.
  UT_NCH_NAME *make_name(const char *name, int len);

  UT_NCH_CACHE *cache;
  UT_NCH_POOL *first_pool;
  UT_NCH_POOL *last_pool;
  unsigned char pointer_only;
};

// Tree flush callback: destroys the name in the cell.
void nch_flush(void **cell, void *arg);

#endif
