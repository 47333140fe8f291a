// UtilBtree: public interface (filled in with its unit).
#ifndef UTILBTREE_H
#define UTILBTREE_H

#include "Portability.h"

#endif
