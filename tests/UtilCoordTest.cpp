// Segment intersection and rectangle overlap.
#include "UtilCoord.h"

#include <gtest/gtest.h>

#include <random>

TEST(UtilCoord, SegmentsMeetExactlyWhenTheyShareAPointInAnyEndPointOrder) {
  // x1 y1 x2 y2 x3 y3 x4 y4, then the answer.
  // clang-format off
  const short c[] = {0, 0, 0, 10, -5, 5, 5, 5, 1,  0, 0, 0, 10, 0, 10, 5, 10, 1, // cross, touch
                     0, 0, 0, 10, 1, 5, 5, 5, 0,   0, 0, 0, 10, 0, -5, 0, 20, 1, // apart, contained
                     0, 0, 10, 0, 10, 0, 12, 0, 1, 0, 0, 10, 0, 11, 0, 12, 0, 0,  // collinear
                     0, 0, 10, 10, 0, 10, 10, 0, 1, 0, 0, 10, 10, 20, 0, 12, 8, 0, // oblique
                     0, 0, 10, 10, 0, 1, 10, 11, 0, 3, 3, 3, 3, 0, 0, 9, 9, 1,  // parallel, point
                     3, 4, 3, 4, 0, 0, 9, 9, 0,
                     -32768, -32768, 32767, 32767, -32768, 32767, 32767, -32768, 1};
  // clang-format on
  for (const short *s = c; s < c + sizeof c / sizeof *c; s += 9) {
    EXPECT_EQ(s[8], ut_lineintersect(s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7])) << s - c;
    EXPECT_EQ(s[8], ut_lineintersect(s[2], s[3], s[0], s[1], s[6], s[7], s[4], s[5])) << s - c;
    EXPECT_EQ(s[8], ut_lineintersect(s[4], s[5], s[6], s[7], s[0], s[1], s[2], s[3])) << s - c;
  }
}

TEST(UtilCoord, RectanglesOverlapWhenTheyShareAPointInEitherOrder) {
  UT_EXTREMA r[][2] = {{{0, 10, 0, 10}, {10, 20, 10, 20}}, // shared corner
                       {{0, 10, 4, 6}, {4, 6, 0, 10}},     // cross shape, no corner inside
                       {{0, 100, 0, 100}, {20, 30, 40, 50}},
                       {{0, 10, 0, 10}, {11, 20, 0, 10}}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(i < 3, r[i][0].overlap(r[i][1])) << i;
    EXPECT_EQ(i < 3, r[i][1].overlap(r[i][0])) << i;
  }
  // Random pairs against the inclusive interval test: small boards make touching
  // common, every fourth pair spans the whole 16-bit range, a third have zero size.
  const unsigned seed = 20261206;
  std::mt19937 gen(seed);
  auto rect = [&](int lo, int hi, int minsize) {
    std::uniform_int_distribution<int> pos(lo, hi), len(minsize, (hi - lo) / 3);
    short x = pos(gen), y = pos(gen);
    return UT_EXTREMA{x, short(std::min(hi, x + len(gen))), y, short(std::min(hi, y + len(gen)))};
  };
  for (int n = 0; n < 200000; ++n) {
    const int lo = n % 4 ? 0 : -32768, hi = n % 4 ? 30 : 32767, minsize = n % 3 ? 1 : 0;
    UT_EXTREMA a = rect(lo, hi, minsize), b = rect(lo, hi, minsize);
    const int expect = a.xmin <= b.xmax && b.xmin <= a.xmax && a.ymin <= b.ymax && b.ymin <= a.ymax;
    ASSERT_EQ(expect, a.overlap(b)) << "seed " << seed << " pair " << n;
    ASSERT_EQ(expect, b.overlap(a)) << "seed " << seed << " pair " << n << " swapped";
  }
}
