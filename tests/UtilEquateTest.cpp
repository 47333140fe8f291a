#include "UtilEquate.h"
#include "UtilEquateimp.h"

#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {
std::string narrow(const wchar_t *w) { return w ? std::string(w, w + std::wcslen(w)) : ""; }

const char *NAMES[] = {"A0", "A1", "A2", "A3", "A4", "A5"};
const char *PAD = "INITSTATE string shorter than width of the ROM - padding with zeros.";
const char *EXTRA = "Extra bits specified in the INITSTATE - ignoring.";
const char *LINES = "Wrong number of address lines.";

// "code text message", the text "(null)" when none was handed back.
std::string convert(bool tohex, unsigned char assignform, const std::string &in, long nlines) {
  UT_EQUATE eq(assignform);
  char *out = nullptr;
  const int code = tohex ? eq.gen_hex(in.c_str(), NAMES, nlines, "O", out)
                         : eq.gen_equatestr(in.c_str(), NAMES, nlines, "O", out);
  return std::to_string(code) + " " + (out ? out : "(null)") + " " + narrow(eq.geterrmsg());
}

std::string digits(uint64_t value, long nlines) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "%0*llX", static_cast<int>((1L << nlines) / 4),
                static_cast<unsigned long long>(value));
  return buf;
}

struct Reading {
  int ok;
  uint32_t word; // truth table of the tree, 0 when there is none
  bool tree;
  std::string msg;
};

Reading read(std::string text, std::vector<const char *> names, unsigned char assignform = 0) {
  UT_EQUATE_IMP imp(assignform);
  UT_PREDICATE *tree = nullptr;
  const int ok = imp.parse(&text[0], names.data(), static_cast<long>(names.size()), tree);
  Reading r{ok, tree ? tree->eval() : 0, tree != nullptr, narrow(imp.geterrmsg())};
  delete tree;
  return r;
}

std::vector<const char *> ABCD = {"a", "b", "c", "d"};
std::vector<const char *> A01 = {"A0", "A1"};
} // namespace

TEST(UtilEquate, InitValuesAndEquationsConvertBothWaysWithTheConventionsMessages) {
  const std::string longinit = std::string(99999, 'Z') + "8"; // leading characters unread
  const char *EMPTY = "Empty equate string - ignoring.";
  using Case = std::tuple<bool, int, const char *, long, int, const char *, const char *>;
  const Case cases[] = {
      // clang-format off
      {0, 0, "8", 2, 1, "O = A0*A1", ""},   {0, 0, "6", 2, 1, "O = A0*~A1 + ~A0*A1", ""},
      {0, 0, "0", 2, 1, "O = 0", ""},  {0, 0, "F", 2, 1, "O = ~A0*~A1 + A0*~A1 + ~A0*A1 + A0*A1", ""},
      {0, 0, "", 2, 2, "O = 0", PAD},       {0, 0, "12", 2, 2, "O = A0*~A1", EXTRA},
      {0, 0, "1", 3, 2, "O = ~A0*~A1*~A2", PAD}, {0, 1, "1", 3, 1, "O=~A0*~A1*~A2", ""},
      {0, 0, "G", 2, 3, "(null)", "Bad character 'G' in INITSTATE string."},
      {0, 0, "8\xE9", 2, 3, "(null)", "Bad character '\xE9' in INITSTATE string."},
      {0, 0, "0x8", 2, 2, "O = A0*A1", EXTRA}, {0, 1, "INIT=0x8", 2, 1, "O=A0*A1", ""},
      {0, 1, "0X8", 2, 1, "O=A0*A1", ""},   {0, 0, longinit.c_str(), 2, 2, "O = A0*A1", EXTRA},
      {0, 0, "8", 1, 4, "(null)", LINES},   {0, 0, "8", 7, 4, "(null)", LINES},
      {1, 0, "O = A0*A1", 2, 1, "8", ""},   {1, 1, "O = A0*A1", 2, 1, "O=0x8", ""},
      {1, 0, "A0", 3, 1, "AA", ""},         {1, 0, "a4", 5, 1, "FFFF0000", ""},
      {1, 0, "A0", 6, 4, "(null)", LINES},  {1, 0, "O = ", 2, 5, "(null)", EMPTY},
      {1, 0, "A0)", 2, 5, "(null)", "Too many right parens."},
      // clang-format on
  };
  for (auto [tohex, assignform, in, nlines, code, out, msg] : cases)
    EXPECT_EQ(std::to_string(code) + " " + out + " " + msg, convert(tohex, assignform, in, nlines))
        << in;
  UT_EQUATE eq(1);
  char *out = nullptr;
  EXPECT_EQ(5, eq.gen_hex("A9", NAMES, 2, out));
  EXPECT_EQ("Unknown literal \"A9\".", narrow(eq.geterrmsg()));
  EXPECT_EQ(1, eq.gen_hex("A1", NAMES, 2, out));
  EXPECT_EQ(nullptr, eq.geterrmsg()) << "a success clears the previous message";
  EXPECT_STREQ("=0xC", out) << "the short form writes an empty lhs";
}

