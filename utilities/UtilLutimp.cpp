// UtilLutimp: the function of up to six address lines behind UT_LUT. Reads equations with
// the equation reader and INIT digits with its digit rules, keeps messages and texts in
// the reader's object, and finds exact minimal sums of products: every prime implicant,
// then the cheapest cover by branch and bound. Uses no heap beyond the text buffer.
#include "UtilLutimp.h"

#include "UtilEquate.h"

namespace {
// "UtilLutimp", each character stored as its code plus one.
const char mv_modname[] = "VujmMvujnq";

const char *const HEXDIGITS = "0123456789ABCDEF";

// Truth-table word of address line i over the 64 addresses of six lines.
const uint64_t LINEWORD[UT_LUT_MAXLINES] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull,
                                            0xF0F0F0F0F0F0F0F0ull, 0xFF00FF00FF00FF00ull,
                                            0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};

int lines_in_range(long nlines) { return nlines >= 1 && nlines <= UT_LUT_MAXLINES; }

// The bits of the addresses of `nlines` lines.
uint64_t tablemask(long nlines) { return nlines >= 6 ? ~0ull : (1ull << (1u << nlines)) - 1; }

// INIT digits of `nlines` lines: a quarter of the addresses, and one digit below 2 lines.
long initwidth(long nlines) { return nlines < 2 ? 1 : (1L << nlines) / 4; }

int popcount(uint64_t w) { return __builtin_popcountll(w); }

// The word with the two halves selected by line i exchanged: address a moves to a ^ 2^i.
uint64_t flipline(uint64_t w, int i) {
  const unsigned s = 1u << i;
  return ((w & LINEWORD[i]) >> s) | ((w & ~LINEWORD[i]) << s);
}

// Exact minimum cover of the set bits of a table by its prime implicants. Costs compare
// terms first, then literals: a term costs TERMCOST plus its literal count, and no cover
// has TERMCOST literals. Primes are numbered in the order ut_lut_primes finds them.
const int TERMCOST = 256;
const int PRIMEWORDS = (UT_LUT_MAXCUBES + 63) / 64;

struct PrimeSet {
  uint64_t bits[PRIMEWORDS];
  int has(int p) const { return (bits[p / 64] >> (p % 64)) & 1; }
  void add(int p) { bits[p / 64] |= 1ull << (p % 64); }
};

// Branch and bound over the covering table: rows are the addresses still to cover,
// columns the primes not ruled out. Before each branch the table is reduced as in the
// cyclic-core method: a row with one prime left forces that prime (an essential prime);
// a prime whose rows another prime of no greater cost also covers is ruled out (column
// dominance); a row whose primes include all primes of another row is dropped, since
// covering the other covers it too (row dominance).
class CoverSearch {
public:
  CoverSearch(uint64_t table, long nlines) {
    nprimes = ut_lut_primes(table, nlines, primes);
    nwords = (nprimes + 63) / 64;
    for (int a = 0; a < 64; ++a)
      rowset[a] = PrimeSet{};
    for (int p = 0; p < nprimes; ++p) {
      words[p] = ut_lut_cubeword(primes[p], nlines);
      cost[p] = TERMCOST + popcount(primes[p].mask);
      for (uint64_t rest = words[p]; rest; rest &= rest - 1)
        rowset[__builtin_ctzll(rest)].add(p);
    }
    best = -1;
    nbest = 0;
    search(table, PrimeSet{}, 0, 0);
  }

  UT_LUT_CUBE primes[UT_LUT_MAXCUBES];
  int nbest;
  short bestchoice[64];

private:
  // Whether row a has any prime left, and whether exactly one (then `p` is it).
  int count_left(int a, const PrimeSet &excluded, int &p) const {
    int n = 0;
    for (int w = 0; w < nwords && n < 2; ++w) {
      const uint64_t left = rowset[a].bits[w] & ~excluded.bits[w];
      n += popcount(left);
      if (left)
        p = 64 * w + __builtin_ctzll(left);
    }
    return n;
  }
  // Whether every prime of a is in b.
  int within(const PrimeSet &a, const PrimeSet &b) const {
    for (int w = 0; w < nwords; ++w)
      if (a.bits[w] & ~b.bits[w])
        return 0;
    return 1;
  }
  int usable(int a, int p, const PrimeSet &excluded) const {
    return rowset[a].has(p) && !excluded.has(p);
  }

