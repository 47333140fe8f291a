#include "UtilEquateimp.h"

#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {
std::string narrow(const wchar_t *w) {
  std::string s;
  for (; w && *w; ++w)
    s += static_cast<char>(*w);
  return s;
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

TEST(UtilEquateimp, GroupingFollowsPrecedenceAndAlternatingAndXorGroupsFromTheRight) {
  const uint32_t a = mv_bits_table[0], b = mv_bits_table[1], c = mv_bits_table[2],
                 d = mv_bits_table[3];
  struct Case {
    const char *text;
    uint32_t meant, other; // the reading and the grouping it must not be mistaken for
  } cases[] = {
      {"a*b+c", (a & b) | c, a & (b | c)},
      {"a+b*c", a | (b & c), (a | b) & c},
      {"a*b@c", a & (b ^ c), (a & b) ^ c},
      {"a@b*c", a ^ (b & c), (a ^ b) & c},
      {"a*b@c*d", a & (b ^ (c & d)), ((a & b) ^ c) & d},
      {"a@b@c*d", (a ^ b) ^ (c & d), ((a ^ b) ^ c) & d},
  };
  for (const Case &k : cases) {
    ASSERT_NE(k.meant, k.other) << k.text << ": the case cannot tell the groupings apart";
    const Reading r = read(k.text, ABCD);
    EXPECT_EQ(1, r.ok) << k.text << ": " << r.msg;
    EXPECT_EQ(k.meant, r.word) << k.text;
  }
  UT_EQUATE_IMP imp(0);
  std::string text = "a+b+c";
  UT_PREDICATE *tree = nullptr;
  ASSERT_EQ(1, imp.parse(&text[0], ABCD.data(), 4, tree));
  auto *root = static_cast<UT_OPERATOR *>(tree);
  EXPECT_EQ(UT_OP_OR, root->type);
  EXPECT_EQ(0, root->left->gettype()) << "a+b+c must read as (a+b)+c";
  EXPECT_EQ(1, root->right->gettype()) << "a+b+c must read as (a+b)+c";
  delete tree;
}

TEST(UtilEquateimp, InversionParityConstantsAndNameMatching) {
  EXPECT_EQ(0x88888888u, read("A0*A1", A01).word);
  EXPECT_EQ(0x77777777u, read("~(A0*A1)", A01).word);
  EXPECT_EQ(0x88888888u, read("~~(A0*A1)", A01).word);
  EXPECT_EQ(0xAAAAAAAAu, read("~~A0", A01).word);
  EXPECT_EQ(0x55555555u, read("~~~A0", A01).word);
  EXPECT_EQ(0u, read("~1", A01).word);
  EXPECT_EQ(0xFFFFFFFFu, read("~0", A01).word);
  EXPECT_EQ(0xCCCCCCCCu, read("OUT = A1", A01).word) << "text before '=' is skipped";
  EXPECT_EQ(0xEEEEEEEEu, read("A0 + A1", A01).word);
  const std::vector<const char *> six = {"x", "a1", "a2", "a3", "x", "f"};
  EXPECT_EQ(0xAAAAAAAAu, read("x", six).word) << "a repeated name matches its first entry";
  EXPECT_EQ(0u, read("f", six).word) << "line 5 has no table word";
  EXPECT_EQ(0xFFFFFFFFu, read("~f", six).word);
  EXPECT_EQ(0xAAAAAAAAu, read("a0", A01, 0).word) << "case is ignored with assignform 0";
  const Reading exact = read("a0", A01, 1);
  EXPECT_EQ(0, exact.ok);
  EXPECT_EQ("Unknown literal \"a0\".", exact.msg);
}

TEST(UtilEquateimp, MalformedTextsStoreTheirMessages) {
  struct Case {
    const char *text;
    const char *msg;
  } cases[] = {
      {"", "Empty equate string - ignoring."},
      {"   ", "Empty equate string - ignoring."},
      {"~", "Empty equate string - ignoring."},
      {"a +", "Empty equate string - ignoring."},
      {"a b", "Unexpected 'b'."},
      {"a_b", "Unexpected '_'."},
      {"10", "Unexpected '0'."},
      {"()", "Unexpected ')'."},
      {"a + *b", "Unexpected '*'."},
      {"(a", "Unmatched '('."},
      {"((a+b)", "Unmatched '('."},
      {"a)", "Too many right parens."},
      {"a) + b", "Too many right parens."},
      {"a + q", "Unknown literal \"q\"."},
      {"a \xE9", "Unexpected '\xE9'."},
      {"\xC3\xA9", "Unexpected '\xC3'."},
  };
  for (const Case &k : cases) {
    RecordingMsgman rec;
    const Reading r = read(k.text, ABCD);
    EXPECT_EQ(0, r.ok) << k.text;
    EXPECT_EQ(k.msg, r.msg) << k.text;
    EXPECT_TRUE(rec.problems().empty()) << k.text << ": the reader reports nothing itself";
    ASSERT_FALSE(rec.reports.empty());
    EXPECT_EQ("Utilities", rec.reports.back().subsystem) << "translated for the library";
  }
  EXPECT_TRUE(read("a) + b", ABCD).tree) << "the tree before a stray ')' goes to the caller";
}

TEST(UtilEquateimp, HostileTextsAreRefusedOrReadWithoutExhaustingTheStack) {
  const std::string deep = std::string(100000, '(') + "a" + std::string(100000, ')');
  EXPECT_EQ("Parens nested deeper than 32 levels.", read(deep, ABCD).msg);
  EXPECT_EQ("Parens nested deeper than 32 levels.", read(std::string(100000, '('), ABCD).msg);
  const std::string most = std::string(32, '(') + "~a" + std::string(32, ')');
  EXPECT_EQ(0x55555555u, read(most, ABCD).word) << "32 levels are still read";
  EXPECT_EQ(0, read("(" + most + ")", ABCD).ok) << "33 levels are not";

  // Alternating '*' and '@' keeps every operand pending: the stacks spill to the heap and
  // the tree is as deep as the text is long.
  const uint32_t w[] = {mv_bits_table[0], mv_bits_table[1], mv_bits_table[2]};
  std::string chain = "a";
  std::vector<uint32_t> operands = {w[0]};
  for (int i = 1; i < 200001; ++i) {
    chain += (i % 2 ? "*" : "@");
    chain += "abc"[i % 3];
    operands.push_back(w[i % 3]);
  }
  uint32_t expected = operands.back();
  for (size_t i = operands.size() - 1; i-- > 0;)
    expected = (i % 2 == 0) ? (operands[i] & expected) : (operands[i] ^ expected);
  const Reading alternating = read(chain, ABCD);
  EXPECT_EQ(1, alternating.ok) << alternating.msg;
  EXPECT_EQ(expected, alternating.word);

  std::string sum = "a";
  for (int i = 0; i < 200000; ++i)
    sum += "+b";
  EXPECT_EQ(w[0] | w[1], read(sum, ABCD).word) << "a left-deep tree of 200000 nodes";

  const std::string longname(100000, 'n');
  EXPECT_EQ("Literal \"" + std::string(32, 'n') + "...\" is longer than 256 characters.",
            read("a + " + longname, ABCD).msg);
  const std::string limit(256, 'n');
  const std::vector<const char *> named = {limit.c_str()};
  EXPECT_EQ(0xAAAAAAAAu, read(limit, named).word) << "a 256-character name is accepted";

  kor_fail_after(0);
  const Reading starved = read(chain, ABCD);
  kor_fail_after(-1);
  EXPECT_EQ("Out of memory.", starved.msg);
}

TEST(UtilEquateimp, GuardsReportMisuseThroughTheMessageManager) {
  RecordingMsgman rec;
  char text[] = "a";
  char *cursor = text;
  EXPECT_EQ(UT_TOK_BAD, get_next_token(cursor, nullptr));
  EXPECT_EQ(text, cursor);
  UT_OPER_STACK ops;
  UT_PRED_STACK operands;
  char bad[] = "%";
  EXPECT_EQ(-1, get_operator(ops, operands, bad, new UT_ATOM(1)));
  EXPECT_EQ(0, ops.count) << "no operator of undefined type is pushed";
  EXPECT_EQ(1, operands.count) << "the operand is kept, and freed with the stack";
  ASSERT_EQ(2u, rec.problems().size());
  EXPECT_EQ("Bad token string.\n", rec.problems()[0].text);
  EXPECT_EQ("Bad operator type.\n", rec.problems()[1].text);
  for (const RecordedReport &r : rec.problems()) {
    EXPECT_EQ(19, r.number);
    EXPECT_EQ("UtilEquateimp", r.unit);
  }
  EXPECT_TRUE(rec.all_framed());
}
