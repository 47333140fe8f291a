#include "UtilLut.h"
#include "UtilLutimp.h"

#include "LutIsop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

namespace {
const char *NAMES[] = {"A0", "A1", "A2", "A3", "A4", "A5"};

std::string narrow(const wchar_t *w) { return w ? std::string(w, w + std::wcslen(w)) : ""; }

uint64_t tablemask(long nlines) { return nlines >= 6 ? ~0ull : (1ull << (1u << nlines)) - 1; }

// A sum of products read back by hand, independently of the equation reader.
struct Sop {
  bool ok = true;
  int terms = 0, literals = 0;
  uint64_t table = 0;
  std::string text;
};

// Reads "lhs = t + t" (with blanks or without) over NAMES and evaluates it on every address.
Sop read_sop(std::string text, long nlines) {
  Sop sop;
  sop.text = text;
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  const std::string body = text.substr(text.find('=') + 1);
  if (body == "0")
    return sop;
  uint64_t covered = tablemask(nlines);
  std::string literal;
  for (const char c : body + "+") {
    if (c != '*' && c != '+') {
      literal += c;
      continue;
    }
    if (literal != "1") {
      const bool inverted = !literal.empty() && literal[0] == '~';
      long line = 0;
      while (line < nlines && literal.substr(inverted) != NAMES[line])
        ++line;
      sop.ok = sop.ok && line < nlines;
      if (line < nlines)
        covered &= inverted ? ~lutisop::LINE[line] : lutisop::LINE[line];
      ++sop.literals;
    }
    literal.clear();
    if (c == '+') {
      sop.table |= covered;
      covered = tablemask(nlines);
      ++sop.terms;
    }
  }
  return sop;
}

// The minimal cover the object gives for a table, read back; ok only when it is that table.
Sop minimal_of(UT_LUT &lut, uint64_t table, long nlines) {
  char *out = nullptr;
  const bool made =
      lut.from_word(table, nlines) == UT_EQ_OK && lut.gen_minimal(NAMES, "O", out) == UT_EQ_OK;
  Sop sop = read_sop(made ? out : "", nlines);
  sop.ok = made && sop.ok && sop.table == table;
  return sop;
}

uint64_t random_table(std::mt19937_64 &rng, long nlines) { return rng() & tablemask(nlines); }

// The cheapest cover (terms, then literals) by trying every set of prime implicants, found
// here from scratch: every product term whose addresses all hold 1, primes as the implicants
// no other implicant contains. Any minimal cover can be made of primes only.
std::pair<int, int> exhaustive_minimum(uint64_t table, long nlines) {
  std::vector<std::pair<uint64_t, int>> implicants, primes; // addresses covered, literals
  int cubes = 1;
  for (long i = 0; i < nlines; ++i)
    cubes *= 3;
  for (int code = 0; code < cubes; ++code) { // digit i: line i inverted, plain, or absent
    uint64_t covered = tablemask(nlines);
    int literals = 0;
    for (int digits = code, i = 0; i < nlines; ++i, digits /= 3)
      if (digits % 3 != 2) {
        covered &= digits % 3 ? lutisop::LINE[i] : ~lutisop::LINE[i];
        ++literals;
      }
    if (!(covered & ~table))
      implicants.push_back({covered, literals});
  }
  for (const auto &t : implicants)
    if (std::none_of(implicants.begin(), implicants.end(), [&t](const auto &u) {
          return u.first != t.first && (u.first & t.first) == t.first;
        }))
      primes.push_back(t);
  // Covers of exactly `size` primes, each pick covering the lowest address still open.
  int best = -1;
  auto search = [&](auto &self, uint64_t open, int left, int literals) -> void {
    if (!open) {
      if (!left && (best < 0 || literals < best))
        best = literals;
      return;
    }
    for (size_t p = 0; left && p < primes.size(); ++p)
      if (primes[p].first & open & (~open + 1))
        self(self, open & ~primes[p].first, left - 1, literals + primes[p].second);
  };
  for (int size = 0;; ++size) {
    search(search, table, size, 0);
    if (best >= 0)
      return {size, best};
  }
}

// "code out message" of one UT_LUT text operation or UT_EQUATE conversion.
std::string outcome(int code, const char *out, const std::string &msg) {
  return std::to_string(code) + " " + (out ? out : "(null)") + " " + msg;
}
} // namespace

