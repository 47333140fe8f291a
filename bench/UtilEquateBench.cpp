// UT_EQUATE::gen_hex against the plain way to get a truth table: the equation read into
// an expression tree, the tree evaluated once per address (32 rows for 5 lines) and the
// bits written as hexadecimal digits. Both read the same random 5-line, 20-term sums of
// products and must agree. validate reads the same equations and must cost no more than
// gen_hex. gen_equatestr, the other direction, writes the minterm sums of random 6-line
// INIT values against the same sums appended to a std::string.
#include "BenchPairs.h"

#include "Utilities.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char *kNames[] = {"A0", "A1", "A2", "A3", "A4", "A5"};
const int kLines = 5;
const int kEquations = 1000;

// "O = t1 + t2 + ...": 20 products of 1 to 4 literals, some inverted, a few in parentheses.
std::vector<std::string> equations() {
  std::vector<std::string> all;
  utbench::Rng rng(9);
  for (int e = 0; e < kEquations; ++e) {
    std::string s = "O = ";
    for (int t = 0; t < 20; ++t) {
      if (t)
        s += " + ";
      int lits = 1 + static_cast<int>(rng.below(4));
      bool paren = rng.below(5) == 0;
      if (paren)
        s += "(";
      for (int l = 0; l < lits; ++l) {
        if (l)
          s += "*";
        if (rng.below(2))
          s += "~";
        s += kNames[rng.below(kLines)];
      }
      if (paren)
        s += ")";
    }
    all.push_back(s);
  }
  return all;
}

// The peer: a recursive-descent reader building a node array, OR loosest, then AND and
// XOR, then NOT; evaluated one address at a time.
class RowEvaluator {
public:
  // The INIT digits of text (after its '='), or "" when it does not read.
  std::string hex(const char *text) {
    nodes.clear();
    p = std::strchr(text, '=');
    p = p ? p + 1 : text;
    ok = true;
    int root = sum();
    skip();
    if (!ok || *p)
      return "";
    unsigned long word = 0;
    for (int row = 0; row < (1 << kLines); ++row)
      if (eval(root, row))
        word |= 1UL << row;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08lX", word);
    return buf;
  }

private:
  enum Kind { VAR, CONST, NOT, AND, XOR, OR };
  struct Node {
    Kind kind;
    int a, b; // operands, or the line / constant value
  };
  std::vector<Node> nodes;
  const char *p = nullptr;
  bool ok = true;

  void skip() {
    while (*p == ' ')
      ++p;
  }
  int make(Kind k, int a, int b) {
    nodes.push_back({k, a, b});
    return static_cast<int>(nodes.size()) - 1;
  }
  int sum() {
    int left = product();
    for (skip(); ok && *p == '+'; skip()) {
      ++p;
      left = make(OR, left, product());
    }
    return left;
  }
  int product() {
    int left = factor();
    for (skip(); ok && (*p == '*' || *p == '@'); skip()) {
      Kind k = *p++ == '*' ? AND : XOR;
      left = make(k, left, factor());
    }
    return left;
  }
  int factor() {
    skip();
    if (*p == '~') {
      ++p;
      return make(NOT, factor(), 0);
    }
    if (*p == '(') {
      ++p;
      int inner = sum();
      skip();
      ok = ok && *p == ')';
      if (ok)
        ++p;
      return inner;
    }
    if (*p == '0' || *p == '1')
      return make(CONST, *p++ - '0', 0);
    for (int i = 0; i < kLines; ++i) {
      std::size_t n = std::strlen(kNames[i]);
      if (std::strncmp(p, kNames[i], n) == 0) {
        p += n;
        return make(VAR, i, 0);
      }
    }
    ok = false;
    return make(CONST, 0, 0);
  }
  bool eval(int n, int row) const {
    const Node &x = nodes[static_cast<std::size_t>(n)];
    switch (x.kind) {
    case VAR:
      return (row >> x.a) & 1;
    case CONST:
      return x.a;
    case NOT:
      return !eval(x.a, row);
    case AND:
      return eval(x.a, row) && eval(x.b, row);
    case XOR:
      return eval(x.a, row) != eval(x.b, row);
    case OR:
      return eval(x.a, row) || eval(x.b, row);
    }
    return false;
  }
};

