// UtilBtreeimp: the nodes of the balanced tree and the tree's implementation. Nodes come
// from the class pool UT_BTR_NODE::mem, built when the library is loaded.
#ifndef UTILBTREEIMP_H
#define UTILBTREEIMP_H

#include "UtilBtree.h"
#include "UtilFstmem.h"

#include <cstddef>

class UT_BTR_TREE_IMP;

// One tree node: its two subtrees, the item it holds and its balance. The balance says
// which subtree is taller; the heights of the two never differ by more than one.
// Nodes are created and deleted only through the pool (operator new yields null when the
// pool has no room, and no node is then built).
class UT_BTR_NODE {
public:
  enum { RIGHT = 0, LEFT = 1, EQUAL = 2 };

  UT_BTR_NODE(); // EQUAL, null links and data
  ~UT_BTR_NODE();
  static void *operator new(std::size_t size) noexcept;
  static void operator delete(void *p);

  // Empties the subtrees below this node, handing each item to callback (order left,
  // right, node) or, without a callback, to the owner tree's del_func; the children go
  // back to the pool, this node does not.
  void flush(UT_BTR_TREE_IMP *tree, void (*callback)(void **cell, void *arg));
  // List this subtree, in order, with the settings of the listing in progress.
  void dump();
  void dump(UT_STREAM &s);

  UT_BTR_NODE *right; // keys k with compare(item, k) > 0
  UT_BTR_NODE *left;  // keys k with compare(item, k) < 0
  void *data;         // the item
  int balance;        // RIGHT 0, LEFT 1 (that subtree is taller) or EQUAL 2

  static UT_FASTMEM *mem; // the pool nodes come from
};

// The tree proper. Invariants kept by every operation: the in-order walk (left, node,
// right) meets the keys so that compare(item, key) < 0 sends key left and > 0 right;
// every node's balance matches the heights of its subtrees; count is the number of
// insertions into empty cells less the removals of non-null items.
class UT_BTR_TREE_IMP : public UT_STORE {
public:
  explicit UT_BTR_TREE_IMP(int (*compare)(void *item, const char *key));
  explicit UT_BTR_TREE_IMP(unsigned char owner);
  ~UT_BTR_TREE_IMP() override;

  int s_add(void *key, void *value) override;
  void *s_find(void *key) override;
  void *s_remove(void *key) override;
  virtual void del_func(void *item);
  virtual int comp_func(void *item, const char *key);

  void **add(const char *key);
  void **find(const char *key);
  void *remove(const char *key);
  long get_count();
  void **get_root();
  unsigned char is_owner();
  void traverse(void (*callback)(void **cell, void *arg), void *arg, UT_BTR_TREE::TRAV_TYPE order);
  void flush(void (*callback)(void **cell, void *arg));
  void dump(void (*printer)(void *item), unsigned char node_state);
  void dump(UT_STREAM &s, void (*printer)(UT_STREAM &s, void *item), unsigned char node_state);

  UT_BTR_TREE_IMP(const UT_BTR_TREE_IMP &) = delete;
  UT_BTR_TREE_IMP &operator=(const UT_BTR_TREE_IMP &) = delete;

private:
  int compare_step(void *item, const char *key);
  void **add_recurse(UT_BTR_NODE **link, const char *key, unsigned char &taller);
  void *remove_recurse(UT_BTR_NODE **link, const char *key, unsigned char &shorter);
  void **find_recurse(UT_BTR_NODE *node, const char *key);
  void traverse_recurse(void (*callback)(void **cell, void *arg), void *arg,
                        UT_BTR_TREE::TRAV_TYPE order, UT_BTR_NODE *node);
  void shrink_recurse(UT_BTR_NODE **link, unsigned char &shorter, UT_BTR_NODE *target);
  void shrink_left(UT_BTR_NODE **link, unsigned char &shorter);
  void shrink_right(UT_BTR_NODE **link, unsigned char &shorter);
  void rotate_left(UT_BTR_NODE **link);
  void rotate_right(UT_BTR_NODE **link);
  void double_rl(UT_BTR_NODE **link);
  void double_lr(UT_BTR_NODE **link);

  UT_BTR_NODE *root;
  int (*compare)(void *item, const char *key); // null when built with an owner flag
  long count;
  unsigned char owner;
};

#endif
