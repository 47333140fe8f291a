#include "UtilHash.h"
#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

namespace {
struct Item {
  int key;
  int tag;
};

// Items hash by key modulo `spread` (1 puts every key in one chain); del_func records
// every item it is given.
class ItemHash : public UT_HASH {
public:
  ItemHash(unsigned long nb, unsigned char own, int spread = 1000)
      : UT_HASH(nb, own), spread(spread) {}
  uint32_t hash_func(void *key) override {
    return static_cast<uint32_t>(static_cast<Item *>(key)->key % spread);
  }
  int comp_func(void *key, void *item) override {
    return static_cast<Item *>(key)->key != static_cast<Item *>(item)->key;
  }
  void del_func(void *item) override { released.push_back(static_cast<Item *>(item)); }
  int32_t items() const { return count; }
  uint32_t chains() const { return nbuckets; }
  int spread;
  std::vector<Item *> released;
};

std::vector<Item *> visited;
void visit(void *item) { visited.push_back(static_cast<Item *>(item)); }
} // namespace

TEST(UtilHash, AnEqualKeyHidesTheOlderItemUntilItIsRemoved) {
  ItemHash h(7, 0);
  Item a{5, 1}, b{5, 2}, probe{5, 0}, missing{6, 0};
  EXPECT_EQ(1, h.s_add(&a, nullptr)) << "a null data stores the key itself";
  h.add(&probe, &b);
  EXPECT_EQ(2, h.items());
  EXPECT_EQ(&b, h.s_find(&probe));
  EXPECT_EQ(nullptr, h.s_remove(&missing));
  EXPECT_EQ(2, h.items()) << "removing a missing key must not change the count";
  EXPECT_EQ(&b, h.s_remove(&probe));
  EXPECT_EQ(&a, h.s_find(&probe));
  EXPECT_EQ(&a, h.s_remove(&probe));
  EXPECT_EQ(nullptr, h.s_find(&probe));
  EXPECT_EQ(0, h.items());
  EXPECT_TRUE(h.released.empty()) << "a table that does not own must never release";
}

TEST(UtilHash, AnOwningTableReleasesEachRemovedItemExactlyOnce) {
  Item items[6] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}};
  {
    ItemHash h(3, 1);
    for (Item &i : items)
      h.add(&i, nullptr);
    h.s_find(&items[2]);
    EXPECT_TRUE(h.released.empty()) << "a lookup must not release";
    EXPECT_EQ(&items[2], h.s_remove(&items[2]));
    ASSERT_EQ(1u, h.released.size());
    EXPECT_EQ(&items[2], h.released[0]);
    h.empty();
    EXPECT_EQ(6u, h.released.size()) << "empty must release each remaining item once";
    EXPECT_EQ(0, h.items());
    EXPECT_EQ(nullptr, h.s_find(&items[0]));
    h.add(&items[0], nullptr); // still usable after empty; the destructor releases nothing
    EXPECT_EQ(6u, h.released.size());
  }
  ItemHash notowning(3, 0);
  for (Item &i : items)
    notowning.add(&i, nullptr);
  notowning.s_remove(&items[1]);
  notowning.empty();
  EXPECT_TRUE(notowning.released.empty());
}

TEST(UtilHash, ProcessAndKillVisitsBucketsInOrderNewestFirstAndKeepsTheCount) {
  ItemHash h(3, 0);
  Item items[5] = {{4, 0}, {1, 0}, {0, 0}, {3, 0}, {2, 0}}; // buckets 1, 1, 0, 0, 2
  for (Item &i : items)
    h.add(&i, nullptr);
  visited.clear();
  h.process_and_kill(0, visit);
  std::vector<Item *> expect = {&items[3], &items[2], &items[1], &items[0], &items[4]};
  EXPECT_EQ(expect, visited);
  EXPECT_EQ(5, h.items());
  EXPECT_TRUE(h.released.empty());
  h.process_and_kill(1, nullptr);
  EXPECT_EQ(expect, h.released) << "use_del must hand the items to del_func in the same order";
}

TEST(UtilHash, OneChainHoldingEveryKeyBehavesLikeAMultimap) {
  const unsigned seed = 20261206;
  std::mt19937 rng(seed);
  ItemHash h(5, 0, 1); // every key hashes to bucket 0
  std::vector<Item> pool(400);
  std::multimap<int, Item *> model; // newest per key is the last inserted
  std::map<int, std::vector<Item *>> stacks;
  for (int step = 0; step < 400; ++step) {
    Item *it = &pool[step];
    it->key = static_cast<int>(rng() % 40);
    it->tag = step;
    if (rng() % 3 != 0) {
      h.add(it, nullptr);
      stacks[it->key].push_back(it);
    } else {
      Item probe{static_cast<int>(rng() % 40), 0};
      auto &st = stacks[probe.key];
      Item *want = st.empty() ? nullptr : st.back();
      ASSERT_EQ(want, h.s_remove(&probe)) << "seed " << seed << " step " << step;
      if (want)
        st.pop_back();
    }
  }
  int total = 0;
  for (auto &kv : stacks) {
    total += static_cast<int>(kv.second.size());
    Item probe{kv.first, 0};
    EXPECT_EQ(kv.second.empty() ? nullptr : kv.second.back(), h.s_find(&probe))
        << "seed " << seed << " key " << kv.first;
  }
  EXPECT_EQ(total, h.items());
}

TEST(UtilHash, ZeroBucketsAreReportedAndTheTableStillWorks) {
  RecordingMsgman rec;
  Item a{1, 0}, b{2, 0};
  UT_STORE *store = nullptr;
  {
    ItemHash h(0, 0);
    ASSERT_EQ(1u, rec.reports.size());
    EXPECT_EQ(RecordedReport::Numbered, rec.reports[0].kind);
    EXPECT_EQ(3, rec.reports[0].number);
    EXPECT_EQ("UtilHash", rec.reports[0].unit);
    EXPECT_EQ("Invalid Bucket Count: 0\n", rec.reports[0].text);
    EXPECT_TRUE(rec.all_framed());
    EXPECT_EQ(1u, h.chains());
    h.add(&a, nullptr);
    h.add(&b, nullptr);
    EXPECT_EQ(&a, h.s_find(&a));
    EXPECT_EQ(&b, h.s_remove(&b));
  }
  // Deleting through the store interface runs the derived destructor (no leak under ASan).
  store = new ItemHash(4, 0);
  store->s_add(&a, nullptr);
  EXPECT_EQ(&a, store->s_find(&a));
  delete store;
  EXPECT_EQ(1u, rec.reports.size());
}
