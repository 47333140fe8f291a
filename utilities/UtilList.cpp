// Singly linked list of element pointers with a sentinel, a tail and one cursor. Element
// meaning comes from the four virtual data operations; the list owns only its nodes.
// Reports only through printdata and printlist.
#include "UtilList.h"

#include "UtilReport.h"

#include <cstdint>

UT_REPORT_UNIT("UtilList", "$Revision: 1.1.2.1 $")

UT_LISTMEM *UT_LIST::makenode(void *elem) {
  UT_LISTMEM *node = static_cast<UT_LISTMEM *>(kor_malloc(sizeof(UT_LISTMEM)));
  if (!node)
    return nullptr;
  node->next = nullptr;
  node->data = elem;
  return node;
}

static void releasenode(UT_LISTMEM *node) { kor_free(node); }

UT_LIST::UT_LIST()
    : head(&sentinel), tail(&sentinel), current(&sentinel), sentinel{nullptr, nullptr} {}

UT_LIST::~UT_LIST() {
  // Only the base's freedata is in force here, and it releases nothing: derived owners
  // call freelist first. So the chain's nodes go without a call per element.
  releasechain(false);
  head = tail = current = nullptr;
}

void UT_LIST::freedata(void *) {}

void UT_LIST::printdata(void *elem) {
  UT_REPORT(print_msg, "%lx \n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(elem)));
}

unsigned char UT_LIST::finddata(void *elem, void *key) { return elem == key ? 1 : 0; }

// Orders two addresses; compared whole so that 64-bit addresses are never truncated.
int UT_LIST::compdata(void *a, void *b) {
  uintptr_t x = reinterpret_cast<uintptr_t>(a);
  uintptr_t y = reinterpret_cast<uintptr_t>(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

// Detaches the chain from the sentinel and leaves the list empty; returns the chain.
UT_LISTMEM *UT_LIST::detach() {
  UT_LISTMEM *chain = head->next;
  head->next = nullptr;
  tail = head;
  current = head;
  return chain;
}

// Resets the list, then walks the detached nodes front to back.
void UT_LIST::releasechain(bool owned) {
  UT_LISTMEM *node = detach();
  while (node) {
    UT_LISTMEM *next = node->next;
    if (owned)
      freedata(node->data);
    releasenode(node);
    node = next;
  }
}

void UT_LIST::freelist() { releasechain(true); }

int UT_LIST::count() {
  int n = 0;
  for (UT_LISTMEM *node = head->next; node; node = node->next)
    ++n;
  return n;
}

// Links a new node holding elem after `after`; false when there is no node to be had.
bool UT_LIST::link(UT_LISTMEM *after, void *elem) {
  UT_LISTMEM *added = makenode(elem);
  if (!added)
    return false;
  added->next = after->next;
  after->next = added;
  if (tail == after)
    tail = added;
  return true;
}

void UT_LIST::addnext(UT_LISTMEM *node, void *elem) {
  if (node && elem)
    link(node, elem);
}

int UT_LIST::pushend(void *elem) { return append(elem); }

int UT_LIST::push(void *elem) {
  if (!elem)
    return 0;
  return link(head, elem) ? 1 : 0;
}

// Unlinks `node` (whose predecessor is `pred`), releasing its element first when owned.
void UT_LIST::unlink(UT_LISTMEM *pred, UT_LISTMEM *node, bool owned) {
  if (owned)
    freedata(node->data);
  if (tail == node)
    tail = pred;
  if (current == node)
    current = node->next;
  pred->next = node->next;
  releasenode(node);
}

void *UT_LIST::pop() {
  UT_LISTMEM *node = head->next;
  if (!node)
    return nullptr;
  void *elem = node->data;
  unlink(head, node, false);
  return elem;
}

void *UT_LIST::popend() {
  if (tail == head)
    return nullptr;
  UT_LISTMEM *pred = head;
  while (pred->next != tail)
    pred = pred->next;
  void *elem = tail->data;
  unlink(pred, tail, false);
  return elem;
}

void *UT_LIST::find(void *key) {
  if (!key)
    return nullptr;
  for (UT_LISTMEM *node = head->next; node; node = node->next) {
    if (finddata(node->data, key)) {
      current = node;
      return node->data;
    }
  }
  return nullptr;
}

int UT_LIST::insert(void *elem) {
  if (!elem || !current)
    return 0;
  return link(current, elem) ? 1 : 0;
}

int UT_LIST::insert(void *anchor, void *elem) {
  if (!anchor || !elem)
    return 0;
  UT_LISTMEM *at = (current && current != head && current->data == anchor) ? current : nullptr;
  for (UT_LISTMEM *node = head->next; node && !at; node = node->next)
    if (node->data == anchor)
      at = node;
  if (!at)
    return 0;
  return link(at, elem) ? 1 : 0;
}

// Removes the first node from the front that holds `elem`.
int UT_LIST::unlinkfirst(void *elem, bool owned) {
  if (!elem)
    return 0;
  for (UT_LISTMEM *pred = head; pred->next; pred = pred->next) {
    if (pred->next->data == elem) {
      unlink(pred, pred->next, owned);
      return 1;
    }
  }
  return 0;
}

int UT_LIST::remove() {
  if (!current || current == head)
    return 0;
  return unlinkfirst(current->data, true);
}

int UT_LIST::remove(void *elem) { return unlinkfirst(elem, true); }

int UT_LIST::rmunowned() {
  if (!current || current == head)
    return 0;
  return unlinkfirst(current->data, false);
}

int UT_LIST::rmunowned(void *elem) { return unlinkfirst(elem, false); }

int UT_LIST::l_remove(void *elem, unsigned char owned) { return unlinkfirst(elem, owned != 0); }

void UT_LIST::delnext(UT_LISTMEM *node, unsigned char owned) {
  if (!node || !node->next)
    return;
  unlink(node, node->next, owned != 0);
}

// Links `node` in compdata order, after the elements equal to it (the ordered-insertion
// rule that mergesort and sort share).
void UT_LIST::place(UT_LISTMEM *node) {
  UT_LISTMEM *pred = head;
  // Fast path for ascending input: equal or smaller last element, append.
  if (tail == head || compdata(tail->data, node->data) <= 0)
    pred = tail;
  else
    while (pred->next && compdata(pred->next->data, node->data) <= 0)
      pred = pred->next;
  node->next = pred->next;
  pred->next = node;
  if (tail == pred)
    tail = node;
}

int UT_LIST::mergesort(void *elem) {
  if (!elem)
    return 0;
  UT_LISTMEM *node = makenode(elem);
  if (!node)
    return 0;
  place(node);
  return 1;
}

// Re-links the list's own nodes, so sorting needs no memory and cannot lose an element.
void UT_LIST::sort() {
  UT_LISTMEM *node = detach();
  while (node) {
    UT_LISTMEM *next = node->next;
    place(node);
    node = next;
  }
  current = head;
}

void UT_LIST::printlist(unsigned char numbered) {
  int index = 0;
  for (UT_LISTMEM *node = head->next; node; node = node->next, ++index) {
    if (numbered)
      UT_REPORT(print_msg, "%d \n", index);
    printdata(node->data);
  }
}
