// Pointer files on hostile bytes: name data merged into a cache, then records of
// objects whose pointer fields are fixed up, then the scan for fields left waiting.
// Nothing may crash, overrun or leak, and the cache must stay in text order.
#include "Utilities.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

struct Obj {
  Obj *next;
  UT_NCH_NAME *name;
};

// Silent, except that a cache found out of text order stops the run.
class OrderGuard : public UT_MSGMAN {
public:
  void print_msg(const char *, ...) override {}
  void note_msg(const char *, ...) override {}
  void warn_msg(const char *, ...) override {}
  void error_msg(const char *, ...) override {}
  void numbered_msg(int number, const char *, ...) override {
    if (number == 69)
      __builtin_trap();
  }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  char path[] = "/tmp/ut_fuzz_ptrfileXXXXXX";
  int fd = mkstemp(path);
  if (fd < 0)
    return 0;
  std::FILE *f = fdopen(fd, "wb");
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  static OrderGuard guard;
  ut_msgman = &guard;
  UT_NCH_CACHE cache(0);
  UT_PTRFILE in(UT_READ);
  if (in.open(path, 0)) {
    cache.read(&in);
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
    cache.read(&in); // a second block of name data, merged into the first
  }
  nch_check_cache(&cache);
  cache.clean();
  cache.flush();
  unlink(path);
  return 0;
}
