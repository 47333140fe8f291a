// UT_BITVEC against boost::dynamic_bitset: counting the set bits of ten million, and
// visiting every set bit with find_next_set_bit, with 1% and 50% of the bits set.
#include "BenchPairs.h"

#include "Utilities.h"

#include <boost/dynamic_bitset.hpp>

namespace {

const unsigned long kBits = 10000000;

// The positions to set, the same for both sides: each bit with probability percent/100.
std::vector<unsigned long> positions(int percent) {
  std::vector<unsigned long> pos;
  utbench::Rng rng(static_cast<std::uint64_t>(percent));
  for (unsigned long i = 0; i < kBits; ++i)
    if (rng.below(100) < static_cast<std::uint32_t>(percent))
      pos.push_back(i);
  return pos;
}

UT_BITVEC ours(int percent) {
  UT_BITVEC v(kBits);
  for (unsigned long i : positions(percent))
    v.set(i);
  return v;
}

boost::dynamic_bitset<> peer(int percent) {
  boost::dynamic_bitset<> v(kBits);
  for (unsigned long i : positions(percent))
    v.set(i);
  return v;
}

void BitvecCount(benchmark::State &state) {
  UT_BITVEC v = ours(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(v.count_set_bits());
}

void DynBitsetCount(benchmark::State &state) {
  boost::dynamic_bitset<> v = peer(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(v.count());
}

void BitvecFindNext(benchmark::State &state) {
  UT_BITVEC v = ours(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    long sum = 0;
    for (long i = v.find_next_set_bit(0); i >= 0; i = v.find_next_set_bit(i + 1))
      sum += i;
    benchmark::DoNotOptimize(sum);
  }
}

void DynBitsetFindNext(benchmark::State &state) {
  boost::dynamic_bitset<> v = peer(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    long sum = 0;
    for (auto i = v.find_first(); i != boost::dynamic_bitset<>::npos; i = v.find_next(i))
      sum += static_cast<long>(i);
    benchmark::DoNotOptimize(sum);
  }
}

} // namespace

UT_BENCH(BitvecCount)->Arg(1)->Arg(50);
UT_BENCH(DynBitsetCount)->Arg(1)->Arg(50);
UT_BENCH(BitvecFindNext)->Arg(1)->Arg(50);
UT_BENCH(DynBitsetFindNext)->Arg(1)->Arg(50);

UT_BENCH_ROW("`UT_BITVEC::count_set_bits` vs `boost::dynamic_bitset::count`", "10M bits, 1% set",
             "BitvecCount/1", "DynBitsetCount/1", 1.2);
UT_BENCH_ROW("`UT_BITVEC::count_set_bits` vs `boost::dynamic_bitset::count`", "10M bits, 50% set",
             "BitvecCount/50", "DynBitsetCount/50", 1.2);
UT_BENCH_ROW("`UT_BITVEC::find_next_set_bit` vs `boost::dynamic_bitset::find_next`",
             "10M bits, 1% set, every set bit visited", "BitvecFindNext/1", "DynBitsetFindNext/1",
             0.5);
UT_BENCH_ROW("`UT_BITVEC::find_next_set_bit` vs `boost::dynamic_bitset::find_next`",
             "10M bits, 50% set, every set bit visited", "BitvecFindNext/50",
             "DynBitsetFindNext/50", 0.6);
