// UtilSmemimp: small-object allocators. Free elements are pointers in fixed-size buckets:
// bucket 0 of the table is taken from, the release bucket is given back into and joins
// the table when full. Chunks, buckets and tables come from kor_malloc/kor_realloc.
#include "UtilSmemimp.h"

#include "UtilReport.h"

#include <climits>
#include <cstring>
#include <new>

UT_REPORT_UNIT("UtilSmemimp", "$Revision: 1.1.2.1 $")

unsigned char ut_smdebug = 0;

namespace {

// The name of the debug environment variable, UT_SMDEBUG, as UT_STR::Decode expects it.
const char *const ut_smdebugid = "VU`TNEFCVH";

const int mv_maxelsize = 60;
const long mv_defaultblockbytes = 1000;
const unsigned short mv_listgrowth = 10; // initial table size and chunk-list step

void **newpointers(unsigned long count) {
  return static_cast<void **>(kor_malloc(static_cast<unsigned>(count * sizeof(void *))));
}

} // namespace

UT_SM_INT_SMALLMEM::UT_SM_INT_SMALLMEM(int elsize, unsigned char record_chunks, const char *name,
                                       long blockbytes)
    : getpos(0), tablesize(0), nbuckets(0), buckets(nullptr), putpos(0), nchunks(0),
      relbucket(nullptr), chunks(nullptr), overflow(nullptr), overflownum(0),
      owning(record_chunks != 0) {
  this->name = UT_STR::Dup(name ? name : korform("SMEM:%d\n", elsize));
  int rounded = elsize > 0 ? 4 * ((elsize + 3) / 4) : 4;
  this->elsize = static_cast<unsigned short>(rounded);
  recording = owning || narrow(); // a narrow class numbers its elements through chunks
  this->blockbytes = blockbytes == -1 ? mv_defaultblockbytes : blockbytes;
  // A chunk holds at least one element and no more than a bucket index can count.
  long per = this->blockbytes / rounded;
  nperbucket = static_cast<unsigned short>(per < 1 ? 1 : per > USHRT_MAX ? USHRT_MAX : per);

  if (recording)
    chunks = newpointers(mv_listgrowth);
  buckets = reinterpret_cast<void ***>(newpointers(mv_listgrowth));
  if (buckets) {
    tablesize = mv_listgrowth;
    buckets[0] = newpointers(nperbucket);
    if (buckets[0]) {
      nbuckets = 1;
      // Without a first chunk bucket 0 stays empty; getmem tries again.
      getpos = fillbucket(buckets[0]) ? 0 : nperbucket;
    }
  }
  relbucket = newpointers(nperbucket);
}

UT_SM_INT_SMALLMEM::~UT_SM_INT_SMALLMEM() {
  if (chunks && owning)
    for (unsigned short i = 0; i < nchunks; ++i)
      kor_free(chunks[i]);
  kor_free(chunks);
  for (unsigned short i = 0; i < nbuckets; ++i)
    kor_free(buckets[i]);
  kor_free(buckets);
  kor_free(relbucket);
  delete[] name;
}

int UT_SM_INT_SMALLMEM::fillbucket(void **bucket) {
  if (recording && nchunks == USHRT_MAX)
    return 0;
  if (recording && nchunks % mv_listgrowth == 0) {
    // Grow the chunk list before taking a chunk, so that every chunk is recorded.
    void **grown = static_cast<void **>(
        kor_realloc(chunks, static_cast<unsigned>((nchunks + mv_listgrowth) * sizeof(void *))));
    if (!grown)
      return 0;
    chunks = grown;
  }
  char *chunk = static_cast<char *>(kor_malloc(static_cast<unsigned>(nperbucket) * elsize));
  if (!chunk)
    return 0;
  if (recording)
    chunks[nchunks++] = chunk;
  for (unsigned short i = 0; i < nperbucket; ++i)
    bucket[i] = chunk + i * elsize;
  return 1;
}

bool UT_SM_INT_SMALLMEM::advance() {
  if (nbuckets > 1) {
    // Bucket 0 is spent: the last full bucket of the table takes its place.
    kor_free(buckets[0]);
    buckets[0] = buckets[--nbuckets];
    getpos = 0;
    return true;
  }
  if (nbuckets == 0) {
    if (tablesize == 0) {
      buckets = reinterpret_cast<void ***>(newpointers(mv_listgrowth));
      if (!buckets)
        return false;
      tablesize = mv_listgrowth;
    }
    buckets[0] = newpointers(nperbucket);
    if (!buckets[0])
      return false;
    nbuckets = 1;
  }
  // The table is dry: refill bucket 0 from a new chunk, or leave it marked empty.
  getpos = nperbucket;
  if (!fillbucket(buckets[0]))
    return false;
  getpos = 0;
  return true;
}