  // One node: the rows of `needed` still need a prime, `excluded` primes are ruled out,
  // `depth` primes are chosen at total cost `spent`.
  void search(uint64_t needed, PrimeSet excluded, int depth, int spent) {
    int branch = -1;
    for (int fixed = 1; fixed;) {
      for (int changed = 1; changed;) {
        changed = 0;
        if (best >= 0 && spent >= best)
          return;
        // Essential primes: a row with one prime left takes it.
        for (uint64_t rest = needed; rest; rest &= rest - 1) {
          const int a = __builtin_ctzll(rest);
          if (!((needed >> a) & 1))
            continue;
          int p = 0;
          const int n = count_left(a, excluded, p);
          if (!n)
            return;
          if (n == 1) {
            choice[depth++] = static_cast<short>(p);
            spent += cost[p];
            needed &= ~words[p];
            excluded.add(p);
            changed = 1;
          }
        }
        if (!needed) {
          if (best < 0 || spent < best) {
            best = spent;
            nbest = depth;
            for (int i = 0; i < depth; ++i)
              bestchoice[i] = choice[i];
          }
          return;
        }
        // Column dominance: p goes when q covers all of p's rows at no greater cost (of two
        // equal primes the later one goes).
        int nactive = 0;
        for (int p = 0; p < nprimes; ++p) {
          if (excluded.has(p))
            continue;
          if (!(words[p] & needed)) {
            excluded.add(p);
            continue;
          }
          rows[nactive] = words[p] & needed;
          active[nactive++] = static_cast<short>(p);
        }
        for (int i = 0; i < nactive; ++i) {
          const int p = active[i];
          for (int j = 0; j < nactive; ++j) {
            const int q = active[j];
            if (q == p || cost[q] > cost[p] || (rows[i] & ~rows[j]) || excluded.has(q))
              continue;
            if (rows[j] != rows[i] || cost[q] < cost[p] || q < p) {
              excluded.add(p);
              changed = 1;
              break;
            }
          }
        }
        // Row dominance, judged on the sets of this pass: a row goes when another row's
        // primes are among its own (of two equal rows the higher one goes).
        for (uint64_t rest = needed; rest; rest &= rest - 1) {
          const int a = __builtin_ctzll(rest);
          for (int w = 0; w < nwords; ++w)
            left[a].bits[w] = rowset[a].bits[w] & ~excluded.bits[w];
        }
        uint64_t keep = needed;
        for (uint64_t r2 = needed; r2; r2 &= r2 - 1) {
          const int b = __builtin_ctzll(r2);
          for (uint64_t r1 = needed; r1; r1 &= r1 - 1) {
            const int a = __builtin_ctzll(r1);
            if (a != b && within(left[a], left[b]) && (a < b || !within(left[b], left[a]))) {
              keep &= ~(1ull << b);
              break;
            }
          }
        }
        if (keep != needed) {
          needed = keep;
          changed = 1;
        }
      }
      // Bound the node; then rule out each prime whose use alone would cost at least as much
      // as the best cover: with row prices y, a cover C costs at least the sum of y plus the
      // slack of each of its primes.
      double price[2];
      branch = -1;
      lower_bound(needed, excluded, branch, price, slack);
      const double room = best - 1 - spent + 1e-6; // an improvement costs best - 1 at most
      if (best >= 0 && (price[0] > room || price[1] > room))
        return;
      fixed = 0;
      for (int p = 0; best >= 0 && p < nprimes; ++p) {
        if (excluded.has(p) || !(words[p] & needed))
          continue;
        if (price[0] + slack[0][p] > room || price[1] + slack[1][p] > room) {
          excluded.add(p);
          fixed = 1;
        }
      }
    }
    // Branch on the row with the fewest primes left: each of them in turn, the ones that
    // cover most first; a prime tried once is ruled out for the branches after it.
    short options[64];
    int noptions = 0;
    for (int p = 0; p < nprimes; ++p)
      if (usable(branch, p, excluded))
        options[noptions++] = static_cast<short>(p);
    sort_options(options, noptions, needed);
    for (int k = 0; k < noptions; ++k) {
      const int p = options[k];
      choice[depth] = static_cast<short>(p);
      PrimeSet next = excluded;
      next.add(p);
      search(needed & ~words[p], next, depth + 1, spent + cost[p]);
      excluded.add(p);
    }
  }

