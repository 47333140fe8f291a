#include "UtilString.h"

#include <gtest/gtest.h>

#include <string>

TEST(UtilString, CapacityHasAFloorOfTenAndKeepsLargerRequests) {
  UT_STRING zero(0), five(5), negative(-3), big(255);
  EXPECT_EQ(10, zero.capacity);
  EXPECT_EQ(10, five.capacity);
  EXPECT_EQ(10, negative.capacity);
  EXPECT_EQ(255, big.capacity);
  EXPECT_STREQ("", big.buffer);
  EXPECT_EQ(0, big.length);
}

TEST(UtilString, TheEleventhCharacterDoublesTheCapacityAndKeepsTheText) {
  UT_STRING s(10);
  s.append("0123456789");
  EXPECT_EQ(10, s.capacity) << "a full buffer must not grow before it overflows";
  s.append('A');
  EXPECT_EQ(20, s.capacity);
  EXPECT_EQ(11, s.length);
  EXPECT_STREQ("0123456789A", s.buffer);
}

TEST(UtilString, EmptyAndNulAppendsChangeNothingAndResetKeepsTheBuffer) {
  UT_STRING s(10);
  s.append("abc");
  s.append("");
  s.append(static_cast<const char *>(nullptr));
  s.append('\0');
  EXPECT_STREQ("abc", s.buffer);
  EXPECT_EQ(3, s.length);
  s.append("0123456789012");
  const long grown = s.capacity;
  s.reset();
  EXPECT_EQ(grown, s.capacity) << "reset must keep the grown buffer";
  EXPECT_STREQ("", s.buffer);
  s.append("x");
  EXPECT_STREQ("x", s.buffer);
  EXPECT_EQ(1, s.length);
}

TEST(UtilString, ManyAppendsMatchAStandardStringAcrossSeveralDoublings) {
  UT_STRING s(10);
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    const char c = static_cast<char>('a' + i % 26);
    if (i % 3 == 0) {
      const char piece[] = {c, c, '\0'};
      s.append(piece);
      expected += piece;
    } else {
      s.append(c);
      expected += c;
    }
    ASSERT_LE(s.length, s.capacity);
  }
  EXPECT_EQ(expected, std::string(s.buffer));
  EXPECT_EQ(static_cast<long>(expected.size()), s.length);
  EXPECT_EQ(10L << 10, s.capacity) << "capacity grows only by doubling";
}
