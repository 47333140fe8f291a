// UtilSmemimp: the small-object allocators proper and the size-class manager behind the
// shared ones. Chunks, buckets and tables come from kor_malloc/kor_realloc.
#ifndef UTILSMEMIMP_H
#define UTILSMEMIMP_H

#include "UtilSmem.h"

#include <cstdint>

// An allocator of elements of one rounded size. Free elements are held as pointers in
// buckets of `nperbucket` entries: elements are taken from bucket 0 at `getpos` and given
// back into `relbucket` at `putpos`; a full release bucket joins the table whole. A chunk
// of nperbucket elements refills bucket 0 when the table runs dry. Chunks are recorded for
// dedicated allocators (which free them on destruction) and for classes too narrow to
// hold a pointer (see `overflow`).
class UT_SM_INT_SMALLMEM {
public:
  UT_SM_INT_SMALLMEM(int elsize, unsigned char record_chunks, const char *name, long blockbytes);
  ~UT_SM_INT_SMALLMEM();

  void *getmem(); // null when no chunk can be had
  void relmem(void *p);
  // Points the nperbucket entries of bucket at the elements of a new chunk; 0 when no
  // chunk can be had (bucket unchanged).
  int fillbucket(void **bucket);

  unsigned short elsize;
  unsigned short nperbucket;
  long blockbytes;
  char *name;
  unsigned short getpos;
  unsigned short tablesize;
  unsigned short nbuckets;
  void ***buckets;
  unsigned short putpos;
  unsigned short nchunks;
  void **relbucket;
  void **chunks;
  // Elements given back when no bucket could take them (memory ran out), linked through
  // their first bytes; getmem hands them out first, so no element is ever lost. An element
  // narrower than a pointer holds instead the 32-bit number of the next one (its chunk's
  // place in `chunks` times nperbucket, plus its place in the chunk, plus 1; 0 ends the
  // list), kept in `overflownum`.
  void *overflow;
  std::uint32_t overflownum;

  UT_SM_INT_SMALLMEM(const UT_SM_INT_SMALLMEM &) = delete;
  UT_SM_INT_SMALLMEM &operator=(const UT_SM_INT_SMALLMEM &) = delete;

private:
  bool ready();   // bucket 0 has an element at getpos, refilling it if needed
  bool advance(); // bucket 0 is used up: take the next bucket, or refill from a chunk
  bool handoff(); // the full release bucket joins the table; a fresh one replaces it
  void pushoverflow(void *p);
  void *popoverflow(); // null when the overflow list is empty
  bool narrow() const { return elsize < sizeof(void *); }
  bool recording; // chunks are to be recorded (even if the first list could not be had)
  bool owning;    // recorded chunks are freed on destruction (dedicated allocators)
};

// One shared size-class allocator per rounded size 4, 8, ..., 60, created on demand and
// never destroyed.
class UT_SM_MNGR {
public:
  UT_SM_MNGR();
  UT_SM_INT_SMALLMEM *getmemhandler(int elsize); // null when it cannot be built

  UT_SM_INT_SMALLMEM *handlers[15];
};

// Set when the debug environment variable named by ut_smdebugid is present.
extern unsigned char ut_smdebug;

class UT_SM_SMALLMEM_IMP : public UT_STATOBJ {
public:
  UT_SM_SMALLMEM_IMP(int elsize, unsigned char dedicated, const char *name, long blockbytes);
  ~UT_SM_SMALLMEM_IMP() override;

  UT_SM_INT_SMALLMEM *handler; // null when refused for its size
  unsigned char dedicated;
};

#endif
