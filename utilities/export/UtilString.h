// UtilString: public interface (filled in with its unit).
#ifndef UTILSTRING_H
#define UTILSTRING_H

#include "Portability.h"

#endif
