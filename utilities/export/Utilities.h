// Umbrella header of the Utilities library: includes the platform layer and every
// public header. A client includes this one file and links Utilities.
#ifndef UTILITIES_H
#define UTILITIES_H

#include "Portability.h"

#include "UtilAlias.h"
#include "UtilArray.h"
#include "UtilBarray.h"
#include "UtilBitvec.h"
#include "UtilBlist.h"
#include "UtilBtree.h"
#include "UtilCname.h"
#include "UtilCoord.h"
#include "UtilDarray.h"
#include "UtilEquate.h"
#include "UtilFstmem.h"
#include "UtilHash.h"
#include "UtilIfile.h"
#include "UtilList.h"
#include "UtilLut.h"
#include "UtilPtrfil.h"
#include "UtilQsort.h"
#include "UtilSmem.h"
#include "UtilSpr.h"
#include "UtilStore.h"
#include "UtilString.h"
#include "UtilStrobj.h"
#include "UtilTstamp.h"
#include "UtilVersion.h"

#endif
