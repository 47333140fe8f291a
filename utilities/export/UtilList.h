// UtilList: singly linked list of untyped element pointers with a cursor.
#ifndef UTILLIST_H
#define UTILLIST_H

#include "Portability.h"

// One node of a UT_LIST: the following node and the element.
struct UT_LISTMEM {
  UT_LISTMEM *next;
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
  UT_LIST();
  ~UT_LIST();

  virtual void freedata(void *elem);
  virtual void printdata(void *elem);
  virtual unsigned char finddata(void *elem, void *key);
  virtual int compdata(void *a, void *b);

  void freelist();
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
  int pushend(void *elem);
  int push(void *elem);
  void *pop();
  void *popend();
  // The cursor steps are inline: walking a list is their main use.
  void reset() { current = head; }
  void *getnext() {
    if (!current)
      return nullptr;
    current = current->next;
    return current ? current->data : nullptr;
  }
  void *peeknext() { return current && current->next ? current->next->data : nullptr; }
  void *find(void *key);
  int insert(void *elem);
  int insert(void *anchor, void *elem);
  int remove();
  int remove(void *elem);
  int rmunowned();
  int rmunowned(void *elem);
  int l_remove(void *elem, unsigned char owned);
  void addnext(UT_LISTMEM *node, void *elem);
  void delnext(UT_LISTMEM *node, unsigned char owned);
  void sort();
  int mergesort(void *elem);
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
