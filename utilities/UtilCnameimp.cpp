// UtilCnameimp: the name cache's work on its tree: interning in three name classes,
// packing long texts into character pools, cleaning, marks, listing, and the name data
// written to and merged back from a pointer file (UT_PTRFILE).
//
// Name data, as a sequence of stream values (each 32-bit value little-endian):
//   count          4 bytes   writelong: number N of records that follow
//   N records:
//     identity     4 bytes   UT_PTRFILE::writeptr of the UT_NCH_NAME object
//     refs         4 bytes   writelong: rcnt, or mcnt when only marked names are written
//     text         4 + n     writestring: length n, then n characters (no NUL)
// Records follow the tree in REV_PREORDER (node, greater texts, lesser texts).
#include "UtilCnameimp.h"
#include "UtilPtrfil.h"
#include "UtilReport.h"

#include <new>

UT_REPORT_UNIT("UtilCnameimp", "$Revision: 1.1.2.1 $")

namespace {
const int mv_maxname = 2047;            // longest text the name data carries
const long mv_poolsize = 65536;         // standard pool capacity
const long mv_smoketest_poolsize = 256; // with UT_NCH_SMOKETEST set
const long mv_name_estimate = 16;       // bytes per name counted by get_total_mem

// The marked-only flag of the write in progress, read by nch_writename.
unsigned char gv_marked_only = 0;

UT_NCH_NAME *name_in(void **cell) { return static_cast<UT_NCH_NAME *>(*cell); }

void nch_countmarks(void **cell, void *arg) {
  if (name_in(cell) && name_in(cell)->mcnt > 0)
    ++*static_cast<long *>(arg);
}

void nch_writename(void **cell, void *arg) {
  UT_NCH_NAME *name = name_in(cell);
  if (!name || (gv_marked_only && name->mcnt <= 0))
    return;
  UT_PTRFILE *file = static_cast<UT_PTRFILE *>(arg);
  const char *text = name->get_name();
  file->writeptr(name);
  file->writelong(gv_marked_only ? name->mcnt : name->rcnt);
  if (UT_STR::Len(text) > mv_maxname)
    UT_REPORT(numbered_msg, 19, "maximum name length exceeded\n");
  file->writestring(text);
}

void nch_clearmarks(void **cell, void *) {
  if (name_in(cell))
    name_in(cell)->mcnt = 0;
}

void nch_cleanup(void **cell, void *arg) {
  if (name_in(cell) && name_in(cell)->rcnt == 0)
    static_cast<DARRAY_NAME *>(arg)->append(name_in(cell)->get_name());
}

void nch_dumpname(void *item) {
  if (!item) {
    UT_REPORT(print_msg, "   null BTREE data ptr (cache is corrupt)\n");
    return;
  }
  static_cast<UT_NCH_NAME *>(item)->dump();
}

void nch_dumpname(UT_STREAM &s, void *item) {
  if (!item) {
    s << "   null BTREE data ptr (cache is corrupt)\n";
    s.flush();
    return;
  }
  static_cast<UT_NCH_NAME *>(item)->dump(s);
}

// Reads one text of the name data into buf (mv_maxname + 1 bytes). Returns the number of
// characters stored, or -1 when the text is not whole in the file: its length field or
// some of its characters are missing.
int read_text(UT_PTRFILE *file, char *buf) {
  long start = file->getfoffset();
  unsigned long n = 0;
  if (!file->readulong(n) || !file->setfoffset(start))
    return -1;
  int len = file->readstring(buf, mv_maxname);
  unsigned long expected = n < static_cast<unsigned long>(mv_maxname) ? n : mv_maxname;
  if (static_cast<unsigned long>(len) != expected)
    return -1;
  if (n > expected) {
    // The stream skipped the rest of the text; its last byte must exist.
    long end = file->getfoffset();
    if (!file->setfoffset(end - 1))
      return -1;
    file->readbyte();
    if (file->geteof())
      return -1;
  }
  return len;
}
} // namespace

// ---- name objects and pools ----

void nch_copyinline(char *buf, int cap, const char *text) {
  int len = UT_STR::Len(text);
  if (len < cap) {
    UT_MEMORY::Copy(buf, text ? text : "", static_cast<unsigned>(len + 1));
    return;
  }
  UT_REPORT(numbered_msg, 19, "name count overflow.\n");
  UT_MEMORY::Copy(buf, text, static_cast<unsigned>(cap - 1));
  buf[cap - 1] = '\0';
}

