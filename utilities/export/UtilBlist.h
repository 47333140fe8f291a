// UtilBlist: public interface (filled in with its unit).
#ifndef UTILBLIST_H
#define UTILBLIST_H

#include "Portability.h"

#endif
