// The arrays against std::vector and the C and C++ sorts: UT_DARRAY appending and
// indexing ten million ints, and UT_BASE_ARRAY::a_sort on a million 4- and 16-byte
// elements.
#include "BenchPairs.h"

#include "Utilities.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

const long kInts = 10000000;
// The growth step a user would give an array meant for millions of elements.
const long kStep = 4096;

void DarrayAppend(benchmark::State &state) {
  for (auto _ : state) {
    int *ints = nullptr;
    UT_DARRAY arr(reinterpret_cast<void **>(&ints), sizeof(int), kStep, 0);
    for (long i = 0; i < kInts; ++i)
      *static_cast<int *>(arr.getaddr(arr.num)) = static_cast<int>(i);
    benchmark::DoNotOptimize(ints);
  }
}

void VectorAppend(benchmark::State &state) {
  for (auto _ : state) {
    std::vector<int> v;
    for (long i = 0; i < kInts; ++i)
      v.push_back(static_cast<int>(i));
    benchmark::DoNotOptimize(v.data());
  }
}

// Random indices, the same for both sides.
const std::vector<long> &indices() {
  static std::vector<long> idx = [] {
    std::vector<long> v(kInts);
    utbench::Rng rng(11);
    for (long &i : v)
      i = rng.below(kInts);
    return v;
  }();
  return idx;
}

void DarrayIndex(benchmark::State &state) {
  int *ints = nullptr;
  UT_DARRAY arr(reinterpret_cast<void **>(&ints), sizeof(int), kStep, 0);
  for (long i = 0; i < kInts; ++i)
    *static_cast<int *>(arr.getaddr(arr.num)) = static_cast<int>(i);
  const std::vector<long> &idx = indices();
  for (auto _ : state) {
    long sum = 0;
    for (long i : idx)
      sum += *static_cast<int *>(arr.getaddr(i));
    benchmark::DoNotOptimize(sum);
  }
}

// Indexing the way a typed array does: through the handle variable the array keeps current.
void DarrayHandleIndex(benchmark::State &state) {
  int *ints = nullptr;
  UT_DARRAY arr(reinterpret_cast<void **>(&ints), sizeof(int), kStep, 0);
  for (long i = 0; i < kInts; ++i)
    *static_cast<int *>(arr.getaddr(arr.num)) = static_cast<int>(i);
  const std::vector<long> &idx = indices();
  for (auto _ : state) {
    long sum = 0;
    for (long i : idx)
      sum += ints[i];
    benchmark::DoNotOptimize(sum);
  }
}

void VectorIndex(benchmark::State &state) {
  std::vector<int> v;
  for (long i = 0; i < kInts; ++i)
    v.push_back(static_cast<int>(i));
  const std::vector<long> &idx = indices();
  for (auto _ : state) {
    long sum = 0;
    for (long i : idx)
      sum += v[static_cast<std::size_t>(i)];
    benchmark::DoNotOptimize(sum);
  }
}

// Sorting: a million elements of 4 or 16 bytes keyed by their first int, unsorted copies
// made outside the timing.
const long kSort = 1000000;

template <int N> struct Rec {
  int words[N / 4]; // the key first
};

int cmp_int(const void *a, const void *b) {
  int x, y;
  std::memcpy(&x, a, sizeof x);
  std::memcpy(&y, b, sizeof y);
  return (x > y) - (x < y);
}

template <int N> std::vector<Rec<N>> sort_input() {
  std::vector<Rec<N>> v(kSort);
  utbench::Rng rng(5);
  for (Rec<N> &r : v) {
    for (int &x : r.words)
      x = 0;
    r.words[0] = static_cast<int>(rng.next());
  }
  return v;
}

template <int N> void ArraySort(benchmark::State &state) {
  const std::vector<Rec<N>> input = sort_input<N>();
  Rec<N> *data = nullptr;
  UT_DARRAY arr(reinterpret_cast<void **>(&data), N, kSort, 0);
  arr.getaddr(kSort - 1);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(data, input.data(), kSort * sizeof(Rec<N>));
    state.ResumeTiming();
    arr.a_sort(cmp_int, 0, -1);
  }
}

template <int N> void Qsort(benchmark::State &state) {
  const std::vector<Rec<N>> input = sort_input<N>();
  std::vector<Rec<N>> data(kSort);
  for (auto _ : state) {
    state.PauseTiming();
    data = input;
    state.ResumeTiming();
    std::qsort(data.data(), kSort, sizeof(Rec<N>), cmp_int);
  }
}

template <int N> void StdSort(benchmark::State &state) {
  const std::vector<Rec<N>> input = sort_input<N>();
  std::vector<Rec<N>> data(kSort);
  for (auto _ : state) {
    state.PauseTiming();
    data = input;
    state.ResumeTiming();
    std::sort(data.begin(), data.end(),
              [](const Rec<N> &a, const Rec<N> &b) { return a.words[0] < b.words[0]; });
  }
}

} // namespace

UT_BENCH_NOISY(DarrayAppend);
UT_BENCH_NOISY(VectorAppend);
UT_BENCH_NOISY(DarrayIndex);
UT_BENCH_NOISY(DarrayHandleIndex);
UT_BENCH_NOISY(VectorIndex);
UT_BENCH(ArraySort<4>);
UT_BENCH(Qsort<4>);
UT_BENCH(StdSort<4>);
UT_BENCH(ArraySort<16>);
UT_BENCH(Qsort<16>);
UT_BENCH(StdSort<16>);

UT_BENCH_ROW("`UT_DARRAY` append through getaddr(num) vs `std::vector::push_back`",
             "10M ints, growth step 4096", "DarrayAppend", "VectorAppend", 1.5);
UT_BENCH_ROW("`UT_DARRAY` index through getaddr(i) vs `std::vector[i]`",
             "10M ints, 10M random reads", "DarrayIndex", "VectorIndex", 1.3);
UT_BENCH_ROW("`UT_DARRAY` index through its handle vs `std::vector[i]` (information)",
             "10M ints, 10M random reads", "DarrayHandleIndex", "VectorIndex", 0);
UT_BENCH_ROW("`UT_BASE_ARRAY::a_sort` vs `std::qsort`", "1M 4-byte elements", "ArraySort<4>",
             "Qsort<4>", 1.5);
UT_BENCH_ROW("`UT_BASE_ARRAY::a_sort` vs `std::sort` (information)", "1M 4-byte elements",
             "ArraySort<4>", "StdSort<4>", 0);
UT_BENCH_ROW("`UT_BASE_ARRAY::a_sort` vs `std::qsort`", "1M 16-byte elements", "ArraySort<16>",
             "Qsort<16>", 1.5);
UT_BENCH_ROW("`UT_BASE_ARRAY::a_sort` vs `std::sort` (information)", "1M 16-byte elements",
             "ArraySort<16>", "StdSort<16>", 0);
