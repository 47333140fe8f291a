// Shared by the fuzz targets: a message manager that swallows reports (the default one
// writes every report to standard error, which would slow the run and bury findings)
// and a helper that writes an input to a temporary file.
#ifndef FUZZ_SUPPORT_H
#define FUZZ_SUPPORT_H

#include "Portability.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ftw.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>

class QuietMsgman : public UT_MSGMAN {
public:
  QuietMsgman() : previous_(ut_msgman) { ut_msgman = this; }
  ~QuietMsgman() override { ut_msgman = previous_; }
  void print_msg(const char *, ...) override {}
  void note_msg(const char *, ...) override {}
  void warn_msg(const char *, ...) override {}
  void error_msg(const char *, ...) override {}
  void numbered_msg(int, const char *, ...) override {}

private:
  UT_MSGMAN *previous_;
};

// Writes size bytes to path (created or truncated); false when that fails.
inline bool write_bytes(const std::string &path, const uint8_t *data, size_t size) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f)
    return false;
  const bool done = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && done;
}

// A scratch directory for one fuzzing process, removed with all it holds when the process
// ends normally; file(name) gives a path inside it.
class ScratchDir {
public:
  static ScratchDir &get() {
    static ScratchDir dir;
    return dir;
  }
  const std::string &path() const { return path_; }
  std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
  // Memory-backed when possible: rewriting a file on disk for every input is slow.
  ScratchDir() {
    char shm[] = "/dev/shm/ut_fuzzXXXXXX";
    char tmp[] = "/tmp/ut_fuzzXXXXXX";
    if (mkdtemp(shm))
      path_ = shm;
    else if (mkdtemp(tmp))
      path_ = tmp;
  }
  ~ScratchDir() {
    if (!path_.empty())
      nftw(path_.c_str(), remove_entry, 8, FTW_DEPTH | FTW_PHYS);
  }
  static int remove_entry(const char *p, const struct stat *, int, struct FTW *) {
    return remove(p);
  }
  std::string path_;
};

#endif
