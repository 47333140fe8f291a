// UtilAliasimp: the alias cache's implementation, which works through the tree operations
// of the cache that owns it, and the helpers the tree calls back.
#ifndef UTILALIASIMP_H
#define UTILALIASIMP_H

#include "UtilAlias.h"

// Every cell of the owning cache's tree holds a complete UT_ACH_ALIAS (never null); the
// record's name is the cell's key.
class UT_ACH_CACHE_IMP {
public:
  explicit UT_ACH_CACHE_IMP(UT_ACH_CACHE *cache);
  ~UT_ACH_CACHE_IMP(); // deletes every record

  UT_ACH_ALIAS *add(const char *name, const char *alias);
  UT_ACH_ALIAS *find(const char *name);
  void flush();
  void dump(unsigned char node_state);
  void dump(UT_STREAM &s, unsigned char node_state);

  UT_ACH_CACHE_IMP(const UT_ACH_CACHE_IMP &) = delete;
  UT_ACH_CACHE_IMP &operator=(const UT_ACH_CACHE_IMP &) = delete;

private:
  UT_ACH_CACHE *cache;
};

// The sign of (record name - key): records list in descending name order.
int ach_compare(void *item, const char *key);
// Item printers of the two listings.
void ach_dump(void *item);
void ach_dump(UT_STREAM &s, void *item);
// Flush callback: deletes the record in the cell and clears the cell.
void ach_flush(void **cell, void *arg);

#endif
