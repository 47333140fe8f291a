// UtilStore: the abstract keyed store. Trees and hash tables derive from it, so a caller
// can hold any of them through a UT_STORE pointer.
#ifndef UTILSTORE_H
#define UTILSTORE_H

#include "Portability.h"

// UT_STORE: keeps untyped items under untyped keys. A deriving store defines the three
// operations: s_add stores `value` under `key` and returns 1 on success (0 refused);
// s_find returns the item stored under `key` or null; s_remove takes the item out and
// returns it, or null when none is stored. Deleting a store through a UT_STORE pointer
// runs the derived destructor. Who owns the items is the deriving store's affair.
class UT_STORE {
public:
  // An empty store.
  UT_STORE() = default;
  // Runs the derived destructor.
  virtual ~UT_STORE();

  // Stores value under key: 1 on success, 0 when refused.
  virtual int s_add(void *key, void *value) = 0;
  // The item stored under key, or null.
  virtual void *s_find(void *key) = 0;
  // Takes the item stored under key out and returns it, or null when none is stored.
  virtual void *s_remove(void *key) = 0;
};

#endif
