#include "UtilEquate.h"

#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <set>
#include <string>

namespace {
std::string narrow(const wchar_t *w) {
  std::string s;
  for (; w && *w; ++w)
    s += static_cast<char>(*w);
  return s;
}

const char *NAMES[] = {"A0", "A1", "A2", "A3", "A4", "A5"};

struct Outcome {
  int code;
  std::string out; // "(null)" when no text was handed back
  std::string msg;
};

Outcome equatestr(unsigned char assignform, const std::string &init, long nlines) {
  UT_EQUATE eq(assignform);
  char *out = nullptr;
  const int code = eq.gen_equatestr(init.c_str(), NAMES, nlines, "O", out);
  return {code, out ? out : "(null)", narrow(eq.geterrmsg())};
}

Outcome hex(unsigned char assignform, const std::string &equation, long nlines) {
  UT_EQUATE eq(assignform);
  char *out = reinterpret_cast<char *>(1);
  const int code = eq.gen_hex(equation.c_str(), NAMES, nlines, "O", out);
  return {code, out ? out : "(null)", narrow(eq.geterrmsg())};
}

std::string digits(uint64_t value, long nlines) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "%0*llX", static_cast<int>((1L << nlines) / 4),
                static_cast<unsigned long long>(value));
  return buf;
}
} // namespace

TEST(UtilEquate, InitValuesBecomeSumsOfMintermsWithTheConventionsWarnings) {
  struct Case {
    unsigned char assignform;
    const char *init;
    long nlines;
    int code;
    const char *out;
    const char *msg;
  };
  const std::string longinit = std::string(99999, 'Z') + "8"; // leading characters unread
  const Case cases[] = {
      {0, "8", 2, 1, "O = A0*A1", ""},
      {0, "6", 2, 1, "O = A0*~A1 + ~A0*A1", ""},
      {0, "0", 2, 1, "O = 0", ""},
      {0, "F", 2, 1, "O = ~A0*~A1 + A0*~A1 + ~A0*A1 + A0*A1", ""},
      {0, "", 2, 2, "O = 0",
       "INITSTATE string shorter than width of the ROM - padding with zeros."},
      {0, "12", 2, 2, "O = A0*~A1", "Extra bits specified in the INITSTATE - ignoring."},
      {0, "1", 3, 2, "O = ~A0*~A1*~A2",
       "INITSTATE string shorter than width of the ROM - padding with zeros."},
      {1, "1", 3, 1, "O=~A0*~A1*~A2", ""},
      {0, "G", 2, 3, "(null)", "Bad character 'G' in INITSTATE string."},
      {0, "0x8", 2, 2, "O = A0*A1", "Extra bits specified in the INITSTATE - ignoring."},
      {1, "INIT=0x8", 2, 1, "O=A0*A1", ""},
      {1, "0X8", 2, 1, "O=A0*A1", ""},
      {0, "8", 1, 4, "(null)", "Wrong number of address lines."},
      {0, "8", 7, 4, "(null)", "Wrong number of address lines."},
      {0, longinit.c_str(), 2, 2, "O = A0*A1", "Extra bits specified in the INITSTATE - ignoring."},
      {0, "8\xE9", 2, 3, "(null)", "Bad character '\xE9' in INITSTATE string."},
  };
  for (const Case &k : cases) {
    const Outcome o = equatestr(k.assignform, k.init, k.nlines);
    EXPECT_EQ(k.code, o.code) << k.init;
    EXPECT_EQ(k.out, o.out) << k.init;
    EXPECT_EQ(k.msg, o.msg) << k.init;
  }
}

TEST(UtilEquate, EquationsBecomeInitDigitsOrAssignments) {
  EXPECT_EQ("8", hex(0, "O = A0*A1", 2).out);
  EXPECT_EQ("O=0x8", hex(1, "O = A0*A1", 2).out);
  EXPECT_EQ("AA", hex(0, "A0", 3).out);
  EXPECT_EQ("FFFF0000", hex(0, "a4", 5).out);
  const Outcome six = hex(0, "A0", 6);
  EXPECT_EQ(4, six.code);
  EXPECT_EQ("Wrong number of address lines.", six.msg);
  const Outcome empty = hex(0, "O = ", 2);
  EXPECT_EQ(5, empty.code);
  EXPECT_EQ("(null)", empty.out);
  EXPECT_EQ("Empty equate string - ignoring.", empty.msg);
  EXPECT_EQ("Too many right parens.", hex(0, "A0)", 2).msg);
  EXPECT_EQ("Unexpected '\xFF'.", hex(0, "A0*\xFF", 2).msg);

  UT_EQUATE eq(0);
  char *out = nullptr;
  EXPECT_EQ(5, eq.gen_hex("A9", NAMES, 2, out));
  EXPECT_EQ("Unknown literal \"A9\".", narrow(eq.geterrmsg()));
  EXPECT_EQ(1, eq.gen_hex("A1", NAMES, 2, out));
  EXPECT_EQ(nullptr, eq.geterrmsg()) << "a success clears the previous message";
  EXPECT_STREQ("C", out);
}

