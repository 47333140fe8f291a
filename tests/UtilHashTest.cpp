// Hash table: chains newest first, equal keys hiding older items, ownership and release,
// and buckets as the hash modulo their count.
#include "UtilHash.h"
#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {
uint32_t key(void *item) { return *static_cast<uint32_t *>(item); }

// Items are uint32_t keys, hashed to themselves modulo `spread` (0: no modulo; 1 puts every
// key in one chain). Every hash_func and comp_func call is logged; del_func records every
// item it is given, as does the visitor.
class KeyHash : public UT_HASH {
public:
  KeyHash(unsigned long nb, unsigned char own, uint32_t spread = 0)
      : UT_HASH(nb, own), spread(spread) {}
  uint32_t hash_func(void *k) override {
    log.push_back("h" + std::to_string(key(k)));
    return spread ? key(k) % spread : key(k);
  }
  int comp_func(void *k, void *i) override {
    log.push_back("c" + std::to_string(key(i)));
    return key(k) != key(i);
  }
  void del_func(void *item) override { released.push_back(item); }
  int32_t items() const { return count; }
  uint32_t spread;
  std::vector<std::string> log;
  std::vector<void *> released;
};
std::vector<void *> visited;
void visit(void *item) { visited.push_back(item); }
} // namespace

TEST(UtilHash, AnEqualKeyHidesTheOlderItemEvenWhenEveryKeySharesOneChain) {
  KeyHash h(7, 0, 1); // every key in bucket 0
  uint32_t a = 5, b = 5, c = 6, probe = 5, missing = 7;
  EXPECT_EQ(1, h.s_add(&a, nullptr)) << "a null data stores the key itself";
  h.add(&probe, &b);
  h.add(&c, nullptr);
  EXPECT_EQ(&b, h.s_find(&probe));
  EXPECT_TRUE(!h.s_remove(&missing) && h.items() == 3) << "removing a missing key changes nothing";
  std::vector<void *> got = {h.s_remove(&probe), h.s_find(&probe), h.s_find(&c), h.s_remove(&a),
                             h.s_find(&probe)}; // evaluated in this order
  EXPECT_EQ(got, (std::vector<void *>{&b, &a, &c, &a, nullptr}));
  EXPECT_EQ(1, h.items());
  EXPECT_TRUE(h.released.empty()) << "a table that does not own must never release";
}

TEST(UtilHash, OnlyAnOwningTableReleasesEachRemovedItemExactlyOnce) {
  uint32_t items[6] = {0, 1, 2, 3, 4, 5};
  for (unsigned char own : {1, 0}) {
    KeyHash h(3, own);
    for (uint32_t &i : items)
      h.add(&i, nullptr);
    h.s_find(&items[2]);
    EXPECT_EQ(&items[2], h.s_remove(&items[2]));
    h.empty();
    EXPECT_EQ(own ? 6u : 0u, h.released.size()) << "owner " << int(own);
    EXPECT_TRUE(h.items() == 0 && !h.s_find(&items[0])) << "owner " << int(own);
    h.add(&items[0], nullptr); // usable after empty; the destructor releases nothing
  }
}

TEST(UtilHash, ZeroBucketsAreReportedAndTheTableStillWorks) {
  RecordingMsgman rec;
  uint32_t a = 1, b = 2;
  UT_STORE *store = new KeyHash(0, 0);
  ASSERT_EQ(1u, rec.reports.size());
  const RecordedReport &r = rec.reports[0];
  EXPECT_EQ("UtilHash:3:Invalid Bucket Count: 0\n",
            r.unit + ":" + std::to_string(r.number) + ":" + r.text);
  EXPECT_TRUE(rec.all_framed());
  store->s_add(&a, nullptr);
  store->s_add(&b, nullptr);
  EXPECT_EQ(&a, store->s_find(&a));
  EXPECT_EQ(&b, store->s_remove(&b));
  delete store; // through the store interface: the nodes must not leak
}

TEST(UtilHash, BucketsAreTheHashModuloTheCountVisitedNewestFirstAndSearchedWithOneHash) {
  const uint32_t seed = 12345;
  SCOPED_TRACE("seed " + std::to_string(seed));
  for (unsigned long nb : {1ul, 2ul, 3ul, 7ul, 1000ul, 65521ul}) {
    KeyHash h(nb, 0);
    std::vector<uint32_t> keys = {0,           1,           uint32_t(nb - 1), 0xFFFFFFFFu,
                                  0xFFFFFFFEu, 0x80000000u, uint32_t(nb),     uint32_t(2 * nb + 1)};
    uint32_t x = seed;
    for (int i = 0; i < 40; ++i)
      keys.push_back(x = x * 1664525u + 1013904223u);
    for (uint32_t &k : keys)
      h.add(&k, nullptr);
    visited.clear();
    h.process_and_kill(0, visit);
    // Bucket by bucket, newest first within one: the order a true modulo gives.
    std::vector<void *> expect;
    for (unsigned long b = 0; b < nb; ++b)
      for (auto k = keys.rbegin(); k != keys.rend(); ++k)
        if (*k % nb == b)
          expect.push_back(&*k);
    ASSERT_EQ(expect, visited) << nb << " buckets";
    EXPECT_TRUE(h.items() == int32_t(keys.size()) && h.released.empty())
        << "a visitor neither counts nor releases, " << nb << " buckets";
    // A lookup of the oldest key: one hash, then one comparison per node from the head;
    // the newest equal key hides the older ones.
    uint32_t probe = keys[0];
    h.log.clear();
    std::size_t newest = keys.size();
    while (keys[--newest] != probe) {
    }
    EXPECT_EQ(&keys[newest], h.s_find(&probe));
    std::vector<std::string> calls = {"h" + std::to_string(probe)};
    for (auto k = keys.rbegin(); k != keys.rend(); ++k)
      if (*k % nb == probe % nb)
        calls.push_back("c" + std::to_string(*k));
    // Equal keys earlier in the chain match first.
    auto first = std::find(calls.begin() + 1, calls.end(), "c" + std::to_string(probe));
    calls.erase(first + 1, calls.end());
    EXPECT_EQ(calls, h.log) << nb << " buckets";
    h.process_and_kill(1, nullptr);
    EXPECT_EQ(expect, h.released) << "use_del hands the items to del_func in the same order";
  }
}
