// Load-time objects: the class pools and the string allocator exist before any test runs.
#include "RecordingMsgman.h"
#include "UtilBlist.h"
#include "UtilBtreeimp.h"
#include "UtilSmemimp.h"
#include "UtilStrobj.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string emptypool(const char *name, unsigned long size, unsigned long count) {
  unsigned long rounded = (size + 3) / 4 * 4;
  return std::string("UT_FASTMEM::classname  = ") + name + "\n" +
         "UT_FASTMEM::elem_size  = " + std::to_string(rounded) + "\n" +
         "UT_FASTMEM::elem_cnt   = " + std::to_string(count) + "\n" +
         "UT_FASTMEM::block_size = " + std::to_string(rounded * count) + "\n" +
         "   No blocks allocated.\n";
}

// Must stay the first test of this executable: nothing may have used a pool before it.
TEST(UtilVars, ReportUsageRightAfterLoadListsTheFiveClassPoolsEmptyInOrder) {
  RecordingMsgman rec;
  UT_FASTMEM::report_usage();
  std::string expected = emptypool("UT_BTR_NODE", sizeof(UT_BTR_NODE), 4000) +
                         emptypool("UT_BLIST", sizeof(UT_BLIST), 800) +
                         emptypool("UT_BLISTS", sizeof(UT_BLISTS), 3000) +
                         emptypool("UT_BLIST_ITER", sizeof(UT_BLIST_ITER), 5) +
                         emptypool("UT_BLISTS_ITER", sizeof(UT_BLISTS_ITER), 5);
  EXPECT_EQ(rec.printed(), expected);
  EXPECT_TRUE(rec.all_framed());
  EXPECT_EQ(rec.reports.at(0).unit, "UtilFstmemimp");
}

TEST(UtilVars, StringAllocatorIsTheSharedSizeClassOfOneStringObject) {
  ASSERT_NE(sm_memmngr, nullptr);
  void *p = ut_stringmem.getmem();
  ASSERT_NE(p, nullptr);
  ut_stringmem.relmem(p);
  // The element given back last comes out first, whichever handle asks the size class.
  UT_SM_INT_SMALLMEM *sizeclass = sm_memmngr->getmemhandler(sizeof(UT_STROBJ));
  EXPECT_EQ(sizeclass->getmem(), p) << "ut_stringmem does not use the manager's size class";
  sizeclass->relmem(p);
}

} // namespace
