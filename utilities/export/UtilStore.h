// UtilStore: public interface (filled in with its unit).
#ifndef UTILSTORE_H
#define UTILSTORE_H

#include "Portability.h"

#endif