  // Calls f(p) for every prime left of row a.
  template <class F> void each_left(int a, const PrimeSet &excluded, F f) const {
    for (int w = 0; w < nwords; ++w)
      for (uint64_t bits = rowset[a].bits[w] & ~excluded.bits[w]; bits; bits &= bits - 1)
        f(64 * w + __builtin_ctzll(bits));
  }

  // A cost no cover of `needed` can beat: a feasible solution of the dual of the covering
  // problem, a price for each row such that the rows of any prime together cost no more
  // than the prime. Two are tried and the larger taken: rows priced one by one, rows with
  // few primes first, at whatever their primes have left (with whole primes this is the
  // bound of rows that share no prime); and each row first priced at its cheapest share of
  // a prime split over the rows the prime covers, then raised the same way. `branch`
  // receives the row with the fewest primes left.
  void lower_bound(uint64_t needed, const PrimeSet &excluded, int &branch, double *price,
                   double (*slack)[UT_LUT_MAXCUBES]) const {
    int count[64];
    int fewest = 0;
    for (uint64_t rest = needed; rest; rest &= rest - 1) {
      const int a = __builtin_ctzll(rest);
      count[a] = 0;
      each_left(a, excluded, [&](int) { ++count[a]; });
      if (branch < 0 || count[a] < fewest) {
        branch = a;
        fewest = count[a];
      }
    }
    // The rows by their number of primes left, fewest first.
    int order[64];
    int nrows = 0;
    for (int want = fewest; nrows < popcount(needed); ++want)
      for (uint64_t rest = needed; rest; rest &= rest - 1)
        if (count[__builtin_ctzll(rest)] == want)
          order[nrows++] = __builtin_ctzll(rest);
    price[0] = dual_price(needed, excluded, order, nrows, 0, slack[0]);
    price[1] = dual_price(needed, excluded, order, nrows, 1, slack[1]);
  }

  double dual_price(uint64_t needed, const PrimeSet &excluded, const int *order, int nrows,
                    int shares, double *slack) const {
    double price = 0;
    for (uint64_t rest = needed; rest; rest &= rest - 1)
      each_left(__builtin_ctzll(rest), excluded, [&](int p) { slack[p] = cost[p]; });
    for (uint64_t rest = needed; shares && rest; rest &= rest - 1) {
      const int a = __builtin_ctzll(rest);
      double share = -1;
      each_left(a, excluded, [&](int p) {
        const double part = cost[p] / static_cast<double>(popcount(words[p] & needed));
        if (share < 0 || part < share)
          share = part;
      });
      each_left(a, excluded, [&](int p) { slack[p] -= share; });
      price += share;
    }
    for (int i = 0; i < nrows; ++i) {
      const int a = order[i];
      {
        double raise = -1;
        each_left(a, excluded, [&](int p) {
          if (raise < 0 || slack[p] < raise)
            raise = slack[p];
        });
        if (raise <= 0)
          continue;
        each_left(a, excluded, [&](int p) { slack[p] -= raise; });
        price += raise;
      }
    }
    return price;
  }

