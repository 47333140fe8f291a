// UtilCoord: segment intersection and rectangle overlap on 16-bit integer coordinates.
#ifndef UTILCOORD_H
#define UTILCOORD_H

#include "Portability.h"

// 1 when the closed segment (x1,y1)-(x2,y2) shares at least one point with the closed
// segment (x3,y3)-(x4,y4), else 0. Exact for every pair: end points touching count,
// collinear segments meet when they overlap (containment included), and a segment of
// one point meets what passes through it. The order of the end points does not matter.
unsigned char ut_lineintersect(short x1, short y1, short x2, short y2, short x3, short y3, short x4,
                               short y4);

// UT_EXTREMA: an axis-parallel rectangle with inclusive bounds; xmin <= xmax and
// ymin <= ymax are expected. A plain value type: it owns nothing.
struct UT_EXTREMA {
  //@{
  // The inclusive bounds along x and along y.
  short xmin, xmax;
  short ymin, ymax;
  //@}

  // 1 when this rectangle and `other` share at least one point (touching counts), else 0.
  // Neither rectangle is changed.
  unsigned char overlap(UT_EXTREMA &other);
};

#endif
