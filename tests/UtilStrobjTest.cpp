#include "UtilStrobj.h"

#include "RecordingMsgman.h"

#include <gtest/gtest.h>

TEST(UtilStrobj, ObjectsComeFromTheStringAllocatorWhichHandsBackTheLastReleased) {
  UT_STROBJ *first = new UT_STROBJ("abc");
  ASSERT_NE(nullptr, first);
  EXPECT_TRUE(first->length == 3 && UT_STR::Compare(first->text, "abc") == 0);
  void *where = first;
  delete first;
  UT_STROBJ *second = new UT_STROBJ(static_cast<const char *>(nullptr));
  EXPECT_EQ(where, static_cast<void *>(second)) << "the released element comes out first";
  EXPECT_TRUE(second->text == nullptr && second->length == 0);
  delete second;
}

TEST(UtilStrobj, CompareOrdersNullStringsFirstAndIndexingOutsideReports) {
  RecordingMsgman rec;
  UT_STROBJ none, none2, abc("abc"), abd("abd");
  EXPECT_EQ(0, none.compare(none2));
  EXPECT_EQ(-1, none.compare(abc));
  EXPECT_EQ(1, abc.compare(none));
  EXPECT_LT(abc.compare(abd), 0);
  EXPECT_EQ(0, abc.compare(UT_STROBJ("abc")));
  EXPECT_EQ('b', abc[1]);
  EXPECT_TRUE(rec.reports.empty());
  EXPECT_EQ('c', abc[3]) << "past the end yields the last character";
  EXPECT_EQ('c', abc[-1]);
  EXPECT_EQ('\0', none[0]) << "a null string yields a scratch NUL";
  ASSERT_EQ(3u, rec.problems().size());
  for (const RecordedReport &r : rec.problems())
    EXPECT_TRUE(r.text == "Index out of bounds.\n" && r.number == 19 && r.unit == "UtilStrobj");
  EXPECT_TRUE(rec.all_framed());
}

TEST(UtilStrobj, AppendAssignAndConcatenateKeepNullAndEmptyApart) {
  UT_STROBJ two("ab"), none;
  char *before = two.text;
  EXPECT_STREQ("ab", two.append(nullptr));
  EXPECT_TRUE(two.text != before && two.length == 2) << "append(null) makes a new buffer";
  EXPECT_EQ(nullptr, none.append(nullptr));
  EXPECT_STREQ("cd", none.append("cd"));
  EXPECT_EQ(2, none.length);
  UT_STROBJ sum = two + UT_STROBJ();
  EXPECT_TRUE(sum.text != two.text && UT_STR::Compare(sum.text, "ab") == 0);
  EXPECT_EQ(nullptr, (UT_STROBJ() + UT_STROBJ()).text);
  EXPECT_STREQ("abcd", (two + none).text);
  EXPECT_STREQ("", (UT_STROBJ("") + UT_STROBJ()).text) << "an empty text is not the null string";
  sum = none;
  UT_STROBJ &same = sum;
  sum = same;
  EXPECT_STREQ("cd", sum.text) << "self-assignment keeps the text";
  sum = UT_STROBJ();
  EXPECT_TRUE(sum.text == nullptr && sum.length == 0);
}