TEST(UtilEquate, ValidateChecksLeftHandSidesHexValuesAndEquations) {
  const std::string longhex = "INIT=0x" + std::string(100000, 'f');
  using Case = std::tuple<int, const char *, const char *, int, const char *>;
  const Case cases[] = {
      // clang-format off
      {1, "INIT=0x1F", "INIT", 1, ""}, {1, "init=0x1F", "INIT", 1, ""},
      {1, "INIT=0x", "INIT", 5, "Invalid hexdecimal string \"0x\"."},
      {1, "INIT=0x1G", "INIT", 5, "Invalid hexdecimal digit <G> in string \"0x1G\"."},
      {1, "OUT=0x1", "INIT", 5, "Invalid left hand side, \"INIT\"."},
      {1, "IN=0x1", "INIT", 5, "Invalid left hand side, \"INIT\"."},
      {1, "0x1", "INIT", 5, "Missing = ."},     {1, "=0x1F", "", 1, ""},
      {1, "INIT=0x1F", "", 5, "Invalid left hand side, \"\"."},
      {1, "O=A0*~A1", "O", 1, ""},    {1, "O=a0", "O", 5, "Unknown literal \"a0\"."},
      {0, "O = A0 + ", "", 5, "Empty equate string - ignoring."},
      {0, "anything = a0 @ (A1 + 1)", "", 1, ""}, {0, "0x1F", "", 5, "Unexpected 'x1F'."},
      {1, longhex.c_str(), "INIT", 1, ""},
      // clang-format on
  };
  for (auto [assignform, text, lhs, code, msg] : cases) {
    UT_EQUATE eq(static_cast<unsigned char>(assignform));
    EXPECT_EQ(code, eq.validate(text, lhs, NAMES, 2)) << text;
    EXPECT_EQ(msg, narrow(eq.geterrmsg())) << text;
  }
  UT_EQUATE eq(1);
  EXPECT_EQ(1, eq.validate("=0x1F", NAMES, 2)) << "the short form checks for an empty lhs";
}

TEST(UtilEquate, EveryInitValueSurvivesARoundTripThroughItsEquation) {
  const unsigned seed = 20261206;
  std::mt19937_64 random(seed);
  for (unsigned char assignform : {0, 1}) {
    UT_EQUATE eq(assignform);
    for (long nlines = 2; nlines <= 5; ++nlines) {
      const uint64_t values = 1ULL << (1L << nlines), tries = nlines <= 3 ? values : 1500;
      for (uint64_t i = 0; i < tries; ++i) {
        const std::string init = digits(nlines <= 3 ? i : random() & (values - 1), nlines);
        char *equation = nullptr, *back = nullptr;
        ASSERT_EQ(1, eq.gen_equatestr(init.c_str(), NAMES, nlines, "O", equation)) << init;
        const std::string text = equation;
        ASSERT_EQ(1, eq.gen_hex(text.c_str(), NAMES, nlines, "O", back)) << text;
        EXPECT_EQ(assignform ? "O=0x" + init : init, back) << "seed " << seed << ", " << text;
      }
    }
  }
  // Six lines: the minterms of the equation are exactly the set bits of the INIT value.
  UT_EQUATE eq(1);
  for (int i = 0; i < 200; ++i) {
    const uint64_t value = random();
    char *equation = nullptr;
    ASSERT_EQ(1, eq.gen_equatestr(digits(value, 6).c_str(), NAMES, 6, "O", equation));
    std::istringstream terms(equation + 2);
    uint64_t seen = 0;
    int64_t last = -1;
    for (std::string term; std::getline(terms, term, '+');) {
      uint64_t address = 0;
      for (int line = 0; line < 6; ++line)
        address |= uint64_t{term.find("~A" + std::to_string(line)) == std::string::npos} << line;
      EXPECT_GT(static_cast<int64_t>(address), last) << "minterms in address order: " << term;
      last = static_cast<int64_t>(address);
      seen |= 1ULL << address;
    }
    EXPECT_EQ(value, seen) << "seed " << seed << ": " << equation;
  }
}