bool UT_SM_INT_SMALLMEM::ready() { return (nbuckets > 0 && getpos < nperbucket) || advance(); }

void UT_SM_INT_SMALLMEM::pushoverflow(void *p) {
  if (!narrow()) {
    std::memcpy(p, &overflow, sizeof overflow);
    overflow = p;
    return;
  }
  const std::uintptr_t a = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t span = static_cast<std::uintptr_t>(nperbucket) * elsize;
  for (unsigned short c = 0; c < nchunks; ++c) {
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(chunks[c]);
    if (start <= a && a < start + span) {
      std::memcpy(p, &overflownum, sizeof overflownum);
      overflownum = static_cast<std::uint32_t>(c) * nperbucket +
                    static_cast<std::uint32_t>((a - start) / elsize) + 1;
      return;
    }
  }
  // Not an element of this allocator: there is nothing to keep.
}

void *UT_SM_INT_SMALLMEM::popoverflow() {
  if (!narrow()) {
    void *p = overflow;
    if (p)
      std::memcpy(&overflow, p, sizeof overflow);
    return p;
  }
  if (!overflownum)
    return nullptr;
  const std::uint32_t n = overflownum - 1;
  void *p = static_cast<char *>(chunks[n / nperbucket]) + (n % nperbucket) * elsize;
  std::memcpy(&overflownum, p, sizeof overflownum);
  return p;
}

void *UT_SM_INT_SMALLMEM::getmem() {
  if (void *p = popoverflow())
    return p;
  // The element given back last comes out first.
  if (putpos > 0)
    return relbucket[--putpos];
  if (!ready())
    return nullptr;
  void *p = buckets[0][getpos++];
  if (getpos == nperbucket)
    advance();
  return p;
}

bool UT_SM_INT_SMALLMEM::handoff() {
  if (relbucket) {
    if (nbuckets == tablesize) {
      if (tablesize == USHRT_MAX)
        return false;
      void ***grown = static_cast<void ***>(
          kor_realloc(buckets, static_cast<unsigned>((tablesize + 1) * sizeof(void **))));
      if (!grown)
        return false;
      buckets = grown;
      ++tablesize;
    }
  }
  void **fresh = newpointers(nperbucket);
  if (!fresh)
    return false;
  if (relbucket) {
    if (nbuckets == 0)
      getpos = 0; // the handed-over bucket becomes bucket 0
    buckets[nbuckets++] = relbucket;
  }
  relbucket = fresh;
  putpos = 0;
  return true;
}

void UT_SM_INT_SMALLMEM::relmem(void *p) {
  if (!p)
    return;
  // A release bucket that could not be handed over earlier gets another try; if there is
  // still no room, p goes on the overflow list.
  if ((!relbucket || putpos >= nperbucket) && !handoff()) {
    pushoverflow(p);
    return;
  }
  relbucket[putpos++] = p;
  if (putpos == nperbucket)
    handoff();
}

UT_SM_MNGR::UT_SM_MNGR() {
  if (ut_getenv(UT_STR::Decode(ut_smdebugid)))
    ut_smdebug = 1;
  for (UT_SM_INT_SMALLMEM *&h : handlers)
    h = nullptr;
}

UT_SM_INT_SMALLMEM *UT_SM_MNGR::getmemhandler(int elsize) {
  int rounded = 4 * ((elsize + 3) / 4);
  int index = rounded / 4 - 1;
  if (index < 0 || index >= static_cast<int>(sizeof handlers / sizeof handlers[0]))
    return nullptr;
  if (!handlers[index])
    handlers[index] =
        new (std::nothrow) UT_SM_INT_SMALLMEM(rounded, 0, korform("SMMEMMGR:%d\n", rounded), -1);
  return handlers[index];
}

UT_SM_SMALLMEM_IMP::UT_SM_SMALLMEM_IMP(int elsize, unsigned char dedicated, const char *name,
                                       long blockbytes)
    : UT_STATOBJ(name), handler(nullptr), dedicated(dedicated) {
  if (elsize > mv_maxelsize) {
    UT_REPORT(numbered_msg, -1, "SMALLMEM: elementsize too large.\n");
    return;
  }
  if (elsize < 1)
    elsize = 1; // the smallest size class serves empty requests
  if (dedicated) {
    handler = new (std::nothrow) UT_SM_INT_SMALLMEM(elsize, dedicated, name, blockbytes);
    return;
  }
  if (!sm_memmngr)
    sm_memmngr = new (std::nothrow) UT_SM_MNGR;
  if (sm_memmngr)
    handler = sm_memmngr->getmemhandler(elsize);
}

UT_SM_SMALLMEM_IMP::~UT_SM_SMALLMEM_IMP() {
  // A shared size-class allocator belongs to the manager and outlives this one.
  if (dedicated) {
    delete handler;
    handler = nullptr;
  }
}
