// UtilSmem: the small-object allocator, elements of 4 to 60 bytes in size classes of 4,
// and the library's string allocator ut_stringmem.
#ifndef UTILSMEM_H
#define UTILSMEM_H

#include "Portability.h"

class UT_SM_SMALLMEM_IMP;
class UT_SM_MNGR;

// UT_SM_SMALLMEM: hands out and takes back elements of one size (rounded up to a multiple
// of 4, at most 60) cut from kor_malloc chunks of about `blockbytes` bytes (-1: 1000).
// Elements carry no header, are not cleared and never move; the element given back last
// comes out first. A shared allocator (dedicated 0) uses the one size-class allocator of
// its rounded size, which lives until the program ends; a dedicated one owns its chunks
// and frees them when it is destroyed. getmem returns null when no chunk can be had, and
// always for an allocator refused for its size (reported when it is built).
class UT_SM_SMALLMEM {
public:
  // An allocator of elsize-byte elements (rounded up to a multiple of 4, at most 60),
  // shared or dedicated, named `name` in reports, cut from chunks of about blockbytes.
  UT_SM_SMALLMEM(int elsize, unsigned char dedicated, const char *name, long blockbytes);
  // A dedicated allocator frees its chunks; a shared one leaves them to its size class.
  ~UT_SM_SMALLMEM();

  // An element, or null when no chunk can be had or the size was refused.
  void *getmem();
  void relmem(void *p); // null does nothing

  UT_SM_SMALLMEM(const UT_SM_SMALLMEM &) = delete;
  UT_SM_SMALLMEM &operator=(const UT_SM_SMALLMEM &) = delete;

private:
  UT_SM_SMALLMEM_IMP *imp;
};

// The allocator of UT_STROBJ objects, built when the library is loaded.
extern UT_SM_SMALLMEM ut_stringmem;
// The size-class manager of the shared allocators; null until the first one is built.
extern UT_SM_MNGR *sm_memmngr;
// Exported for clients; the library does not use it.
extern short init_basut;

#endif