TEST(UtilEquateReader, GroupingFollowsPrecedenceAndAlternatingAndXorGroupsFromTheRight) {
  const uint32_t a = mv_bits_table[0], b = mv_bits_table[1], c = mv_bits_table[2],
                 d = mv_bits_table[3];
  // The reading, and the grouping it must not be mistaken for.
  using Case = std::tuple<const char *, uint32_t, uint32_t>;
  for (auto [text, meant, other] : {
           // clang-format off
           Case{"a*b+c", (a & b) | c, a & (b | c)}, Case{"a+b*c", a | (b & c), (a | b) & c},
           Case{"a*b@c", a & (b ^ c), (a & b) ^ c}, Case{"a@b*c", a ^ (b & c), (a ^ b) & c},
           Case{"a*b@c*d", a & (b ^ (c & d)), ((a & b) ^ c) & d},
           Case{"a@b@c*d", (a ^ b) ^ (c & d), ((a ^ b) ^ c) & d},
           // clang-format on
       }) {
    ASSERT_NE(meant, other) << text << ": the case cannot tell the groupings apart";
    EXPECT_EQ(meant, read(text, ABCD).word) << text;
  }
  std::string text = "a+b+c";
  UT_PREDICATE *tree = nullptr;
  ASSERT_EQ(1, UT_EQUATE_IMP(0).parse(&text[0], ABCD.data(), 4, tree));
  auto *root = static_cast<UT_OPERATOR *>(tree);
  EXPECT_TRUE(root->left->gettype() == 0 && root->right->gettype() == 1) << "not (a+b)+c";
  delete tree;
}

TEST(UtilEquateReader, InversionParityConstantsAndNameMatching) {
  std::vector<const char *> six = {"x", "a1", "a2", "a3", "x", "f"};
  using Case = std::tuple<const char *, std::vector<const char *> *, uint32_t>;
  for (auto [text, names, word] : {
           // clang-format off
           Case{"A0*A1", &A01, 0x88888888u}, Case{"~(A0*A1)", &A01, 0x77777777u},
           Case{"~~A0", &A01, 0xAAAAAAAAu},  Case{"~~~A0", &A01, 0x55555555u},
           Case{"~1", &A01, 0},              Case{"~0", &A01, 0xFFFFFFFFu},
           Case{"a0", &A01, 0xAAAAAAAAu},    Case{"OUT = A1", &A01, 0xCCCCCCCCu},
           Case{"A0 + A1", &A01, 0xEEEEEEEEu},
           Case{"x", &six, 0xAAAAAAAAu} /* a repeated name matches its first entry */,
           Case{"f", &six, 0} /* line 5 has no table word */, Case{"~f", &six, 0xFFFFFFFFu},
           // clang-format on
       })
    EXPECT_EQ(word, read(text, *names).word) << text;
  EXPECT_EQ("Unknown literal \"a0\".", read("a0", A01, 1).msg) << "assignform matches exactly";
}

