// Install record files of hostile bytes: loading them and querying keys and dates never
// reads or writes out of bounds. The input's first byte splits off a query date.
#include "Utilities.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  size_t datelen = data[0] % 64;
  if (datelen > size - 1)
    datelen = size - 1;
  std::string date(reinterpret_cast<const char *>(data + 1), datelen);
  char dir[] = "/tmp/ut_fuzz_versionXXXXXX";
  if (!mkdtemp(dir))
    return 0;
  std::string path = std::string(dir) + "/fileset.txt";
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (f) {
    std::fwrite(data + 1 + datelen, 1, size - 1 - datelen, f);
    std::fclose(f);
  }
  setenv("KORVAL", dir, 1); // a new directory each run, so every run loads its file
  for (const char *key : {"summary", "version", "k", ""}) {
    Util_Version::GetValue(key, nullptr);
    Util_Version::GetValue(key, date.c_str());
  }
  Util_Version_Time::Convert(date.c_str(), -1);
  unlink(path.c_str());
  rmdir(dir);
  return 0;
}
