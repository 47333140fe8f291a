// UtilBtree: the tree handle. Every operation forwards to UT_BTR_TREE_IMP; a handle whose
// implementation could not be allocated behaves as an empty tree that refuses to grow.
#include "UtilBtree.h"
#include "UtilBtreeimp.h"
#include "UtilReport.h"

#include <new>

UT_REPORT_UNIT("UtilBtree", "$Revision: 1.1.2.1 $")

UT_BTR_TREE::UT_BTR_TREE(int (*compare)(void *item, const char *key))
    : imp(new (std::nothrow) UT_BTR_TREE_IMP(compare)) {}

UT_BTR_TREE::UT_BTR_TREE(unsigned char owner) : imp(new (std::nothrow) UT_BTR_TREE_IMP(owner)) {}

UT_BTR_TREE::~UT_BTR_TREE() { delete imp; }

int UT_BTR_TREE::s_add(void *key, void *value) { return imp ? imp->s_add(key, value) : 0; }

void *UT_BTR_TREE::s_find(void *key) { return imp ? imp->s_find(key) : nullptr; }

void *UT_BTR_TREE::s_remove(void *key) { return imp ? imp->s_remove(key) : nullptr; }

void UT_BTR_TREE::del_func(void *) {}

int UT_BTR_TREE::comp_func(void *, const char *) {
  UT_REPORT(numbered_msg, 3, "This function must be defined in the derived class.\n");
  return 1;
}

void **UT_BTR_TREE::add(const char *key) { return imp ? imp->add(key) : nullptr; }

void **UT_BTR_TREE::find(const char *key) { return imp ? imp->find(key) : nullptr; }

void *UT_BTR_TREE::remove(const char *key) { return imp ? imp->remove(key) : nullptr; }

long UT_BTR_TREE::get_count() { return imp ? imp->get_count() : 0; }

void **UT_BTR_TREE::get_root() { return imp ? imp->get_root() : nullptr; }

unsigned char UT_BTR_TREE::is_owner() { return imp ? imp->is_owner() : 0; }

void UT_BTR_TREE::traverse(void (*callback)(void **cell, void *arg), void *arg, TRAV_TYPE order) {
  if (imp)
    imp->traverse(callback, arg, order);
}

void UT_BTR_TREE::flush(void (*callback)(void **cell, void *arg)) {
  if (imp)
    imp->flush(callback);
}

void UT_BTR_TREE::dump(void (*printer)(void *item), unsigned char node_state) {
  if (imp)
    imp->dump(printer, node_state);
}

void UT_BTR_TREE::dump(UT_STREAM &s, void (*printer)(UT_STREAM &s, void *item),
                       unsigned char node_state) {
  if (imp)
    imp->dump(s, printer, node_state);
}
