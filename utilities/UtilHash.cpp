// UtilHash: the fixed-bucket chained hash table behind the keyed-store interface.
// Chains are singly linked, newest item first; nodes come from the global allocator.
#include "UtilHash.h"
#include "UtilReport.h"

#include <new>

UT_REPORT_UNIT("UtilHash", "$Revision: 1.1.2.1 $")

UT_HASH::UT_HASH(unsigned long nb, unsigned char own)
    : nbuckets(0), buckets(nullptr), owner(own), count(0), recip(0) {
  unsigned long want = nb;
  if (nb == 0 || nb > UINT32_MAX) {
    UT_REPORT(numbered_msg, 3, "Invalid Bucket Count: %d\n", static_cast<int>(nb));
    // A table with no bucket could hold nothing; one chain keeps it working.
    want = 1;
  }
  buckets = new (std::nothrow) UT_HASH_NODE *[want]();
  if (buckets) {
    nbuckets = static_cast<uint32_t>(want);
    recip = UINT64_MAX / nbuckets + 1; // wraps to 0 for one bucket, which still gives 0
  }
}

UT_HASH::~UT_HASH() {
  freechains();
  delete[] buckets;
}

// The bucket is hash_func(key) mod nbuckets, taken by multiplying with the reciprocal
// (exact for every 32-bit hash and bucket count) rather than by a division.
inline UT_HASH_NODE **UT_HASH::chainof(void *key) {
  if (!buckets)
    return nullptr;
  uint64_t fraction = recip * hash_func(key);
  auto bucket = static_cast<uint32_t>((static_cast<unsigned __int128>(fraction) * nbuckets) >> 64);
  return &buckets[bucket];
}

void UT_HASH::add(void *key, void *data) { push(key, data); }

int UT_HASH::s_add(void *key, void *data) { return push(key, data); }

int UT_HASH::push(void *key, void *data) {
  UT_HASH_NODE **chain = chainof(key);
  if (!chain)
    return 0;
  // The node is complete before the chain is touched, so a failed allocation loses nothing.
  UT_HASH_NODE *node = new (std::nothrow) UT_HASH_NODE;
  if (!node)
    return 0;
  node->item = data ? data : key;
  node->next = *chain;
  *chain = node;
  ++count;
  return 1;
}

// One hash_func call, then comp_func on each node from the chain's head until a match;
// null only when the table has no bucket.
inline UT_HASH_NODE **UT_HASH::findlink(void *key) {
  UT_HASH_NODE **link = chainof(key);
  if (!link)
    return nullptr;
  while (UT_HASH_NODE *node = *link) {
    __builtin_prefetch(node->next); // loading while comp_func runs
    if (comp_func(key, node->item) == 0)
      break;
    link = &node->next;
  }
  return link;
}

void *UT_HASH::find_and_remove(void *key, unsigned char remove) {
  UT_HASH_NODE **link = findlink(key);
  if (!link)
    return nullptr;
  UT_HASH_NODE *node = *link;
  if (!node)
    return nullptr;
  void *item = node->item;
  if (!remove)
    return item;
  *link = node->next;
  if (owner)
    del_func(item);
  delete node;
  --count;
  return item;
}

void *UT_HASH::s_find(void *key) {
  UT_HASH_NODE **link = findlink(key);
  return link && *link ? (*link)->item : nullptr;
}

void *UT_HASH::s_remove(void *key) { return find_and_remove(key, 1); }

void UT_HASH::del_func(void *) {}

void UT_HASH::process_and_kill(unsigned char use_del, void (*fn)(void *)) {
  for (uint32_t b = 0; b < nbuckets; ++b) {
    for (UT_HASH_NODE *node = buckets[b]; node;) {
      // The next link is read first: the item may be released by the call.
      UT_HASH_NODE *next = node->next;
      if (use_del)
        del_func(node->item);
      else if (fn)
        fn(node->item);
      node = next;
    }
  }
}

void UT_HASH::empty() {
  count = 0;
  if (owner)
    process_and_kill(1, nullptr);
  freechains();
}

void UT_HASH::dumpstats() {}

void UT_HASH::freechains() {
  for (uint32_t b = 0; b < nbuckets; ++b) {
    UT_HASH_NODE *node = buckets[b];
    buckets[b] = nullptr;
    while (node) {
      UT_HASH_NODE *next = node->next;
      delete node;
      node = next;
    }
  }
}
