// Small-object memory: chunk layout, LIFO reuse, size classes, the size limit and
// exhausted memory.
#include "RecordingMsgman.h"
#include "UtilSmemimp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

TEST(UtilSmem, EightByteElementsCome125ToAChunkAndTheLastGivenBackComesFirst) {
  UT_SM_SMALLMEM mem(8, 1, "eight", -1);
  std::vector<char *> p;
  for (int i = 0; i < 126; ++i)
    p.push_back(static_cast<char *>(mem.getmem()));
  for (int i = 1; i < 125; ++i)
    ASSERT_EQ(p[i], p[i - 1] + 8) << "element " << i << " not next in the chunk";
  EXPECT_TRUE(p[125] < p[0] || p[125] >= p[0] + 1000) << "the 126th must open a new chunk";
  mem.relmem(p[7]);
  mem.relmem(p[3]);
  EXPECT_EQ(mem.getmem(), p[3]);
  EXPECT_EQ(mem.getmem(), p[7]);
}

TEST(UtilSmem, ReleasedBucketsServeRequestsWithoutNewChunks) {
  UT_SM_SMALLMEM mem(8, 1, "five", 40); // five elements a chunk and a bucket
  std::set<void *> given;
  for (int i = 0; i < 17; ++i)
    given.insert(mem.getmem());
  for (void *q : given)
    mem.relmem(q);
  // Two come back from the release bucket, three from the chunk being used up, then the
  // three full buckets that were handed to the table: no chunk is needed.
  kor_fail_after(0);
  std::set<void *> after;
  size_t reused = 0;
  for (int i = 0; i < 20; ++i) {
    void *q = mem.getmem();
    EXPECT_NE(q, nullptr) << "request " << i << " needed a new chunk";
    after.insert(q);
    reused += given.count(q);
  }
  kor_fail_after(-1);
  EXPECT_EQ(reused, 17u);
  EXPECT_EQ(after.size(), 20u) << "an element was handed out twice";
}

TEST(UtilSmem, SharedAllocatorsOfOneRoundedSizeUseOneSizeClass) {
  RecordingMsgman rec;
  UT_SM_SMALLMEM five(5, 0, "five", -1), eight(8, 0, "eight", -1), nine(9, 0, "nine", -1);
  ASSERT_NE(sm_memmngr, nullptr);
  EXPECT_EQ(sm_memmngr->getmemhandler(9)->elsize, 12);
  void *p = five.getmem();
  five.relmem(p);
  EXPECT_EQ(eight.getmem(), p) << "sizes 5 and 8 must share a size class";
  eight.relmem(p);
  EXPECT_NE(nine.getmem(), p) << "size 9 must use its own size class";
  EXPECT_TRUE(rec.problems().empty());

  UT_SM_SMALLMEM big(61, 0, "big", -1);
  EXPECT_EQ(big.getmem(), nullptr);
  big.relmem(p);
  ASSERT_EQ(rec.problems().size(), 1u);
  const RecordedReport r = rec.problems()[0];
  EXPECT_EQ(r.unit + ":" + std::to_string(r.number) + ":" + r.text,
            "UtilSmemimp:-1:SMALLMEM: elementsize too large.\n");
  EXPECT_TRUE(rec.all_framed());
}

TEST(UtilSmem, WithoutMemoryGetmemReturnsNullAndRecoversLater) {
  kor_fail_after(0);
  UT_SM_SMALLMEM none(8, 1, "none", 40);
  EXPECT_EQ(none.getmem(), nullptr);
  kor_fail_after(-1);
  EXPECT_NE(none.getmem(), nullptr);
  // Elements given back without memory are swept in AllocFailureTest.
}

} // namespace

TEST(UtilSmem, FourByteElementsCome250ToAChunkFourBytesApart) {
  for (unsigned char dedicated : {0, 1}) {
    UT_SM_SMALLMEM mem(3, dedicated, "four", -1);
    std::vector<char *> p;
    for (int i = 0; i < 251; ++i)
      p.push_back(static_cast<char *>(mem.getmem()));
    // A shared class may have handed out elements before: look at a run of one chunk.
    int run = 1, longest = 1;
    for (int i = 1; i < 251; ++i) {
      run = p[i] == p[i - 1] + 4 ? run + 1 : 1;
      longest = std::max(longest, run);
    }
    EXPECT_EQ(longest, dedicated ? 250 : longest) << "no more than 250 in a chunk";
    EXPECT_GE(longest, 2) << "elements 4 bytes apart";
    if (dedicated) {
      EXPECT_TRUE(p[250] < p[0] || p[250] >= p[0] + 1000) << "the 251st opens a new chunk";
    }
    for (char *q : p)
      mem.relmem(q);
  }
}