  // Most newly covered addresses first, then the fewest literals, then the prime's number.
  void sort_options(short *options, int n, uint64_t uncovered) const {
    for (int i = 1; i < n; ++i) {
      const short p = options[i];
      int j = i;
      while (j > 0 && before(p, options[j - 1], uncovered)) {
        options[j] = options[j - 1];
        --j;
      }
      options[j] = p;
    }
  }
  int before(int p, int q, uint64_t uncovered) const {
    const int gp = popcount(words[p] & uncovered), gq = popcount(words[q] & uncovered);
    if (gp != gq)
      return gp > gq;
    return cost[p] != cost[q] ? cost[p] < cost[q] : p < q;
  }

  uint64_t words[UT_LUT_MAXCUBES];
  int cost[UT_LUT_MAXCUBES];
  int nprimes;
  int nwords;          // words of a PrimeSet in use
  PrimeSet rowset[64]; // the primes covering each address
  short choice[64];
  double slack[2][UT_LUT_MAXCUBES]; // the row prices' slack of each prime, at the last bound
  // Scratch of one reduction pass, not kept across the recursion: the primes still in
  // play with their needed rows, and each needed row's primes left.
  short active[UT_LUT_MAXCUBES];
  uint64_t rows[UT_LUT_MAXCUBES];
  PrimeSet left[64];
  int best; // cost of the best cover found, -1 before the first
};

// The order of the terms of gen_minimal.
int term_before(UT_LUT_CUBE a, UT_LUT_CUBE b) {
  const int la = popcount(a.mask), lb = popcount(b.mask);
  if (la != lb)
    return la < lb;
  if (a.bits != b.bits)
    return a.bits < b.bits;
  return a.mask < b.mask;
}
} // namespace

uint64_t ut_lut_cubeword(UT_LUT_CUBE cube, long nlines) {
  uint64_t word = tablemask(nlines);
  for (int i = 0; i < nlines && i < UT_LUT_MAXLINES; ++i)
    if ((cube.mask >> i) & 1)
      word &= ((cube.bits >> i) & 1) ? LINEWORD[i] : ~LINEWORD[i];
  return word;
}

// Every term over the lines is looked at (3^nlines of them): an implicant covers no
// address outside the table's set bits, and it is prime when dropping any one of its
// literals, which adds the addresses with that line flipped, would leave the set bits.
int ut_lut_primes(uint64_t table, long nlines, UT_LUT_CUBE *primes) {
  if (!lines_in_range(nlines))
    return 0;
  const uint64_t off = ~table & tablemask(nlines);
  const unsigned full = (1u << nlines) - 1;
  int count = 0;
  for (unsigned mask = 0; mask <= full; ++mask) {
    for (unsigned bits = mask;; bits = (bits - 1) & mask) {
      const UT_LUT_CUBE cube = {static_cast<uint8_t>(mask), static_cast<uint8_t>(bits)};
      const uint64_t word = ut_lut_cubeword(cube, nlines);
      if (!(word & off)) {
        int prime = 1;
        for (int i = 0; i < nlines && prime; ++i)
          if ((mask >> i) & 1)
            prime = (flipline(word, i) & off) != 0;
        if (prime)
          primes[count++] = cube;
      }
      if (!bits)
        break;
    }
  }
  return count;
}

int ut_lut_mincover(uint64_t table, long nlines, UT_LUT_CUBE *cover) {
  if (!lines_in_range(nlines))
    return 0;
  CoverSearch search(table & tablemask(nlines), nlines);
  const int n = search.nbest;
  for (int i = 0; i < n; ++i) {
    const UT_LUT_CUBE term = search.primes[search.bestchoice[i]];
    int j = i;
    while (j > 0 && term_before(term, cover[j - 1])) {
      cover[j] = cover[j - 1];
      --j;
    }
    cover[j] = term;
  }
  return n;
}

UT_LUT_IMP::UT_LUT_IMP(unsigned char assignform) : eq(assignform), word(0), nlines(1) {}

