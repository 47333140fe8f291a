// UtilLut: the function of a lookup table with 1 to 6 address lines held in one 64-bit
// word, read from equations, INIT digits or a word, and written as INIT digits, minterms,
// an exact minimal sum of products or a Karnaugh map. Relies on the equation reader of
// UtilEquate for equations, messages and text conventions.
#ifndef UTILLUT_H
#define UTILLUT_H

#include "UtilEquate.h" // UT_EQ_RESULT codes are shared

#include <cstdint>

class UT_LUT_IMP;

// UT_LUT holds one Boolean function of `nlines` address lines (1 to 6) as its truth table:
// bit k of the word is the value at address k, where line i adds 2^i to the address.
// A new object holds the constant 0 over 1 line. `assignform` fixes the text conventions
// for the object's life exactly as UT_EQUATE's: 0 matches names ignoring case, writes
// "O = a + b" and warns about short INIT texts; nonzero matches names exactly, writes
// "O=a+b" and takes INIT texts of the form "INIT=0x8".
//
// Every source and text operation returns a UT_EQ_RESULT code (1 done, 2 done with a
// warning stored, 3 bad INIT character, 4 line count outside 1 to 6, 5 invalid text or
// missing names) and replaces the stored message, which geterrmsg hands back (null when
// none; owned by the object). A refused source leaves the held function unchanged. A text
// handed back through `out` is owned by the object and valid until its next operation;
// `out` is null on failure. Copies hold the same function, convention and message.
// Not for concurrent use.
//
// Costs: every query is O(1); gen_minimal looks at all 3^nlines product terms for the
// prime implicants, then searches for the cheapest cover by branch and bound: some 15
// microseconds for a typical six-line function, a few tenths of a second for the hardest
// (symmetric functions with some 90 primes). No heap beyond the object's text buffer.
class UT_LUT {
public:
  // The constant 0 over 1 line, with the text convention of assignform.
  explicit UT_LUT(unsigned char assignform = 0);
  // Frees the stored message and texts.
  ~UT_LUT();
  // A copy of other's function, convention and message.
  UT_LUT(const UT_LUT &other);
  // Takes other's function, convention and message.
  UT_LUT &operator=(const UT_LUT &other);

  // Sources.
  // The equation's truth table: the grammar, name matching and messages of UT_EQUATE;
  // names[i] names address line i; text before the first '=' is not read.
  int from_equation(const char *equation, const char **names, long nlines);
  // INIT digits as UT_EQUATE::gen_equatestr reads them: the last digit holds addresses 0
  // to 3; a short text is padded with zeros in front (a warning with assignform 0), extra
  // leading digits are ignored with a warning. One line takes one digit of value 0 to 3.
  int from_init(const char *init, long nlines);
  // The word itself; bits at addresses >= 2^nlines are cleared.
  int from_word(uint64_t table, long nlines);

  // Queries on the held function.
  long getlines() const;
  uint64_t getword() const;          // bits at addresses >= 2^nlines are 0
  int value(uint64_t address) const; // 0 or 1; address bits >= nlines are ignored
  uint64_t support() const;          // bit i set when the function depends on line i

  // Texts, built in the object.
  // INIT digits, upper case, (2^nlines)/4 of them (one digit for 1 and 2 lines).
  int gen_init(char *&out);
  // lhs = the minterms of the set bits in address order, byte for byte the text of
  // UT_EQUATE::gen_equatestr; "0" when no bit is set.
  int gen_minterms(const char **names, const char *lhs, char *&out);
  // lhs = the sum of products with the fewest terms and, among those, the fewest literals.
  // Terms come with the fewest literals first, then by their lowest address, then by the
  // set of lines they use read as a number (line i worth 2^i); the literals of a term in
  // line order, "~" marking a complemented line. The constants come out as "0" and "1". The same
  // function always gives the same text.
  int gen_minimal(const char **names, const char *lhs, char *&out);
  // Karnaugh map: the higher half of the lines (most significant first) label the rows,
  // the lower half the columns, both in Gray-code order. The first line names the row
  // lines, a backslash and the column lines; the next labels the columns; each further
  // line is a row label followed by the row's values.
  int gen_kmap(const char **names, char *&out);

  const wchar_t *geterrmsg() const; // null when none stored

private:
  UT_LUT_IMP *imp;
};

#endif
