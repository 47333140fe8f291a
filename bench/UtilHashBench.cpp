// UT_HASH against std::unordered_map: ten thousand string keys in a table of as many
// buckets (the caller's choice the design intends), added and then all found. Both hash
// with std::hash, so that the tables are compared rather than hash functions.
#include "BenchPairs.h"

#include "Utilities.h"

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

const std::size_t kKeys = 10000;

// Keys stored as their own items.
class TextHash : public UT_HASH {
public:
  TextHash() : UT_HASH(kKeys, 0) {}
  uint32_t hash_func(void *key) override {
    return static_cast<uint32_t>(std::hash<std::string_view>()(static_cast<const char *>(key)));
  }
  int comp_func(void *key, void *item) override {
    return std::strcmp(static_cast<const char *>(key), static_cast<const char *>(item));
  }
};

struct Keys {
  std::vector<std::string> text;
  std::vector<std::string> probe; // the same texts in another order, other copies
  Keys() {
    utbench::Rng rng(23);
    for (std::size_t i = 0; i < kKeys; ++i) {
      std::string s = "signal_" + std::to_string(i);
      while (s.size() < 12 + rng.below(12))
        s += static_cast<char>('a' + rng.below(26));
      text.push_back(s);
    }
    probe = text;
    utbench::shuffle(probe, rng);
  }
};

const Keys &keys() {
  static Keys k;
  return k;
}

void HashAdd(benchmark::State &state) {
  for (auto _ : state) {
    TextHash h;
    for (const std::string &k : keys().text)
      h.add(const_cast<char *>(k.c_str()), nullptr);
    benchmark::DoNotOptimize(&h);
  }
}

void UnorderedMapAdd(benchmark::State &state) {
  for (auto _ : state) {
    std::unordered_map<std::string, const char *> m(kKeys);
    for (const std::string &k : keys().text)
      m.emplace(k, k.c_str());
    benchmark::DoNotOptimize(&m);
  }
}

void HashFind(benchmark::State &state) {
  TextHash h;
  for (const std::string &k : keys().text)
    h.add(const_cast<char *>(k.c_str()), nullptr);
  for (auto _ : state) {
    long found = 0;
    for (const std::string &k : keys().probe)
      found += h.s_find(const_cast<char *>(k.c_str())) != nullptr;
    benchmark::DoNotOptimize(found);
  }
}

void UnorderedMapFind(benchmark::State &state) {
  std::unordered_map<std::string, const char *> m(kKeys);
  for (const std::string &k : keys().text)
    m.emplace(k, k.c_str());
  for (auto _ : state) {
    long found = 0;
    for (const std::string &k : keys().probe)
      found += m.find(k) != m.end();
    benchmark::DoNotOptimize(found);
  }
}

} // namespace

UT_BENCH(HashAdd);
UT_BENCH(UnorderedMapAdd);
UT_BENCH(HashFind);
UT_BENCH(UnorderedMapFind);

UT_BENCH_ROW("`UT_HASH::add` vs `std::unordered_map::emplace` (and the table released)",
             "10,000 string keys, 10,000 buckets", "HashAdd", "UnorderedMapAdd", 1.5);
UT_BENCH_ROW("`UT_HASH::s_find` vs `std::unordered_map::find`",
             "10,000 string keys, 10,000 buckets, all found", "HashFind", "UnorderedMapFind", 1.4);
