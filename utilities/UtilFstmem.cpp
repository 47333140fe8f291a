// UtilFstmem: the pool handle; every operation forwards to its UT_FASTMEM_IMP.
#include "UtilFstmem.h"

#include "UtilFstmemimp.h"

#include <new>

UT_FASTMEM::UT_FASTMEM(unsigned long elem_size, unsigned long elem_cnt, const char *name)
    : imp(new (std::nothrow) UT_FASTMEM_IMP(elem_size, elem_cnt, name)) {}

UT_FASTMEM::~UT_FASTMEM() { delete imp; }

void *UT_FASTMEM::getnewptr() { return imp ? imp->getnewptr() : nullptr; }

void UT_FASTMEM::kor_free(void *p) {
  if (imp && p)
    imp->int_free(p);
}

int UT_FASTMEM::fastmem_verify() { return imp ? imp->fastmem_verify() : 0; }

void UT_FASTMEM::dump() const {
  if (imp)
    imp->dump();
}

void UT_FASTMEM::report_usage() { UT_FASTMEM_IMP::report_usage(); }

void UT_FASTMEM::set_global_debug(int level) { UT_FASTMEM_IMP::global_debug = level; }

void UT_FASTMEM::set_debug_level(int level) {
  if (imp)
    imp->debug_level = level;
}
