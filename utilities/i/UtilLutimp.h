// UtilLutimp: the work behind UT_LUT. The truth table of up to six lines in one word, the
// prime implicants and the exact minimum cover, and the texts. Messages, the text buffer,
// the name matching and the equation reader are those of a UT_EQUATE_IMP it holds.
#ifndef UTILLUTIMP_H
#define UTILLUTIMP_H

#include "UtilEquateimp.h"

#include <cstdint>

const long UT_LUT_MAXLINES = 6;
const int UT_LUT_MAXCUBES = 729; // 3^6: every product term over six lines

// A product term: line i takes part when bit i of `mask` is set, plainly when bit i of
// `bits` is set and complemented when it is clear. `bits` has no bit outside `mask`, so it
// is also the lowest address the term covers.
struct UT_LUT_CUBE {
  uint8_t mask;
  uint8_t bits;
};

// The addresses of `nlines` lines that a term covers, as a truth-table word.
uint64_t ut_lut_cubeword(UT_LUT_CUBE cube, long nlines);
// Writes the prime implicants of `table` into `primes` (room for UT_LUT_MAXCUBES) and
// returns their count; 0 for the constant 0, the one empty term for the constant 1.
int ut_lut_primes(uint64_t table, long nlines, UT_LUT_CUBE *primes);
// Writes an exact minimum cover (fewest terms, then fewest literals) of `table` into
// `cover` (room for 64) in the order of UT_LUT::gen_minimal and returns its term count.
// The search keeps its tables (some 40 KB) on the call stack and recurses at most once per
// term of the cover, with a few hundred bytes a level.
int ut_lut_mincover(uint64_t table, long nlines, UT_LUT_CUBE *cover);

class UT_LUT_IMP {
public:
  explicit UT_LUT_IMP(unsigned char assignform);
  UT_LUT_IMP(const UT_LUT_IMP &) = delete;
  UT_LUT_IMP &operator=(const UT_LUT_IMP &) = delete;

  // Takes the other object's function and message (the convention is fixed at construction).
  void assign(const UT_LUT_IMP &other);

  int from_equation(const char *equation, const char **names, long nlines);
  int from_init(const char *init, long nlines);
  int from_word(uint64_t table, long nlines);

  long getlines() const { return nlines; }
  uint64_t getword() const { return word; }
  int value(uint64_t address) const;
  uint64_t support() const;

  int gen_init(char *&out);
  int gen_minterms(const char **names, const char *lhs, char *&out);
  int gen_minimal(const char **names, const char *lhs, char *&out);
  int gen_kmap(const char **names, char *&out);

  const wchar_t *geterrmsg() const { return eq.geterrmsg(); }
  unsigned char getassignform() const { return eq.assignform; }

private:
  // Clears the message and checks the line count; 1 when in range, else 4 with its message.
  int start(long lines);
  // Clears the message; 1 when names holds a name for every line, else 5 with its message.
  int start_text(const char **names);
  // The minterms (minimal 0) or the minimal cover (1) as lhs = a sum of products.
  int gen_sum(const char **names, const char *lhs, int minimal, char *&out);
  // lhs, the separator of the convention and the terms joined by the convention's "+".
  char *write_sum(const UT_LUT_CUBE *terms, int count, const char **names, const char *lhs);
  void write_term(UT_LUT_CUBE term, const char **names);

  UT_EQUATE_IMP eq; // the reader, the stored message and the text buffer
  uint64_t word;    // bits at addresses >= 2^nlines are kept 0
  long nlines;
};

#endif
