// UtilSmem: the small-object allocator handle; forwards to the allocator behind its
// UT_SM_SMALLMEM_IMP.
#include "UtilSmem.h"

#include "UtilSmemimp.h"

#include <new>

UT_SM_SMALLMEM::UT_SM_SMALLMEM(int elsize, unsigned char dedicated, const char *name,
                               long blockbytes)
    : imp(new (std::nothrow) UT_SM_SMALLMEM_IMP(elsize, dedicated, name, blockbytes)) {}

UT_SM_SMALLMEM::~UT_SM_SMALLMEM() { delete imp; }

void *UT_SM_SMALLMEM::getmem() {
  // An allocator refused for its size has no handler and hands out nothing.
  return imp && imp->handler ? imp->handler->getmem() : nullptr;
}

void UT_SM_SMALLMEM::relmem(void *p) {
  if (imp && imp->handler && p)
    imp->handler->relmem(p);
}