void nch_flush(void **cell, void *) {
  delete name_in(cell);
  *cell = nullptr;
}

UT_NCH_POOL::UT_NCH_POOL(long capacity)
    : next(nullptr), buf(static_cast<char *>(kor_malloc(static_cast<unsigned>(capacity)))),
      size(static_cast<int32_t>(capacity)), used(0), nnames(0) {
  if (!buf)
    UT_REPORT(numbered_msg, 19, "New failed.\n");
}

UT_NCH_POOL::~UT_NCH_POOL() { kor_free(buf); }

DARRAY_NAME::DARRAY_NAME(long size)
    : UT_DARRAY(reinterpret_cast<void **>(&names), sizeof(const char *), size, 0) {}

int DARRAY_NAME::append(const char *text) {
  void *cell = getaddr(num);
  if (!cell)
    return 0;
  *static_cast<const char **>(cell) = text;
  return 1;
}

// ---- UT_NCH_CACHE_IMP ----

UT_NCH_CACHE_IMP::UT_NCH_CACHE_IMP(UT_NCH_CACHE *owner, unsigned char ptronly)
    : cache(owner), first_pool(nullptr), last_pool(nullptr), pointer_only(ptronly) {}

UT_NCH_CACHE_IMP::~UT_NCH_CACHE_IMP() { flush(); }

UT_NCH_NAME *UT_NCH_CACHE_IMP::make_name(const char *name, int len) {
  const char *text = name;
  if (!pointer_only && len >= 8) {
    text = add_name(name);
    if (!text)
      return nullptr;
  }
  UT_NCH_NAME *made;
  if (len < 4)
    made = new (std::nothrow) UT_NCH_NAME3(text);
  else if (len < 8)
    made = new (std::nothrow) UT_NCH_NAME7(text);
  else
    made = new (std::nothrow) UT_NCH_NAMELONG(text);
  if (!made && text != name) {
    UT_NCH_NAMELONG copy(text); // give the pool place back
    adjust_pool(&copy);
  }
  return made;
}

UT_NCH_NAME *UT_NCH_CACHE_IMP::add(const char *name, long count) {
  if (!name)
    return nullptr;
  int len = UT_STR::Len(name);
  if (len > mv_maxname)
    UT_REPORT(numbered_msg, 19, "maximum name length exceeded.\n");
  void **cell = cache->UT_BTR_TREE::add(name);
  if (!cell)
    return nullptr;
  if (!*cell) {
    UT_NCH_NAME *made = make_name(name, len);
    if (!made) {
      // Take the empty node out again. The tree counts only removals of non-null
      // items, so a stand-in with the same text goes in first.
      UT_NCH_NAMELONG standin(name);
      *cell = &standin;
      cache->UT_BTR_TREE::remove(name);
      return nullptr;
    }
    *cell = made;
  }
  UT_NCH_NAME *found = name_in(cell);
  found->add_refs(count);
  return found;
}

UT_NCH_NAME *UT_NCH_CACHE_IMP::find(const char *name) {
  if (!name)
    return nullptr;
  void **cell = cache->UT_BTR_TREE::find(name);
  return cell ? name_in(cell) : nullptr;
}

char *UT_NCH_CACHE_IMP::add_name(const char *text) {
  long n = static_cast<long>(UT_STR::Len(text)) + 1;
  if (n <= 8)
    return nullptr;
  UT_NCH_POOL *pool = last_pool;
  if (!pool || pool->used + n >= pool->size) {
    long capacity = ut_getenv("UT_NCH_SMOKETEST") ? mv_smoketest_poolsize : mv_poolsize;
    if (n >= capacity)
      capacity = n + 1; // a pool of its own: the text, its NUL and the unused last byte
    if (capacity > INT32_MAX) {
      UT_REPORT(numbered_msg, 19, "New failed on new name pool.\n");
      return nullptr;
    }
    pool = new (std::nothrow) UT_NCH_POOL(capacity);
    if (!pool) {
      UT_REPORT(numbered_msg, 19, "New failed on new name pool.\n");
      return nullptr;
    }
    if (!pool->buf) { // reported by the pool
      delete pool;
      return nullptr;
    }
    if (last_pool)
      last_pool->next = pool;
    else
      first_pool = pool;
    last_pool = pool;
  }
  char *copy = pool->buf + pool->used;
  UT_MEMORY::Copy(copy, text, static_cast<unsigned>(n));
  pool->used += static_cast<int32_t>(n);
  pool->nnames += 1;
  return copy;
}

