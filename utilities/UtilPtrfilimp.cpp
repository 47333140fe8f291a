// UtilPtrfilimp: pointer identities for writing and the fix table for reading. Records
// live in a UT_FASTMEM pool, each with a UT_DARRAY of the fields waiting for it.
//
// A pointer value in a pointer file:
//   bytes 0-3  unsigned 32-bit identity, little-endian (UT_STREAM::writeulong); 0 is null
// On machines with 32-bit addresses the identity is the address itself; on wider ones
// it is a number handed out per UT_PTRFILE, from 1 upward, in order of first writing.
#include "UtilPtrfilimp.h"
#include "UtilReport.h"

#include <climits>
#include <new>

UT_REPORT_UNIT("UtilPtrfilimp", "$Revision: 1.1.2.1 $")

namespace {
const long mv_fixtab_buckets = 4001;
const unsigned long mv_fixrec_blockcnt = 1024;
const long mv_refs_size = 4;

void report_nomem() { UT_REPORT(numbered_msg, 19, "Out of memory.\n"); }
} // namespace

// ---- DARRAY_UT_PTRPTR ----

DARRAY_UT_PTRPTR::DARRAY_UT_PTRPTR(long size)
    : UT_DARRAY(reinterpret_cast<void **>(&ptrs), sizeof(void **), size, 0) {}

DARRAY_UT_PTRPTR::~DARRAY_UT_PTRPTR() = default;

int DARRAY_UT_PTRPTR::append(void **ref) {
  void *cell = getaddr(num);
  if (!cell)
    return 0;
  *static_cast<void ***>(cell) = ref;
  return 1;
}

// ---- UT_PTRFIXREC ----

UT_PTRFIXREC::UT_PTRFIXREC(void *old)
    : next(nullptr), oldaddr(old), newaddr(nullptr), refs(nullptr) {}

UT_PTRFIXREC::~UT_PTRFIXREC() { delete refs; }

void UT_PTRFIXREC::setnewaddr(void *addr) {
  if (newaddr == addr)
    return;
  if (newaddr) {
    // %x shows the low 32 bits, the width the file's values have.
    UT_REPORT(numbered_msg, 19, "Pointer %x already registered.\n",
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(newaddr)));
  }
  newaddr = addr;
  if (!refs)
    return;
  for (long i = 0; i < refs->num; ++i)
    *refs->ptrs[i] = addr;
  delete refs;
  refs = nullptr;
}

int UT_PTRFIXREC::fixreference(void **ref) {
  if (newaddr) {
    *ref = newaddr;
    return 1;
  }
  if (!refs)
    refs = new (std::nothrow) DARRAY_UT_PTRPTR(mv_refs_size);
  return refs ? refs->append(ref) : 0;
}

// ---- UT_PTRFIXTABLE ----

namespace {
// The bucket count for n: n itself when it is a positive 32-bit count, else 1.
uint32_t bucketcount(long n) { return n > 0 && n <= INT32_MAX ? static_cast<uint32_t>(n) : 1; }
} // namespace

UT_PTRFIXTABLE::UT_PTRFIXTABLE(long n)
    : buckets(new (std::nothrow) UT_PTRFIXREC *[bucketcount(n)]()),
      nbuckets(static_cast<int32_t>(bucketcount(n))),
      pool(new (std::nothrow) UT_FASTMEM(sizeof(UT_PTRFIXREC), mv_fixrec_blockcnt, "UT_PTRFIXREC")),
      nrecs(0), scanbucket(-1), scanrec(nullptr), scanidx(0) {}

UT_PTRFIXTABLE::~UT_PTRFIXTABLE() {
  if (buckets && pool)
    flush();
  delete[] buckets;
  delete pool;
}

long UT_PTRFIXTABLE::hash(void *oldaddr) const {
  return static_cast<long>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(oldaddr)) %
                           static_cast<uint32_t>(nbuckets));
}

UT_PTRFIXREC *UT_PTRFIXTABLE::alloc_fixrec(void *oldaddr) {
  void *mem = pool->getnewptr();
  if (!mem)
    return nullptr;
  ++nrecs;
  return new (mem) UT_PTRFIXREC(oldaddr);
}

void UT_PTRFIXTABLE::free_fixrec(UT_PTRFIXREC *rec) {
  rec->~UT_PTRFIXREC();
  pool->kor_free(rec);
  --nrecs;
}

UT_PTRFIXREC *UT_PTRFIXTABLE::findrec(void *oldaddr) {
  long b = hash(oldaddr);
  for (UT_PTRFIXREC *rec = buckets[b]; rec; rec = rec->next)
    if (rec->oldaddr == oldaddr)
      return rec;
  UT_PTRFIXREC *rec = alloc_fixrec(oldaddr);
  if (!rec)
    return nullptr;
  rec->next = buckets[b];
  buckets[b] = rec;
  return rec;
}

void UT_PTRFIXTABLE::setnewaddr(void *oldaddr, void *newaddr) {
  UT_PTRFIXREC *rec = findrec(oldaddr);
  if (!rec) {
    report_nomem();
    return;
  }
  rec->setnewaddr(newaddr);
}

void UT_PTRFIXTABLE::fixreference(void **ref) {
  if (!*ref)
    return;
  UT_PTRFIXREC *rec = findrec(*ref);
  if (!rec || !rec->fixreference(ref))
    report_nomem();
}

