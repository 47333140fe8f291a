// UtilBitvec: the growable bit vector. Bytes come from kor_malloc. A whole vector is
// counted eight bytes at a time by a word-wide population count, everything else with a
// table of bit counts per byte value; partial bytes at the ends of a range are masked
// with the low-bit masks of bytescreens (the byte-and-mask scheme).
#include "UtilBitvec.h"

#include "UtilReport.h"

#include <climits>
#include <cstdint>
#include <cstring>

UT_REPORT_UNIT("UtilBitvec", "$Revision: 1.1.2.1 $")

namespace {

// Entry v: the number of set bits in the byte value v.
const unsigned char bits_in_byte[256] = {
    0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, 1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5,
    1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5, 2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6,
    1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5, 2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6,
    2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6, 3, 4, 4, 5, 4, 5, 5, 6, 4, 5, 5, 6, 5, 6, 6, 7,
    1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5, 2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6,
    2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6, 3, 4, 4, 5, 4, 5, 5, 6, 4, 5, 5, 6, 5, 6, 6, 7,
    2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6, 3, 4, 4, 5, 4, 5, 5, 6, 4, 5, 5, 6, 5, 6, 6, 7,
    3, 4, 4, 5, 4, 5, 5, 6, 4, 5, 5, 6, 5, 6, 6, 7, 4, 5, 5, 6, 5, 6, 6, 7, 5, 6, 6, 7, 6, 7, 7, 8};

// Set bits in one 64-bit word, by adding neighbouring bit fields (the SWAR population
// count): the same count as eight table lookups, in a dozen word operations.
long bits_in_word(std::uint64_t w) {
  w -= (w >> 1) & 0x5555555555555555ULL;
  w = (w & 0x3333333333333333ULL) + ((w >> 2) & 0x3333333333333333ULL);
  w = (w + (w >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
  return static_cast<long>((w * 0x0101010101010101ULL) >> 56);
}

// Set bits in the n whole bytes at p: eight bytes at a time, the rest by table.
long bits_in_bytes(const unsigned char *p, unsigned long n) {
  long count = 0;
  unsigned long k = 0;
  for (; k + 8 <= n; k += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + k, sizeof w);
    count += bits_in_word(w);
  }
  for (; k < n; ++k)
    count += bits_in_byte[p[k]];
  return count;
}

// Entry k keeps bits 0 to k of a byte; its complement keeps the bits above k.
const unsigned char bytescreens[8] = {0x01, 0x03, 0x07, 0x0F, 0x1F, 0x3F, 0x7F, 0xFF};

// The byte count for n bits, n / 8 + 1; false when kor_malloc cannot be asked for it.
bool bytes_for(unsigned long n, unsigned &out) {
  if (n / 8 >= UINT_MAX)
    return false;
  out = static_cast<unsigned>(n / 8 + 1);
  return true;
}

unsigned char *alloc_bytes(unsigned nbytes) {
  return static_cast<unsigned char *>(kor_malloc(nbytes));
}

// Byte-and-mask scheme over bits first..last (first <= last): calls f(byte, mask) with
// the mask of the bits of that byte inside the range.
template <class F> void for_range_bytes(unsigned long first, unsigned long last, F f) {
  unsigned long fb = first / 8, lb = last / 8;
  unsigned fo = first % 8, lo = (last + 1) % 8;
  if (fb == lb) {
    // One byte: keep the bits below fo and above last mod 8.
    unsigned char keep = (fo ? bytescreens[fo - 1] : 0) | ~bytescreens[last % 8];
    f(fb, static_cast<unsigned char>(~keep));
    return;
  }
  if (fo) { // partial first byte: bits fo to 7
    f(fb, static_cast<unsigned char>(~bytescreens[fo - 1]));
    ++fb;
  }
  if (lo) { // partial last byte: bits 0 to last mod 8
    f(lb, bytescreens[lo - 1]);
    --lb;
  }
  for (unsigned long k = fb; k <= lb; ++k) // whole bytes
    f(k, static_cast<unsigned char>(0xFF));
}

} // namespace

UT_BITVEC::UT_BITVEC(unsigned long n) : nbits(0), bits(nullptr) {
  unsigned nbytes = 0;
  unsigned char *p = bytes_for(n, nbytes) ? alloc_bytes(nbytes) : nullptr;
  if (!p) {
    UT_REPORT(numbered_msg, 1, "Out of memory.\n");
    return;
  }
  UT_MEMORY::Set(p, 0, nbytes);
  bits = p;
  nbits = n;
}

UT_BITVEC::UT_BITVEC(const UT_BITVEC &other) : nbits(0), bits(nullptr) { *this = other; }

UT_BITVEC::~UT_BITVEC() {
  if (bits)
    kor_free(bits);
}

// The new bytes are obtained before the old ones are released, so a failed allocation
// (and assignment to itself) leaves the vector as it was.
UT_BITVEC &UT_BITVEC::operator=(const UT_BITVEC &other) {
  if (this == &other)
    return *this;
  unsigned nbytes = static_cast<unsigned>(other.nbits / 8 + 1);
  unsigned char *p = alloc_bytes(nbytes);
  if (!p) {
    UT_REPORT(numbered_msg, 1, "Out of memory.\n");
    return *this;
  }
  if (other.bits)
    UT_MEMORY::Copy(p, other.bits, nbytes);
  else
    UT_MEMORY::Set(p, 0, nbytes);
  if (bits)
    kor_free(bits);
  bits = p;
  nbits = other.nbits;
  return *this;
}

int UT_BITVEC::is_set(unsigned long i) const {
  return i < nbits && (bits[i / 8] & (1u << (i % 8))) ? 1 : 0;
}

int UT_BITVEC::grow(unsigned long n) {
  if (n <= nbits)
    return 1;
  unsigned nbytes = 0;
  if (!bytes_for(n, nbytes))
    return 0;
  unsigned oldbytes = bits ? static_cast<unsigned>(nbits / 8 + 1) : 0;
  if (nbytes > oldbytes) {
    unsigned char *p = alloc_bytes(nbytes);
    if (!p)
      return 0;
    UT_MEMORY::Set(p, 0, nbytes);
    if (bits) {
      UT_MEMORY::Copy(p, bits, oldbytes);
      kor_free(bits);
    }
    bits = p;
  }
  nbits = n;
  return 1;
}

int UT_BITVEC::set(unsigned long i) {
  if (i >= nbits && (i == ULONG_MAX || !grow(i + 1)))
    return 0;
  bits[i / 8] |= static_cast<unsigned char>(1u << (i % 8));
  return 1;
}

// The common start of the two setting range operations: 0 refuses (a negative last, or
// no memory to cover last); otherwise 1, with first clamped at 0. A first above last then
// selects nothing.
int UT_BITVEC::open_set_range(long &first, long last) {
  if (last < 0)
    return 0;
  if (first < 0)
    first = 0;
  if (first > last)
    return 1;
  return grow(static_cast<unsigned long>(last) + 1);
}

int UT_BITVEC::set_range_bits(long first, long last) {
  if (!open_set_range(first, last))
    return 0;
  if (first <= last)
    for_range_bytes(first, last, [this](unsigned long k, unsigned char m) { bits[k] |= m; });
  return 1;
}

int UT_BITVEC::set_range_bytes(long first, long last) {
  if (!open_set_range(first, last))
    return 0;
  for (long k = first / 8; first <= last && k <= last / 8; ++k)
    bits[k] = 0xFF;
  return 1;
}

// Clamps a range of the clearing and counting operations to the vector (a negative or too
// large last means the last bit); false when nothing is left in it.
bool UT_BITVEC::clamp_range(long &first, long &last) const {
  if (first < 0)
    first = 0;
  if (last < 0 || static_cast<unsigned long>(last) >= nbits)
    last = static_cast<long>(nbits) - 1;
  return first <= last;
}

void UT_BITVEC::reset_range_bits(long first, long last) {
  if (!clamp_range(first, last))
    return;
  for_range_bytes(first, last, [this](unsigned long k, unsigned char m) {
    bits[k] &= static_cast<unsigned char>(~m);
  });
}

void UT_BITVEC::reset_range_bytes(long first, long last) {
  if (!clamp_range(first, last))
    return;
  for (unsigned long k = first / 8; k <= static_cast<unsigned long>(last) / 8; ++k)
    bits[k] = 0;
}

long UT_BITVEC::count_set_bits() const {
  long n = bits_in_bytes(bits, nbits / 8);
  if (nbits % 8)
    n += bits_in_byte[bits[nbits / 8] & bytescreens[nbits % 8 - 1]];
  return n;
}

long UT_BITVEC::count_set_range_bits(long first, long last) const {
  if (!clamp_range(first, last))
    return 0;
  long n = 0;
  for_range_bytes(first, last,
                  [this, &n](unsigned long k, unsigned char m) { n += bits_in_byte[bits[k] & m]; });
  return n;
}

long UT_BITVEC::count_set_range_bytes(long first, long last) const {
  if (!clamp_range(first, last))
    return 0;
  unsigned long lb = static_cast<unsigned long>(last) / 8;
  long n = 0;
  for (unsigned long k = first / 8; k < lb; ++k)
    n += bits_in_byte[bits[k]];
  // The last byte counts only its positions below nbits.
  unsigned char valid = lb < nbits / 8 ? 0xFF : bytescreens[nbits % 8 - 1];
  return n + bits_in_byte[bits[lb] & valid];
}

namespace {

// The 64 bits from byte 8w on, bit i of the result being bit 8w + i of the vector; bytes at
// or past `nbytes` read as zero.
std::uint64_t load_word(const unsigned char *bits, unsigned long w, unsigned long nbytes) {
  std::uint64_t word = 0;
  unsigned long at = w * 8;
  if (nbytes - at < 8) {
    for (unsigned long k = 0; at + k < nbytes; ++k)
      word |= static_cast<std::uint64_t>(bits[at + k]) << (8 * k);
    return word;
  }
  std::memcpy(&word, bits + at, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  word = __builtin_bswap64(word);
#endif
  return word;
}

} // namespace

// Word by word: the start word masked below `start`, the last word masked at `nbits`
// (whole bytes set past the end do not count), the first set bit of a word found by
// counting its trailing zeros.
long UT_BITVEC::find_next_set_bit(long start) const {
  unsigned long s = start < 0 ? 0 : static_cast<unsigned long>(start);
  if (s >= nbits)
    return -1;
  unsigned long nbytes = nbits / 8 + 1;
  unsigned long lastword = (nbits - 1) / 64;
  unsigned long w = s / 64;
  std::uint64_t word = load_word(bits, w, nbytes) & (~0ULL << (s % 64));
  while (w < lastword) {
    if (word)
      return static_cast<long>(w * 64 + static_cast<unsigned>(__builtin_ctzll(word)));
    ++w;
    word = load_word(bits, w, nbytes);
  }
  if (nbits % 64)
    word &= (1ULL << (nbits % 64)) - 1;
  return word ? static_cast<long>(w * 64 + static_cast<unsigned>(__builtin_ctzll(word))) : -1;
}

long UT_BITVEC::find_nth_set_bit(long n) const { return n < 0 ? -1 : find_nth_set_bit_from(n, 0); }

// Walks the bytes from the one holding `start`, subtracting whole-byte counts from n
// until the byte that holds the wanted bit; zero bytes are skipped at one lookup each.
long UT_BITVEC::find_nth_set_bit_from(long n, long start) const {
  if (start < 0)
    start = 0;
  if (n < 0)
    return start - 1;
  if (static_cast<unsigned long>(start) >= nbits)
    return -1;
  unsigned long k = static_cast<unsigned long>(start) / 8;
  unsigned long lastbyte = (nbits - 1) / 8;
  unsigned char b = bits[k] & static_cast<unsigned char>(0xFF << (start % 8));
  for (;;) {
    if (k == lastbyte && nbits % 8) // only the valid bits of the last byte
      b &= bytescreens[nbits % 8 - 1];
    if (n < bits_in_byte[b])
      break;
    n -= bits_in_byte[b];
    if (++k > lastbyte)
      return -1;
    b = bits[k];
  }
  for (unsigned pos = 0;; ++pos)
    if (b & (1u << pos) && n-- == 0)
      return static_cast<long>(k * 8 + pos);
}

// Whole bytes below the shorter length are combined at once; the byte holding that
// length is combined only in its bits below it, so no bit of `other` past its end (nor
// a bit set by set_range_bytes past the end) leaks in.
void UT_BITVEC::combine(const UT_BITVEC &other, Op op) {
  if (!bits)
    return;
  unsigned long common = nbits < other.nbits ? nbits : other.nbits;
  unsigned long whole = common / 8;
  auto apply = [op](unsigned char a, unsigned char b) -> unsigned char {
    return op == OR ? a | b : op == AND ? a & b : a ^ b;
  };
  for (unsigned long k = 0; k < whole; ++k)
    bits[k] = apply(bits[k], other.bits[k]);
  unsigned char mask = common % 8 ? bytescreens[common % 8 - 1] : 0;
  if (mask)
    bits[whole] = (bits[whole] & ~mask) | (apply(bits[whole], other.bits[whole]) & mask);
  if (op != AND || nbits <= other.nbits)
    return;
  // &= clears everything of this vector from other's end on.
  bits[whole] &= mask;
  unsigned long nbytes = nbits / 8 + 1;
  for (unsigned long k = whole + 1; k < nbytes; ++k)
    bits[k] = 0;
}

UT_BITVEC &UT_BITVEC::operator|=(const UT_BITVEC &other) {
  combine(other, OR);
  return *this;
}

UT_BITVEC &UT_BITVEC::operator&=(const UT_BITVEC &other) {
  combine(other, AND);
  return *this;
}

UT_BITVEC &UT_BITVEC::operator^=(const UT_BITVEC &other) {
  combine(other, XOR);
  return *this;
}

void UT_BITVEC::print() const {
  for (unsigned long i = 0; i < nbits; ++i)
    UT_REPORT(print_msg, is_set(i) ? "1" : "0");
}

void UT_BITVEC::print(UT_STREAM &s) const {
  for (unsigned long i = 0; i < nbits; ++i)
    s << (is_set(i) ? "1" : "0");
  s.flush();
}
