#include "UtilEquate.h"
#include "UtilEquateimp.h"

#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <pthread.h>

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
  // Six lines: the 64-bit table of the minterm equation is the INIT value again.
  UT_EQUATE_IMP imp(1);
  for (int i = 0; i < 300; ++i) {
    const uint64_t value = random();
    char *equation = nullptr;
    uint64_t table = 0;
    ASSERT_EQ(1, imp.gen_equatestr(digits(value, 6).c_str(), NAMES, 6, "O", equation));
    ASSERT_EQ(1, imp.readtable(equation, NAMES, 6, table)) << equation;
    EXPECT_EQ(value, table) << "seed " << seed << ": " << equation;
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
  // Names whose first eight characters agree, names no token can be, names past the eighth.
  std::vector<const char *> odd = {"abcdefghi", "abcdefgh", "a_b", "",  "a",
                                   nullptr,     "A#",       "x",   "y", "late"};
  const int64_t UNKNOWN = -1;
  using Case = std::tuple<const char *, std::vector<const char *> *, unsigned char, int64_t>;
  for (auto [text, names, assignform, word] : {
           // clang-format off
           Case{"A0*A1", &A01, 0, 0x88888888}, Case{"~(A0*A1)", &A01, 0, 0x77777777},
           Case{"~~A0", &A01, 0, 0xAAAAAAAA},  Case{"~~~A0", &A01, 0, 0x55555555},
           Case{"~1", &A01, 0, 0},             Case{"~0", &A01, 0, 0xFFFFFFFF},
           Case{"a0", &A01, 0, 0xAAAAAAAA},    Case{"OUT = A1", &A01, 0, 0xCCCCCCCC},
           Case{"A0 + A1", &A01, 0, 0xEEEEEEEE}, Case{"a0", &A01, 1, UNKNOWN} /* exact case */,
           Case{"x", &six, 0, 0xAAAAAAAA} /* a repeated name matches its first entry */,
           Case{"f", &six, 0, 0} /* line 5 has no table word */, Case{"~f", &six, 0, 0xFFFFFFFF},
           Case{"abcdefgh", &odd, 0, 0xCCCCCCCC}, Case{"ABCDEFGHI", &odd, 0, 0xAAAAAAAA},
           Case{"abcdefghi", &odd, 1, 0xAAAAAAAA}, Case{"ABCDEFGHI", &odd, 1, UNKNOWN},
           Case{"abcdefghij", &odd, 0, UNKNOWN}, Case{"abcdefg", &odd, 0, UNKNOWN},
           Case{"A", &odd, 0, 0xFFFF0000}, Case{"late", &odd, 0, 0}, Case{"LATE", &odd, 1, UNKNOWN},
           // clang-format on
       }) {
    const Reading r = read(text, *names, assignform);
    EXPECT_EQ(word == UNKNOWN ? "0 Unknown literal \"" + std::string(text) + "\"." : "1 ",
              std::to_string(r.ok) + " " + r.msg)
        << text;
    EXPECT_EQ(word == UNKNOWN ? 0 : word, r.word) << text;
  }
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

TEST(UtilEquateReader, HostileTextsAreReadWithoutExhaustingTheStack) {
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

  // A tree whose evaluation cannot grow its stack is evaluated by nested walks, after
  // saying so.
  std::string shorter = chain.substr(0, 4001); // 2000 operators
  UT_PREDICATE *tree = nullptr;
  ASSERT_EQ(1, UT_EQUATE_IMP(0).parse(&shorter[0], ABCD.data(), 4, tree));
  const uint32_t word = tree->eval();
  RecordingMsgman rec;
  kor_fail_after(0);
  const uint32_t nested = tree->eval();
  kor_fail_after(-1);
  delete tree;
  EXPECT_EQ(word, nested);
  ASSERT_FALSE(rec.problems().empty());
  for (const RecordedReport &r : rec.problems())
    EXPECT_TRUE(r.number == 1 && r.text == "Out of memory.\n") << r.text;
}

// A hundred thousand nested groups, each an operand of its level: x0 * (x1 @ ~(x2 + (...))).
// Both paths read them on a thread with a 256 KiB stack, and the tree evaluates and frees.
TEST(UtilEquateReader, NestingIsBoundedByMemoryAloneOnASmallStack) {
  const int levels = 100000;
  const char *ops = "*@+";
  std::string text;
  for (int i = 0; i < levels; ++i)
    text += std::string(1, "abc"[i % 3]) + ops[i % 3] + (i % 4 ? "(" : "~(");
  text += "d" + std::string(levels, ')');
  const uint64_t a = 0xAAAAAAAAAAAAAAAAull, b = 0xCCCCCCCCCCCCCCCCull, c = 0xF0F0F0F0F0F0F0F0ull;
  uint64_t expected = 0xFF00FF00FF00FF00ull; // d, address line 3
  for (int i = levels - 1; i >= 0; --i) {
    const uint64_t inner = i % 4 ? expected : ~expected;
    expected = i % 3 == 0 ? a & inner : i % 3 == 1 ? b ^ inner : c | inner;
  }
  struct Run {
    const std::string *text;
    Reading tree;
    int code32 = 0, code64 = 0;
    uint32_t word32 = 0;
    uint64_t word64 = 0;
  } run{&text, {}, 0, 0, 0, 0};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  ASSERT_EQ(0, pthread_attr_setstacksize(&attr, 256 * 1024));
  pthread_t thread;
  auto body = [](void *arg) -> void * {
    Run &r = *static_cast<Run *>(arg);
    r.tree = read(*r.text, ABCD);
    UT_EQUATE_IMP imp(0);
    r.code32 = imp.readtable(r.text->c_str(), ABCD.data(), 4, r.word32);
    r.code64 = imp.readtable(r.text->c_str(), ABCD.data(), 4, r.word64);
    return nullptr;
  };
  ASSERT_EQ(0, pthread_create(&thread, &attr, body, &run));
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  EXPECT_EQ("1 ", std::to_string(run.tree.ok) + " " + run.tree.msg);
  EXPECT_EQ(static_cast<uint32_t>(expected), run.tree.word) << "the tree path";
  EXPECT_EQ(static_cast<uint32_t>(expected), run.word32) << "the word path";
  EXPECT_EQ(expected, run.word64) << "the word path, 64 addresses";
  EXPECT_EQ(2, run.code32 + run.code64);
}

TEST(UtilEquateReader, ReadtableFillsWordsOfEitherWidthAndKeepsEarlierMessages) {
  const char *seven[] = {"A0", "A1", "A2", "A3", "A4", "A5", "A6"};
  const struct {
    const char *text;
    long nlines;
    unsigned char assignform;
    int code;
    uint64_t wide;
    uint32_t word32;
    const char *msg; // a success leaves the earlier message alone
  } cases[] = {
      {"O = a5 * ~A0", 6, 0, 1, 0x5555555500000000ull, 0, "earlier"},      // line 5: upper half
      {"A5 + A0", 6, 0, 1, 0xFFFFFFFFAAAAAAAAull, 0xAAAAAAAAu, "earlier"}, // no 32-bit word
      {"~(A5@A4)", 6, 1, 1, 0xFFFF00000000FFFFull, 0x0000FFFFu, "earlier"},
      {"~A6", 7, 0, 1, ~0ull, ~0u, "earlier"}, // line 6 has no 64-bit word
      {"O=a5", 6, 1, 5, 0, 0, "Unknown literal \"a5\"."},
      {"A0)", 2, 0, 5, 0, 0, "Too many right parens."}, // a failed reading leaves no table
      {nullptr, 2, 0, 5, 0, 0, "Empty equate string - ignoring."},
  };
  for (const auto &c : cases) {
    UT_EQUATE_IMP imp(c.assignform);
    uint64_t wide = 1;
    uint32_t narrow32 = 1;
    imp.seterrmsg(L"earlier");
    EXPECT_EQ(c.code, imp.readtable(c.text, seven, c.nlines, wide)) << c.text;
    EXPECT_EQ(c.wide, wide) << c.text;
    EXPECT_EQ(c.code, imp.readtable(c.text, seven, c.nlines, narrow32)) << c.text;
    EXPECT_EQ(c.code == 1 ? c.word32 : 0, narrow32) << c.text;
    EXPECT_EQ(c.msg, narrow(imp.geterrmsg())) << c.text;
  }
}

// Random equations over ten names (one listed twice, two past the first eight, one longer
// than eight characters, and leading parts of it), in any case, some cut or with a stray
// token or character.
void random_expr(std::mt19937 &rng, int depth, std::string &out) {
  // clang-format off
  static const char *atoms[] = {"A0", "a1", "A2", "a3", "A4", "A5", "A7", "a8", "B9",
      "xLongerName12", "Xlongername12", "Xlongern", "Xlongername1", "q", "1", "0"};
  // clang-format on
  static const char *ops[] = {"*", "+", "@", " * ", " + ", "\t@ "};
  for (int terms = 0;; ++terms) {
    out += std::string(rng() % 4 ? 0 : rng() % 3, '~');
    if (depth < 6 && rng() % 4 == 0) {
      out += "(";
      random_expr(rng, depth + 1, out);
      out += ")";
    } else {
      out += atoms[rng() % 16];
    }
    if (terms > 5 || rng() % 3 == 0)
      return;
    out += ops[rng() % 6];
  }
}

std::string random_text(std::mt19937 &rng) {
  static const char *noise[] = {"(", ")", "~", "*", "=", "_", "\xE9", " ", "10", "a b", "A_"};
  std::string text = rng() % 4 ? "" : "O = ";
  random_expr(rng, 0, text);
  for (int m = rng() % 3 ? 0 : 1 + static_cast<int>(rng() % 2); m > 0; --m) {
    const size_t at = rng() % (text.size() + 1);
    if (rng() % 2)
      text.insert(at, noise[rng() % 11]);
    else
      text.erase(at, 1);
  }
  return text;
}

TEST(UtilEquateReader, TheTreeTheWordAndTheCheckPathsAgreeOnEveryText) {
  const unsigned seed = 1706;
  std::mt19937 rng(seed);
  std::vector<const char *> names = {"A0", "A1", "A2", "A3", "Xlongername12",
                                     "A5", "A1", "A7", "A4", "B9"};
  const std::string longname(300, 'n');
  // clang-format off
  std::vector<std::string> texts = {
      "", " ", "~", "=", "A0 +", "A0 A1", "A0_A1", "10", "()", ")", "A0 + *A1", "(A0", "((A0)",
      "A0)", "A0) + q", "A0 ~A1", "A0 (A1)", "O = =A0", "A0=A1", "~~(~A0)@~(1)", "(((a0)))",
      "A0 + " + longname, "A0 " + longname, "\xC3\xA9"};
  // clang-format on
  for (int i = 0; i < 30000; ++i)
    texts.push_back(random_text(rng));
  int readable = 0;
  for (const std::string &text : texts) {
    for (unsigned char assignform : {0, 1}) {
      const Reading tree = read(text, names, assignform);
      UT_EQUATE_IMP imp(assignform);
      uint32_t word32 = 1;
      uint64_t word64 = 1;
      const auto verdict = [&imp](int code) {
        const std::string text = std::to_string(code) + " " + narrow(imp.geterrmsg());
        imp.seterrmsg(nullptr);
        return text;
      };
      const std::string code32 = verdict(imp.readtable(text.c_str(), names.data(), 10, word32));
      const std::string code64 = verdict(imp.readtable(text.c_str(), names.data(), 10, word64));
      const std::string checked = verdict(imp.readcheck(text.c_str(), names.data(), 10));
      const std::string want = std::to_string(tree.ok ? 1 : 5) + " " + tree.msg;
      const uint32_t word = tree.ok ? tree.word : 0;
      const std::string where = "seed " + std::to_string(seed) + ", assignform " +
                                std::to_string(assignform) + ", text " + text;
      ASSERT_EQ(want + digits(word, 5), code32 + digits(word32, 5)) << where;
      ASSERT_EQ(want + digits(word, 5), code64 + digits(static_cast<uint32_t>(word64), 5)) << where;
      ASSERT_EQ(want, checked) << where;
      readable += tree.ok;
    }
  }
  EXPECT_TRUE(readable > 10000 && readable < 50000)
      << readable << " of 60000 readings: the mix is off";
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
