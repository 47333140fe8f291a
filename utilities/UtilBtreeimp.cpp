// UtilBtreeimp: the AVL tree proper. Insertion and removal recurse down to the key and
// rebalance on the way back (single and double rotations); removal of a node with two
// children moves the in-order predecessor's item into it. Nodes come from the class pool
// UT_BTR_NODE::mem; listings go through ut_msgman or onto a UT_STREAM.
#include "UtilBtreeimp.h"
#include "UtilReport.h"

UT_REPORT_UNIT("UtilBtreeimp", "$Revision: 1.1.2.1 $")

// State of the listing in progress; one listing runs at a time.
namespace {
void (*gv_dump_func)(void *) = nullptr;
void (*gv_dump_func_to_UT_STREAM)(UT_STREAM &, void *) = nullptr;
unsigned char gv_dump_node_state = 0;
int gv_tree_depth = 0;

const char *balance_word(int balance) {
  switch (balance) {
  case UT_BTR_NODE::RIGHT:
    return "RIGHT\n";
  case UT_BTR_NODE::LEFT:
    return "LEFT\n";
  default:
    return "EQUAL\n";
  }
}
} // namespace

// ---------------------------------------------------------------------------------------
// Nodes

void *UT_BTR_NODE::operator new(std::size_t) noexcept { return mem ? mem->getnewptr() : nullptr; }

void UT_BTR_NODE::operator delete(void *p) {
  if (mem)
    mem->kor_free(p);
}

UT_BTR_NODE::UT_BTR_NODE() : right(nullptr), left(nullptr), data(nullptr), balance(EQUAL) {}

UT_BTR_NODE::~UT_BTR_NODE() {}

// Empties the subtree below this node: each child is given back after its own subtree,
// and this node's item is handed over last (order left, right, node).
void UT_BTR_NODE::flush(UT_BTR_TREE_IMP *tree, void (*callback)(void **cell, void *arg)) {
  if (left) {
    left->flush(tree, callback);
    delete left;
    left = nullptr;
  }
  if (right) {
    right->flush(tree, callback);
    delete right;
    right = nullptr;
  }
  if (callback) {
    if (data)
      callback(&data, nullptr);
  } else if (tree->is_owner()) {
    tree->del_func(data);
  }
}

void UT_BTR_NODE::dump() {
  ++gv_tree_depth;
  if (left)
    left->dump();
  if (gv_dump_func)
    gv_dump_func(data);
  else
    UT_REPORT(print_msg, "   Data = %p", data);
  if (gv_dump_node_state) {
    UT_REPORT(print_msg, "      depth = %d, balance = ", gv_tree_depth);
    UT_REPORT(print_msg, balance_word(balance));
  }
  if (right)
    right->dump();
  --gv_tree_depth;
}

void UT_BTR_NODE::dump(UT_STREAM &s) {
  ++gv_tree_depth;
  if (left)
    left->dump(s);
  if (gv_dump_func_to_UT_STREAM)
    gv_dump_func_to_UT_STREAM(s, data);
  else
    s << "   Data = " << static_cast<const void *>(data);
  if (gv_dump_node_state)
    s << "      depth = " << static_cast<long>(gv_tree_depth)
      << ", balance = " << balance_word(balance);
  s.flush();
  if (right)
    right->dump(s);
  --gv_tree_depth;
}

// ---------------------------------------------------------------------------------------
// Construction and the simple operations

UT_BTR_TREE_IMP::UT_BTR_TREE_IMP(int (*compare_fn)(void *item, const char *key))
    : root(nullptr), compare(compare_fn), count(0), owner(0) {}

UT_BTR_TREE_IMP::UT_BTR_TREE_IMP(unsigned char owner_flag)
    : root(nullptr), compare(nullptr), count(0), owner(owner_flag) {}

UT_BTR_TREE_IMP::~UT_BTR_TREE_IMP() { flush(nullptr); }

void UT_BTR_TREE_IMP::del_func(void *) {}

int UT_BTR_TREE_IMP::comp_func(void *, const char *) {
  UT_REPORT(numbered_msg, 3, "This function must be defined in the derived class.\n");
  return 1;
}

inline int UT_BTR_TREE_IMP::compare_step(void *item, const char *key) {
  return compare ? compare(item, key) : comp_func(item, key);
}

long UT_BTR_TREE_IMP::get_count() { return count; }

void **UT_BTR_TREE_IMP::get_root() { return root ? &root->data : nullptr; }

unsigned char UT_BTR_TREE_IMP::is_owner() { return owner; }

// ---------------------------------------------------------------------------------------
// Search

// Asks for both children of a node while its item is compared: the comparison usually
// waits on the item's key in memory, and the next node is then at hand either way.
static inline void prefetch_children(const UT_BTR_NODE *node) {
  __builtin_prefetch(node->left);
  __builtin_prefetch(node->right);
}

