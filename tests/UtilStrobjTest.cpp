#include "UtilStrobj.h"

#include "RecordingMsgman.h"

#include <gtest/gtest.h>

TEST(UtilStrobj, ObjectsComeFromTheStringAllocatorWhichHandsBackTheLastReleased) {
  UT_STROBJ *first = new UT_STROBJ("abc");
  ASSERT_NE(nullptr, first);
  EXPECT_STREQ("abc", first->text);
  EXPECT_EQ(3, first->length);
  void *where = first;
  delete first;
  UT_STROBJ *second = new UT_STROBJ(static_cast<const char *>(nullptr));
  EXPECT_EQ(where, static_cast<void *>(second)) << "the released element comes out first";
  EXPECT_EQ(nullptr, second->text);
  EXPECT_EQ(0, second->length);
  delete second;
}

TEST(UtilStrobj, CompareOrdersNullStringsFirst) {
  UT_STROBJ none1, none2, abc("abc"), abd("abd");
  EXPECT_EQ(0, none1.compare(none2));
  EXPECT_EQ(-1, none1.compare(abc));
  EXPECT_EQ(1, abc.compare(none1));
  EXPECT_LT(abc.compare(abd), 0);
  EXPECT_GT(abd.compare(abc), 0);
  EXPECT_EQ(0, abc.compare(UT_STROBJ("abc")));
}

TEST(UtilStrobj, IndexingOutsideTheTextReportsAndYieldsTheLastCharacter) {
  RecordingMsgman rec;
  UT_STROBJ s("xyz");
  EXPECT_EQ('y', s[1]);
  EXPECT_EQ('z', s[3]);
  EXPECT_EQ('z', s[-1]);
  UT_STROBJ none;
  EXPECT_EQ('\0', none[0]) << "a null string yields a scratch NUL";
  ASSERT_EQ(3u, rec.problems().size());
  for (const RecordedReport &r : rec.problems()) {
    EXPECT_EQ("Index out of bounds.\n", r.text);
    EXPECT_EQ(19, r.number);
    EXPECT_EQ("UtilStrobj", r.unit);
  }
  EXPECT_TRUE(rec.all_framed());
}

TEST(UtilStrobj, AppendAssignAndConcatenateKeepNullAndEmptyApart) {
  UT_STROBJ two("ab");
  char *before = two.text;
  EXPECT_STREQ("ab", two.append(nullptr));
  EXPECT_NE(before, two.text) << "append(null) still makes a new buffer";
  EXPECT_EQ(2, two.length);
  UT_STROBJ none;
  EXPECT_EQ(nullptr, none.append(nullptr));
  EXPECT_STREQ("cd", none.append("cd"));
  EXPECT_EQ(2, none.length);

  UT_STROBJ sum = two + UT_STROBJ();
  EXPECT_STREQ("ab", sum.text);
  EXPECT_NE(two.text, sum.text);
  EXPECT_EQ(nullptr, (UT_STROBJ() + UT_STROBJ()).text);
  EXPECT_STREQ("abcd", (two + none).text);
  EXPECT_STREQ("", (UT_STROBJ("") + UT_STROBJ()).text) << "an empty text is not the null string";

  sum = none;
  EXPECT_STREQ("cd", sum.text);
  UT_STROBJ& same = sum;
  sum = same;
  EXPECT_STREQ("cd", sum.text) << "self-assignment keeps the text";
  sum = UT_STROBJ();
  EXPECT_EQ(nullptr, sum.text);
  EXPECT_EQ(0, sum.length);
}
