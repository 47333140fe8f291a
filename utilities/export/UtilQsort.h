// UtilQsort: public interface (filled in with its unit).
#ifndef UTILQSORT_H
#define UTILQSORT_H

#include "Portability.h"

#endif