void **UT_BTR_TREE_IMP::find_recurse(UT_BTR_NODE *node, const char *key) {
  if (!node)
    return nullptr;
  prefetch_children(node);
  int c = compare_step(node->data, key);
  if (c == 0)
    return &node->data;
  return find_recurse(c > 0 ? node->right : node->left, key);
}

void **UT_BTR_TREE_IMP::find(const char *key) { return key ? find_recurse(root, key) : nullptr; }

void *UT_BTR_TREE_IMP::s_find(void *key) {
  void **cell = find(static_cast<const char *>(key));
  return cell ? *cell : nullptr;
}

// ---------------------------------------------------------------------------------------
// Rotations. Each takes the link (a parent's field, or root) that holds x and leaves the
// new subtree top in it; the callers set the balances of single rotations.

// x.left = y.right, y.right = x: y, the left child, becomes the top.
void UT_BTR_TREE_IMP::rotate_right(UT_BTR_NODE **link) {
  UT_BTR_NODE *x = *link;
  UT_BTR_NODE *y = x->left;
  x->left = y->right;
  y->right = x;
  *link = y;
}

// x.right = y.left, y.left = x: y, the right child, becomes the top.
void UT_BTR_TREE_IMP::rotate_left(UT_BTR_NODE **link) {
  UT_BTR_NODE *x = *link;
  UT_BTR_NODE *y = x->right;
  x->right = y->left;
  y->left = x;
  *link = y;
}

// Left-right double rotation: z, the right child of x's left child y, becomes the top
// with y on its left and x on its right. z's own balance is left to the caller.
void UT_BTR_TREE_IMP::double_lr(UT_BTR_NODE **link) {
  UT_BTR_NODE *x = *link;
  UT_BTR_NODE *y = x->left;
  UT_BTR_NODE *z = y->right;
  y->right = z->left;
  x->left = z->right;
  z->left = y;
  z->right = x;
  switch (z->balance) {
  case UT_BTR_NODE::RIGHT:
    x->balance = UT_BTR_NODE::EQUAL;
    y->balance = UT_BTR_NODE::LEFT;
    break;
  case UT_BTR_NODE::LEFT:
    x->balance = UT_BTR_NODE::RIGHT;
    y->balance = UT_BTR_NODE::EQUAL;
    break;
  default:
    x->balance = UT_BTR_NODE::EQUAL;
    y->balance = UT_BTR_NODE::EQUAL;
    break;
  }
  *link = z;
}

// Right-left double rotation, the mirror image: z, the left child of x's right child y,
// becomes the top with x on its left and y on its right.
void UT_BTR_TREE_IMP::double_rl(UT_BTR_NODE **link) {
  UT_BTR_NODE *x = *link;
  UT_BTR_NODE *y = x->right;
  UT_BTR_NODE *z = y->left;
  y->left = z->right;
  x->right = z->left;
  z->right = y;
  z->left = x;
  switch (z->balance) {
  case UT_BTR_NODE::RIGHT:
    x->balance = UT_BTR_NODE::LEFT;
    y->balance = UT_BTR_NODE::EQUAL;
    break;
  case UT_BTR_NODE::LEFT:
    x->balance = UT_BTR_NODE::EQUAL;
    y->balance = UT_BTR_NODE::RIGHT;
    break;
  default:
    x->balance = UT_BTR_NODE::EQUAL;
    y->balance = UT_BTR_NODE::EQUAL;
    break;
  }
  *link = z;
}

// ---------------------------------------------------------------------------------------
// Insertion