intptr_t UT_PTRFIXTABLE::checkptrs() {
  if (scanbucket == -1) {
    scanbucket = 0;
    scanrec = buckets[0];
    scanidx = 0;
  }
  for (;;) {
    while (!scanrec) {
      if (++scanbucket >= nbuckets) {
        scanbucket = -1;
        return 0;
      }
      scanrec = buckets[scanbucket];
    }
    DARRAY_UT_PTRPTR *refs = scanrec->refs;
    if (refs && scanidx < refs->num && refs->ptrs[scanidx])
      return reinterpret_cast<intptr_t>(refs->ptrs[scanidx++]);
    scanidx = 0;
    scanrec = scanrec->next;
  }
}

void UT_PTRFIXTABLE::flush() {
  for (int32_t b = 0; b < nbuckets; ++b) {
    UT_PTRFIXREC *rec = buckets[b];
    while (rec) {
      UT_PTRFIXREC *next = rec->next;
      free_fixrec(rec);
      rec = next;
    }
    buckets[b] = nullptr;
  }
  scanbucket = -1;
  scanrec = nullptr;
  scanidx = 0;
}

// ---- UT_PTRIDMAP ----

UT_PTRIDMAP::~UT_PTRIDMAP() {
  kor_free(keys);
  kor_free(values);
}

unsigned long UT_PTRIDMAP::slot(const void *p) const {
  // Fibonacci hashing of the address without its alignment bits.
  unsigned long h =
      static_cast<unsigned long>((reinterpret_cast<uintptr_t>(p) >> 3) * 0x9E3779B97F4A7C15ull);
  unsigned long i = (h >> 16) & (room - 1);
  while (keys[i] && keys[i] != p)
    i = (i + 1) & (room - 1);
  return i;
}

uint32_t UT_PTRIDMAP::find(const void *p) const {
  if (!room)
    return 0;
  unsigned long i = slot(p);
  return keys[i] ? values[i] : 0;
}

bool UT_PTRIDMAP::grow() {
  const unsigned long bigger = room ? 2 * room : 64;
  if (bigger > UINT_MAX / sizeof(void *))
    return false;
  const void **oldkeys = keys;
  uint32_t *oldvalues = values;
  const unsigned long oldroom = room;
  keys = static_cast<const void **>(kor_malloc(static_cast<unsigned>(bigger * sizeof *keys)));
  values = static_cast<uint32_t *>(kor_malloc(static_cast<unsigned>(bigger * sizeof *values)));
  if (!keys || !values) {
    kor_free(keys);
    kor_free(values);
    keys = oldkeys;
    values = oldvalues;
    return false;
  }
  UT_MEMORY::Set(keys, 0, static_cast<unsigned>(bigger * sizeof *keys));
  room = bigger;
  for (unsigned long k = 0; k < oldroom; ++k) {
    if (oldkeys[k]) {
      unsigned long i = slot(oldkeys[k]);
      keys[i] = oldkeys[k];
      values[i] = oldvalues[k];
    }
  }
  kor_free(oldkeys);
  kor_free(oldvalues);
  return true;
}

bool UT_PTRIDMAP::add(const void *p, uint32_t id) {
  if (2 * (count + 1) > room && !grow())
    return false;
  unsigned long i = slot(p);
  if (!keys[i])
    ++count;
  keys[i] = p;
  values[i] = id;
  return true;
}

// ---- UT_PTRFILE_IMP ----

UT_PTRFILE_IMP::UT_PTRFILE_IMP(UT_ACCESS, UT_PTRFILE *file)
    : owner(file), fixtab(nullptr), lastid(0) {}

UT_PTRFILE_IMP::~UT_PTRFILE_IMP() { delete fixtab; }

UT_PTRFIXTABLE *UT_PTRFILE_IMP::create_fixtab() {
  UT_PTRFIXTABLE *t = new (std::nothrow) UT_PTRFIXTABLE(mv_fixtab_buckets);
  if (t && !t->usable()) {
    delete t;
    t = nullptr;
  }
  fixtab = t;
  return t;
}

UT_PTRFIXTABLE *UT_PTRFILE_IMP::table() {
  if (!fixtab && !create_fixtab())
    report_nomem();
  return fixtab;
}

uint32_t UT_PTRFILE_IMP::identity(const void *p) {
  if (!p)
    return 0;
  if constexpr (sizeof(void *) <= sizeof(uint32_t)) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
  } else {
    if (uint32_t known = ids.find(p))
      return known;
    if (lastid == UINT32_MAX) {
      report_nomem(); // every 32-bit identity is taken
      return 0;
    }
    if (!ids.add(p, lastid + 1)) {
      report_nomem();
      return 0;
    }
    return ++lastid;
  }
}

int UT_PTRFILE_IMP::writeptr(const void *p) {
  uint32_t id = identity(p);
  if (p && !id)
    return 0;
  return owner->writeulong(id);
}

int UT_PTRFILE_IMP::readptr(void *&p) {
  unsigned long v = 0;
  int r = owner->readulong(v);
  p = reinterpret_cast<void *>(static_cast<uintptr_t>(static_cast<uint32_t>(v)));
  return r;
}

void UT_PTRFILE_IMP::registerptr(void *oldaddr, void *newaddr) {
  if (UT_PTRFIXTABLE *t = table())
    t->setnewaddr(oldaddr, newaddr);
}

void UT_PTRFILE_IMP::fixptr(void **ref) {
  UT_PTRFIXTABLE *t = table();
  if (t && ref)
    t->fixreference(ref);
}

intptr_t UT_PTRFILE_IMP::checkptrs() {
  UT_PTRFIXTABLE *t = table();
  return t ? t->checkptrs() : 0;
}

void UT_PTRFILE_IMP::flush_fixtable() {
  if (UT_PTRFIXTABLE *t = table())
    t->flush();
}
