// UtilBitvec: public interface (filled in with its unit).
#ifndef UTILBITVEC_H
#define UTILBITVEC_H

#include "Portability.h"

#endif
