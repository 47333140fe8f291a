// Writes the seed corpora of the fuzz targets with the library itself:
// make_corpus <corpus folder>. Each target's seeds go to <folder>/<target>/.
#include "Utilities.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

std::string gv_root;

std::string dir(const char* target) {
  std::string d = gv_root + "/" + target;
  mkdir(d.c_str(), 0755);
  return d;
}

// A stream seed: two control bytes (limit, buffer size), then what the stream wrote.
void streams_seeds() {
  std::string d = dir("streams");
  std::string body = d + "/body.tmp";
  UT_STREAM* s = ut_file.open(body.c_str(), UT_WRITE, 1);
  if (!s)
    return;
  s->writestring("first text");
  s->writelong(42);
  *s << "a line of text\r\n" << "second line\n" << 12345L << "\n";
  s->writestring("");
  s->writestring("last");
  ut_file.close(s);
  const unsigned char heads[][2] = {{16, 4}, {3, 1}, {63, 31}};
  for (int i = 0; i < 3; ++i) {
    std::FILE* in = std::fopen(body.c_str(), "rb");
    std::string out = d + "/seed" + std::to_string(i);
    std::FILE* f = std::fopen(out.c_str(), "wb");
    std::fwrite(heads[i], 1, 2, f);
    int c;
    while ((c = std::fgetc(in)) != EOF)
      std::fputc(c, f);
    std::fclose(f);
    std::fclose(in);
  }
  std::remove(body.c_str());
}

} // namespace

int main(int argc, char** argv) {
  gv_root = argc > 1 ? argv[1] : "fuzz/corpus";
  mkdir(gv_root.c_str(), 0755);
  streams_seeds();
  return 0;
}
