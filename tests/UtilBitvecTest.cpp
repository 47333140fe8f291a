#include "UtilBitvec.h"

#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

std::string bits_of(const UT_BITVEC &v, unsigned long upto) {
  std::string s;
  for (unsigned long i = 0; i < upto; ++i)
    s += v.is_set(i) ? '1' : '0';
  return s;
}

// The whole byte array, (n / 8 + 1) * 8 bits, so bits set past the end are tracked too.
struct Model {
  unsigned long n;
  std::vector<bool> store;
  explicit Model(unsigned long bits) : n(bits), store((bits / 8 + 1) * 8) {}
  void grow(unsigned long m) {
    n = std::max(n, m);
    store.resize(std::max(store.size(), (n / 8 + 1) * 8));
  }
  bool get(long i) const { return i >= 0 && static_cast<unsigned long>(i) < n && store[i]; }
  long clamp(long last) const { return last < 0 || last >= long(n) ? long(n) - 1 : last; }
  long nth_from(long k, long start) const {
    start = std::max(start, 0L);
    for (long i = start; k >= 0 && i < long(n); ++i)
      if (store[i] && k-- == 0)
        return i;
    return k < 0 ? start - 1 : -1;
  }
};

} // namespace

TEST(UtilBitvec, SettingCountingAndSearchingFollowTheBitAndByteGrains) {
  UT_BITVEC v(10), e(0);
  EXPECT_EQ(v.set(20) + e.set(20), 2);
  EXPECT_EQ(v.getnbits(), 21ul);
  EXPECT_EQ(bits_of(v, 22), "0000000000000000000010");
  EXPECT_EQ(bits_of(e, 22), bits_of(v, 22)) << "an empty vector grows the same way";

  UT_BITVEC w(16);
  w.set_range_bits(3, 12);
  w.reset_range_bits(5, 5);
  EXPECT_EQ(bits_of(w, 16), "0001101111111000");
  EXPECT_EQ(w.count_set_range_bits(2, 5), 2);
  EXPECT_EQ(w.count_set_range_bits(2, 7), 4) << "range ending on the last bit of its byte";
  w.reset_range_bits(4, -1);
  EXPECT_EQ(bits_of(w, 16), "0001000000000000") << "a negative last clears to the end";
  w.set_range_bytes(3, 12);
  EXPECT_EQ(w.count_set_bits(), 16);

  UT_BITVEC b(10);
  b.set_range_bytes(0, 9);
  EXPECT_EQ(b.count_set_bits(), 10);
  EXPECT_EQ(b.count_set_range_bytes(9, 9), 2) << "counts only the bits below the end";
  EXPECT_EQ(b.find_next_set_bit(9), 9);
  EXPECT_EQ(b.find_next_set_bit(10), -1);
  b.grow(16);
  EXPECT_EQ(bits_of(b, 17), "11111111111111110");

  UT_BITVEC s(40);
  s.set(17);
  EXPECT_EQ(s.find_next_set_bit(-5), 17);
  EXPECT_EQ(s.find_next_set_bit(18), -1);
  s.set(3);
  s.set(39);
  EXPECT_EQ(s.find_nth_set_bit(2), 39);
  EXPECT_EQ(s.find_nth_set_bit(3) + s.find_nth_set_bit(-1), -2);
  EXPECT_EQ(s.find_nth_set_bit_from(-1, 7), 6);
}

TEST(UtilBitvec, CombiningVectorsOfDifferentLengthsKeepsTheLength) {
  UT_BITVEC a(10), b(20), c(20), d(10);
  b.set_range_bits(0, 19);
  a |= b;
  a.grow(16);
  EXPECT_EQ(bits_of(a, 16), "1111111111000000") << "bits of b past a's end leaked into a";
  c.set_range_bits(0, 19);
  d.set(1);
  UT_BITVEC x(c);
  x ^= d;
  EXPECT_EQ(bits_of(x, 20), "10111111111111111111");
  c &= d;
  EXPECT_EQ(bits_of(c, 20), "01000000000000000000");
}

TEST(UtilBitvec, PrintReportsOneDigitPerBitAndWritesTheSameToAStream) {
  UT_BITVEC v(3);
  v.set(0);
  v.set(2);
  RecordingMsgman rec;
  v.print();
  ASSERT_EQ(rec.reports.size(), 3u);
  EXPECT_EQ(rec.reports[1].text, "0");
  EXPECT_TRUE(rec.all_framed());
  TempDir dir;
  UT_STREAM s(UT_WRITE, 64, ut_useddefaultfman);
  ASSERT_EQ(s.open(dir.file("bits").c_str(), 1), 1);
  v.print(s);
  UT_BITVEC(0).print(s);
  EXPECT_EQ(read_file_bytes(dir.file("bits")), "101") << "print must flush";
}

