// UT_NCH_CACHE against std::unordered_set<std::string>: interning a million names of 4
// to 40 characters of which 30% repeat an earlier one, in random order; time, and the C
// heap each distinct name costs.
#include "BenchPairs.h"

#include "Utilities.h"

#include <memory>
#include <string>
#include <unordered_set>

namespace {

const std::size_t kNames = 1000000;
const std::size_t kDistinct = 700000;

struct Names {
  std::vector<std::string> text;
  std::vector<const char *> order;
  Names() {
    utbench::Rng rng(17);
    std::unordered_set<std::string> seen;
    while (text.size() < kDistinct) {
      std::string s;
      std::size_t len = 4 + rng.below(37);
      while (s.size() < len)
        s += static_cast<char>('a' + rng.below(26));
      if (seen.insert(s).second)
        text.push_back(s);
    }
    for (const std::string &s : text)
      order.push_back(s.c_str());
    while (order.size() < kNames)
      order.push_back(text[rng.below(kDistinct)].c_str());
    utbench::shuffle(order, rng);
  }
};

const Names &names() {
  static Names n;
  return n;
}

template <class Build> void interning(benchmark::State &state, Build build) {
  const Names &n = names();
  double bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::size_t before = utbench::heap_in_use();
    state.ResumeTiming();
    auto holder = build(n.order);
    state.PauseTiming();
    bytes = static_cast<double>(utbench::heap_in_use() - before) / kDistinct;
    holder.reset();
    state.ResumeTiming();
  }
  state.counters["bytes_per_elem"] = bytes;
}

void CacheAdd(benchmark::State &state) {
  interning(state, [](const std::vector<const char *> &order) {
    auto cache = std::make_unique<UT_NCH_CACHE>(static_cast<unsigned char>(0));
    for (const char *s : order)
      benchmark::DoNotOptimize(cache->add(s, 1));
    return cache;
  });
}

void UnorderedSetInsert(benchmark::State &state) {
  interning(state, [](const std::vector<const char *> &order) {
    auto set = std::make_unique<std::unordered_set<std::string>>();
    for (const char *s : order)
      benchmark::DoNotOptimize(&*set->insert(s).first);
    return set;
  });
}

} // namespace

UT_BENCH_SLOW(CacheAdd);
UT_BENCH_SLOW(UnorderedSetInsert);

UT_BENCH_ROW("`UT_NCH_CACHE::add` (interning) vs `std::unordered_set<std::string>::insert`",
             "1M names of 4-40 characters, 30% repeats", "CacheAdd", "UnorderedSetInsert", 3.0,
             1.0);
