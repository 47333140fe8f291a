// Record quicksort against std::sort: all small sizes, several record widths,
// adversarial inputs, and comparisons that misbehave.
#include "UtilQsort.h"

#include "KeyLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {
int gv_calls = 0, gv_width = 0, gv_sink = 0;
// Orders records by their first two bytes (few distinct keys, so many ties); the rest
// of each record is payload that must travel with it.
int bykey(const void *a, const void *b) {
  return ++gv_calls, std::memcmp(a, b, std::min(gv_width, 2));
}
int byint(const void *a, const void *b) {
  int x = *static_cast<const int *>(a), y = *static_cast<const int *>(b);
  return ++gv_calls, (x > y) - (x < y);
}
// Sorts v with cmp and checks it against the sorted copy of what it held; an inconsistent
// comparison may leave any order, but must keep every record.
void check(std::vector<int> v, int (*cmp)(const void *, const void *), const std::string &what,
           bool anyorder = false) {
  std::vector<int> want = v;
  std::sort(want.begin(), want.end());
  ASSERT_EQ(1, UT_SORT::qsort(reinterpret_cast<char *>(v.data()), int(v.size()), sizeof(int), cmp));
  if (anyorder)
    std::sort(v.begin(), v.end());
  EXPECT_EQ(want, v) << what;
}
} // namespace

TEST(UtilQsort, NothingIsComparedOrTouchedWhenThereIsNothingToSort) {
  char d[5] = "\3\2\1\0";
  gv_width = 1;
  gv_calls = 0;
  EXPECT_EQ(0, UT_SORT::qsort(d, 0, 1, bykey) + UT_SORT::qsort(d, 1, 1, bykey));
  EXPECT_EQ(0, UT_SORT::qsort(d, 4, 0, bykey) + UT_SORT::qsort(d, 4, 1, nullptr));
  EXPECT_EQ(0, UT_SORT::qsort(nullptr, 4, 1, bykey) + gv_calls);
  EXPECT_EQ(std::string("\3\2\1\0", 4), std::string(d, 4));
  EXPECT_EQ(1, UT_SORT::qsort(d, 3, 1, bykey)) << "sentinel and insertion sort alone";
  EXPECT_EQ(std::string("\1\2\3\0", 4), std::string(d, 4));
}

TEST(UtilQsort, SortsEverySizeAndRecordWidthLikeStdSortKeepingEachRecord) {
  std::mt19937 gen(7);
  auto bykeys = [](auto &x, auto &y) { return x.compare(0, 2, y, 0, 2) < 0; };
  for (int w : {1, 4, 13, 100})
    for (int n = 0; n <= 2000; n += n < 80 ? 1 : 97) {
      std::vector<std::string> in(n, std::string(w, '\0')), out(n);
      std::string buf;
      for (auto &r : in) {
        for (size_t k = 0; k < r.size(); ++k)
          r[k] = char(k < 2 ? gen() % 5 : gen());
        buf += r;
      }
      gv_width = w;
      ASSERT_EQ(n > 1, UT_SORT::qsort(&buf[0], n, w, bykey));
      for (int i = 0; i < n; ++i)
        out[i] = buf.substr(i * w, w);
      ASSERT_TRUE(std::is_sorted(out.begin(), out.end(), bykeys)) << "width " << w << " n " << n;
      std::sort(in.begin(), in.end());
      std::sort(out.begin(), out.end());
      ASSERT_EQ(in, out) << "a record was changed: width " << w << " n " << n;
    }
}

TEST(UtilQsort, AdversarialInputsOf100000RecordsComeOutSortedInNLogNComparisons) {
  const int n = 100000;
  for (int kind = 0; kind < 5; ++kind) { // sorted, reversed, all equal, organ pipe, three keys
    std::vector<int> v(n);
    for (int i = 0; i < n; ++i) {
      const int value[] = {i, n - i, 42, std::min(i, n - i), i * 7919 % 3};
      v[i] = value[kind];
    }
    gv_calls = 0;
    check(v, byint, "input " + std::to_string(kind));
    EXPECT_LT(gv_calls, 20 * n * 17) << "quadratic on input " << kind;
  }
}

TEST(UtilQsort, MisbehavingComparisonsStayInsideTheArrayAndNestedSortsAreSafe) {
  std::vector<int> v(3000);
  for (int i = 0; i < 3000; ++i)
    v[i] = (i * 7919) % 1000;
  // Every record "greater" than every other, itself included: the insertion sort's walk
  // must stop at the front. It reads the records, so the address sanitizer sees a stray.
  auto greater = [](const void *a, const void *b) { return (gv_sink ^= byint(a, b)), 1; };
  // A comparison that runs a sort of its own must leave the outer sort's state intact.
  auto nested = [](const void *a, const void *b) {
    char in[5] = {5, 4, 3, 2, 1};
    UT_SORT::qsort(in, 5, 1, [](const void *x, const void *y) { return *(char *)x - *(char *)y; });
    return byint(a, b);
  };
  check(v, greater, "records lost under an inconsistent comparison", true);
  std::reverse(v.begin(), v.end());
  check(v, nested, "a nested sort disturbed the outer one");
}

namespace {
// Sorts keys held in records of `width` bytes; returns the comparisons made.
std::vector<std::pair<int, int>> compared(const std::vector<int> &keys, int width) {
  std::vector<char> recs(keys.size() * width);
  for (std::size_t i = 0; i < keys.size(); ++i)
    std::memcpy(&recs[i * width], &keys[i], sizeof(int));
  key_log().clear();
  UT_SORT::qsort(recs.data(), int(keys.size()), width, logged_keycmp);
  return key_log();
}
} // namespace

TEST(UtilQsort, RecordWidthChangesNeitherTheComparisonsNorTheirOrder) {
  const unsigned seed = 424242;
  std::mt19937 gen(seed);
  for (int n : {2, 3, 4, 5, 6, 7, 20, 1000}) {
    std::vector<int> keys(n);
    for (int &k : keys)
      k = int(gen() % (n / 2 + 1)); // ties included
    const std::vector<std::pair<int, int>> wide = compared(keys, 12);
    for (int width : {4, 8, 5})
      EXPECT_EQ(wide, compared(keys, width))
          << "width " << width << ", n " << n << ", seed " << seed;
  }
}