TEST(UtilEquate, ValidateChecksLeftHandSidesHexValuesAndEquations) {
  struct Case {
    unsigned char assignform;
    const char *text;
    const char *lhs;
    int code;
    const char *msg;
  } cases[] = {
      {1, "INIT=0x1F", "INIT", 1, ""},
      {1, "init=0x1F", "INIT", 1, ""},
      {1, "INIT=0x", "INIT", 5, "Invalid hexdecimal string \"0x\"."},
      {1, "INIT=0x1G", "INIT", 5, "Invalid hexdecimal digit <G> in string \"0x1G\"."},
      {1, "OUT=0x1", "INIT", 5, "Invalid left hand side, \"INIT\"."},
      {1, "IN=0x1", "INIT", 5, "Invalid left hand side, \"INIT\"."},
      {1, "0x1", "INIT", 5, "Missing = ."},
      {1, "=0x1F", "", 1, ""},
      {1, "INIT=0x1F", "", 5, "Invalid left hand side, \"\"."},
      {1, "O=A0*~A1", "O", 1, ""},
      {1, "O=a0", "O", 5, "Unknown literal \"a0\"."},
      {0, "O = A0 + ", "", 5, "Empty equate string - ignoring."},
      {0, "anything = a0 @ (A1 + 1)", "", 1, ""},
      {0, "0x1F", "", 5, "Unexpected 'x1F'."},
  };
  for (const Case &k : cases) {
    UT_EQUATE eq(k.assignform);
    EXPECT_EQ(k.code, eq.validate(k.text, k.lhs, NAMES, 2)) << k.text;
    EXPECT_EQ(k.msg, narrow(eq.geterrmsg())) << k.text;
  }
  UT_EQUATE eq(1);
  EXPECT_EQ(1, eq.validate(("INIT=0x" + std::string(100000, 'f')).c_str(), "INIT", NAMES, 2));
  EXPECT_EQ(5,
            eq.validate(("INIT=0x" + std::string(100000, 'f') + "\x80").c_str(), "INIT", NAMES, 2));
  EXPECT_EQ(1, eq.validate("=0x1F", NAMES, 2)) << "the short form checks for an empty lhs";
  char *out = nullptr;
  EXPECT_EQ(1, eq.gen_hex("A0", NAMES, 2, out));
  EXPECT_STREQ("=0xA", out);
}

TEST(UtilEquate, EveryInitValueSurvivesARoundTripThroughItsEquation) {
  const unsigned seed = 20261206;
  std::mt19937_64 random(seed);
  for (unsigned char assignform : {0, 1}) {
    UT_EQUATE eq(assignform);
    for (long nlines = 2; nlines <= 5; ++nlines) {
      const uint64_t values = 1ULL << (1L << nlines);
      const uint64_t tries = nlines <= 3 ? values : 1500;
      for (uint64_t i = 0; i < tries; ++i) {
        const uint64_t value = nlines <= 3 ? i : random() & (values - 1);
        const std::string init = digits(value, nlines);
        char *equation = nullptr;
        ASSERT_EQ(1, eq.gen_equatestr(init.c_str(), NAMES, nlines, "O", equation)) << init;
        const std::string text = equation;
        char *back = nullptr;
        ASSERT_EQ(1, eq.gen_hex(text.c_str(), NAMES, nlines, "O", back)) << text;
        EXPECT_EQ(assignform ? "O=0x" + init : init, std::string(back))
            << "seed " << seed << ", " << text;
      }
    }
  }
  // Six lines: the minterms of the equation are exactly the set bits of the INIT value.
  UT_EQUATE eq(0);
  for (int i = 0; i < 200; ++i) {
    const uint64_t value = random();
    char *equation = nullptr;
    ASSERT_EQ(1, eq.gen_equatestr(digits(value, 6).c_str(), NAMES, 6, "O", equation));
    std::string text = std::string(equation).substr(4);
    std::set<int> addresses;
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find(" + ", start);
      const std::string term = text.substr(start, end - start);
      int address = 0;
      for (int line = 0; line < 6; ++line)
        if (term.find("~A" + std::to_string(line)) == std::string::npos)
          address |= 1 << line;
      EXPECT_TRUE(addresses.insert(address).second) << term;
      start = end == std::string::npos ? text.size() : end + 3;
    }
    for (int bit = 0; bit < 64; ++bit)
      EXPECT_EQ((value >> bit) & 1, addresses.count(bit)) << "seed " << seed << ", bit " << bit;
  }
}
