// One short use of each family of the library; the README quotes these functions.
#include "Utilities.h"

#include <cstdio>
#include <cstring>

static void memory() {
  UT_FASTMEM pool(32, 1024, "records"); // 32-byte elements, 1024 per block
  void* a = pool.getnewptr();
  void* b = pool.getnewptr();
  pool.kor_free(a);
  pool.kor_free(b);
  UT_SM_SMALLMEM small(16, 0, "pairs", 4000); // 16-byte objects in 4000-byte chunks
  void* p = small.getmem();
  small.relmem(p);
}

static void containers() {
  UT_LIST list;
  int values[] = {3, 1, 2};
  for (int& v : values)
    list.append(&v);
  list.reset();
  while (int* v = static_cast<int*>(list.getnext()))
    std::printf("list element %d\n", *v);

  int* data = nullptr; // the array publishes its storage here
  UT_DARRAY array(reinterpret_cast<void**>(&data), sizeof(int), 10, 1);
  for (int i = 0; i < 100; ++i)
    *static_cast<int*>(array.getaddr(i)) = i * i; // grows as indices pass the end
  std::printf("array[99] = %d\n", data[99]);
}

static void names() {
  UT_NCH_CACHE cache(0);
  UT_NCH_NAME* clk = cache.add("clk", 1);
  UT_NCH_NAME* again = cache.add("clk", 1); // the same object, rcnt now 2
  std::printf("interned once: %s, rcnt %d\n", clk == again ? "yes" : "no", clk->rcnt);
  clk->delete_refs(2);
  cache.clean(); // frees the names nobody refers to
}

static void files(const char* path) {
  UT_IFILE out;
  out.create(path);
  char name[] = "netlist";
  UT_STREAM* s = out.putdataseg(name, 1, 0);
  s->writestring("LUT4 O=A0*A1");
  out.enddataseg();
  out.unload(); // writes the header and the directory

  UT_IFILE in;
  in.load(path);
  char text[64];
  if (UT_STREAM* r = in.getdataseg(name, -1, nullptr)) {
    r->readstring(text, sizeof text - 1);
    std::printf("segment netlist: %s\n", text);
    in.enddataseg();
  }
  in.unload();
  std::remove(path);
}

static void equations() {
  const char* lines[] = {"A0", "A1"};
  UT_EQUATE eq(0);
  char* out = nullptr;
  if (eq.gen_hex("O = A0*A1", lines, 2, "O", out) == 1)
    std::printf("INIT of A0*A1: %s\n", out); // 8
  if (eq.gen_equatestr("6", lines, 2, "O", out) == 1)
    std::printf("equation of 6: %s\n", out); // O = A0*~A1 + ~A0*A1
}

static void time_stamps() {
  UT_TIMESTAMP then(0L);
  UT_TIMESTAMP now;
  std::printf("epoch: %s", then.get_timestamp_string());
  std::printf("seconds since: %ld\n", now.compare_time(&then));
}

int main() {
  memory();
  containers();
  names();
  files("tour.if");
  equations();
  time_stamps();
  return 0;
}
