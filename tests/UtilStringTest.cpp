#include "UtilString.h"
#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <string>

TEST(UtilString, CapacityHasAFloorOfTenAndDoublesOnlyWhenTheTextOverflows) {
  EXPECT_EQ(10, UT_STRING(0).capacity);
  EXPECT_EQ(10, UT_STRING(5).capacity);
  EXPECT_EQ(255, UT_STRING(255).capacity);
  UT_STRING s(10);
  s.append("0123456789");
  EXPECT_EQ(10, s.capacity) << "a full buffer must not grow before it overflows";
  s.append('A');
  EXPECT_EQ(20, s.capacity);
  s.append("");
  s.append(static_cast<const char *>(nullptr));
  s.append('\0');
  EXPECT_EQ(11, s.length) << "empty and NUL appends add nothing";
  EXPECT_STREQ("0123456789A", s.buffer);
  s.reset();
  s.append(std::string(19, 'x').c_str());
  s.append('x');
  EXPECT_EQ(20, s.capacity) << "reset keeps the grown buffer; a character filling it adds none";
  s.reset();
  // Many appends match a standard string across several doublings.
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    const char piece[] = {static_cast<char>('a' + i % 26), static_cast<char>('A' + i % 26), 0};
    i % 3 ? s.append(piece[0]) : s.append(piece);
    expected += i % 3 ? std::string(1, piece[0]) : std::string(piece);
  }
  EXPECT_EQ(expected, s.buffer);
  EXPECT_EQ(static_cast<long>(expected.size()), s.length);
  EXPECT_EQ(20L << 9, s.capacity) << "capacity grows only by doubling";
}

TEST(UtilString, AppendingItsOwnTextAppendsACopyEvenWhenTheBufferMoves) {
  UT_STRING s(10);
  s.append("abcdef");
  s.append(s.buffer); // 12 characters: the buffer doubles under the text being read
  EXPECT_STREQ("abcdefabcdef", s.buffer);
  s.append(s.buffer + 9); // a suffix that stays in place
  EXPECT_STREQ("abcdefabcdefdef", s.buffer);
  EXPECT_EQ(15, s.length);
  for (int i = 0; i < 4; ++i)
    s.append(s.buffer);
  EXPECT_EQ(15 * 16, s.length);
  EXPECT_EQ(std::string(s.buffer).substr(0, 15), std::string(s.buffer).substr(225));
}

TEST(UtilString, WithoutMemoryTheTextKeepsWhatFitsAndTheFailureIsReported) {
  RecordingMsgman rec;
  UT_STRING s(10);
  s.append("0123456789");
  kor_fail_after(0);
  s.append("more");
  s.append('x');
  UT_STRING *made = new UT_STRING(20);
  UT_STRING none(30);
  kor_fail_after(-1);
  EXPECT_EQ(made, nullptr) << "new yields null, it never throws";
  EXPECT_STREQ("0123456789", s.buffer);
  EXPECT_STREQ("", none.buffer) << "a string without a buffer is still the empty text";
  EXPECT_EQ(0, none.capacity);
  none.append("usable");
  EXPECT_STREQ("usable", none.buffer) << "it gets a buffer once memory is back";
  ASSERT_EQ(rec.problems().size(), 3u);
  for (const RecordedReport &r : rec.problems())
    EXPECT_TRUE(r.number == 19 && r.text == "Out of memory.\n" && r.unit == "UtilString");
}
