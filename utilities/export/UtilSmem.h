// UtilSmem: public interface (filled in with its unit).
#ifndef UTILSMEM_H
#define UTILSMEM_H

#include "Portability.h"

#endif
