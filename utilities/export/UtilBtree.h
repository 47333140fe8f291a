// UtilBtree: height-balanced (AVL) binary search tree of untyped items, keyed by text.
// The handle forwards every operation to UT_BTR_TREE_IMP, which owns the nodes; nodes
// come from the class pool UT_BTR_NODE::mem.
#ifndef UTILBTREE_H
#define UTILBTREE_H

#include "Portability.h"
#include "UtilStore.h"

class UT_BTR_TREE_IMP;

// UT_BTR_TREE: a keyed set of caller's items, one node per key. Each node holds one item
// pointer in its data cell; the tree hands out the cell's address (void**) so that the
// caller stores its item there. The comparison function compare(item, key) orders the
// tree: 0 is a match, a positive result sends the key to the item's right subtree, a
// negative one to its left subtree. A tree built with an owner flag instead has no
// comparison: every comparison is reported and taken as positive.
//
// The tree never owns its items: they are released by the callback given to flush, or
// not at all. A cell address stays valid until its node is removed or the tree is
// flushed; removing a node with two children moves the in-order predecessor's item
// into the removed item's node, so the predecessor's old cell address becomes invalid.
//
// Null keys are refused: add, find and remove return null, s_add returns 0. Searches
// return null when nothing matches. add, find and remove take O(log n) time, with at
// most one single or double rotation per level on the way back.
//
// The two constructors differ only in their argument type: pass nullptr or a function
// for the first, an unsigned char for the second (a plain 0 is ambiguous).
class UT_BTR_TREE : public UT_STORE {
public:
  // Traversal orders of traverse(); an order outside 0..5 visits nothing.
  enum TRAV_TYPE : int {
    INORDER = 0,       // left subtree, node, right subtree
    POSTORDER = 1,     // left subtree, right subtree, node
    REV_INORDER = 2,   // right subtree, node, left subtree
    REV_POSTORDER = 3, // right subtree, left subtree, node
    PREORDER = 4,      // node, left subtree, right subtree
    REV_PREORDER = 5   // node, right subtree, left subtree
  };

  // An empty tree ordered by compare(item, key) (<0, 0, >0); it does not own its items.
  explicit UT_BTR_TREE(int (*compare)(void *item, const char *key));
  // An empty tree ordered by comp_func; owner records whether it owns its items
  // (is_owner).
  explicit UT_BTR_TREE(unsigned char owner);
  // Empties the tree as flush(nullptr) does; items are not touched.
  ~UT_BTR_TREE() override;

  // Stores value (or, when value is null, the key itself) under key, replacing any item
  // held there. 1 when stored, 0 for a null key or when no node could be had.
  int s_add(void *key, void *value) override;
  // The item stored under key, or null.
  void *s_find(void *key) override;
  // Unlinks the node of key and returns its item, or null when there is none.
  void *s_remove(void *key) override;
  // Does nothing; the tree never calls it (its implementation deletes through its own).
  virtual void del_func(void *item);
  // Reports that the comparison belongs to a derived class and returns 1; the tree
  // never calls it (a derived class passes its comparison to the constructor).
  virtual int comp_func(void *item, const char *key);

  // The data cell of key's node, inserting a node with an empty cell when there is
  // none; store the item, whose key is key, there before the next search. Null for a
  // null key or when no node could be had.
  void **add(const char *key);
  // The data cell of key's node, or null.
  void **find(const char *key);
  // Unlinks key's node and returns the item it held; null when none matches.
  void *remove(const char *key);
  // Number of insertions into empty cells less removals of non-null items.
  long get_count();
  // The root node's data cell, or null for an empty tree.
  void **get_root();
  // The owner flag given to the constructor (0 for the comparison constructor).
  unsigned char is_owner();
  // Calls callback(cell, arg) for every node in the given order. The callbacks of traverse,
  // flush and dump may change items but must not add or remove nodes of this tree.
  void traverse(void (*callback)(void **cell, void *arg), void *arg, TRAV_TYPE order);
  // Empties the tree. Each non-null item is handed to callback(cell, nullptr), in the
  // order left subtree, right subtree, node; the callback may free it.
  void flush(void (*callback)(void **cell, void *arg));
  // Lists the items in order (left, node, right): "   Data = %p" or printer(item) for
  // each; with node_state, each node's depth (the root is 1) and balance word follow.
  void dump(void (*printer)(void *item), unsigned char node_state);
  // The same listing written onto s, flushed after each node.
  void dump(UT_STREAM &s, void (*printer)(UT_STREAM &s, void *item), unsigned char node_state);

  UT_BTR_TREE(const UT_BTR_TREE &) = delete;
  UT_BTR_TREE &operator=(const UT_BTR_TREE &) = delete;

private:
  UT_BTR_TREE_IMP *imp;
};

#endif
