// UtilTstamp: public interface (filled in with its unit).
#ifndef UTILTSTAMP_H
#define UTILTSTAMP_H

#include "Portability.h"

#endif
