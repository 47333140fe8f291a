// Streams on hostile bytes: readstring and readline with limits taken from the input,
// interleaved with value reads and seeks, never write past their buffers.
#include "Utilities.h"

#include "fuzz_support.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2)
    return 0;
  static QuietMsgman quiet;
  static const std::string file = ScratchDir::get().file("input.stream");
  const char *path = file.c_str();
  if (!write_bytes(file, data + 2, size - 2))
    return 0;

  int limit = data[0] % 64;
  int bufsize = 1 + data[1] % 32;
  UT_STREAM in(UT_READ, bufsize, ut_useddefaultfman);
  if (in.open(path, 0)) {
    std::vector<char> buf(static_cast<size_t>(limit) + 1);
    for (int i = 0; i < 1000 && !in.geteof(); ++i) {
      int n = (i % 3 == 0) ? in.readline(buf.data(), limit) : in.readstring(buf.data(), limit);
      if (n < 0 || n > limit || buf[static_cast<size_t>(n)] != '\0')
        __builtin_trap();
      if (i % 5 == 4)
        in.setfoffset(in.getfoffset() - 1);
      (void)in.readshort();
    }
  }
  return 0;
}
