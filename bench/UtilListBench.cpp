// UT_LIST against std::forward_list: a million elements appended at the tail (and the
// list released), and a walk over a built list.
#include "BenchPairs.h"

#include "Utilities.h"

#include <cstdint>
#include <forward_list>

namespace {

const std::uintptr_t kElems = 1000000;

void *elem(std::uintptr_t i) { return reinterpret_cast<void *>(i + 1); }

void ListAppend(benchmark::State &state) {
  for (auto _ : state) {
    UT_LIST list;
    for (std::uintptr_t i = 0; i < kElems; ++i)
      list.append(elem(i));
    benchmark::DoNotOptimize(&list);
  }
}

void ForwardListAppend(benchmark::State &state) {
  for (auto _ : state) {
    std::forward_list<void *> list;
    auto tail = list.before_begin();
    for (std::uintptr_t i = 0; i < kElems; ++i)
      tail = list.insert_after(tail, elem(i));
    benchmark::DoNotOptimize(&*tail);
  }
}

void ListWalk(benchmark::State &state) {
  UT_LIST list;
  for (std::uintptr_t i = 0; i < kElems; ++i)
    list.append(elem(i));
  for (auto _ : state) {
    std::uintptr_t sum = 0;
    list.reset();
    while (void *e = list.getnext())
      sum += reinterpret_cast<std::uintptr_t>(e);
    benchmark::DoNotOptimize(sum);
  }
}

void ForwardListWalk(benchmark::State &state) {
  std::forward_list<void *> list;
  auto tail = list.before_begin();
  for (std::uintptr_t i = 0; i < kElems; ++i)
    tail = list.insert_after(tail, elem(i));
  for (auto _ : state) {
    std::uintptr_t sum = 0;
    for (void *e : list)
      sum += reinterpret_cast<std::uintptr_t>(e);
    benchmark::DoNotOptimize(sum);
  }
}

} // namespace

UT_BENCH(ListAppend);
UT_BENCH(ForwardListAppend);
UT_BENCH(ListWalk);
UT_BENCH(ForwardListWalk);

UT_BENCH_ROW("`UT_LIST` append (and release) vs `std::forward_list` insert_after the tail",
             "1M elements", "ListAppend", "ForwardListAppend", 1.2);
UT_BENCH_ROW("`UT_LIST` walk (reset/getnext) vs `std::forward_list` iteration", "1M elements",
             "ListWalk", "ForwardListWalk", 1.2);