TEST(UtilLut, ANewObjectHoldsZeroOverOneLineAndWordsAreCutToTheTable) {
  UT_LUT lut;
  EXPECT_EQ(lut.getlines(), 1);
  EXPECT_EQ(lut.getword(), 0u);
  EXPECT_EQ(lut.geterrmsg(), nullptr);
  EXPECT_EQ(lut.from_word(~0ull, 3), UT_EQ_OK);
  EXPECT_EQ(lut.getword(), 0xFFu) << "bits above the eight addresses must be cleared";
  EXPECT_EQ(lut.from_word(0x96, 3), UT_EQ_OK);
  for (uint64_t a = 0; a < 8; ++a)
    EXPECT_EQ(lut.value(a | (a << 3) | 0xFF00), (0x96 >> a) & 1) << "address " << a;
  EXPECT_EQ(lut.support(), 7u);
  EXPECT_EQ(lut.from_word(0xF0F0F0F0F0F0F0F0ull, 6), UT_EQ_OK);
  EXPECT_EQ(lut.support(), 4u) << "only line 2 matters";
  EXPECT_EQ(lut.from_word(0, 6), UT_EQ_OK);
  EXPECT_EQ(lut.support(), 0u);
}

TEST(UtilLut, RefusedSourcesAndTextsKeepTheFunctionAndReportWhy) {
  UT_LUT lut;
  ASSERT_EQ(lut.from_word(0x8, 2), UT_EQ_OK);
  char *out = nullptr;
  EXPECT_EQ(lut.from_word(1, 0), UT_EQ_BADLINES);
  EXPECT_EQ(lut.from_init("1", 7), UT_EQ_BADLINES);
  EXPECT_EQ(narrow(lut.geterrmsg()), "Wrong number of address lines.");
  EXPECT_EQ(lut.from_init("G", 2), UT_EQ_BADCHAR);
  EXPECT_EQ(narrow(lut.geterrmsg()), "Bad character 'G' in INITSTATE string.");
  EXPECT_EQ(lut.from_equation("O = A0 +", NAMES, 2), UT_EQ_INVALID);
  EXPECT_EQ(lut.from_equation("O = A7", NAMES, 2), UT_EQ_INVALID);
  EXPECT_EQ(narrow(lut.geterrmsg()), "Unknown literal \"A7\".");
  EXPECT_EQ(lut.getlines(), 2);
  EXPECT_EQ(lut.getword(), 0x8u) << "a refusal must leave the held function alone";
  EXPECT_EQ(lut.gen_minimal(nullptr, "O", out), UT_EQ_INVALID);
  EXPECT_EQ(out, nullptr);
  const char *missing[] = {"A0", nullptr};
  EXPECT_EQ(lut.gen_kmap(missing, out), UT_EQ_INVALID);
  EXPECT_EQ(narrow(lut.geterrmsg()), "Missing address-line names.");
  EXPECT_EQ(lut.gen_init(out), UT_EQ_OK);
  EXPECT_STREQ(out, "8");
  EXPECT_EQ(lut.geterrmsg(), nullptr) << "each operation replaces the message";
}

TEST(UtilLut, CopiesHoldTheSameFunctionConventionAndMessage) {
  UT_LUT compact(1);
  ASSERT_EQ(compact.from_init("INIT=0x12", 2), UT_EQ_WARNING);
  UT_LUT copy(compact);
  UT_LUT assigned;
  assigned = copy;
  UT_LUT &same = assigned;
  assigned = same;
  char *out = nullptr;
  for (UT_LUT *lut : {&copy, &assigned}) {
    EXPECT_EQ(lut->getword(), 0x2u);
    EXPECT_EQ(narrow(lut->geterrmsg()), "Extra bits specified in the INITSTATE - ignoring.");
    EXPECT_EQ(lut->gen_minimal(NAMES, "O", out), UT_EQ_OK);
    EXPECT_STREQ(out, "O=A0*~A1");
  }
  ASSERT_EQ(compact.from_word(0, 2), UT_EQ_OK);
  EXPECT_EQ(copy.getword(), 0x2u) << "a copy must not share its state";
}

