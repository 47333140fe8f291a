// UtilStrobj: public interface (filled in with its unit).
#ifndef UTILSTROBJ_H
#define UTILSTROBJ_H

#include "Portability.h"

#endif
