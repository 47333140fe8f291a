// UtilAliasimp: the alias cache proper. It keeps UT_ACH_ALIAS records in the owning
// cache's tree, keyed by name, and deletes them through the tree's flush callback.
#include "UtilAliasimp.h"
#include "UtilReport.h"

#include <new>

UT_REPORT_UNIT("UtilAliasimp", "$Revision: 1.1.2.1 $")

int ach_compare(void *item, const char *key) {
  return UT_STR::Compare(static_cast<UT_ACH_ALIAS *>(item)->get_name(), key);
}

void ach_dump(void *item) {
  if (!item) {
    UT_REPORT(print_msg, "   WARNING- null BTREE data ptr (cache is corrupt)\n");
    return;
  }
  static_cast<UT_ACH_ALIAS *>(item)->dump();
}

void ach_dump(UT_STREAM &s, void *item) {
  if (!item) {
    s << "   WARNING- null BTREE data ptr (cache is corrupt)\n";
    s.flush();
    return;
  }
  static_cast<UT_ACH_ALIAS *>(item)->dump(s);
}

void ach_flush(void **cell, void *) {
  delete static_cast<UT_ACH_ALIAS *>(*cell);
  *cell = nullptr;
}

UT_ACH_CACHE_IMP::UT_ACH_CACHE_IMP(UT_ACH_CACHE *owner) : cache(owner) {}

UT_ACH_CACHE_IMP::~UT_ACH_CACHE_IMP() { flush(); }

// The record is built before its node: a node whose record could not be built would
// leave an empty cell that every later comparison would have to read through.
UT_ACH_ALIAS *UT_ACH_CACHE_IMP::add(const char *name, const char *alias) {
  if (!name)
    return nullptr;
  void **cell = cache->UT_BTR_TREE::find(name);
  if (cell && *cell)
    return nullptr; // the first registration stays
  UT_ACH_ALIAS *record = new (std::nothrow) UT_ACH_ALIAS(name, alias);
  if (!record || !record->get_name()) {
    delete record;
    return nullptr;
  }
  cell = cache->UT_BTR_TREE::add(name);
  if (!cell) {
    delete record;
    return nullptr;
  }
  *cell = record;
  return record;
}

UT_ACH_ALIAS *UT_ACH_CACHE_IMP::find(const char *name) {
  void **cell = cache->UT_BTR_TREE::find(name);
  return cell ? static_cast<UT_ACH_ALIAS *>(*cell) : nullptr;
}

void UT_ACH_CACHE_IMP::flush() { cache->UT_BTR_TREE::flush(ach_flush); }

void UT_ACH_CACHE_IMP::dump(unsigned char node_state) {
  UT_REPORT(print_msg, "Dumping alias cache: %d entries\n", static_cast<int>(cache->get_count()));
  cache->UT_BTR_TREE::dump(ach_dump, node_state);
}

void UT_ACH_CACHE_IMP::dump(UT_STREAM &s, unsigned char node_state) {
  s << "Dumping alias cache: " << static_cast<unsigned long>(cache->get_count()) << " entries\n";
  s.flush();
  cache->UT_BTR_TREE::dump(s, ach_dump, node_state);
}