TEST(UtilLut, MinimalAndMintermTextsComeInTheDocumentedOrderConstantsIncluded) {
  UT_LUT lut, compact(1);
  char *out = nullptr;
  const struct {
    UT_LUT *lut;
    const char *init; // also what gen_init gives back
    long nlines;
    const char *minimal, *minterms; // minterms unchecked when null
  } cases[] = {
      {&lut, "0000", 4, "O = 0", "O = 0"},
      {&compact, "F", 2, "O=1", "O=~A0*~A1+A0*~A1+~A0*A1+A0*A1"},
      {&lut, "1", 1, "O = ~A0", "O = ~A0"},
      {&compact, "3", 1, "O=1", "O=~A0+A0"},
      {&lut, "AAAA", 4, "O = A0", nullptr},
      {&lut, "FFFFFFFE", 5, "O = A0 + A1 + A2 + A3 + A4", nullptr},
      {&lut, "6", 2, "O = A0*~A1 + ~A0*A1", "O = A0*~A1 + ~A0*A1"},
      // Fewest literals first, then the lowest address, then the lines used.
      {&lut, "EA", 3, "O = A0 + A1*A2", nullptr},
      {&lut, "2A", 3, "O = A0*~A1 + A0*~A2", nullptr},
      {&lut, "1E", 3, "O = A0*~A2 + A1*~A2 + ~A0*~A1*A2", nullptr},
      {&lut, "8000000000000001", 6, "O = ~A0*~A1*~A2*~A3*~A4*~A5 + A0*A1*A2*A3*A4*A5", nullptr},
      {&lut, "EEEEEEEEF0A0F000", 6, "O = A0*A5 + A1*A5 + A2*A3*~A5 + A0*A2*A4", nullptr},
  };
  for (const auto &c : cases) {
    ASSERT_EQ(c.lut->from_init(c.init, c.nlines), UT_EQ_OK) << c.init;
    EXPECT_EQ(c.lut->gen_minimal(NAMES, "O", out), UT_EQ_OK);
    EXPECT_STREQ(out, c.minimal) << c.init;
    EXPECT_EQ(c.lut->gen_minterms(NAMES, "O", out), UT_EQ_OK);
    EXPECT_STREQ(out, c.minterms ? c.minterms : out) << c.init;
    EXPECT_EQ(c.lut->gen_init(out), UT_EQ_OK);
    EXPECT_STREQ(out, c.init);
  }
  // One line reads one digit; bits of addresses it does not have are extra bits.
  EXPECT_EQ(lut.from_init("6", 1), UT_EQ_WARNING);
  EXPECT_EQ(narrow(lut.geterrmsg()), "Extra bits specified in the INITSTATE - ignoring.");
  EXPECT_EQ(lut.getword(), 2u);
}

TEST(UtilLut, KarnaughMapsAreGrayCodedWithTheHighLinesOnTheRows) {
  UT_LUT lut;
  char *out = nullptr;
  ASSERT_EQ(lut.from_init("E8C0", 4), UT_EQ_OK);
  ASSERT_EQ(lut.gen_kmap(NAMES, out), UT_EQ_OK);
  EXPECT_STREQ(out, "A3 A2 \\ A1 A0\n"
                    "   00 01 11 10\n"
                    "00  0  0  0  0\n"
                    "01  0  0  1  1\n"
                    "11  0  1  1  1\n"
                    "10  0  0  1  0\n");
  ASSERT_EQ(lut.from_word(2, 1), UT_EQ_OK);
  ASSERT_EQ(lut.gen_kmap(NAMES, out), UT_EQ_OK);
  EXPECT_STREQ(out, "\\ A0\n 0 1\n 0 1\n");
  // Six lines: three-line Gray codes on both axes (the README's example).
  ASSERT_EQ(lut.from_init("EEEEEEEEF0A0F000", 6), UT_EQ_OK);
  ASSERT_EQ(lut.gen_kmap(NAMES, out), UT_EQ_OK);
  EXPECT_STREQ(out, "A5 A4 A3 \\ A2 A1 A0\n"
                    "    000 001 011 010 110 111 101 100\n"
                    "000   0   0   0   0   0   0   0   0\n"
                    "001   0   0   0   0   1   1   1   1\n"
                    "011   0   0   0   0   1   1   1   1\n"
                    "010   0   0   0   0   0   1   1   0\n"
                    "110   0   1   1   1   1   1   1   0\n"
                    "111   0   1   1   1   1   1   1   0\n"
                    "101   0   1   1   1   1   1   1   0\n"
                    "100   0   1   1   1   1   1   1   0\n");
}

