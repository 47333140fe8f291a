// UtilPtrfilimp: the implementation of UT_PTRFILE: the identities handed out when
// writing, and the fix table that maps identities read back to new addresses.
#ifndef UTILPTRFILIMP_H
#define UTILPTRFILIMP_H

#include "UtilDarray.h"
#include "UtilFstmem.h"
#include "UtilPtrfil.h"

#include <cstdint>

// The addresses of pointer fields (void**) waiting for one target, in queuing order.
class DARRAY_UT_PTRPTR final : public UT_DARRAY {
public:
  explicit DARRAY_UT_PTRPTR(long size);
  ~DARRAY_UT_PTRPTR();

  void ***ptrs; // the storage, kept current by the array

  // Appends ref; 0 when the storage could not grow (nothing is lost then).
  int append(void **ref);
};

// One old address (identity) and what is known about it. Invariant: a record with a
// newaddr has no refs, and every field in refs still holds oldaddr.
struct UT_PTRFIXREC {
  UT_PTRFIXREC *next;     // the following record of the same bucket
  void *oldaddr;          // the key
  void *newaddr;          // null until registered
  DARRAY_UT_PTRPTR *refs; // owned; null when no field waits

  explicit UT_PTRFIXREC(void *old);
  ~UT_PTRFIXREC();

  void setnewaddr(void *newaddr);
  // 1 when the field was patched or queued, 0 when it could not be queued.
  int fixreference(void **ref);
};

// Hash table of fix records keyed by old address, records taken from their own pool.
// The scan state lets checkptrs hand out one waiting field per call.
class UT_PTRFIXTABLE {
public:
  explicit UT_PTRFIXTABLE(long nbuckets);
  ~UT_PTRFIXTABLE();

  // False when the buckets or the pool could not be allocated.
  bool usable() const { return buckets && pool; }

  long hash(void *oldaddr) const;
  void setnewaddr(void *oldaddr, void *newaddr);
  void fixreference(void **ref);
  intptr_t checkptrs();
  void flush();
  UT_PTRFIXREC *alloc_fixrec(void *oldaddr);
  void free_fixrec(UT_PTRFIXREC *rec);

  UT_PTRFIXTABLE(const UT_PTRFIXTABLE &) = delete;
  UT_PTRFIXTABLE &operator=(const UT_PTRFIXTABLE &) = delete;

private:
  // The record of oldaddr, created at the head of its bucket when missing; null only
  // when the pool is exhausted.
  UT_PTRFIXREC *findrec(void *oldaddr);

  UT_PTRFIXREC **buckets;
  int32_t nbuckets;
  UT_FASTMEM *pool;
  int32_t nrecs;
  int32_t scanbucket; // -1 when no scan is in progress
  UT_PTRFIXREC *scanrec;
  int32_t scanidx;
};

// The writer's identities: pointer to 32-bit number, open addressing with linear probing
// in kor_malloc arrays, at most half full. Never throws: add refuses when it cannot grow.
class UT_PTRIDMAP {
public:
  UT_PTRIDMAP() = default;
  ~UT_PTRIDMAP();
  UT_PTRIDMAP(const UT_PTRIDMAP &) = delete;
  UT_PTRIDMAP &operator=(const UT_PTRIDMAP &) = delete;

  uint32_t find(const void *p) const; // 0 when p has no number
  bool add(const void *p, uint32_t id);

private:
  unsigned long slot(const void *p) const; // where p is, or the empty slot it would take
  bool grow();
  const void **keys = nullptr;
  uint32_t *values = nullptr;
  unsigned long room = 0; // slots, a power of two (0 before the first add)
  unsigned long count = 0;
};

class UT_PTRFILE_IMP {
public:
  UT_PTRFILE_IMP(UT_ACCESS access, UT_PTRFILE *owner);
  ~UT_PTRFILE_IMP();

  int writeptr(const void *p);
  int readptr(void *&p);
  void registerptr(void *oldaddr, void *newaddr);
  void fixptr(void **ref);
  intptr_t checkptrs();
  void flush_fixtable();
  // Creates and installs a table of 4001 buckets; null when that fails.
  UT_PTRFIXTABLE *create_fixtab();

  UT_PTRFILE_IMP(const UT_PTRFILE_IMP &) = delete;
  UT_PTRFILE_IMP &operator=(const UT_PTRFILE_IMP &) = delete;

private:
  UT_PTRFIXTABLE *table(); // the table, created on first need; null when impossible
  // The 32-bit identity of p in this file: 0 for null, otherwise handed out in order
  // from 1; 0 also when no identity could be recorded.
  uint32_t identity(const void *p);

  UT_PTRFILE *owner;
  UT_PTRFIXTABLE *fixtab;
  UT_PTRIDMAP ids;
  uint32_t lastid;
};

#endif
