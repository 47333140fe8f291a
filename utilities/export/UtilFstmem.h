// UtilFstmem: public interface (filled in with its unit).
#ifndef UTILFSTMEM_H
#define UTILFSTMEM_H

#include "Portability.h"

#endif
