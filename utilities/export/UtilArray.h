// UtilArray: public interface (filled in with its unit).
#ifndef UTILARRAY_H
#define UTILARRAY_H

#include "Portability.h"

#endif
