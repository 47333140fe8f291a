// UtilHash: public interface (filled in with its unit).
#ifndef UTILHASH_H
#define UTILHASH_H

#include "Portability.h"

#endif
