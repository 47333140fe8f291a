// UtilDarray: public interface (filled in with its unit).
#ifndef UTILDARRAY_H
#define UTILDARRAY_H

#include "Portability.h"

#endif
