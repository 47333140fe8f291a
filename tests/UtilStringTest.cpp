#include "UtilString.h"

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
