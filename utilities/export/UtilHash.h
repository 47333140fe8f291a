// UtilHash: a chained hash table of untyped items with a fixed number of buckets.
#ifndef UTILHASH_H
#define UTILHASH_H

#include "Portability.h"
#include "UtilStore.h"

#include <cstdint>

// One link of a bucket's chain: the following node of the same bucket and the item.
struct UT_HASH_NODE {
  // The following node of the bucket; null at the end.
  UT_HASH_NODE *next;
  // The item.
  void *item;
};

// UT_HASH: an abstract hash table with `nbuckets` chains fixed at construction (no
// rehashing). A derived class says how to hash a key (hash_func), whether a key matches
// an item (comp_func, 0 for a match) and how to release an item (del_func). The key of
// a lookup and the items stored need not be the same kind of object, but hash_func must
// give a key the value of the item it is meant to find; an item added as its own key is
// hashed itself.
//
// The table owns its chain nodes. It owns its items only when built with `owner`
// nonzero: then s_remove/find_and_remove(.., 1) and empty() pass each removed item to
// del_func. The base destructor never calls del_func (it is not available there), so an
// owning derived table releases its items in its own destructor, with
// process_and_kill(1, nullptr).
//
// Adding is O(1) with no duplicate check: an item with an equal key goes in front of the
// older one and hides it until removed. A lookup costs one hash_func call and one
// comp_func call per node passed; a missing key gives null. A table asked for 0
// buckets reports "Invalid Bucket Count" and works with one bucket instead.
class UT_HASH : public UT_STORE {
public:
  // An empty table of nbuckets chains that owns its items when owner is nonzero.
  UT_HASH(unsigned long nbuckets, unsigned char owner);
  // Frees the chain nodes; never the items.
  ~UT_HASH() override;
  UT_HASH(const UT_HASH &) = delete;
  UT_HASH &operator=(const UT_HASH &) = delete;

  // Stores `data`, or `key` itself when `data` is null, at the head of the key's chain.
  // When no node can be allocated nothing changes.
  void add(void *key, void *data);
  // As add; 1 when stored, 0 when no node could be allocated.
  int s_add(void *key, void *data) override;
  // The first item of the key's chain that comp_func matches, or null. With `remove`
  // nonzero it is unlinked (and released when owning: the pointer returned then only
  // tells that an item was found and must not be used).
  void *find_and_remove(void *key, unsigned char remove);
  void *s_find(void *key) override;   // find_and_remove(key, 0)
  void *s_remove(void *key) override; // find_and_remove(key, 1)

  // The hash value of key: an item must hash as the keys meant to find it.
  virtual uint32_t hash_func(void *key) = 0;
  // 0 when key matches item, nonzero otherwise.
  virtual int comp_func(void *key, void *item) = 0;
  virtual void del_func(void *item); // does nothing here

  // Hands every item, bucket 0 first and newest first in a bucket, to del_func
  // (`use_del` nonzero) or to `fn`. Nodes and count stay as they are: after releasing
  // the items this way, the table may only be destroyed.
  void process_and_kill(unsigned char use_del, void (*fn)(void *));
  // Removes every item (released through del_func when owning); the table stays usable.
  void empty();
  void dumpstats(); // does nothing

protected:
  uint32_t nbuckets;      // chains in `buckets`; 0 only when the array could not be had
  UT_HASH_NODE **buckets; // owned; each chain runs newest first
  unsigned char owner;    // nonzero: the table releases removed items through del_func
  int32_t count;          // items held

private:
  uint64_t recip; // 2^64 / nbuckets rounded up: a bucket index without a division
  UT_HASH_NODE **chainof(void *key);
  UT_HASH_NODE **findlink(void *key); // the link to the first match, or to the chain's end
  int push(void *key, void *data);
  void freechains();
};

#endif
