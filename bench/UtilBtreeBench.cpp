// UT_BTR_TREE against std::set<std::string> and absl::btree_set<std::string>: a million
// distinct string keys added, found and removed, each pass in its own random order. The
// tree keeps the caller's texts as its items; the sets keep copies.
#include "BenchPairs.h"

#include "Utilities.h"

#include <absl/container/btree_set.h>

#include <cstring>
#include <set>
#include <string>

namespace {

const std::size_t kKeys = 1000000;

// Distinct keys of 8 to 23 characters, and three random orders of them.
struct Keys {
  std::vector<std::string> text;
  std::vector<const char *> add, find, remove;
  Keys() {
    utbench::Rng rng(3);
    text.reserve(kKeys);
    for (std::size_t i = 0; i < kKeys; ++i) {
      std::string s = "k" + std::to_string(i * 7919 % kKeys);
      while (s.size() < 8 + rng.below(16))
        s += static_cast<char>('a' + rng.below(26));
      text.push_back(s);
    }
    for (const std::string &s : text)
      add.push_back(s.c_str());
    find = add;
    remove = add;
    utbench::shuffle(add, rng);
    utbench::shuffle(find, rng);
    utbench::shuffle(remove, rng);
  }
};

const Keys &keys() {
  static Keys k;
  return k;
}

int compare(void *item, const char *key) {
  return std::strcmp(key, static_cast<const char *>(item));
}

void fill(UT_BTR_TREE &t) {
  for (const char *k : keys().add)
    *t.add(k) = const_cast<char *>(k);
}

void BtreeAdd(benchmark::State &state) {
  for (auto _ : state) {
    UT_BTR_TREE t(compare);
    fill(t);
    state.PauseTiming();
    t.flush(nullptr);
    state.ResumeTiming();
  }
}

void BtreeFind(benchmark::State &state) {
  UT_BTR_TREE t(compare);
  fill(t);
  for (auto _ : state) {
    long found = 0;
    for (const char *k : keys().find)
      found += t.find(k) != nullptr;
    benchmark::DoNotOptimize(found);
  }
}

void BtreeRemove(benchmark::State &state) {
  for (auto _ : state) {
    state.PauseTiming();
    UT_BTR_TREE t(compare);
    fill(t);
    state.ResumeTiming();
    for (const char *k : keys().remove)
      benchmark::DoNotOptimize(t.remove(k));
  }
}

template <class Set> void SetAdd(benchmark::State &state) {
  for (auto _ : state) {
    Set s;
    for (const char *k : keys().add)
      s.insert(k);
    state.PauseTiming();
    s.clear();
    state.ResumeTiming();
  }
}

template <class Set> void SetFind(benchmark::State &state) {
  Set s(keys().text.begin(), keys().text.end());
  std::vector<std::string> probe(keys().find.begin(), keys().find.end());
  for (auto _ : state) {
    long found = 0;
    for (const std::string &k : probe)
      found += s.find(k) != s.end();
    benchmark::DoNotOptimize(found);
  }
}

template <class Set> void SetRemove(benchmark::State &state) {
  std::vector<std::string> probe(keys().remove.begin(), keys().remove.end());
  for (auto _ : state) {
    state.PauseTiming();
    Set s(keys().text.begin(), keys().text.end());
    state.ResumeTiming();
    for (const std::string &k : probe)
      s.erase(k);
  }
}

using StdSet = std::set<std::string>;
using AbslSet = absl::btree_set<std::string>;

} // namespace

UT_BENCH_SLOW(BtreeAdd);
UT_BENCH_SLOW(SetAdd<StdSet>);
UT_BENCH_SLOW(SetAdd<AbslSet>);
UT_BENCH_SLOW(BtreeFind);
UT_BENCH_SLOW(SetFind<StdSet>);
UT_BENCH_SLOW(SetFind<AbslSet>);
UT_BENCH_SLOW(BtreeRemove);
UT_BENCH_SLOW(SetRemove<StdSet>);
UT_BENCH_SLOW(SetRemove<AbslSet>);

UT_BENCH_ROW("`UT_BTR_TREE::add` vs `std::set<std::string>::insert`",
             "1M string keys of 8-23 characters, random order", "BtreeAdd", "SetAdd<StdSet>", 1.2);
UT_BENCH_ROW("`UT_BTR_TREE::find` vs `std::set<std::string>::find`", "1M string keys, random order",
             "BtreeFind", "SetFind<StdSet>", 1.0);
UT_BENCH_ROW("`UT_BTR_TREE::remove` vs `std::set<std::string>::erase` (information)",
             "1M string keys, random order", "BtreeRemove", "SetRemove<StdSet>", 0);
UT_BENCH_ROW("`UT_BTR_TREE::add` vs `absl::btree_set` (information)",
             "1M string keys, random order", "BtreeAdd", "SetAdd<AbslSet>", 0);
UT_BENCH_ROW("`UT_BTR_TREE::find` vs `absl::btree_set` (information)",
             "1M string keys, random order", "BtreeFind", "SetFind<AbslSet>", 0);
UT_BENCH_ROW("`UT_BTR_TREE::remove` vs `absl::btree_set` (information)",
             "1M string keys, random order", "BtreeRemove", "SetRemove<AbslSet>", 0);