// Returns the cell of key's node, inserting a node when there is none; taller is set
// when the subtree in link grew by one level. Null (tree unchanged) when the node pool
// cannot supply a node.
void **UT_BTR_TREE_IMP::add_recurse(UT_BTR_NODE **link, const char *key, unsigned char &taller) {
  UT_BTR_NODE *x = *link;
  if (!x) {
    x = new UT_BTR_NODE;
    if (!x)
      return nullptr;
    *link = x;
    taller = 1;
    return &x->data;
  }
  prefetch_children(x);
  int c = compare_step(x->data, key);
  if (c == 0)
    return &x->data;

  void **cell;
  if (c < 0) {
    cell = add_recurse(&x->left, key, taller);
    if (!taller)
      return cell;
    switch (x->balance) {
    case UT_BTR_NODE::RIGHT:
      x->balance = UT_BTR_NODE::EQUAL;
      taller = 0;
      break;
    case UT_BTR_NODE::EQUAL:
      x->balance = UT_BTR_NODE::LEFT;
      break;
    default:
      if (x->left->balance == UT_BTR_NODE::LEFT) {
        // LL case: one right rotation.
        rotate_right(link);
        x->balance = UT_BTR_NODE::EQUAL;
        (*link)->balance = UT_BTR_NODE::EQUAL;
      } else {
        // LR case: double rotation.
        double_lr(link);
        (*link)->balance = UT_BTR_NODE::EQUAL;
      }
      taller = 0;
      break;
    }
  } else {
    cell = add_recurse(&x->right, key, taller);
    if (!taller)
      return cell;
    switch (x->balance) {
    case UT_BTR_NODE::LEFT:
      x->balance = UT_BTR_NODE::EQUAL;
      taller = 0;
      break;
    case UT_BTR_NODE::EQUAL:
      x->balance = UT_BTR_NODE::RIGHT;
      break;
    default:
      if (x->right->balance == UT_BTR_NODE::RIGHT) {
        // RR case: one left rotation.
        rotate_left(link);
        x->balance = UT_BTR_NODE::EQUAL;
        (*link)->balance = UT_BTR_NODE::EQUAL;
      } else {
        // RL case: double rotation.
        double_rl(link);
        (*link)->balance = UT_BTR_NODE::EQUAL;
      }
      taller = 0;
      break;
    }
  }
  return cell;
}

void **UT_BTR_TREE_IMP::add(const char *key) {
  if (!key)
    return nullptr;
  unsigned char taller = 0;
  void **cell = add_recurse(&root, key, taller);
  if (cell && !*cell)
    ++count;
  return cell;
}

int UT_BTR_TREE_IMP::s_add(void *key, void *value) {
  void **cell = add(static_cast<const char *>(key));
  if (!cell)
    return 0;
  *cell = value ? value : key;
  return 1;
}

// ---------------------------------------------------------------------------------------
// Removal

// The left subtree of the node in link lost a level; shorter stays set when the whole
// subtree lost one too.
void UT_BTR_TREE_IMP::shrink_left(UT_BTR_NODE **link, unsigned char &shorter) {
  UT_BTR_NODE *x = *link;
  switch (x->balance) {
  case UT_BTR_NODE::LEFT:
    x->balance = UT_BTR_NODE::EQUAL;
    break;
  case UT_BTR_NODE::EQUAL:
    x->balance = UT_BTR_NODE::RIGHT;
    shorter = 0;
    break;
  default: {
    UT_BTR_NODE *y = x->right;
    if (y->balance == UT_BTR_NODE::LEFT) {
      // RL case: double rotation; the subtree stays one level lower.
      double_rl(link);
      (*link)->balance = UT_BTR_NODE::EQUAL;
    } else if (y->balance == UT_BTR_NODE::EQUAL) {
      // R0 case: one left rotation keeps the subtree's height.
      rotate_left(link);
      x->balance = UT_BTR_NODE::RIGHT;
      y->balance = UT_BTR_NODE::LEFT;
      shorter = 0;
    } else {
      // RR case: one left rotation; the subtree stays one level lower.
      rotate_left(link);
      x->balance = UT_BTR_NODE::EQUAL;
      y->balance = UT_BTR_NODE::EQUAL;
    }
    break;
  }
  }
}

// The mirror image of shrink_left, for a right subtree that lost a level.
void UT_BTR_TREE_IMP::shrink_right(UT_BTR_NODE **link, unsigned char &shorter) {
  UT_BTR_NODE *x = *link;
  switch (x->balance) {
  case UT_BTR_NODE::RIGHT:
    x->balance = UT_BTR_NODE::EQUAL;
    break;
  case UT_BTR_NODE::EQUAL:
    x->balance = UT_BTR_NODE::LEFT;
    shorter = 0;
    break;
  default: {
    UT_BTR_NODE *y = x->left;
    if (y->balance == UT_BTR_NODE::RIGHT) {
      // LR case: double rotation.
      double_lr(link);
      (*link)->balance = UT_BTR_NODE::EQUAL;
    } else if (y->balance == UT_BTR_NODE::EQUAL) {
      // L0 case: one right rotation keeps the subtree's height.
      rotate_right(link);
      x->balance = UT_BTR_NODE::LEFT;
      y->balance = UT_BTR_NODE::RIGHT;
      shorter = 0;
    } else {
      // LL case: one right rotation.
      rotate_right(link);
      x->balance = UT_BTR_NODE::EQUAL;
      y->balance = UT_BTR_NODE::EQUAL;
    }
    break;
  }
  }
}

// Removes the rightmost node below link after moving its item into target (the node
// being removed, which keeps its place); rebalances on the way back.
void UT_BTR_TREE_IMP::shrink_recurse(UT_BTR_NODE **link, unsigned char &shorter,
                                     UT_BTR_NODE *target) {
  UT_BTR_NODE *w = *link;
  if (w->right) {
    shrink_recurse(&w->right, shorter, target);
    if (shorter)
      shrink_right(link, shorter);
    return;
  }
  target->data = w->data;
  *link = w->left;
  delete w;
  shorter = 1;
}

