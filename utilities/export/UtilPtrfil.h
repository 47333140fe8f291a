// UtilPtrfil: public interface (filled in with its unit).
#ifndef UTILPTRFIL_H
#define UTILPTRFIL_H

#include "Portability.h"

#endif
