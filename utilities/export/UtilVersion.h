// UtilVersion: public interface (filled in with its unit).
#ifndef UTILVERSION_H
#define UTILVERSION_H

#include "Portability.h"

#endif