// Removes key's node below link and returns its item; shorter is set when the subtree
// in link lost a level. Null and nothing changed when no node matches.
void *UT_BTR_TREE_IMP::remove_recurse(UT_BTR_NODE **link, const char *key, unsigned char &shorter) {
  UT_BTR_NODE *x = *link;
  if (!x)
    return nullptr;
  int c = compare_step(x->data, key);
  if (c < 0) {
    void *item = remove_recurse(&x->left, key, shorter);
    if (shorter)
      shrink_left(link, shorter);
    return item;
  }
  if (c > 0) {
    void *item = remove_recurse(&x->right, key, shorter);
    if (shorter)
      shrink_right(link, shorter);
    return item;
  }

  void *item = x->data;
  if (!x->right || !x->left) {
    // At most one child: it takes the node's place.
    *link = x->right ? x->right : x->left;
    delete x;
    shorter = 1;
    return item;
  }
  // Two children: the node takes its in-order predecessor's item, whose node goes.
  UT_BTR_NODE *y = x->left;
  if (!y->right) {
    x->data = y->data;
    x->left = y->left;
    delete y;
    shorter = 1;
  } else {
    shrink_recurse(&y->right, shorter, x);
    if (shorter)
      shrink_right(&x->left, shorter);
  }
  if (shorter)
    shrink_left(link, shorter);
  return item;
}

void *UT_BTR_TREE_IMP::remove(const char *key) {
  if (!key)
    return nullptr;
  unsigned char shorter = 0;
  void *item = remove_recurse(&root, key, shorter);
  if (item)
    --count;
  return item;
}

void *UT_BTR_TREE_IMP::s_remove(void *key) { return remove(static_cast<const char *>(key)); }

// ---------------------------------------------------------------------------------------
// Traversal, emptying and listing

void UT_BTR_TREE_IMP::traverse_recurse(void (*callback)(void **cell, void *arg), void *arg,
                                       UT_BTR_TREE::TRAV_TYPE order, UT_BTR_NODE *node) {
  if (!node)
    return;
  switch (order) {
  case UT_BTR_TREE::INORDER:
    traverse_recurse(callback, arg, order, node->left);
    callback(&node->data, arg);
    traverse_recurse(callback, arg, order, node->right);
    break;
  case UT_BTR_TREE::POSTORDER:
    traverse_recurse(callback, arg, order, node->left);
    traverse_recurse(callback, arg, order, node->right);
    callback(&node->data, arg);
    break;
  case UT_BTR_TREE::REV_INORDER:
    traverse_recurse(callback, arg, order, node->right);
    callback(&node->data, arg);
    traverse_recurse(callback, arg, order, node->left);
    break;
  case UT_BTR_TREE::REV_POSTORDER:
    traverse_recurse(callback, arg, order, node->right);
    traverse_recurse(callback, arg, order, node->left);
    callback(&node->data, arg);
    break;
  case UT_BTR_TREE::PREORDER:
    callback(&node->data, arg);
    traverse_recurse(callback, arg, order, node->left);
    traverse_recurse(callback, arg, order, node->right);
    break;
  case UT_BTR_TREE::REV_PREORDER:
    callback(&node->data, arg);
    traverse_recurse(callback, arg, order, node->right);
    traverse_recurse(callback, arg, order, node->left);
    break;
  default:
    break;
  }
}

void UT_BTR_TREE_IMP::traverse(void (*callback)(void **cell, void *arg), void *arg,
                               UT_BTR_TREE::TRAV_TYPE order) {
  if (callback)
    traverse_recurse(callback, arg, order, root);
}

void UT_BTR_TREE_IMP::flush(void (*callback)(void **cell, void *arg)) {
  if (root) {
    root->flush(this, callback);
    delete root;
    root = nullptr;
  }
  count = 0;
}

void UT_BTR_TREE_IMP::dump(void (*printer)(void *item), unsigned char node_state) {
  gv_dump_func = printer;
  gv_dump_node_state = node_state;
  gv_tree_depth = 0;
  if (root)
    root->dump();
  gv_dump_func = nullptr;
}

void UT_BTR_TREE_IMP::dump(UT_STREAM &s, void (*printer)(UT_STREAM &s, void *item),
                           unsigned char node_state) {
  gv_dump_func_to_UT_STREAM = printer;
  gv_dump_node_state = node_state;
  gv_tree_depth = 0;
  if (root)
    root->dump(s);
  gv_dump_func_to_UT_STREAM = nullptr;
}
