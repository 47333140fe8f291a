// Pointer files on hostile bytes: name data merged into a normal cache, then records of
// objects whose pointer fields are fixed up, the scan for fields left waiting and a second
// block of name data; the same file offered to a pointer-only cache. Both caches are then
// cleaned and flushed. Nothing may crash, overrun or leak, and the cache must stay in text
// order.
#include "Utilities.h"

#include "fuzz_support.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Obj {
  Obj *next;
  UT_NCH_NAME *name;
};

// Silent, except that a cache found out of text order stops the run.
class OrderGuard : public QuietMsgman {
public:
  void numbered_msg(int number, const char *, ...) override {
    if (number == 69)
      __builtin_trap();
  }
};

void read_objects(UT_PTRFILE &in) {
  std::vector<Obj> objs(16);
  for (Obj &o : objs) {
    void *id = nullptr;
    void *p = nullptr;
    if (!in.readptr(id))
      break;
    in.registerptr(id, &o);
    in.readptr(p);
    o.next = static_cast<Obj *>(p);
    in.fixptr(reinterpret_cast<void **>(&o.next));
    in.readptr(p);
    o.name = static_cast<UT_NCH_NAME *>(p);
    in.fixptr(reinterpret_cast<void **>(&o.name));
  }
  for (int i = 0; i < 64 && in.checkptrs(); ++i)
    ;
  in.flush_fixtable();
}

void read_into(const char *path, unsigned char pointer_only) {
  UT_NCH_CACHE cache(pointer_only);
  UT_PTRFILE in(UT_READ);
  if (in.open(path, 0)) {
    cache.read(&in);
    read_objects(in);
    cache.read(&in); // a second block of name data, merged into the first
  }
  nch_check_cache(&cache);
  cache.clean();
  nch_check_cache(&cache);
  cache.flush();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static OrderGuard guard;
  static const std::string path = ScratchDir::get().file("input.ptr");
  if (!write_bytes(path, data, size))
    return 0;
  // Every other input packs long names into the small 256-byte pools, so that pool
  // boundaries and pools of a single name are met often.
  if (size % 2)
    setenv("UT_NCH_SMOKETEST", "1", 1);
  else
    unsetenv("UT_NCH_SMOKETEST");
  read_into(path.c_str(), 0);
  read_into(path.c_str(), 1);
  return 0;
}
