// An irredundant sum of products of a truth table by Morreale's recursive method (the ISOP
// of the logic-synthesis libraries): the yardstick that exact minimal covers are measured
// against, in the tests and the benchmark.
#ifndef LUTISOP_H
#define LUTISOP_H

#include <cstdint>
#include <utility>
#include <vector>

namespace lutisop {

// A product term: line i takes part when bit i of `first` is set, plainly when bit i of
// `second` is set.
using Term = std::pair<uint8_t, uint8_t>;

const uint64_t LINE[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull, 0xF0F0F0F0F0F0F0F0ull,
                          0xFF00FF00FF00FF00ull, 0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};

// The cofactors with line i at 0 and at 1, spread over both halves so they no longer
// depend on the line.
inline uint64_t cofactor0(uint64_t w, int i) {
  const uint64_t low = w & ~LINE[i];
  return low | (low << (1u << i));
}
inline uint64_t cofactor1(uint64_t w, int i) {
  const uint64_t high = w & LINE[i];
  return high | (high >> (1u << i));
}

// Terms covering every bit of `on` and none outside `upper`, over lines below `lines`;
// returns the word they cover. Both words repeat with the period of the table.
inline uint64_t isop(uint64_t on, uint64_t upper, int lines, std::vector<Term> &out) {
  if (!on)
    return 0;
  if (upper == ~0ull) {
    out.push_back({0, 0});
    return ~0ull;
  }
  int i = lines - 1;
  while (i > 0 && cofactor0(on, i) == cofactor1(on, i) &&
         cofactor0(upper, i) == cofactor1(upper, i))
    --i;
  const uint64_t on0 = cofactor0(on, i), on1 = cofactor1(on, i);
  const uint64_t up0 = cofactor0(upper, i), up1 = cofactor1(upper, i);
  const size_t first0 = out.size();
  const uint64_t r0 = isop(on0 & ~up1, up0, i, out);
  const size_t first1 = out.size();
  const uint64_t r1 = isop(on1 & ~up0, up1, i, out);
  for (size_t t = first0; t < out.size(); ++t) {
    out[t].first = static_cast<uint8_t>(out[t].first | (1u << i));
    if (t >= first1)
      out[t].second = static_cast<uint8_t>(out[t].second | (1u << i));
  }
  const uint64_t rest = isop((on0 & ~r0) | (on1 & ~r1), up0 & up1, i, out);
  return (r0 & ~LINE[i]) | (r1 & LINE[i]) | rest;
}

// The ISOP of the table of `lines` lines (bit k = value at address k).
inline std::vector<Term> isop(uint64_t table, int lines) {
  const unsigned size = 1u << lines;
  uint64_t periodic = lines >= 6 ? table : table & ((1ull << size) - 1);
  for (unsigned width = size; width < 64; width *= 2)
    periodic |= periodic << width;
  std::vector<Term> out;
  isop(periodic, periodic, lines, out);
  return out;
}

} // namespace lutisop

#endif
