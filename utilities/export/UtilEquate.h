// UtilEquate: conversion between the INIT value of a lookup table or ROM with 2 to 6
// address lines and a Boolean equation over its address-line names, and checks of both
// kinds of text. Relies on the equation reader (UtilEquateimp) and UT_STRING.
#ifndef UTILEQUATE_H
#define UTILEQUATE_H

#include "Portability.h"

// Result codes of every UT_EQUATE operation.
enum UT_EQ_RESULT {
  UT_EQ_OK = 1,       // success; no message stored
  UT_EQ_WARNING = 2,  // success; a warning is stored
  UT_EQ_BADCHAR = 3,  // a character of the INIT text is no hexadecimal digit
  UT_EQ_BADLINES = 4, // the number of address lines is out of range
  UT_EQ_INVALID = 5   // the equation or the hexadecimal value is invalid or empty
};

class UT_EQUATE_IMP;

// UT_EQUATE converts INIT values (hexadecimal, one bit per address; the last digit holds
// addresses 0 to 3) to sums of minterms and equations back to INIT values. Equations use
// names of `names` (entry i is address line i), the constants 0 and 1, `~` (not), `*`
// (and), `@` (xor), `+` (or, binding loosest) and parentheses; text before a `=` is the
// left-hand side. `assignform` fixes the convention for the object's life: 0 matches names
// ignoring case and writes "O = a + b" and bare digits; nonzero matches exactly and writes
// "O=a+b" and "O=0x8".
// Every operation returns a UT_EQ_RESULT and replaces the stored message, which
// geterrmsg hands back (null when there is none; owned by the object). A text handed back
// through `out` is owned by the object and valid until its next operation; the bare
// digits of gen_hex live in one buffer shared by all objects, valid until the next
// gen_hex of any object. Not for concurrent use.
class UT_EQUATE {
public:
  // An object whose texts follow the blank convention (assignform 0) or the
  // assignment convention (nonzero) for its whole life.
  explicit UT_EQUATE(unsigned char assignform);
  // Frees the stored message and texts.
  ~UT_EQUATE();
  UT_EQUATE(const UT_EQUATE &) = delete;
  UT_EQUATE &operator=(const UT_EQUATE &) = delete;

  // INIT value to equation: `lhs` = the minterms of the set bits in address order.
  int gen_equatestr(const char *const init, const char **names, const long nlines,
                    const char *const lhs, char *&out);
  //@{
  // Equation to INIT value, 2 to 5 lines; `out` is null on failure. Without `lhs` the
  // output name is empty.
  int gen_hex(const char *const equation, const char **names, const long nlines,
              const char *const lhs, char *&out);
  int gen_hex(const char *const equation, const char **names, const long nlines, char *&out);
  //@}
  //@{
  // Checks an equation (or, with assignform nonzero, "lhs=0x..." too) without converting.
  // Without `lhs` the left-hand side checked against is empty.
  int validate(const char *const text, const char *const lhs, const char **names,
               const long nlines);
  int validate(const char *const text, const char **names, const long nlines);
  //@}
  // The message of the last operation, or null when it stored none; owned by the object.
  const wchar_t *geterrmsg() const;

private:
  UT_EQUATE_IMP *imp;
};

#endif
