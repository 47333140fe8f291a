// Fixed-size pools: block order and move-to-front, block release, sizes, the listing,
// bad frees and the registry.
#include "UtilFstmem.h"
#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

std::string listing(const UT_FASTMEM &pool) {
  RecordingMsgman rec;
  pool.dump();
  EXPECT_TRUE(rec.all_framed());
  return rec.printed();
}

// The listing of a pool: the header, a line for each block's count and the total line.
std::string dumped(const char *name, int size, int count, std::vector<int> used,
                   const std::string &total) {
  std::string s = std::string("UT_FASTMEM::classname  = ") + name + "\n" +
                  "UT_FASTMEM::elem_size  = " + std::to_string(size) + "\n" +
                  "UT_FASTMEM::elem_cnt   = " + std::to_string(count) + "\n" +
                  "UT_FASTMEM::block_size = " + std::to_string(size * count) + "\n";
  for (size_t i = 0; i < used.size(); ++i)
    s += "   Block " + std::to_string(i) + ":  num_used = " + std::to_string(used[i]) + "\n";
  return s + "   Total used:  " + total + "\n";
}

TEST(UtilFstmem, ASecondBlockOpensOnTheFifthElementAndEmptiedBlocksGoBack) {
  UT_FASTMEM pool(5, 4, "four");
  std::vector<char *> p;
  for (int i = 0; i < 4; ++i)
    p.push_back(static_cast<char *>(pool.getnewptr()));
  for (int i = 1; i < 4; ++i)
    EXPECT_EQ(p[i], p[i - 1] + 8) << "first block not handed out in ascending order";
  p.push_back(static_cast<char *>(pool.getnewptr()));
  EXPECT_TRUE(p[4] < p[0] || p[4] >= p[0] + 32) << "fifth element must come from a new block";
  EXPECT_EQ(listing(pool), dumped("four", 8, 4, {1, 4}, "5 / 8 (62%)")) << "the new block is head";

  pool.kor_free(p[1]);
  pool.kor_free(p[4]); // empties the head block while another remains: released
  EXPECT_EQ(listing(pool), dumped("four", 8, 4, {3}, "3 / 4 (75%)"));
  EXPECT_EQ(pool.getnewptr(), p[1]) << "a freed element must be reused first";
  for (int i = 0; i < 4; ++i)
    pool.kor_free(p[i]);
  EXPECT_EQ(listing(pool), dumped("four", 8, 4, {0}, "0 / 4 (0%)")) << "the last block is kept";
}

TEST(UtilFstmem, SizesRoundUpAndTheListingTruncatesThePercentage) {
  const unsigned long sizes[][2] = {{5, 8}, {8, 8}, {12, 12}, {13, 16}, {15, 16}, {1, 8}};
  for (auto &s : sizes) {
    UT_FASTMEM pool(s[0], 3, nullptr);
    std::string expected =
        "UT_FASTMEM::classname  = NULL\nUT_FASTMEM::elem_size  = " + std::to_string(s[1]) + "\n";
    EXPECT_EQ(listing(pool).substr(0, expected.size()), expected) << "size " << s[0];
  }
  UT_FASTMEM pool(16, 100, "pct");
  for (int i = 0; i < 29; ++i)
    pool.getnewptr();
  EXPECT_EQ(listing(pool), dumped("pct", 16, 100, {29}, "29 / 100 (28%)"));
}

TEST(UtilFstmem, BadFreesAreReportedAndChangeNothing) {
  RecordingMsgman rec;
  UT_FASTMEM pool(8, 4, "bad");
  int outside;
  pool.kor_free(&outside);
  char *a = static_cast<char *>(pool.getnewptr());
  pool.kor_free(&outside);
  pool.kor_free(a + 4); // inside an element
  pool.kor_free(a + 8); // never handed out
  pool.kor_free(a);
  pool.kor_free(a); // the block has nothing handed out
  pool.kor_free(nullptr);
  std::string texts;
  for (auto &r : rec.problems())
    texts += r.unit + ":" + std::to_string(r.number) + ":" + r.text;
  const std::string notinlist = "UtilFstmemimp:19:Tried to delete a pointer not in list.\n";
  EXPECT_EQ(texts, "UtilFstmemimp:19:Unable to free as memory was not allocated.\n" + notinlist +
                       notinlist + notinlist + notinlist);
  EXPECT_TRUE(rec.all_framed());
  EXPECT_EQ(listing(pool), dumped("bad", 8, 4, {0}, "0 / 4 (0%)"));
  EXPECT_EQ(pool.getnewptr(), a);
  EXPECT_EQ(pool.getnewptr(), a + 8) << "a refused free corrupted the free list";

  // Element sizes that are no power of two: only element starts are taken back.
  for (unsigned long size : {12ul, 20ul, 36ul, 1000ul}) {
    UT_FASTMEM odd(size, 5, "odd");
    char *e0 = static_cast<char *>(odd.getnewptr());
    char *e1 = static_cast<char *>(odd.getnewptr());
    rec.clear();
    for (unsigned long off : {4ul, 8ul, size - 4, size + 4, 2 * size - 4})
      odd.kor_free(e0 + off);
    EXPECT_EQ(rec.problems().size(), 5u) << "interior addresses of " << size << "-byte elements";
    odd.kor_free(e1);
    odd.kor_free(e0);
    EXPECT_EQ(rec.problems().size(), 5u) << "element starts of " << size << "-byte elements";
  }
}

