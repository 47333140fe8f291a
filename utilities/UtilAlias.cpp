// UtilAlias: the alias records and the alias cache handle, which forwards to
// UT_ACH_CACHE_IMP. The cache is a tree ordered by ach_compare.
#include "UtilAlias.h"
#include "UtilAliasimp.h"
#include "UtilReport.h"

#include <new>

UT_REPORT_UNIT("UtilAlias", "$Revision: 1.1.2.1 $")

namespace {
// A copy of text (null taken as ""), or null when no memory could be had.
char *copy_text(const char *text) {
  if (!text)
    text = "";
  char *copy = new (std::nothrow) char[static_cast<std::size_t>(UT_STR::Len(text)) + 1];
  if (copy)
    UT_STR::Copy(copy, text);
  return copy;
}
} // namespace

UT_ACH_ALIAS::UT_ACH_ALIAS(const char *name_text, const char *alias_text)
    : name(copy_text(name_text)), alias(copy_text(alias_text)) {
  if (name && alias)
    return;
  UT_REPORT(numbered_msg, 19, "UTALIAS new failed.\n");
  delete[] name;
  delete[] alias;
  name = nullptr;
  alias = nullptr;
}

UT_ACH_ALIAS::~UT_ACH_ALIAS() {
  delete[] name;
  delete[] alias;
}

void UT_ACH_ALIAS::dump() { UT_REPORT(print_msg, "   %s, (%s)\n", name, alias); }

void UT_ACH_ALIAS::dump(UT_STREAM &s) {
  s << "   " << name << ", (" << alias << ")\n";
  s.flush();
}

UT_ACH_CACHE::UT_ACH_CACHE()
    : UT_BTR_TREE(ach_compare), imp(new (std::nothrow) UT_ACH_CACHE_IMP(this)) {}

// The records go with the implementation, before the tree itself.
UT_ACH_CACHE::~UT_ACH_CACHE() { delete imp; }

UT_ACH_ALIAS *UT_ACH_CACHE::add(const char *name, const char *alias) {
  return imp ? imp->add(name, alias) : nullptr;
}

UT_ACH_ALIAS *UT_ACH_CACHE::find(const char *name) { return imp ? imp->find(name) : nullptr; }

void UT_ACH_CACHE::flush() {
  if (imp)
    imp->flush();
}

void UT_ACH_CACHE::dump(unsigned char node_state) {
  if (imp)
    imp->dump(node_state);
}

void UT_ACH_CACHE::dump(UT_STREAM &s, unsigned char node_state) {
  if (imp)
    imp->dump(s, node_state);
}
