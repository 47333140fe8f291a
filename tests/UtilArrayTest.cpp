// Base, blocked and contiguous arrays: growth and shrink, clearing, shifting, sorting,
// searching, bad indices and allocation failures.
#include "KeyLog.h"
#include "RecordingMsgman.h"
#include "UtilBarray.h"
#include "UtilDarray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <vector>

namespace {

int intcmp(const void *a, const void *b) {
  int x = *static_cast<const int *>(a), y = *static_cast<const int *>(b);
  return x < y ? -1 : x > y;
}

struct IntDarray : UT_DARRAY {
  explicit IntDarray(long size = 4, unsigned char clear = 0)
      : UT_DARRAY(reinterpret_cast<void **>(&data), sizeof(int), size, clear) {}
  int *data;
};

struct IntBarray : UT_BARRAY {
  explicit IntBarray(long blocknum = 2, unsigned char clear = 0)
      : UT_BARRAY(&table, sizeof(int), blocknum, clear) {}
  void **table;
};

int &at(UT_BASE_ARRAY &a, long i) { return *static_cast<int *>(a.getaddr(i)); }

std::string problems(const RecordingMsgman &rec) {
  std::string seen;
  for (auto &r : rec.problems())
    seen += r.unit + ":" + std::to_string(r.number) + ":" + r.text;
  return seen;
}

std::vector<int> contents(UT_BASE_ARRAY &a) {
  std::vector<int> v;
  for (long i = 0; i < a.num; ++i)
    v.push_back(at(a, i));
  return v;
}

void fill(UT_BASE_ARRAY &a, const std::vector<int> &v) {
  a.a_resetnum(0);
  for (int x : v)
    at(a, a.num) = x;
}

template <class A> class BothArrays : public ::testing::Test {};
using ArrayKinds = ::testing::Types<IntDarray, IntBarray>;
TYPED_TEST_SUITE(BothArrays, ArrayKinds);

TEST(UtilDarray, GrowsToTheNextStepAndShrinksOnlyWhenAWholeStepIsUnused) {
  IntDarray a;
  EXPECT_TRUE(a.incr == 10 && a.maxnum == 10) << "4-byte elements with size 4 step by 10";
  fill(a, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_EQ(a.maxnum, 10);
  void *tenth = a.getaddr(10); // read the handle only after the call
  EXPECT_EQ(tenth, static_cast<void *>(a.data + 10)) << "the handle shows the new storage";
  EXPECT_EQ(a.maxnum, 20);
  a.getaddr(25), a.getaddr(3);
  EXPECT_TRUE(a.maxnum == 30 && a.num == 26 && a.data[9] == 9) << a.maxnum << " " << a.num;
  const long resets[][2] = {{15, 20}, {0, 10}, {35, 40}}; // each at capacity 40
  for (auto &r : resets) {
    a.getaddr(39);
    a.a_resetnum(r[0]);
    EXPECT_TRUE(a.num == r[0] && a.maxnum == r[1]) << "a_resetnum(" << r[0] << ")";
  }
}

TEST(UtilDarray, ClearFlagZeroFillsNewAndVacatedElements) {
  IntDarray a(4, 1);
  a.getaddr(39);
  std::memset(a.data, 0xFF, 40 * sizeof(int));
  a.a_resetnum(0);
  EXPECT_EQ(a.maxnum, 10);
  a.getaddr(25);
  for (long i = 0; i < 30; ++i)
    EXPECT_EQ(a.data[i], 0) << "element " << i << " not cleared";

  void **ptrs;
  UT_DARRAY p(reinterpret_cast<void **>(&ptrs), sizeof(void *), 4, 1);
  for (long i = 0; i < 3; ++i)
    *static_cast<void **>(p.getaddr(i)) = &p;
  p.a_resetnum(2);
  EXPECT_EQ(ptrs[2], nullptr) << "vacated pointer-sized element not cleared";
  EXPECT_EQ(ptrs[1], &p);
}

TYPED_TEST(BothArrays, ShiftOpensAndClosesGapsOnlyInsideOrAtTheEnd) {
  RecordingMsgman rec;
  TypeParam a;
  fill(a, {1, 2, 3});
  a.a_shift(3, 1);
  EXPECT_EQ(a.num, 4) << "a_shift(num, 1) must append";
  a.a_shift(5, 1), a.a_shift(5, -1), a.a_shift(0, -1), a.a_shift(-1, 1);
  EXPECT_EQ(a.num, 4) << "shifts outside 0..num must do nothing";
  a.a_shift(4, -1), a.a_shift(1, 1);
  at(a, 1) = 9;
  EXPECT_EQ(contents(a), (std::vector<int>{1, 9, 2, 3}));
  a.a_shift(2, 0);
  EXPECT_EQ(contents(a), (std::vector<int>{1, 2, 3})) << "dir 0 must close the gap";
  EXPECT_TRUE(rec.problems().empty());
}

// Orders by tens only, so that 51 and 53 are equals told apart by their units.
int bytens(const void *a, const void *b) {
  int x = *static_cast<const int *>(a) / 10, y = *static_cast<const int *>(b) / 10;
  return intcmp(&x, &y);
}

TYPED_TEST(BothArrays, SortaddPutsValuesBeforeTheirEqualsAndBsearchFindsTheFirst) {
  TypeParam a;
  int probe = 50, missing = 40;
  EXPECT_TRUE(a.a_bsearch(&probe, bytens) == -1 && a.num == 0) << "a_bsearch must not insert";
  for (int v : {51, 32, 53, 84, 55, 16, 57})
    a.a_sortadd(&v, bytens);
  EXPECT_EQ(contents(a), (std::vector<int>{16, 32, 57, 55, 53, 51, 84}))
      << "a new 5x must precede older ones";
  EXPECT_EQ(a.a_bsearch(&probe, bytens), 2) << "must return the lowest equal index";
  EXPECT_TRUE(a.a_bsearch(&missing, bytens) == -1 && a.num == 7);
}

TYPED_TEST(BothArrays, RandomSortsAgreeWithStdSort) {
  RecordingMsgman rec;
  const unsigned seed = 20261206;
  std::mt19937 gen(seed);
  for (int round = 0; round < 40; ++round) {
    TypeParam a;
    std::vector<int> v(gen() % 300);
    for (int &x : v)
      x = static_cast<int>(gen() % (round % 2 ? 10 : 100000));
    fill(a, v);
    long from = v.empty() ? 0 : static_cast<long>(gen() % v.size());
    long to = round % 3 ? -1 : from + (static_cast<long>(v.size()) - 1 - from) / 2;
    a.a_sort(intcmp, from, to);
    if (!v.empty())
      std::sort(v.begin() + from, to == -1 ? v.end() : v.begin() + to + 1);
    EXPECT_EQ(contents(a), v) << "seed " << seed << " round " << round;
  }
  EXPECT_TRUE(rec.problems().empty());
  TypeParam same;
  fill(same, std::vector<int>(100, 4));
  key_log().clear();
  same.a_sort(logged_keycmp, 0, -1);
  EXPECT_EQ(key_log().size(), 99u + 99u) << "an all-equal range takes one pass and the check";
}

TEST(UtilArray, ContiguousAndBlockedSortsMakeTheSameComparisonsAndKeepRecordsWhole) {
  // 13-byte records, a key and nine bytes that follow it: swaps of 8 + 4 + 1 bytes.
  const long size = 13;
  std::mt19937 gen(7);
  std::vector<unsigned char> recs(300 * size);
  for (long r = 0; r < 300; ++r) {
    int key = static_cast<int>(gen() % 1000);
    std::memcpy(&recs[r * size], &key, sizeof key);
    for (long k = 4; k < size; ++k)
      recs[r * size + k] = static_cast<unsigned char>(key * 7 + k);
  }
  std::vector<std::pair<int, int>> logs[2];
  void *dstore = nullptr;
  void **btable = nullptr;
  UT_DARRAY d(&dstore, size, 8, 0);
  UT_BARRAY b(&btable, size, 8, 0);
  UT_BASE_ARRAY *arrays[2] = {&d, &b};
  for (int k = 0; k < 2; ++k) {
    for (long r = 0; r < 300; ++r)
      std::memcpy(arrays[k]->getaddr(r), &recs[r * size], size);
    key_log().clear();
    arrays[k]->qsort(0, 299, logged_keycmp);
    logs[k] = key_log();
    int prev = INT_MIN;
    for (long r = 0; r < 300; ++r) {
      const unsigned char *p = static_cast<const unsigned char *>(arrays[k]->getaddr(r));
      int key;
      std::memcpy(&key, p, sizeof key);
      EXPECT_LE(prev, key) << "array " << k << " unsorted at " << r;
      prev = key;
      for (long i = 4; i < size; ++i)
        ASSERT_EQ(p[i], static_cast<unsigned char>(key * 7 + i)) << "record torn at " << r;
    }
  }
  EXPECT_EQ(logs[0], logs[1]) << "the contiguous sort must compare exactly as the blocked one";
}

TEST(UtilArray, BadIndicesAndAFailedSortCheckAreReportedAndNeverLeaveTheStorage) {
  struct NoSort : IntDarray {
    void qsort(long, long, CMPFUNC) override {}
  };
  RecordingMsgman rec;
  NoSort d;
  IntBarray b;
  d.a_sort(intcmp, 0, -1);
  fill(d, {1, 2});
  fill(b, {1, 2});
  EXPECT_EQ(d.getaddr(-1), static_cast<void *>(d.data));
  EXPECT_EQ(b.getaddr(-4), b.table[0]);
  d.testaddr(2), d.testaddr(-1), d.testaddr(1);
  d.a_resetnum(-3), b.a_resetnum(-3);
  EXPECT_TRUE(d.num == 2 && b.num == 2) << "a negative count must be refused";
  fill(d, {3, 1, 2, 0});
  d.a_sort(intcmp, 0, -1); // each pair left out of order is reported
  EXPECT_EQ(problems(rec),
            "UtilDarray:19:Bad index.\nUtilBarray:19:Bad expand index.\n"
            "UtilArray:19:Element out of range. Use expand.\n"
            "UtilArray:19:Element out of range. Use expand.\n"
            "UtilDarray:19:Bad index.\nUtilArray:19:Element out of range. Use expand.\n"
            "UtilArray:19:Sort produced an unsorted list.\n"
            "UtilArray:19:Sort produced an unsorted list.\n");
  EXPECT_TRUE(rec.all_framed());
}

TEST(UtilArray, ElementsStayPutInBlocksAndAddressesMapBackToIndices) {
  IntBarray a(2, 1);
  std::vector<void *> addrs;
  for (long i = 0; i < 10; ++i)
    addrs.push_back(a.getaddr(i)), at(a, i) = 1;
  a.getaddr(a.num + 85); // ten blocks of 10 elements
  EXPECT_TRUE(a.num == 96 && (at(a, 10) | at(a, 95)) == 0) << "new blocks must be cleared";
  a.a_resetnum(3), a.a_resetnum(96);
  EXPECT_EQ(at(a, 9), 1) << "shrinking and growing back lost an element";
  for (long i = 0; i < 10; ++i) {
    EXPECT_EQ(a.getaddr(i), addrs[i]) << "element " << i << " moved";
    EXPECT_EQ(a.intgetindex(addrs[i]), i);
  }
  int outside;
  // Inside an element, past num in the last block, and outside every block.
  EXPECT_EQ(std::vector<long>({a.intgetindex(static_cast<char *>(a.getaddr(57)) + 2),
                               a.intgetindex(static_cast<int *>(a.table[9]) + 8),
                               a.intgetindex(&outside)}),
            std::vector<long>({57, 98, -1}));

  IntDarray d;
  EXPECT_EQ(d.a_makearray(), nullptr);
  fill(d, {4, 5, 6});
  EXPECT_EQ(std::vector<long>({d.intgetindex(d.data + 2), d.intgetindex(d.data - 1),
                               d.intgetindex(reinterpret_cast<char *>(d.data) + 1)}),
            std::vector<long>({2, -1, -1}));
  int *copy = static_cast<int *>(d.a_makearray());
  EXPECT_EQ(std::vector<int>(copy, copy + 3), contents(d));
  kor_free(copy);
}

TYPED_TEST(BothArrays, FailedAllocationKeepsTheStoredElementsAndHandle) {
  RecordingMsgman rec;
  TypeParam a;
  std::vector<int> before(30, 7);
  fill(a, before);
  kor_fail_after(0);
  void *bigger = a.getaddr(a.num + 40); // a_sortadd and a_makearray: see AllocFailureTest
  a.a_shift(0, 1);
  a.a_resetnum(a.num + 40);
  kor_fail_after(-1);
  EXPECT_TRUE(!bigger && a.num == 30);
  EXPECT_EQ(contents(a), before);
  EXPECT_EQ(a.getaddr(LONG_MAX / 2), nullptr) << "an index beyond any storage must fail";
  EXPECT_TRUE(rec.problems().empty());
  at(a, a.num) = 99;
  EXPECT_EQ(a.num, 31) << "the array must grow again once memory is back";

  kor_fail_after(0);
  TypeParam empty;
  kor_fail_after(-1);
  at(empty, 0) = 5;
  EXPECT_EQ(contents(empty), (std::vector<int>{5})) << "an array built without memory recovers";
}

struct Rec {
  int key;
  int payload;
};
int keycmp(const void *a, const void *b) {
  return intcmp(&static_cast<const Rec *>(a)->key, &static_cast<const Rec *>(b)->key);
}
// A typed array of records over either storage scheme.
template <class Base, class Handle> struct RecArray : Base {
  explicit RecArray(long step) : Base(&h, sizeof(Rec), step, 0) {}
  Rec &operator[](long i) { return *static_cast<Rec *>(this->getaddr(i)); }
  Handle h;
};
// Records every part the sort is asked for, then sorts it as the array would.
template <class Array> struct WatchedSort : Array {
  explicit WatchedSort(long step) : Array(step) {}
  void qsort(long lo, long hi, UT_BASE_ARRAY::CMPFUNC cmp) override {
    parts.emplace_back(lo, hi);
    Array::qsort(lo, hi, cmp);
  }
  std::vector<std::pair<long, long>> parts;
};
template <class A> class RecArrays : public ::testing::Test {};
using RecArrayKinds = ::testing::Types<RecArray<UT_DARRAY, void *>, RecArray<UT_BARRAY, void **>>;
TYPED_TEST_SUITE(RecArrays, RecArrayKinds);

TYPED_TEST(RecArrays, SortaddOfAnElementOfTheArrayItselfInsertsThatRecordWhetherOrNotItGrows) {
  // Capacity 8: the first insertion shifts in place, the second must grow the storage.
  TypeParam a(8);
  const int keys[] = {1, 2, 2, 3, 5, 8, 9};
  for (int i = 0; i < 7; ++i)
    a[i] = Rec{keys[i], 100 + i};
  a.a_sortadd(&a[2], keycmp); // the 2 of payload 102, inserted before the equal ones
  a.a_sortadd(&a[6], keycmp); // the 8 of payload 105
  std::vector<std::pair<int, int>> got;
  for (long i = 0; i < a.num; ++i)
    got.emplace_back(a[i].key, a[i].payload);
  const std::vector<std::pair<int, int>> want = {{1, 100}, {2, 102}, {2, 101}, {2, 102}, {3, 103},
                                                 {5, 104}, {8, 105}, {8, 105}, {9, 106}};
  EXPECT_EQ(got, want);
}

TYPED_TEST(RecArrays, ADerivedClassReplacingQsortSeesEveryPartOfTheSort) {
  WatchedSort<TypeParam> a(16);
  std::mt19937 gen(11);
  for (long i = 0; i < 500; ++i)
    a[i] = Rec{static_cast<int>(gen() % 1000), 0};
  a.a_sort(keycmp, 0, -1);
  for (long i = 1; i < a.num; ++i)
    ASSERT_LE(a[i - 1].key, a[i].key) << "seed 11, at " << i;
  ASSERT_GT(a.parts.size(), 20u) << "every recursive part goes through the virtual qsort";
  EXPECT_EQ(a.parts[0], std::make_pair(0L, 499L));
  for (auto &p : a.parts)
    EXPECT_TRUE(0 <= p.first && p.first <= p.second + 1 && p.second < 500);
}

TEST(UtilArray, SizesNoAllocatorCanServeAreReportedAndLeaveAUsableEmptyArray) {
  RecordingMsgman rec;
  void *h = &h;
  void **t = nullptr;
  {
    UT_DARRAY d(&h, 8, LONG_MAX / 4, 0);
    UT_BARRAY b(&t, 16, LONG_MAX / 8, 0);
    UT_DARRAY wide(&h, LONG_MAX / 2, 1, 0);
    for (UT_BASE_ARRAY *a : std::initializer_list<UT_BASE_ARRAY *>{&d, &b, &wide}) {
      EXPECT_EQ(a->getaddr(0), nullptr);
      EXPECT_EQ(a->getaddr(5), nullptr);
      a->a_resetnum(3);
      a->a_sort(intcmp, 0, -1);
      EXPECT_EQ(a->num, 0);
      EXPECT_EQ(a->a_makearray(), nullptr);
    }
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(t, nullptr);
  }
  ASSERT_EQ(rec.problems().size(), 3u);
  for (const RecordedReport &r : rec.problems())
    EXPECT_TRUE(r.number == 19 && r.text == "Out of memory.\n") << r.unit << r.text;
}

} // namespace
