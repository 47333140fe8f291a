// UtilCname: the name cache handle, the name objects' counts and listing, the cache's
// ordering and its sanity check. The work is done by UT_NCH_CACHE_IMP.
#include "UtilCname.h"
#include "UtilCnameimp.h"
#include "UtilReport.h"

#include <new>

UT_REPORT_UNIT("UtilCname", "$Revision: 1.1.2.1 $")

namespace {
// The text the sanity check saw last.
const char *mv_lastcheck = nullptr;

// Counts are 32-bit and wrap as they would on the machine the file format was made for:
// the arithmetic is done unsigned, modulo 2^32.
int32_t wrap32(uint64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

void nch_check(void **cell, void *) {
  const char *current = *cell ? static_cast<UT_NCH_NAME *>(*cell)->get_name() : nullptr;
  if (mv_lastcheck && UT_STR::Compare(mv_lastcheck, current) >= 0)
    UT_REPORT(numbered_msg, 69, "namecache sanity check on '%s':'%s'\n", current, mv_lastcheck);
  mv_lastcheck = current;
}
} // namespace

// ---- UT_NCH_NAME ----

UT_NCH_NAME::UT_NCH_NAME() : rcnt(0), mcnt(0) {}

UT_NCH_NAME::~UT_NCH_NAME() = default;

void UT_NCH_NAME::add_refs(long n) {
  rcnt = wrap32(static_cast<uint64_t>(rcnt) + static_cast<uint64_t>(n));
  if (rcnt < 0)
    UT_REPORT(numbered_msg, 19, "Reference count overflow.\n");
}

void UT_NCH_NAME::delete_refs(long n) {
  rcnt = wrap32(static_cast<uint64_t>(rcnt) - static_cast<uint64_t>(n));
  if (rcnt < 0)
    UT_REPORT(numbered_msg, 19, "Reference count underflow.\n");
}

void UT_NCH_NAME::dump() {
  UT_REPORT(print_msg, "\"%s\": rcnt = %d, mcnt = %d\n", get_name(), rcnt, mcnt);
}

void UT_NCH_NAME::dump(UT_STREAM &s) {
  s << "\"" << get_name() << "\": rcnt = " << static_cast<long>(rcnt)
    << ", mcnt = " << static_cast<long>(mcnt) << "\n";
  s.flush();
}

// ---- UT_NCH_CACHE ----

UT_NCH_CACHE::UT_NCH_CACHE(unsigned char pointer_only)
    : UT_BTR_TREE(nch_cmpfunc), imp(new (std::nothrow) UT_NCH_CACHE_IMP(this, pointer_only)) {}

UT_NCH_CACHE::~UT_NCH_CACHE() { delete imp; }

UT_NCH_NAME *UT_NCH_CACHE::add(const char *name, long count) {
  return imp ? imp->add(name, count) : nullptr;
}

UT_NCH_NAME *UT_NCH_CACHE::find(const char *name) { return imp ? imp->find(name) : nullptr; }

void UT_NCH_CACHE::clean() {
  if (imp)
    imp->clean();
}

void UT_NCH_CACHE::flush() {
  if (imp)
    imp->flush();
}

void UT_NCH_CACHE::clear_marks() {
  if (imp)
    imp->clear_marks();
}

int UT_NCH_CACHE::write(UT_PTRFILE *file, unsigned char marked_only) {
  return imp ? imp->write(file, marked_only) : 0;
}

void UT_NCH_CACHE::read(UT_PTRFILE *file) {
  if (imp)
    imp->read(file);
}

long UT_NCH_CACHE::get_total_mem() { return imp ? imp->get_total_mem() : 0; }

void UT_NCH_CACHE::dump(unsigned char node_state) {
  if (imp)
    imp->dump(node_state);
}

void UT_NCH_CACHE::dump(UT_STREAM &s, unsigned char node_state) {
  if (imp)
    imp->dump(s, node_state);
}

// ---- free functions ----

int nch_cmpfunc(void *data, const char *key) {
  const char *text = data ? static_cast<UT_NCH_NAME *>(data)->get_name() : nullptr;
  return UT_STR::Compare(key, text);
}

void nch_check_cache(UT_NCH_CACHE *cache) {
  mv_lastcheck = nullptr;
  if (cache)
    cache->traverse(nch_check, nullptr, UT_BTR_TREE::INORDER);
}