TEST(UtilLut, EveryFourLineFunctionComesOutAsEquationsThatEvaluateBackToIt) {
  UT_LUT lut;
  char *out = nullptr;
  for (uint64_t table = 0; table < 65536; ++table) {
    const Sop minimal = minimal_of(lut, table, 4);
    ASSERT_TRUE(minimal.ok) << std::hex << table << ": " << minimal.text;
    ASSERT_EQ(lut.gen_minterms(NAMES, "O", out), UT_EQ_OK);
    const Sop minterms = read_sop(out, 4);
    ASSERT_TRUE(minterms.ok && minterms.table == table) << std::hex << table << ": " << out;
  }
}

TEST(UtilLut, MinimalCoversMatchAnExhaustiveSearchOverCovers) {
  const unsigned seed = 1806;
  std::mt19937_64 rng(seed);
  UT_LUT lut;
  std::vector<std::pair<uint64_t, long>> work;
  for (uint64_t table = 0; table < 256; ++table)
    work.push_back({table, 3});
  // Four lines come out minimal from the first descent of the search already; five lines
  // reach its bounds and backtracking (a bound one literal too eager shows within these).
  for (int k = 0; k < 8000; ++k)
    work.push_back({random_table(rng, k < 2000 ? 4 : 5), k < 2000 ? 4 : 5});
  for (const auto &[table, nlines] : work) {
    const Sop sop = minimal_of(lut, table, nlines);
    EXPECT_TRUE(sop.ok) << nlines << " lines, table " << std::hex << table << ": " << sop.text;
    ASSERT_EQ(std::make_pair(sop.terms, sop.literals), exhaustive_minimum(table, nlines))
        << "seed " << seed << ", " << nlines << " lines, table " << std::hex << table << ": "
        << sop.text;
  }
}

TEST(UtilLut, RandomFiveAndSixLineMinimalCoversAreRightAndNoLargerThanAnIsop) {
  const unsigned seed = 64;
  std::mt19937_64 rng(seed);
  UT_LUT lut(1);
  for (int k = 0; k < 664; ++k) {
    const long nlines = k < 64 ? 5 : 5 + k % 2;
    // Symmetric functions of five lines (many primes, no essential ones; the last is
    // parity), then sparse, dense and balanced random tables.
    uint64_t table = random_table(rng, nlines);
    if (k < 64) {
      table = 0;
      for (unsigned a = 0; a < 32; ++a)
        table |= static_cast<uint64_t>((k >> __builtin_popcount(a)) & 1) << a;
    } else if (k % 3 == 1)
      table &= rng();
    else if (k % 3 == 2)
      table |= rng() & tablemask(nlines);
    const Sop sop = minimal_of(lut, table, nlines);
    int isopliterals = 0;
    const std::vector<lutisop::Term> isop = lutisop::isop(table, static_cast<int>(nlines));
    for (const lutisop::Term &t : isop)
      isopliterals += __builtin_popcount(t.first);
    ASSERT_TRUE(sop.ok && std::make_pair(sop.terms, sop.literals) <=
                              std::make_pair(static_cast<int>(isop.size()), isopliterals))
        << "seed " << seed << ", table " << std::hex << table << ": " << sop.text;
  }
}