void UT_LUT_IMP::assign(const UT_LUT_IMP &other) {
  word = other.word;
  nlines = other.nlines;
  eq.seterrmsg(other.eq.geterrmsg());
}

int UT_LUT_IMP::start(long lines) {
  eq.seterrmsg(nullptr);
  if (lines_in_range(lines))
    return UT_EQ_OK;
  eq.storemsg(mv_modname, "Wrong number of address lines.");
  return UT_EQ_BADLINES;
}

int UT_LUT_IMP::from_equation(const char *equation, const char **names, long lines) {
  const int code = start(lines);
  if (code != UT_EQ_OK)
    return code;
  uint64_t table = 0;
  if (eq.readtable(equation, names, lines, table) != UT_EQ_OK)
    return UT_EQ_INVALID;
  word = table & tablemask(lines);
  nlines = lines;
  return UT_EQ_OK;
}

// The digit rules of UT_EQUATE::gen_equatestr: the same text taken, the same padding and
// warnings, and its digit reader.
int UT_LUT_IMP::from_init(const char *init, long lines) {
  const int code = start(lines);
  if (code != UT_EQ_OK)
    return code;
  const char *digits = init ? init : "";
  if (eq.assignform) {
    const char *equals = UT_STR::FindChar(digits, '=');
    digits = equals ? equals + 1 : digits;
    if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
      digits += 2;
  }
  const long width = initwidth(lines);
  char padded[16 + 1];
  const long given = UT_STR::Len(digits);
  if (given < width) {
    if (!eq.assignform)
      eq.storemsg(mv_modname,
                  "INITSTATE string shorter than width of the ROM - padding with zeros.");
    UT_MEMORY::Set(padded, '0', static_cast<unsigned>(width - given));
    UT_STR::Copy(padded + (width - given), digits);
    digits = padded;
  }
  unsigned char bits[64] = {0};
  if (eq.buildbits(digits, 4 * width, bits) == UT_EQ_BADCHAR)
    return UT_EQ_BADCHAR;
  const long nbits = 1L << lines;
  // One line has two addresses in its one digit: set bits above them are extra too.
  for (long k = nbits; k < 4 * width; ++k)
    if (bits[k] && !eq.geterrmsg())
      eq.storemsg(mv_modname, "Extra bits specified in the %s - ignoring.", "INITSTATE");
  uint64_t table = 0;
  for (long k = 0; k < nbits; ++k)
    if (bits[k])
      table |= 1ull << k;
  word = table;
  nlines = lines;
  return eq.geterrmsg() ? UT_EQ_WARNING : UT_EQ_OK;
}

int UT_LUT_IMP::from_word(uint64_t table, long lines) {
  const int code = start(lines);
  if (code != UT_EQ_OK)
    return code;
  word = table & tablemask(lines);
  nlines = lines;
  return UT_EQ_OK;
}

int UT_LUT_IMP::value(uint64_t address) const {
  return static_cast<int>((word >> (address & ((1u << nlines) - 1))) & 1);
}

// Line i matters when the table differs from itself with that line flipped.
uint64_t UT_LUT_IMP::support() const {
  uint64_t lines = 0;
  for (int i = 0; i < nlines; ++i)
    if (flipline(word, i) != word)
      lines |= 1ull << i;
  return lines;
}

int UT_LUT_IMP::gen_init(char *&out) {
  eq.seterrmsg(nullptr);
  const long width = initwidth(nlines);
  eq.outtext.reset();
  for (long d = width - 1; d >= 0; --d)
    eq.outtext.append(HEXDIGITS[(word >> (4 * d)) & 0xF]);
  out = eq.outtext.buffer;
  return UT_EQ_OK;
}

int UT_LUT_IMP::start_text(const char **names) {
  eq.seterrmsg(nullptr);
  int ok = names != nullptr;
  for (long i = 0; ok && i < nlines; ++i)
    ok = names[i] != nullptr;
  if (ok)
    return UT_EQ_OK;
  eq.storemsg(mv_modname, "Missing address-line names.");
  return UT_EQ_INVALID;
}