TEST(UtilEquateReader, MalformedTextsStoreTheirMessages) {
  const char *EMPTY = "Empty equate string - ignoring.";
  const char *cases[][2] = {
      // clang-format off
      {"", EMPTY}, {"   ", EMPTY}, {"~", EMPTY}, {"a +", EMPTY},
      {"a b", "Unexpected 'b'."}, {"a_b", "Unexpected '_'."}, {"10", "Unexpected '0'."},
      {"()", "Unexpected ')'."}, {"a + *b", "Unexpected '*'."}, {"(a", "Unmatched '('."},
      {"a)", "Too many right parens."}, {"a) + b", "Too many right parens."},
      {"a + q", "Unknown literal \"q\"."}, {"a \xE9", "Unexpected '\xE9'."},
      {"\xC3\xA9", "Unexpected '\xC3'."},
      // clang-format on
  };
  for (auto [text, msg] : cases) {
    RecordingMsgman rec;
    const Reading r = read(text, ABCD);
    EXPECT_EQ("0 " + std::string(msg), std::to_string(r.ok) + " " + r.msg) << text;
    EXPECT_TRUE(rec.problems().empty()) << text << ": the reader reports nothing itself";
    ASSERT_FALSE(rec.reports.empty());
    EXPECT_EQ("Utilities", rec.reports.back().subsystem) << "translated for the library";
  }
  EXPECT_TRUE(read("a) + b", ABCD).tree) << "the tree before a stray ')' goes to the caller";
}

TEST(UtilEquateReader, HostileTextsAreRefusedOrReadWithoutExhaustingTheStack) {
  const std::string deep = std::string(100000, '(') + "a" + std::string(100000, ')');
  const std::string most = std::string(32, '(') + "~a" + std::string(32, ')');
  EXPECT_EQ("Parens nested deeper than 32 levels.", read(deep, ABCD).msg);
  EXPECT_EQ(0x55555555u, read(most, ABCD).word) << "32 levels are still read";
  EXPECT_EQ(0, read("(" + most + ")", ABCD).ok) << "33 levels are not";

  // Alternating '*' and '@' keeps every operand pending: the stacks spill to the heap and
  // the tree, a*(b@(c*(a@...))), is as deep as the text is long.
  std::string chain = "a";
  for (int i = 1; i <= 200000; ++i)
    chain += std::string(i % 2 ? "*" : "@") + "abc"[i % 3];
  uint32_t expected = mv_bits_table[200000 % 3];
  for (int i = 199999; i >= 0; --i)
    expected = i % 2 ? mv_bits_table[i % 3] ^ expected : mv_bits_table[i % 3] & expected;
  EXPECT_EQ(expected, read(chain, ABCD).word);
  std::string sum = "a";
  for (int i = 0; i < 200000; ++i)
    sum += "+b";
  EXPECT_EQ(0xEEEEEEEEu, read(sum, ABCD).word) << "a left-deep tree of 200000 nodes";

  const std::string limit(256, 'n');
  std::vector<const char *> named = {limit.c_str()};
  EXPECT_EQ(0xAAAAAAAAu, read(limit, named).word) << "a 256-character name is accepted";
  EXPECT_EQ("Literal \"" + std::string(32, 'n') + "...\" is longer than 256 characters.",
            read("a + " + std::string(100000, 'n'), ABCD).msg);

  kor_fail_after(0);
  const Reading starved = read(chain, ABCD);
  kor_fail_after(-1);
  EXPECT_EQ("Out of memory.", starved.msg);
}

TEST(UtilEquateReader, GuardsReportMisuseWithoutBuildingAnything) {
  RecordingMsgman rec;
  char text[] = "a", bad[] = "%";
  char *cursor = text;
  EXPECT_EQ(UT_TOK_BAD, get_next_token(cursor, nullptr));
  EXPECT_EQ(text, cursor);
  UT_OPER_STACK ops;
  UT_PRED_STACK operands; // keeps the operand and frees it
  EXPECT_EQ(-1, get_operator(ops, operands, bad, new UT_ATOM(1)));
  EXPECT_EQ(0, ops.count) << "no operator of undefined type is pushed";
  ASSERT_EQ(2u, rec.problems().size());
  EXPECT_EQ("Bad token string.\nBad operator type.\n",
            rec.problems()[0].text + rec.problems()[1].text);
  EXPECT_TRUE(rec.problems()[1].number == 19 && rec.problems()[1].unit == "UtilEquateimp");
  EXPECT_TRUE(rec.all_framed());
}
