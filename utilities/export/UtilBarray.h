// UtilBarray: public interface (filled in with its unit).
#ifndef UTILBARRAY_H
#define UTILBARRAY_H

#include "Portability.h"

#endif
