// Install record files of hostile bytes: the input becomes "fileset.txt" in the directory
// that KORVAL names, and values are looked up by key, with and without a date. Input: one
// byte giving the length of the query date (0 to 63), the date, then the file.
#include "Utilities.h"

#include "fuzz_support.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <sys/stat.h>

namespace {
void check(bool ok) {
  if (!ok)
    __builtin_trap();
}

// Two directories used in turn: the file's path changes with every input, so every input
// is loaded afresh whatever the file times say.
std::string next_dir() {
  static int turn = 0;
  const std::string dir = ScratchDir::get().path() + (turn++ % 2 ? "/b" : "/a");
  mkdir(dir.c_str(), 0700);
  return dir;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  static QuietMsgman quiet;
  size_t datelen = data[0] % 64;
  if (datelen > size - 1)
    datelen = size - 1;
  const std::string date(reinterpret_cast<const char *>(data + 1), datelen);
  const std::string dir = next_dir();
  const std::string path = dir + "/fileset.txt";
  if (!write_bytes(path, data + 1 + datelen, size - 1 - datelen))
    return 0;
  unsetenv("MYKORVAL");
  setenv("KORVAL", dir.c_str(), 1);
  for (const char *key : {"summary", "version", "build", "k", ""}) {
    for (const char *when : {static_cast<const char *>(nullptr), date.c_str()}) {
      const char *value = Util_Version::GetValue(key, when);
      // A value is a whole text owned by the table; a summary always ends its line.
      if (value && std::strcmp(key, "summary") == 0)
        check(std::strlen(value) > 0 && value[std::strlen(value) - 1] == '\n');
    }
  }
  (void)Util_Version_Time::Convert(date.c_str(), -1);
  return 0;
}
