// UtilIfile: public interface (filled in with its unit).
#ifndef UTILIFILE_H
#define UTILIFILE_H

#include "Portability.h"

#endif