void UT_NCH_CACHE_IMP::adjust_pool(UT_NCH_NAME *name) {
  const char *text = name->get_name();
  uintptr_t first = reinterpret_cast<uintptr_t>(text);
  uintptr_t last = first + static_cast<uintptr_t>(UT_STR::Len(text)); // its NUL
  UT_NCH_POOL *prev = nullptr;
  UT_NCH_POOL *pool = first_pool;
  for (; pool; prev = pool, pool = pool->next) {
    uintptr_t buf = reinterpret_cast<uintptr_t>(pool->buf);
    if (buf <= first && last < buf + static_cast<uintptr_t>(pool->size))
      break;
  }
  if (!pool || --pool->nnames > 0)
    return;
  // The pool's last name is gone: unlink it. The current pool is always the tail, so
  // when it goes its predecessor (or nothing) takes over.
  if (prev)
    prev->next = pool->next;
  else
    first_pool = pool->next;
  if (pool == last_pool)
    last_pool = prev;
  delete pool;
}

void UT_NCH_CACHE_IMP::clean() {
  // A name the array cannot take is simply not cleaned this time.
  DARRAY_NAME doomed(2 * cache->get_count());
  cache->traverse(nch_cleanup, &doomed, UT_BTR_TREE::INORDER);
  // A removed name's text stays valid until the name itself is destroyed, and pools are
  // freed only with their last name, so the collected texts of later names stay valid.
  for (long i = 0; i < doomed.num; ++i) {
    UT_NCH_NAME *name = static_cast<UT_NCH_NAME *>(cache->UT_BTR_TREE::remove(doomed.names[i]));
    if (!name)
      continue;
    if (name->get_size() > 8)
      adjust_pool(name);
    delete name;
  }
}

void UT_NCH_CACHE_IMP::flush() {
  while (first_pool) {
    UT_NCH_POOL *next = first_pool->next;
    delete first_pool;
    first_pool = next;
  }
  last_pool = nullptr;
  cache->UT_BTR_TREE::flush(nch_flush);
}

void UT_NCH_CACHE_IMP::clear_marks() {
  cache->traverse(nch_clearmarks, nullptr, UT_BTR_TREE::INORDER);
}

void UT_NCH_CACHE_IMP::write(UT_PTRFILE *file, unsigned char marked_only) {
  if (!file)
    return;
  gv_marked_only = marked_only;
  long count = 0;
  if (marked_only)
    cache->traverse(nch_countmarks, &count, UT_BTR_TREE::INORDER);
  else
    count = cache->get_count();
  file->writelong(count);
  cache->traverse(nch_writename, file, UT_BTR_TREE::REV_PREORDER);
}

void UT_NCH_CACHE_IMP::read(UT_PTRFILE *file) {
  if (!file)
    return;
  if (pointer_only) {
    // Names read here would point into the read buffer; nothing is read.
    UT_REPORT(numbered_msg, 19, "cannot read name data into pointer-only cache\n");
    return;
  }
  long count = 0;
  if (!file->readlong(count))
    return;
  char text[mv_maxname + 1];
  // Stops at the first record that is not whole, whatever the count promised.
  for (long i = 0; i < count; ++i) {
    void *identity = nullptr;
    long refs = 0;
    if (!file->readptr(identity) || !file->readlong(refs))
      return;
    int len = read_text(file, text);
    if (len < 0)
      return;
    if (len == mv_maxname)
      UT_REPORT(numbered_msg, 19, "maximum name length exceeded.\n");
    if (UT_NCH_NAME *name = add(text, refs))
      file->registerptr(identity, name);
  }
}

long UT_NCH_CACHE_IMP::get_total_mem() {
  long total = 0;
  for (UT_NCH_POOL *pool = first_pool; pool; pool = pool->next)
    total += pool->size;
  return total + mv_name_estimate * cache->get_count();
}

void UT_NCH_CACHE_IMP::dump(unsigned char node_state) {
  UT_REPORT(print_msg, "\nDumping the name cache: %d entries\n",
            static_cast<int>(cache->get_count()));
  cache->UT_BTR_TREE::dump(nch_dumpname, node_state);
}

void UT_NCH_CACHE_IMP::dump(UT_STREAM &s, unsigned char node_state) {
  s << "\nDumping the name cache: " << static_cast<unsigned long>(cache->get_count())
    << " entries\n";
  cache->UT_BTR_TREE::dump(s, nch_dumpname, node_state);
  s.flush();
}
