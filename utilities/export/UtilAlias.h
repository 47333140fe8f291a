// UtilAlias: public interface (filled in with its unit).
#ifndef UTILALIAS_H
#define UTILALIAS_H

#include "Portability.h"

#endif