// Times one conversion over all inputs, after holding each result against the peer's (a
// disagreement skips the benchmark with an error).
template <class Convert, class Peer>
void time_conversion(benchmark::State &state, const std::vector<std::string> &inputs,
                     Convert convert, Peer peer) {
  for (const std::string &in : inputs) {
    char *out = nullptr;
    if (convert(in, out) != UT_EQ_OK || peer(in) != out) {
      state.SkipWithError(("disagreement on " + in).c_str());
      return;
    }
  }
  for (auto _ : state) {
    for (const std::string &in : inputs) {
      char *out = nullptr;
      convert(in, out);
      benchmark::DoNotOptimize(out);
    }
  }
}

void EquateGenHex(benchmark::State &state) {
  UT_EQUATE eq(0);
  RowEvaluator check;
  time_conversion(
      state, equations(),
      [&eq](const std::string &e, char *&out) {
        return eq.gen_hex(e.c_str(), kNames, kLines, "O", out);
      },
      [&check](const std::string &e) { return check.hex(e.c_str()); });
}

void RowByRow(benchmark::State &state) {
  const std::vector<std::string> eqs = equations();
  RowEvaluator ev;
  for (auto _ : state)
    for (const std::string &e : eqs)
      benchmark::DoNotOptimize(ev.hex(e.c_str()));
}

void EquateValidate(benchmark::State &state) {
  const std::vector<std::string> eqs = equations();
  UT_EQUATE eq(0);
  for (auto _ : state)
    for (const std::string &e : eqs)
      benchmark::DoNotOptimize(eq.validate(e.c_str(), kNames, kLines));
}

// 1,000 random 6-line INIT values: 16 digits each, about 32 minterms.
const int kWideLines = 6;
std::vector<std::string> inits() {
  std::vector<std::string> all;
  utbench::Rng rng(17);
  for (int i = 0; i < kEquations; ++i) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llX", static_cast<unsigned long long>(rng.next()));
    all.push_back(buf);
  }
  return all;
}

// The peer: the digits read with strtoull, each set bit's minterm appended to a reused
// std::string in the same convention.
const std::string &minterms(const std::string &init, std::string &s) {
  const std::uint64_t value = std::strtoull(init.c_str(), nullptr, 16);
  s = "O = ";
  bool first = true;
  for (int address = 0; address < (1 << kWideLines); ++address) {
    if (!((value >> address) & 1))
      continue;
    if (!first)
      s += " + ";
    first = false;
    for (int line = 0; line < kWideLines; ++line) {
      if (line)
        s += '*';
      if (!((address >> line) & 1))
        s += '~';
      s += kNames[line];
    }
  }
  if (first)
    s += '0';
  return s;
}

void EquateGenEquatestr(benchmark::State &state) {
  UT_EQUATE eq(0);
  std::string check;
  time_conversion(
      state, inits(),
      [&eq](const std::string &v, char *&out) {
        return eq.gen_equatestr(v.c_str(), kNames, kWideLines, "O", out);
      },
      [&check](const std::string &v) { return minterms(v, check); });
}

void StringMinterms(benchmark::State &state) {
  const std::vector<std::string> values = inits();
  std::string s;
  for (auto _ : state)
    for (const std::string &v : values)
      benchmark::DoNotOptimize(minterms(v, s).data());
}

} // namespace

UT_BENCH(EquateGenHex);
UT_BENCH(RowByRow);
UT_BENCH(EquateValidate);
UT_BENCH(EquateGenEquatestr);
UT_BENCH(StringMinterms);

UT_BENCH_ROW("`UT_EQUATE::gen_hex` vs the tree evaluated row by row (32 evaluations)",
             "1,000 random 5-line, 20-term equations", "EquateGenHex", "RowByRow", 0.2);
UT_BENCH_ROW("`UT_EQUATE::validate` vs `UT_EQUATE::gen_hex`",
             "the same 1,000 equations, checked instead of converted", "EquateValidate",
             "EquateGenHex", 1.0);
UT_BENCH_ROW("`UT_EQUATE::gen_equatestr` vs the minterms appended to a `std::string`",
             "1,000 random 6-line INIT values (about 32 minterms each)", "EquateGenEquatestr",
             "StringMinterms", 1.0);
