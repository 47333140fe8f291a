// UT_LUT::gen_minimal, the exact minimal sum of products written as text, against the
// irredundant sum of products (ISOP) that logic-synthesis libraries give instead: all
// 65,536 functions of 4 lines, and 10,000 random functions of 6 lines. Besides the times,
// each benchmark carries the average terms and literals of its covers as counters; the
// exact side must never be larger.
#include "BenchPairs.h"

#include "../tests/support/LutIsop.h"
#include "Utilities.h"

#include <string>
#include <vector>

namespace {

const char *kNames[] = {"A0", "A1", "A2", "A3", "A4", "A5"};

std::vector<uint64_t> all4() {
  std::vector<uint64_t> tables;
  for (uint64_t t = 0; t < 65536; ++t)
    tables.push_back(t);
  return tables;
}

std::vector<uint64_t> random6() {
  std::vector<uint64_t> tables;
  utbench::Rng rng(18);
  for (int k = 0; k < 10000; ++k)
    tables.push_back(rng.next());
  return tables;
}

struct Size {
  double terms = 0, literals = 0;
};

// Terms and literals of "O=t+t" over kNames: one '+' between terms, one 'A' per literal.
void count(const char *text, Size &size) {
  const std::string s = text + 2;
  if (s == "0")
    return;
  size.terms += 1;
  for (char c : s) {
    size.terms += c == '+';
    size.literals += c == 'A';
  }
}

void report(benchmark::State &state, Size size, std::size_t n) {
  state.counters["terms"] = size.terms / static_cast<double>(n);
  state.counters["literals"] = size.literals / static_cast<double>(n);
}

void minimal(benchmark::State &state, const std::vector<uint64_t> &tables, long nlines) {
  UT_LUT lut(1);
  char *out = nullptr;
  Size size;
  for (uint64_t t : tables) {
    lut.from_word(t, nlines);
    lut.gen_minimal(kNames, "O", out);
    count(out, size);
  }
  for (auto _ : state)
    for (uint64_t t : tables) {
      lut.from_word(t, nlines);
      lut.gen_minimal(kNames, "O", out);
      benchmark::DoNotOptimize(out);
    }
  report(state, size, tables.size());
}

void isop(benchmark::State &state, const std::vector<uint64_t> &tables, int nlines) {
  Size size;
  for (uint64_t t : tables)
    for (const lutisop::Term &term : lutisop::isop(t, nlines)) {
      size.terms += 1;
      size.literals += __builtin_popcount(term.first);
    }
  for (auto _ : state)
    for (uint64_t t : tables)
      benchmark::DoNotOptimize(lutisop::isop(t, nlines));
  report(state, size, tables.size());
}

void LutMinimalAll4(benchmark::State &state) { minimal(state, all4(), 4); }
void IsopAll4(benchmark::State &state) { isop(state, all4(), 4); }
void LutMinimalRandom6(benchmark::State &state) { minimal(state, random6(), 6); }
void IsopRandom6(benchmark::State &state) { isop(state, random6(), 6); }

} // namespace

UT_BENCH_SLOW(LutMinimalAll4);
UT_BENCH_SLOW(IsopAll4);
UT_BENCH_SLOW(LutMinimalRandom6);
UT_BENCH_SLOW(IsopRandom6);

UT_BENCH_ROW("`UT_LUT::gen_minimal` (exact minimum, as text) vs an ISOP (information)",
             "all 65,536 4-line functions", "LutMinimalAll4", "IsopAll4", 0);
UT_BENCH_ROW("`UT_LUT::gen_minimal` (exact minimum, as text) vs an ISOP (information)",
             "10,000 random 6-line functions", "LutMinimalRandom6", "IsopRandom6", 0);
