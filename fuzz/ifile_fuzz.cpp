// Indexed files from outside: the input is written to a file and loaded, with the stream
// kept open and without; every segment is listed and read to its end.
#include "Utilities.h"

#include "fuzz_support.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {
void check(bool ok) {
  if (!ok)
    __builtin_trap();
}

void readall(const std::string &path, unsigned char filecache) {
  UT_IFILE file;
  file.setfilecache(filecache);
  if (!file.load(path.c_str())) {
    file.unload();
    return;
  }
  const short count = file.getnumsegs();
  check(count >= 0);
  UT_IFILESEGINFO info;
  std::vector<std::string> names;
  file.resetseginfo();
  while (file.getnextseginfo(info)) {
    check(info.getname() != nullptr);
    names.push_back(info.getname());
  }
  check(static_cast<long>(names.size()) == count);
  check(!file.getseginfo(static_cast<long>(count), info) && !file.getseginfo(-1L, info));
  // Positioning by index walks from the start each time: a few entries show it.
  for (short i = 0; i < count && i < 8; ++i)
    check(file.getseginfo(static_cast<long>(i), info) == 1 && names[i] == info.getname());
  for (const std::string &name : names) {
    UT_IFILESEGINFO seg;
    UT_STREAM *s = file.getdataseg(const_cast<char *>(name.c_str()), -1, &seg);
    check(s != nullptr && name == seg.getname());
    for (long left = seg.getsize(); left > 0 && !s->geteof(); --left)
      (void)s->readbyte();
    check(file.enddataseg() == 1);
  }
  check(file.unload() == 1);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static QuietMsgman quiet;
  static const std::string path = ScratchDir::get().file("input.idx");
  if (!write_bytes(path, data, size))
    return 0;
  readall(path, 1);
  readall(path, 0);
  return 0;
}
