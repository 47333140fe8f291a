// Writes the seed corpora of the fuzz targets with the library itself:
// make_corpus <corpus folder>. Each target's seeds go to <folder>/<target>/.
#include "Utilities.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

std::string gv_root;

std::string dir(const char *target) {
  std::string d = gv_root + "/" + target;
  mkdir(d.c_str(), 0755);
  return d;
}

// A stream seed: two control bytes (limit, buffer size), then what the stream wrote.
void streams_seeds() {
  std::string d = dir("streams");
  std::string body = d + "/body.tmp";
  UT_STREAM *s = ut_file.open(body.c_str(), UT_WRITE, 1);
  if (!s)
    return;
  s->writestring("first text");
  s->writelong(42);
  *s << "a line of text\r\n"
     << "second line\n"
     << 12345L << "\n";
  s->writestring("");
  s->writestring("last");
  ut_file.close(s);
  const unsigned char heads[][2] = {{16, 4}, {3, 1}, {63, 31}};
  for (int i = 0; i < 3; ++i) {
    std::FILE *in = std::fopen(body.c_str(), "rb");
    std::string out = d + "/seed" + std::to_string(i);
    std::FILE *f = std::fopen(out.c_str(), "wb");
    std::fwrite(heads[i], 1, 2, f);
    int c;
    while ((c = std::fgetc(in)) != EOF)
      std::fputc(c, f);
    std::fclose(f);
    std::fclose(in);
  }
  std::remove(body.c_str());
}

// A seed file made of a head of control bytes and a body.
void write_seed(const std::string &path, const std::string &head, const std::string &body) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f)
    return;
  std::fwrite(head.data(), 1, head.size(), f);
  std::fwrite(body.data(), 1, body.size(), f);
  std::fclose(f);
}

// An equation seed: one byte for the line count, then a text. The texts are equations and
// INIT values that the converters themselves produce, in both conventions.
void equations_seeds() {
  std::string d = dir("equations");
  const char *names[] = {"A0", "A1", "A2", "A3", "A4", "A5"};
  const struct {
    const char *init;
    long nlines;
  } values[] = {{"8", 2},    {"6", 2},        {"E8", 3}, {"1", 3},
                {"8001", 4}, {"FFFF0000", 5}, {"0", 5},  {"123456789ABCDEF0", 6}};
  int n = 0;
  for (const auto &v : values) {
    for (unsigned char assignform = 0; assignform < 2; ++assignform) {
      UT_EQUATE eq(assignform);
      char *out = nullptr;
      if (eq.gen_equatestr(v.init, names, v.nlines, "O", out) > UT_EQ_WARNING || !out)
        continue;
      const std::string equation = out;
      const std::string head(1, static_cast<char>(v.nlines));
      write_seed(d + "/eq" + std::to_string(n++), head, equation);
      if (v.nlines <= 5 && eq.gen_hex(equation.c_str(), names, v.nlines, "INIT", out) == UT_EQ_OK)
        write_seed(d + "/eq" + std::to_string(n++), head, out);
    }
  }
  // Texts the reader has to take apart: grouping, inversion, every operator.
  const char *texts[] = {"O = ~(A0*A1)@(A2+~~A3)*1", "O=((A0+A1)*(A2@A3))+~A4*0", "INIT=0x1F"};
  for (const char *t : texts)
    write_seed(d + "/eq" + std::to_string(n++), std::string(1, 5), t);
}

// Indexed files written by UT_IFILE: empty, a few segments, a segment written twice.
void ifile_seeds() {
  std::string d = dir("ifile");
  const struct {
    const char *file;
    const char *segs[4];
  } files[] = {{"empty", {}},
               {"two", {"alpha", "beta"}},
               {"rewritten", {"alpha", "", "alpha", "a segment with a longer name"}}};
  for (const auto &f : files) {
    UT_IFILE file;
    const std::string path = d + "/" + f.file;
    if (!file.create(path.c_str()))
      continue;
    file.setdataversion(3);
    file.setdatarevision(1);
    for (int i = 0; i < 4 && f.segs[i]; ++i) {
      UT_STREAM *s = file.putdataseg(const_cast<char *>(f.segs[i]), i, 100 + i);
      if (!s)
        continue;
      for (int k = 0; k <= 5 * i; ++k)
        s->writebyte(static_cast<unsigned char>('a' + k));
      s->writestring(f.segs[i]);
      file.enddataseg();
    }
    file.unload();
  }
}