void UT_LUT_IMP::write_term(UT_LUT_CUBE term, const char **names) {
  if (!term.mask) {
    eq.outtext.append('1');
    return;
  }
  int written = 0;
  for (long i = 0; i < nlines; ++i) {
    if (!((term.mask >> i) & 1))
      continue;
    if (written++)
      eq.outtext.append('*');
    if (!((term.bits >> i) & 1))
      eq.outtext.append('~');
    eq.outtext.append(names[i]);
  }
}

char *UT_LUT_IMP::write_sum(const UT_LUT_CUBE *terms, int count, const char **names,
                            const char *lhs) {
  eq.outtext.reset();
  eq.outtext.append(lhs);
  eq.outtext.append(eq.assignform ? "=" : " = ");
  for (int t = 0; t < count; ++t) {
    if (t)
      eq.outtext.append(eq.assignform ? "+" : " + ");
    write_term(terms[t], names);
  }
  if (!count)
    eq.outtext.append('0');
  return eq.outtext.buffer;
}

int UT_LUT_IMP::gen_sum(const char **names, const char *lhs, int minimal, char *&out) {
  out = nullptr;
  const int code = start_text(names);
  if (code != UT_EQ_OK)
    return code;
  UT_LUT_CUBE terms[64];
  int count = 0;
  if (minimal)
    count = ut_lut_mincover(word, nlines, terms);
  else
    for (uint64_t rest = word; rest; rest &= rest - 1)
      terms[count++] = {static_cast<uint8_t>((1u << nlines) - 1),
                        static_cast<uint8_t>(__builtin_ctzll(rest))};
  out = write_sum(terms, count, names, lhs);
  return UT_EQ_OK;
}

int UT_LUT_IMP::gen_minterms(const char **names, const char *lhs, char *&out) {
  return gen_sum(names, lhs, 0, out);
}

int UT_LUT_IMP::gen_minimal(const char **names, const char *lhs, char *&out) {
  return gen_sum(names, lhs, 1, out);
}

// Gray code g(j) = j ^ (j >> 1) orders both axes, so neighbouring cells differ in one line.
int UT_LUT_IMP::gen_kmap(const char **names, char *&out) {
  out = nullptr;
  const int code = start_text(names);
  if (code != UT_EQ_OK)
    return code;
  const int collines = static_cast<int>((nlines + 1) / 2);
  const int rowlines = static_cast<int>(nlines) - collines;
  UT_STRING &text = eq.outtext;
  text.reset();
  for (int i = static_cast<int>(nlines) - 1; i >= collines; --i) {
    text.append(names[i]);
    text.append(' ');
  }
  text.append('\\');
  for (int i = collines - 1; i >= 0; --i) {
    text.append(' ');
    text.append(names[i]);
  }
  text.append('\n');
  auto append_code = [&text](unsigned gray, int width) {
    for (int b = width - 1; b >= 0; --b)
      text.append(((gray >> b) & 1) ? '1' : '0');
  };
  for (int r = 0; r < rowlines; ++r)
    text.append(' ');
  for (unsigned c = 0; c < (1u << collines); ++c) {
    text.append(' ');
    append_code(c ^ (c >> 1), collines);
  }
  text.append('\n');
  for (unsigned r = 0; r < (1u << rowlines); ++r) {
    const unsigned rowgray = r ^ (r >> 1);
    append_code(rowgray, rowlines);
    for (unsigned c = 0; c < (1u << collines); ++c) {
      for (int pad = 0; pad < collines; ++pad)
        text.append(' ');
      const unsigned address = (rowgray << collines) | (c ^ (c >> 1));
      text.append(value(address) ? '1' : '0');
    }
    text.append('\n');
  }
  out = text.buffer;
  return UT_EQ_OK;
}
