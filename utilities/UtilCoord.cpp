// UtilCoord: the segment test and the rectangle overlap built on it. Pure integer
// arithmetic with no state; relies on nothing beyond the language.
#include "UtilCoord.h"

#include <algorithm>
#include <cstdint>

namespace {

struct Point {
  std::int64_t x, y;
};

// Sign of the cross product (b - a) x (c - a): which side of the line a->b c lies on.
// 16-bit inputs keep every product well inside 64 bits, so the sign is exact.
int orientation(Point a, Point b, Point c) {
  std::int64_t cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  return (cross > 0) - (cross < 0);
}

// True when p, known to lie on the line through a and b, lies within the segment's box.
bool withinbox(Point a, Point b, Point p) {
  return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
         p.y <= std::max(a.y, b.y);
}

bool inside(const UT_EXTREMA &r, short px, short py) {
  return r.xmin <= px && px <= r.xmax && r.ymin <= py && py <= r.ymax;
}

// Corners in the order (xmin,ymin), (xmax,ymin), (xmax,ymax), (xmin,ymax).
bool cornerinside(const UT_EXTREMA &of, const UT_EXTREMA &in) {
  return inside(in, of.xmin, of.ymin) || inside(in, of.xmax, of.ymin) ||
         inside(in, of.xmax, of.ymax) || inside(in, of.xmin, of.ymax);
}

} // namespace

unsigned char ut_lineintersect(short x1, short y1, short x2, short y2, short x3, short y3, short x4,
                               short y4) {
  const Point p1{x1, y1}, p2{x2, y2}, p3{x3, y3}, p4{x4, y4};
  const int d1 = orientation(p3, p4, p1), d2 = orientation(p3, p4, p2);
  const int d3 = orientation(p1, p2, p3), d4 = orientation(p1, p2, p4);
  // Proper crossing: each segment's ends lie strictly on opposite sides of the other.
  if (d1 * d2 < 0 && d3 * d4 < 0)
    return 1;
  // Touching and collinear cases: an end point lies on the other segment. This also
  // covers perpendicular axis-parallel pairs meeting at an end, collinear overlap or
  // containment, and segments of a single point.
  if ((d1 == 0 && withinbox(p3, p4, p1)) || (d2 == 0 && withinbox(p3, p4, p2)) ||
      (d3 == 0 && withinbox(p1, p2, p3)) || (d4 == 0 && withinbox(p1, p2, p4)))
    return 1;
  return 0;
}

unsigned char UT_EXTREMA::overlap(UT_EXTREMA &other) {
  // Corners of other inside this, then corners of this inside other.
  if (cornerinside(other, *this) || cornerinside(*this, other))
    return 1;
  // Cross-shaped overlaps, where an edge of one crosses an edge of the other
  // and no corner lies inside. Vertical edges of this against horizontal edges of other,
  // then horizontal edges of this against vertical edges of other.
  const UT_EXTREMA &o = other;
  for (short x : {xmin, xmax})
    for (short y : {o.ymin, o.ymax})
      if (ut_lineintersect(x, ymin, x, ymax, o.xmin, y, o.xmax, y))
        return 1;
  for (short y : {ymin, ymax})
    for (short x : {o.xmin, o.xmax})
      if (ut_lineintersect(xmin, y, xmax, y, x, o.ymin, x, o.ymax))
        return 1;
  return 0;
}