TEST(UtilBitvec, OddArgumentsAndExhaustedMemoryAreSafe) {
  RecordingMsgman rec;
  UT_BITVEC v(16);
  v.set_range_bits(2, 4);
  EXPECT_EQ(v.set_range_bits(9, 5) + v.set_range_bytes(9, 5), 2) << "an empty range is done";
  EXPECT_EQ(v.set_range_bits(3, -1) + v.set_range_bytes(3, -1), 0) << "negative last refused";
  v.reset_range_bits(4, 2);
  v.reset_range_bytes(12, 3);
  EXPECT_EQ(v.count_set_range_bytes(12, 3) + v.count_set_range_bits(16, 40), 0);
  EXPECT_EQ(v.set(~0ul), 0) << "a bit past any possible length";
  UT_BITVEC &same = v;
  v = same;
  v &= same;
  EXPECT_EQ(bits_of(v, 17), "00111000000000000");

  kor_fail_after(0);
  UT_BITVEC none(100), copy(v);
  v = none;
  EXPECT_EQ(v.set(40), 0);
  kor_fail_after(-1);
  ASSERT_EQ(rec.problems().size(), 3u);
  for (const auto &r : rec.problems())
    EXPECT_TRUE(r.kind == RecordedReport::Numbered && r.number == 1 &&
                r.text == "Out of memory.\n");
  EXPECT_EQ(bits_of(v, 17), "00111000000000000") << "a failed assignment changes nothing";
  EXPECT_EQ(none.getnbits() + copy.count_set_bits() + none.find_next_set_bit(0), ~0ul);
  none |= v;
  v &= none;
  EXPECT_EQ(v.count_set_bits(), 0);
  EXPECT_EQ(none.set_range_bits(0, 11), 1) << "a vector left empty stays usable";
  EXPECT_EQ(none.count_set_bits(), 12);
}

TEST(UtilBitvec, RandomOperationsAgreeWithAModel) {
  const unsigned seed = 20261206;
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  auto pick = [&rng](long lo, long hi) { return std::uniform_int_distribution<long>(lo, hi)(rng); };
  std::vector<UT_BITVEC> v{UT_BITVEC(0), UT_BITVEC(13)};
  std::vector<Model> m{Model(0), Model(13)};
  for (int step = 0; step < 120000; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    int w = pick(0, 1), op = pick(0, 2);
    bool bytes = pick(0, 1);
    UT_BITVEC &a = v[w];
    Model &ma = m[w];
    long f = pick(-3, 140), l = pick(-3, 140), lc = ma.clamp(l), from = std::max(f, 0L);
    long lo = bytes ? from / 8 * 8 : from; // first bit of the range at its grain
    switch (pick(0, 9)) {
    case 0:
      ASSERT_EQ(a.set(f + 3), 1);
      ma.grow(f + 4);
      ma.store[f + 3] = true;
      a.grow(l + 3);
      ma.grow(l + 3);
      break;
    case 1:
      ASSERT_EQ(bytes ? a.set_range_bytes(f, l) : a.set_range_bits(f, l), l >= 0 ? 1 : 0);
      ma.grow(l >= from ? l + 1 : 0);
      for (long i = lo; l >= from && i <= (bytes ? l / 8 * 8 + 7 : l); ++i)
        ma.store[i] = true;
      break;
    case 2:
      bytes ? a.reset_range_bytes(f, l) : a.reset_range_bits(f, l);
      for (long i = lo; from <= lc && i <= (bytes ? lc / 8 * 8 + 7 : lc); ++i)
        ma.store[i] = false;
      break;
    case 3: {
      long want = 0;
      for (long i = lo; from <= lc && i <= (bytes ? lc / 8 * 8 + 7 : lc); ++i)
        want += ma.get(i);
      ASSERT_EQ(bytes ? a.count_set_range_bytes(f, l) : a.count_set_range_bits(f, l), want);
      break;
    }
    case 4:
      ASSERT_EQ(a.find_next_set_bit(f), ma.nth_from(0, f));
      ASSERT_EQ(a.find_nth_set_bit(l / 4 - 1), l / 4 < 1 ? -1 : ma.nth_from(l / 4 - 1, 0));
      ASSERT_EQ(a.find_nth_set_bit_from(l / 8 - 1, f), ma.nth_from(l / 8 - 1, f));
      break;
    case 5:
    case 6: {
      const UT_BITVEC &b = v[step % 2];
      const Model mb = m[step % 2];
      op == 0 ? a |= b : op == 1 ? a &= b : a ^= b;
      for (unsigned long i = 0; i < std::min(ma.n, mb.n); ++i)
        ma.store[i] = op == 0   ? ma.store[i] || mb.store[i]
                      : op == 1 ? ma.store[i] && mb.store[i]
                                : ma.store[i] != mb.store[i];
      for (unsigned long i = mb.n; op == 1 && ma.n > mb.n && i < ma.store.size(); ++i)
        ma.store[i] = false;
      break;
    }
    case 7:
      if (pick(0, 40) == 0) {
        v[w] = op ? v[1 - w] : UT_BITVEC(f + 3);
        m[w] = op ? m[1 - w] : Model(f + 3);
      }
      break;
    default:
      ASSERT_EQ(a.is_set(f + 3), ma.get(f + 3));
    }
    if (step % 64 == 0) {
      ASSERT_EQ(a.getnbits(), ma.n);
      long want = 0;
      for (unsigned long i = 0; i < ma.n + 8; ++i) {
        ASSERT_EQ(a.is_set(i), ma.get(i)) << "bit " << i;
        want += ma.get(i);
      }
      ASSERT_EQ(a.count_set_bits(), want);
    }
  }
}
