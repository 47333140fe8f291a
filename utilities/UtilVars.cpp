// UtilVars: the objects the library builds when it is loaded: the string allocator
// ut_stringmem and the five class pools, in that order, and the library's other globals.
// They carry the highest init priority the toolchain offers to user code, so they exist
// before any other static constructor of the library (or of a client) can use them,
// whatever order the linker gives the other units.
#include "UtilBlist.h"
#include "UtilBtreeimp.h"
#include "UtilFstmemimp.h"
#include "UtilSmem.h"
#include "UtilStrobj.h"

#include <new>

#define UT_LOAD_FIRST __attribute__((init_priority(101)))

short init_basut = 0;
UT_SM_MNGR *sm_memmngr = nullptr;
int UT_FASTMEM_IMP::global_debug = 0;

// Null until the loader below builds them; they are never destroyed.
UT_FASTMEM *UT_BTR_NODE::mem = nullptr;
UT_FASTMEM *UT_BLIST::mem = nullptr;
UT_FASTMEM *UT_BLISTS::mem = nullptr;
UT_FASTMEM *UT_BLIST_ITER::mem = nullptr;
UT_FASTMEM *UT_BLISTS_ITER::mem = nullptr;

long UT_BLIST::total_count = 0;
long UT_BLIST::total_mem = 0;
long UT_BLISTS::total_count = 0;
long UT_BLISTS::total_mem = 0;

namespace {

// A class pool; null when the handle cannot be allocated.
UT_FASTMEM *classpool(unsigned long elem_size, unsigned long elem_cnt, const char *name) {
  return new (std::nothrow) UT_FASTMEM(elem_size, elem_cnt, name);
}

// Builds the class pools, registering them (and so listing them in report_usage) in
// this order.
struct UT_CLASSPOOLS {
  UT_CLASSPOOLS() {
    UT_BTR_NODE::mem = classpool(sizeof(UT_BTR_NODE), 4000, "UT_BTR_NODE");
    UT_BLIST::mem = classpool(sizeof(UT_BLIST), 800, "UT_BLIST");
    UT_BLISTS::mem = classpool(sizeof(UT_BLISTS), 3000, "UT_BLISTS");
    UT_BLIST_ITER::mem = classpool(sizeof(UT_BLIST_ITER), 5, "UT_BLIST_ITER");
    UT_BLISTS_ITER::mem = classpool(sizeof(UT_BLISTS_ITER), 5, "UT_BLISTS_ITER");
  }
};

} // namespace

// Load time, in definition order within the first priority: the string allocator (which
// also creates sm_memmngr and the size class of a UT_STROBJ), then the class pools.
// ut_stringmem is destroyed when the library is unloaded; its size class and the manager
// stay.
UT_SM_SMALLMEM ut_stringmem UT_LOAD_FIRST(sizeof(UT_STROBJ), 0, "UT_SM_SMALLMEM", -1);
static UT_CLASSPOOLS mv_classpools UT_LOAD_FIRST;

// Further load-time objects go below, without a priority: they are built after everything
// above and may use it.
