// Tests of the alias cache: first registration wins, listings, flushing and ownership.
#include "UtilAlias.h"
#include "RecordingMsgman.h"
#include "UtilAliasimp.h"
#include "UtilBtreeimp.h"

#include <gtest/gtest.h>

#include <string>

TEST(UtilAlias, FirstRegistrationWinsNullNamesAreRefusedAndFlushDeletesEveryRecord) {
  RecordingMsgman rec;
  UT_ACH_CACHE cache;
  UT_ACH_ALIAS *a = cache.add("a", "x");
  ASSERT_NE(a, nullptr);
  EXPECT_STREQ(a->get_name(), "a");
  EXPECT_TRUE(!cache.find("b") && !cache.add(nullptr, "z") && !cache.find(nullptr));
  EXPECT_EQ(cache.add("a", "y"), nullptr);
  EXPECT_EQ(cache.find("a"), a);
  EXPECT_STREQ(a->get_alias(), "x");
  ASSERT_NE(cache.add("b", nullptr), nullptr);
  EXPECT_STREQ(cache.find("b")->get_alias(), "") << "a missing alias is kept as an empty text";

  UT_FASTMEM *pool = UT_BTR_NODE::mem;
  UT_BTR_NODE::mem = nullptr; // no node for a new name: the record is not kept
  EXPECT_EQ(cache.add("c", "z"), nullptr);
  UT_BTR_NODE::mem = pool;
  EXPECT_EQ(cache.find("c"), nullptr);
  EXPECT_EQ(cache.get_count(), 2);

  std::string name;
  for (char c = 'c'; c <= 'z'; ++c)
    ASSERT_NE(cache.add((name = c).c_str(), "alias"), nullptr);
  EXPECT_EQ(cache.get_count(), 26);
  cache.flush(); // the leak checker sees any record left behind
  EXPECT_TRUE(cache.get_count() == 0 && !cache.find("m"));
  ASSERT_NE(cache.add("m", "again"), nullptr);
  EXPECT_STREQ(cache.find("m")->get_alias(), "again");
  EXPECT_TRUE(rec.problems().empty());
  // The records still held are deleted with the cache.
}

TEST(UtilAlias, ListingsShowRecordsInDescendingNameOrderInBothForms) {
  TempDir dir;
  UT_ACH_CACHE cache;
  cache.add("a", "x");
  cache.add("b", "y");
  cache.add("c", "z");
  const char *expected[] = {
      "Dumping alias cache: 3 entries\n   c, (z)\n   b, (y)\n   a, (x)\n",
      ("Dumping alias cache: 3 entries\n   c, (z)\n      depth = 2, balance = EQUAL\n"
       "   b, (y)\n      depth = 1, balance = EQUAL\n"
       "   a, (x)\n      depth = 2, balance = EQUAL\n"),
      "   WARNING- null BTREE data ptr (cache is corrupt)\n"};
  for (int node_state = 0; node_state <= 2; ++node_state) {
    RecordingMsgman rec;
    UT_STREAM s(UT_WRITE, 64, ut_useddefaultfman);
    ASSERT_EQ(s.open(dir.file("dump").c_str(), 1), 1);
    if (node_state < 2) {
      cache.dump(static_cast<unsigned char>(node_state));
      cache.dump(s, static_cast<unsigned char>(node_state));
      EXPECT_EQ(rec.reports.at(0).unit + " " + rec.reports.at(1).unit, "UtilAliasimp UtilAlias");
    } else { // an empty cell, which only a corrupt cache has
      ach_dump(nullptr);
      ach_dump(s, nullptr);
    }
    EXPECT_EQ(rec.printed(), expected[node_state]);
    s.close();
    EXPECT_EQ(read_file_bytes(dir.file("dump")), rec.printed());
    EXPECT_TRUE(rec.all_framed());
  }
}
