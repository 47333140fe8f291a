// UtilBitvec: a growable vector of bits with range, count and search operations.
#ifndef UTILBITVEC_H
#define UTILBITVEC_H

#include "Portability.h"

// UT_BITVEC: bits addressed from 0 to nbits - 1, stored least significant bit first in
// nbits / 8 + 1 bytes (so an empty vector holds one byte). The vector owns its bytes,
// which come from kor_malloc. Positions at or past nbits read as clear.
//
// Setting a bit or a range past the end grows the vector to exactly the bits needed,
// as grow does; nothing shrinks it. Range operations take `first` and `last` inclusive;
// a negative `first` means 0, and the clearing and counting operations take a `last`
// that is negative or past the end as the last bit. A range whose `first` lies above
// its `last` selects nothing. The _bytes variants work on the whole bytes that hold
// `first` and `last`: set_range_bytes may set bits past nbits in the last byte, which a
// later grow brings into view.
//
// Counting the whole vector takes eight bytes at a time, range counts one table lookup per
// byte; searching skips zero bytes whole.
// Counts and searches return long; -1 means none. Status results are 1 for done and 0
// when memory (or a bit count beyond 2^35) could not be had; a vector that could not
// get its bytes reports "Out of memory." and is left empty, but stays usable.
class UT_BITVEC {
public:
  // A vector of nbits clear bits.
  explicit UT_BITVEC(unsigned long nbits);
  // A copy of other's bits; empty (reported) when memory runs out.
  UT_BITVEC(const UT_BITVEC &other);
  // Frees the bytes.
  ~UT_BITVEC();
  // Copies other's bits; on allocation failure reports and keeps its own bits.
  UT_BITVEC &operator=(const UT_BITVEC &other);

  // 1 when bit i is set, 0 otherwise (bits past the end read as clear).
  int is_set(unsigned long i) const;
  int set(unsigned long i);  // grows to i + 1 bits when needed
  int grow(unsigned long n); // to n bits, new bits clear; never shrinks

  int set_range_bits(long first, long last);  // 0 for a negative last, nothing changed
  int set_range_bytes(long first, long last); // the same, whole bytes
  //@{
  // Clears bits first..last (or the whole bytes that hold them).
  void reset_range_bits(long first, long last);
  void reset_range_bytes(long first, long last);
  //@}

  //@{
  // The number of set bits: all of them, in first..last, or in the whole bytes that
  // hold first..last.
  long count_set_bits() const;
  long count_set_range_bits(long first, long last) const;
  long count_set_range_bytes(long first, long last) const;
  //@}

  // The first set bit at or after start, or -1.
  long find_next_set_bit(long start) const;
  long find_nth_set_bit(long n) const;                  // n = 0 gives the first set bit
  long find_nth_set_bit_from(long n, long start) const; // start - 1 for a negative n

  //@{
  // Bit i of this vector, for i below both lengths, becomes this[i] op other[i]. Bits of
  // `other` past this vector's end are ignored; bits of this vector past other's end
  // are cleared by &= and kept by |= and ^=. The length never changes.
  UT_BITVEC &operator|=(const UT_BITVEC &other);
  UT_BITVEC &operator&=(const UT_BITVEC &other);
  UT_BITVEC &operator^=(const UT_BITVEC &other);
  //@}

  //@{
  void print() const; // one print_msg report per bit, "1" or "0"
  void print(UT_STREAM &s) const;
  //@}

  // The number of bits.
  unsigned long getnbits() const { return nbits; }

protected:
  // The length in bits.
  unsigned long nbits;
  unsigned char *bits; // null only after a failed allocation, with nbits 0

private:
  enum Op { OR, AND, XOR };
  void combine(const UT_BITVEC &other, Op op);
  int open_set_range(long &first, long last);
  bool clamp_range(long &first, long &last) const;
};

#endif
