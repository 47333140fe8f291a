// UtilCname: public interface (filled in with its unit).
#ifndef UTILCNAME_H
#define UTILCNAME_H

#include "Portability.h"

#endif