// The date part of an install line for calendar time t, from the library's own time text
// ("Wed Jun 30 21:49:08 1993"),
// with a zone put before the year.
std::string install_date(long t) {
  // The fields of the install file stand one blank apart: "Jul  1" becomes "Jul 1".
  std::string text;
  for (const char *c = UT_TIME::AscTime(UT_TIME::LocalTime(&t)); *c && *c != '\n'; ++c)
    if (*c != ' ' || (!text.empty() && text.back() != ' '))
      text += *c;
  const size_t year = text.rfind(' ');
  return year == std::string::npos ? text : text.substr(0, year) + " UTC" + text.substr(year);
}

// An install seed: one byte with the length of a query date, the date, then the file.
void version_seeds() {
  std::string d = dir("version");
  const long times[] = {741476948L, 930787200L, 1700000000L};
  std::string lines[3];
  for (int i = 0; i < 3; ++i) {
    const std::string date = install_date(times[i]);
    // Only dates the reader converts back to their time make seeds.
    if (Util_Version_Time::Convert(date.c_str(), -1) != times[i])
      return;
    lines[i] = date;
  }
  const std::string file = lines[1] + "::version=2.0\n" + lines[0] + "::version= 1.0 \n" +
                           lines[0] + "::summary= first \n" + lines[0] + "::summary=second\n" +
                           lines[2] + "::build=42\n" + lines[2] + "::=no key\nno date line\n";
  for (int i = 0; i < 3; ++i)
    write_seed(d + "/seed" + std::to_string(i), std::string(1, static_cast<char>(lines[i].size())),
               lines[i] + file);
  write_seed(d + "/nodate", std::string(1, '\0'), file);
}

// Pointer-file seeds as the name cache writes them: name data, then records of linked
// objects (identity, next, name) that refer to the names, then marked names alone.
void ptrfile_seeds() {
  std::string d = dir("ptrfile");
  const char *texts[][5] = {{"ant", "bee", "cat", nullptr},
                            {"", "seven77", "a long name text", "eightchr", "x"},
                            {nullptr}};
  for (int i = 0; i < 3; ++i) {
    UT_NCH_CACHE cache(0);
    std::vector<UT_NCH_NAME *> names;
    for (int k = 0; k < 5 && texts[i][k]; ++k)
      names.push_back(cache.add(texts[i][k], k + 1));
    const std::string path = d + "/seed" + std::to_string(i);
    UT_PTRFILE out(UT_WRITE);
    if (!out.open(path.c_str(), 1))
      continue;
    cache.write(&out, 0);
    struct Obj {
      Obj *next;
      UT_NCH_NAME *name;
    } objs[3];
    for (int k = 0; k < 3; ++k) {
      objs[k].next = k < 2 ? &objs[k + 1] : nullptr;
      objs[k].name = names.empty() ? nullptr : names[k % names.size()];
      out.writeptr(&objs[k]);
      out.writeptr(objs[k].next);
      out.writeptr(objs[k].name);
    }
    if (!names.empty())
      names.back()->mcnt = 1;
    cache.write(&out, 1);
    out.close();
  }
}

} // namespace

int main(int argc, char **argv) {
  gv_root = argc > 1 ? argv[1] : "fuzz/corpus";
  setenv("TZ", "UTC", 1); // the same seeds on every machine
  tzset();
  mkdir(gv_root.c_str(), 0755);
  streams_seeds();
  equations_seeds();
  ifile_seeds();
  version_seeds();
  ptrfile_seeds();
  return 0;
}
