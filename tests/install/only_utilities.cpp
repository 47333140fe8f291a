// A client that calls libUtilities alone: libPortability must still be found at run time.
#include "Utilities.h"

int main() {
  UT_LIST list;
  int a = 1;
  list.append(&a);
  return list.count() == 1 ? 0 : 1;
}
