// UtilBtreeimp: the nodes of the balanced tree. Nodes come from the class pool
// UT_BTR_NODE::mem, built when the library is loaded.
#ifndef UTILBTREEIMP_H
#define UTILBTREEIMP_H

#include "UtilFstmem.h"

// One tree node: its two subtrees, the item it holds and its balance.
class UT_BTR_NODE {
public:
  UT_BTR_NODE *right; // keys k with compare(item, k) > 0
  UT_BTR_NODE *left;  // keys k with compare(item, k) < 0
  void *data;         // the item
  int balance;        // RIGHT 0, LEFT 1 (that subtree is taller) or EQUAL 2

  static UT_FASTMEM *mem; // the pool nodes come from
};

#endif
