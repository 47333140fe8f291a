// The two allocators against malloc/free and boost::pool: a million objects allocated,
// then freed in the reverse order (LIFO) or in a shuffled order.
#include "BenchPairs.h"

#include "Utilities.h"

#include <boost/pool/pool.hpp>

#include <cstdlib>

namespace {

const std::size_t kObjects = 1000000;

// The free orders: LIFO, or a fixed shuffle of the allocation order.
std::vector<std::size_t> free_order(bool random) {
  std::vector<std::size_t> order(kObjects);
  for (std::size_t i = 0; i < kObjects; ++i)
    order[i] = kObjects - 1 - i;
  if (random) {
    utbench::Rng rng(7);
    utbench::shuffle(order, rng);
  }
  return order;
}

// Allocates kObjects through alloc, touches each, frees them in `order` through release.
template <class Alloc, class Release>
void churn(benchmark::State &state, const std::vector<std::size_t> &order, Alloc alloc,
           Release release) {
  std::vector<void *> ptrs(kObjects);
  auto pass = [&] {
    for (std::size_t i = 0; i < kObjects; ++i) {
      ptrs[i] = alloc();
      *static_cast<char *>(ptrs[i]) = 1;
    }
    for (std::size_t i : order)
      release(ptrs[i]);
    benchmark::ClobberMemory();
  };
  // One untimed pass first: the allocator's state after the other benchmarks (malloc's
  // consolidated free chunks, the heap's top) then no longer decides the time of the few
  // timed passes of a repetition; every side is timed in the steady state of this churn.
  pass();
  for (auto _ : state)
    pass();
}

// Elements per block: what the library's own tree-node pool uses (4000 of 32 bytes).
const unsigned long kPoolBlock = 4000;

void fastmem(benchmark::State &state, bool random, std::size_t size) {
  std::vector<std::size_t> order = free_order(random);
  UT_FASTMEM pool(size, kPoolBlock, "bench");
  churn(
      state, order, [&] { return pool.getnewptr(); }, [&](void *p) { pool.kor_free(p); });
}

void mallocfree(benchmark::State &state, bool random, std::size_t size) {
  std::vector<std::size_t> order = free_order(random);
  churn(
      state, order, [&] { return std::malloc(size); }, [](void *p) { std::free(p); });
}

void boostpool(benchmark::State &state, bool random, std::size_t size) {
  std::vector<std::size_t> order = free_order(random);
  boost::pool<> pool(size, kPoolBlock);
  churn(
      state, order, [&] { return pool.malloc(); }, [&](void *p) { pool.free(p); });
}

void Fastmem32Lifo(benchmark::State &s) { fastmem(s, false, 32); }
void Fastmem32Random(benchmark::State &s) { fastmem(s, true, 32); }
void Malloc32Lifo(benchmark::State &s) { mallocfree(s, false, 32); }
void Malloc32Random(benchmark::State &s) { mallocfree(s, true, 32); }
void BoostPool32Lifo(benchmark::State &s) { boostpool(s, false, 32); }
void BoostPool32Random(benchmark::State &s) { boostpool(s, true, 32); }

// The small-object allocator as the library's own string objects use it: the shared
// allocator of its size class, default chunk size.
void Smallmem16(benchmark::State &state) {
  std::vector<std::size_t> order = free_order(true);
  UT_SM_SMALLMEM mem(16, 0, "bench", -1);
  churn(
      state, order, [&] { return mem.getmem(); }, [&](void *p) { mem.relmem(p); });
}
void Malloc16(benchmark::State &s) { mallocfree(s, true, 16); }

// Growth: range(0) elements from a pool of 16 per block, no frees, and the pool dropped.
// Every block fills up before the next opens, so the chain is all full blocks but one.
void FastmemGrowth(benchmark::State &state) {
  const long n = state.range(0);
  for (auto _ : state) {
    UT_FASTMEM pool(32, 16, "growth");
    for (long i = 0; i < n; ++i)
      benchmark::DoNotOptimize(pool.getnewptr());
  }
}

} // namespace

UT_BENCH_NOISY(Fastmem32Lifo);
UT_BENCH_NOISY(Malloc32Lifo);
UT_BENCH_NOISY(BoostPool32Lifo);
UT_BENCH_NOISY(Fastmem32Random);
UT_BENCH_NOISY(Malloc32Random);
UT_BENCH_NOISY(BoostPool32Random);
UT_BENCH_NOISY(Smallmem16);
UT_BENCH_NOISY(Malloc16);
UT_BENCH_NOISY(FastmemGrowth)->Arg(65536)->Arg(1048576);

UT_BENCH_ROW("`UT_FASTMEM` getnewptr/kor_free vs malloc/free, LIFO free", "1M 32-byte objects",
             "Fastmem32Lifo", "Malloc32Lifo", 0.55);
UT_BENCH_ROW("`UT_FASTMEM` getnewptr/kor_free vs malloc/free, random free", "1M 32-byte objects",
             "Fastmem32Random", "Malloc32Random", 1.0);
UT_BENCH_ROW("`UT_FASTMEM` vs `boost::pool`, LIFO free (information)", "1M 32-byte objects",
             "Fastmem32Lifo", "BoostPool32Lifo", 0);
UT_BENCH_ROW("`UT_FASTMEM` vs `boost::pool`, random free", "1M 32-byte objects", "Fastmem32Random",
             "BoostPool32Random", 0.7);
UT_BENCH_ROW("`UT_SM_SMALLMEM` getmem/relmem vs malloc/free, random free", "1M 16-byte objects",
             "Smallmem16", "Malloc16", 0.5);
UT_BENCH_GROWTH_ROW("`UT_FASTMEM::getnewptr` growth, 16 elements per block, no frees",
                    "1M elements against 64k", "FastmemGrowth/1048576", "FastmemGrowth/65536", 16,
                    2.0);
