// UT_SORT::qsort against std::qsort: a million records of 4, 16 and 100 bytes keyed by
// their first 4 bytes, unsorted copies made outside the timing.
#include "BenchPairs.h"

#include "Utilities.h"

#include <cstdlib>
#include <cstring>

namespace {

const int kRecords = 1000000;

int cmp_key(const void *a, const void *b) {
  int x, y;
  std::memcpy(&x, a, sizeof x);
  std::memcpy(&y, b, sizeof y);
  return (x > y) - (x < y);
}

std::vector<char> input(int size) {
  std::vector<char> v(static_cast<std::size_t>(kRecords) * size);
  utbench::Rng rng(31);
  for (std::size_t i = 0; i < v.size(); ++i)
    v[i] = static_cast<char>(i % 251);
  for (int r = 0; r < kRecords; ++r) {
    int key = static_cast<int>(rng.next());
    std::memcpy(&v[static_cast<std::size_t>(r) * size], &key, sizeof key);
  }
  return v;
}

template <class Sort> void sorting(benchmark::State &state, Sort sort) {
  int size = static_cast<int>(state.range(0));
  const std::vector<char> in = input(size);
  std::vector<char> data(in.size());
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(data.data(), in.data(), in.size());
    state.ResumeTiming();
    sort(data.data(), size);
  }
}

void UtSort(benchmark::State &state) {
  sorting(state, [](char *d, int size) { UT_SORT::qsort(d, kRecords, size, cmp_key); });
}

void Qsort(benchmark::State &state) {
  sorting(state, [](char *d, int size) { std::qsort(d, kRecords, size, cmp_key); });
}

} // namespace

UT_BENCH(UtSort)->Arg(4)->Arg(16)->Arg(100);
UT_BENCH(Qsort)->Arg(4)->Arg(16)->Arg(100);

UT_BENCH_ROW("`UT_SORT::qsort` vs `std::qsort`", "1M records of 4 bytes", "UtSort/4", "Qsort/4",
             1.0);
UT_BENCH_ROW("`UT_SORT::qsort` vs `std::qsort`", "1M records of 16 bytes", "UtSort/16", "Qsort/16",
             1.0);
UT_BENCH_ROW("`UT_SORT::qsort` vs `std::qsort`", "1M records of 100 bytes", "UtSort/100",
             "Qsort/100", 1.0);
