// UtilEquate: public interface (filled in with its unit).
#ifndef UTILEQUATE_H
#define UTILEQUATE_H

#include "Portability.h"

#endif