// Random words cut to their table; their minimal equations read back to the table through
// the equation reader and INIT digits, whose minterm texts agree byte for byte with
// UT_EQUATE's (two lines or more).
TEST(UtilLut, EquationsRoundTripThroughInitDigitsAndMintermsMatchUtEquate) {
  const unsigned seed = 2026;
  std::mt19937_64 rng(seed);
  UT_LUT lut, back;
  UT_EQUATE eq(0);
  char *out = nullptr, *theirs = nullptr;
  for (int k = 0; k < 500; ++k) {
    const long nlines = 1 + k % 6;
    const uint64_t word = rng(), table = word & tablemask(nlines);
    ASSERT_TRUE(lut.from_word(word, nlines) == UT_EQ_OK && lut.getword() == table)
        << "seed " << seed << ": a word is cut to the " << nlines << "-line table";
    const Sop minimal = minimal_of(lut, table, nlines);
    ASSERT_EQ(back.from_equation(minimal.text.c_str(), NAMES, nlines), UT_EQ_OK)
        << "seed " << seed << ": " << minimal.text << " " << narrow(back.geterrmsg());
    ASSERT_EQ(back.gen_init(out), UT_EQ_OK);
    const std::string init = out;
    ASSERT_EQ(lut.from_init(init.c_str(), nlines), UT_EQ_OK);
    ASSERT_EQ(lut.getword(), table) << "seed " << seed << ": " << minimal.text << " -> " << init;
    ASSERT_EQ(lut.gen_minterms(NAMES, "O", out), UT_EQ_OK);
    if (nlines > 1) {
      ASSERT_EQ(eq.gen_equatestr(init.c_str(), NAMES, nlines, "O", theirs), UT_EQ_OK) << init;
      ASSERT_STREQ(out, theirs) << "seed " << seed << ", case " << k;
    }
  }
}

TEST(UtilLut, InitTextsAndEquationsGiveWhatUtEquateGives) {
  const char *inits[] = {"8",     "6",        "",         "12",        "1",       "G",
                         "8\xE9", "0x8",      "INIT=0x8", "0X8",       "init=1F", "dead",
                         "BEEF1", "fFfFfFfF", "=",        "123456789", "7a"};
  const char *equations[] = {"O = A0*A1",  "A0",        "a4",   "O = ", "A0)", "(A0", "A0 A1",
                             "~(A0@A1)*1", "A0+~a1*A2", "O=A5", "A0_1", "10",  "A3+"};
  char *ours = nullptr, *theirs = nullptr;
  for (unsigned char assignform = 0; assignform < 2; ++assignform)
    for (long nlines = 2; nlines <= 5; ++nlines) {
      UT_LUT lut(assignform);
      UT_EQUATE eq(assignform);
      for (const char *init : inits) {
        const int code = lut.from_init(init, nlines);
        const std::string message = narrow(lut.geterrmsg());
        const int theircode = eq.gen_equatestr(init, NAMES, nlines, "O", theirs);
        if (code > UT_EQ_WARNING || lut.gen_minterms(NAMES, "O", ours) != UT_EQ_OK)
          ours = nullptr;
        EXPECT_EQ(
            outcome(code, ours, message),
            outcome(theircode, code > UT_EQ_WARNING ? nullptr : theirs, narrow(eq.geterrmsg())))
            << "INIT " << init << ", " << nlines << " lines, assignform " << int(assignform);
      }
      for (const char *equation : equations) {
        const int code = lut.from_equation(equation, NAMES, nlines);
        const std::string message = narrow(lut.geterrmsg());
        std::string digits;
        if (code == UT_EQ_OK && lut.gen_init(ours) == UT_EQ_OK)
          digits = assignform ? std::string("O=0x") + ours : ours;
        const int theircode = eq.gen_hex(equation, NAMES, nlines, "O", theirs);
        EXPECT_EQ(outcome(code, code == UT_EQ_OK ? digits.c_str() : nullptr, message),
                  outcome(theircode, theirs, narrow(eq.geterrmsg())))
            << "equation " << equation << ", " << nlines << " lines";
      }
    }
}
