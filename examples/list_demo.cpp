// Shows the linked list and the platform layer at work: a typed list that orders and
// prints its elements, written to a file as length-prefixed texts and read back.
#include "Utilities.h"

#include <cstdio>
#include <cstring>

namespace {

class NameList : public UT_LIST {
public:
  void printdata(void* e) override { ut_msgman->print_msg("  %s\n", static_cast<char*>(e)); }
  int compdata(void* a, void* b) override {
    return UT_STR::Compare(static_cast<char*>(a), static_cast<char*>(b));
  }
  void freedata(void* e) override { delete[] static_cast<char*>(e); }
};

} // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "list_demo.bin";
  const char* names[] = {"lut4", "carry", "flipflop", "bram", "dsp"};

  NameList list;
  for (const char* n : names)
    list.append(UT_STR::Dup(n));
  list.sort();
  ut_msgman->print_msg("Sorted, %d elements:\n", list.count());
  list.printlist(0);

  UT_STREAM* out = ut_file.open(path, UT_WRITE, 1);
  if (!out) {
    std::fprintf(stderr, "list_demo: cannot write %s\n", path);
    list.freelist();
    return 1;
  }
  out->writelong(list.count());
  list.reset();
  while (void* e = list.getnext())
    out->writestring(static_cast<char*>(e));
  long written = out->getfoffset();
  ut_file.close(out);
  list.freelist();

  UT_STREAM* in = ut_file.open(path, UT_READ, 0);
  if (!in) {
    std::fprintf(stderr, "list_demo: cannot read %s\n", path);
    return 1;
  }
  long n = in->readlong();
  ut_msgman->print_msg("Read back %ld names from %s (%ld bytes):\n", n, path, written);
  char buf[64];
  for (long i = 0; i < n && !in->geteof(); ++i) {
    in->readstring(buf, sizeof buf - 1);
    ut_msgman->print_msg("  %s\n", buf);
  }
  ut_file.close(in);
  std::remove(path);
  return 0;
}
