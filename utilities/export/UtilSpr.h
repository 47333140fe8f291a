// UtilSpr: public interface (filled in with its unit).
#ifndef UTILSPR_H
#define UTILSPR_H

#include "Portability.h"

#endif
