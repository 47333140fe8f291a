// UtilCoord: public interface (filled in with its unit).
#ifndef UTILCOORD_H
#define UTILCOORD_H

#include "Portability.h"

#endif