// A model of the block chain: blocks by their first element, front first.
struct ModelBlock {
  char *start;
  int used;
};

TEST(UtilFstmem, RandomAllocationsAndFreesKeepTheBlockOrderOfAMoveToFrontChain) {
  const unsigned seed = 20261206;
  std::mt19937 gen(seed);
  UT_FASTMEM pool(8, 4, "model");
  std::vector<ModelBlock> chain;
  std::vector<char *> live;
  auto find = [&](char *p) {
    for (std::size_t i = 0; i < chain.size(); ++i)
      if (p >= chain[i].start && p < chain[i].start + 32)
        return i;
    return chain.size();
  };
  auto to_front = [&](std::size_t i) {
    std::rotate(chain.begin(), chain.begin() + i, chain.begin() + i + 1);
  };
  for (int step = 0; step < 3000; ++step) {
    if (live.empty() || gen() % 100 < (step < 1500 ? 60u : 40u)) {
      char *p = static_cast<char *>(pool.getnewptr());
      // The element comes from the first block of the chain that has room.
      std::size_t want = 0;
      while (want < chain.size() && chain[want].used == 4)
        ++want;
      std::size_t i = find(p);
      if (i == chain.size()) {
        // A fresh block hands out its first element first; it joins the chain at the end.
        ASSERT_EQ(want, chain.size()) << "a new block while one had room, seed " << seed;
        chain.push_back({p, 0});
      }
      ASSERT_EQ(i, want) << "not the first block with room, seed " << seed << " step " << step;
      to_front(i);
      ++chain[0].used;
      live.push_back(p);
    } else {
      std::size_t k = gen() % live.size();
      char *p = live[k];
      live.erase(live.begin() + static_cast<long>(k));
      pool.kor_free(p);
      to_front(find(p));
      if (--chain[0].used == 0 && chain.size() > 1)
        chain.erase(chain.begin());
    }
    if (step % 50 == 0) {
      std::vector<int> used;
      int total = 0;
      for (const ModelBlock &b : chain)
        total += b.used, used.push_back(b.used);
      int capacity = static_cast<int>(chain.size()) * 4;
      std::string sum =
          std::to_string(total) + " / " + std::to_string(capacity) + " (" +
          std::to_string(static_cast<int>(static_cast<double>(total) / capacity * 100)) + "%)";
      ASSERT_EQ(listing(pool), dumped("model", 8, 4, used, sum))
          << "seed " << seed << " step " << step;
    }
  }
}

TEST(UtilFstmem, ReportUsageListsLivingPoolsOnlyInConstructionOrder) {
  auto usage = [] {
    RecordingMsgman rec;
    UT_FASTMEM::report_usage();
    return rec.printed();
  };
  auto first = std::make_unique<UT_FASTMEM>(8, 2, "first");
  UT_FASTMEM second(8, 2, "second");
  first->getnewptr();
  std::string all = usage();
  EXPECT_LT(all.find("UT_BLISTS_ITER"), all.find("= first"));
  EXPECT_LT(all.find("= first"), all.find("= second"));
  first.reset();
  all = usage();
  EXPECT_EQ(all.find("= first"), std::string::npos) << "a destroyed pool is still listed";
  EXPECT_NE(all.find("= second"), std::string::npos);

  // A registry that cannot grow leaves new pools unlisted but working.
  std::vector<std::unique_ptr<UT_FASTMEM>> many;
  kor_fail_after(0);
  for (int i = 0; i < 60; ++i)
    many.push_back(std::make_unique<UT_FASTMEM>(8, 1, "many"));
  kor_fail_after(-1);
  EXPECT_NE(many.back()->getnewptr(), nullptr);
  many.clear();
  EXPECT_EQ(usage().find("= many"), std::string::npos);
  EXPECT_EQ(UT_FASTMEM(8, 0, "none").getnewptr(), nullptr) << "a pool of no elements";
}

} // namespace

TEST(UtilFstmem, SizesNoAllocatorCanServeAreReportedAndThePoolHandsOutNothing) {
  RecordingMsgman rec;
  UT_FASTMEM huge(ULONG_MAX - 1, 4, "huge");   // rounding up would wrap to a tiny element
  UT_FASTMEM many(64, ULONG_MAX / 16, "many"); // the block size would wrap
  EXPECT_EQ(huge.getnewptr(), nullptr);
  EXPECT_EQ(many.getnewptr(), nullptr);
  huge.kor_free(nullptr);
  ASSERT_EQ(rec.problems().size(), 2u);
  for (const RecordedReport &r : rec.problems())
    EXPECT_TRUE(r.number == 19 && r.text == "Out of memory.\n" && r.unit == "UtilFstmemimp");
}
