// UtilList: singly linked list of untyped element pointers with a cursor.
#ifndef UTILLIST_H
#define UTILLIST_H

#include "Portability.h"

// One node of a UT_LIST: the following node and the element.
struct UT_LISTMEM {
  // The following node; null at the tail.
  UT_LISTMEM *next;
  // The element.
  void *data;
};

// UT_LIST: a singly linked list of element pointers behind a sentinel node, with a tail
// pointer and one cursor (`current`). A plain list holds its elements by identity and
// never releases them; a derived list gives them a meaning through the four virtual
// data operations (release, print, match, order). The list owns its nodes only.
//
// Status results are 1 for done and 0 for refused (null element or key, no current
// node, not found); element results are null when there is none. Null elements are
// never stored. append/push/pop/insert/getnext/peeknext are O(1); count, popend, find,
// the removals by pointer and remove() walk the chain. sort() is a stable insertion
// sort, linear on input already in order.
//
// Nodes come from kor_malloc; when no node can be had the adding operation refuses (0)
// without changing the list, and the owner of the list reports it in its own terms. The
// sentinel lives in the list object itself, so a list is always usable.
//
// The destructor is not virtual and calls only the base's freedata: a derived list
// that owns its elements must call freelist() before it is destroyed.
class UT_LIST {
public:
  // An empty list: the sentinel only.
  UT_LIST();
  // Frees the nodes and calls the base freedata, which releases nothing.
  ~UT_LIST();

  // Releases one element when the list owns it; the base does nothing.
  virtual void freedata(void *elem);
  // Prints one element for printlist; the base prints its address.
  virtual void printdata(void *elem);
  // Nonzero when elem matches key for find; the base compares the pointers.
  virtual unsigned char finddata(void *elem, void *key);
  // Orders two elements for sort and mergesort (<0, 0, >0); the base orders addresses.
  virtual int compdata(void *a, void *b);

  // Removes every node, releasing each element through freedata.
  void freelist();
  // The number of elements (walks the chain).
  int count();
  // Inline, as the cursor steps: appending at the tail is the list's commonest step.
  int append(void *elem) {
    if (!elem)
      return 0;
    UT_LISTMEM *node = makenode(elem);
    if (!node)
      return 0;
    tail->next = node;
    tail = node;
    return 1;
  }
  // Appends elem at the tail, as append does.
  int pushend(void *elem);
  // Puts elem at the head.
  int push(void *elem);
  // Takes the head element off the list; null when empty.
  void *pop();
  // Takes the tail element off the list; null when empty.
  void *popend();
  // The cursor steps are inline: walking a list is their main use.
  // Moves the cursor before the first element.
  void reset() { current = head; }
  // Advances the cursor and returns its element; null past the end.
  void *getnext() {
    if (!current)
      return nullptr;
    current = current->next;
    return current ? current->data : nullptr;
  }
  // The element after the cursor, without moving it; null when none.
  void *peeknext() { return current && current->next ? current->next->data : nullptr; }
  // The first element that finddata matches with key, which becomes the cursor; null when none.
  void *find(void *key);
  // Inserts elem after the cursor.
  int insert(void *elem);
  // Inserts elem after the element anchor.
  int insert(void *anchor, void *elem);
  // Removes the cursor's element, releasing it through freedata.
  int remove();
  // Removes elem, releasing it through freedata.
  int remove(void *elem);
  // Removes the cursor's element without releasing it.
  int rmunowned();
  // Removes elem without releasing it.
  int rmunowned(void *elem);
  // Removes elem, releasing it through freedata when owned is nonzero.
  int l_remove(void *elem, unsigned char owned);
  // Links a new node holding elem after node.
  void addnext(UT_LISTMEM *node, void *elem);
  // Unlinks the node after node, releasing its element when owned is nonzero.
  void delnext(UT_LISTMEM *node, unsigned char owned);
  // Sorts the elements by compdata (stable).
  void sort();
  // Inserts elem in compdata order, after the elements equal to it.
  int mergesort(void *elem);
  // Prints every element through printdata, with its position when numbered is nonzero.
  void printlist(unsigned char numbered);

  UT_LIST(const UT_LIST &) = delete;
  UT_LIST &operator=(const UT_LIST &) = delete;

protected:
  UT_LISTMEM *head;    // sentinel, never removed
  UT_LISTMEM *tail;    // last node; the sentinel when empty
  UT_LISTMEM *current; // cursor; null after getnext ran past the end

private:
  UT_LISTMEM sentinel;                     // what head points to
  static UT_LISTMEM *makenode(void *elem); // null when memory runs out
  bool link(UT_LISTMEM *after, void *elem);
  void place(UT_LISTMEM *node);
  UT_LISTMEM *detach();
  void releasechain(bool owned);
  int unlinkfirst(void *elem, bool owned);
  void unlink(UT_LISTMEM *pred, UT_LISTMEM *node, bool owned);
};

#endif
