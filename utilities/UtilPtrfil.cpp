// UtilPtrfil: the UT_PTRFILE handle. A UT_STREAM of its own, which forwards the pointer
// and fix-up operations to its UT_PTRFILE_IMP.
#include "UtilPtrfil.h"
#include "UtilPtrfilimp.h"

#include <new>

UT_PTRFILE::UT_PTRFILE(UT_ACCESS access)
    : UT_STREAM(access, 4096, ut_useddefaultfman),
      imp(new (std::nothrow) UT_PTRFILE_IMP(access, this)) {}

UT_PTRFILE::~UT_PTRFILE() { delete imp; }

int UT_PTRFILE::writeptr(const void *p) { return imp ? imp->writeptr(p) : 0; }

int UT_PTRFILE::readptr(void *&p) {
  if (!imp) {
    p = nullptr;
    return 0;
  }
  return imp->readptr(p);
}

void UT_PTRFILE::registerptr(void *oldaddr, void *newaddr) {
  if (imp)
    imp->registerptr(oldaddr, newaddr);
}

void UT_PTRFILE::fixptr(void **ref) {
  if (imp)
    imp->fixptr(ref);
}

intptr_t UT_PTRFILE::checkptrs() { return imp ? imp->checkptrs() : 0; }

void UT_PTRFILE::flush_fixtable() {
  if (imp)
    imp->flush_fixtable();
}
