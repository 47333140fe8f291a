// An outside program built against an installed Utilities.
#include "Utilities.h"

int main() {
  UT_LIST list;
  int a = 1, b = 2;
  list.append(&a);
  list.append(&b);
  return list.count() == 2 && UT_STR::Len("abc") == 3 ? 0 : 1;
}
