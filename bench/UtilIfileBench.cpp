// UT_IFILE against stdio: a thousand 64 KiB segments written into one file and read back,
// with the file cache on and off; the peer writes and reads the same bytes with
// fwrite/fread. The segment bytes go through the stream's bulk write and read, as the
// peer's do through fwrite and fread, and are checked on reading. Growth rows time the
// lookups by name and by position at n and 16n segments.
#include "BenchPairs.h"

#include "Utilities.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const int kSegments = 1000;
const int kWords = 64 * 1024 / 4;

// A scratch file path in the temporary directory, removed when the suite ends.
struct Scratch {
  std::string path;
  Scratch() {
    const char *dir = std::getenv("TMPDIR");
    path = std::string(dir ? dir : "/tmp") + "/ut_ifile_bench_" + std::to_string(getpid());
  }
  ~Scratch() { std::remove(path.c_str()); }
};

const Scratch &scratch() {
  static Scratch s;
  return s;
}

// The segment contents: word w of segment s.
std::vector<std::uint32_t> segment_words(int s) {
  std::vector<std::uint32_t> w(kWords);
  for (int i = 0; i < kWords; ++i)
    w[i] = static_cast<std::uint32_t>(s) * 2654435761u + static_cast<std::uint32_t>(i);
  return w;
}

void write_ours(const char *path, unsigned char cache, const std::vector<std::uint32_t> &words) {
  UT_IFILE f;
  f.setfilecache(cache);
  f.create(path);
  char name[32];
  std::vector<std::uint32_t> seg(kWords);
  for (int s = 0; s < kSegments; ++s) {
    std::snprintf(name, sizeof name, "seg%d", s);
    UT_STREAM *st = f.putdataseg(name, 1, s);
    for (int i = 0; i < kWords; ++i)
      seg[i] = words[i] + static_cast<std::uint32_t>(s);
    st->write(seg.data(), kWords * 4);
    f.enddataseg();
  }
  f.unload();
}

void IfileWrite(benchmark::State &state) {
  const std::vector<std::uint32_t> words = segment_words(0);
  for (auto _ : state)
    write_ours(scratch().path.c_str(), static_cast<unsigned char>(state.range(0)), words);
}

void IfileRead(benchmark::State &state) {
  const std::vector<std::uint32_t> words = segment_words(0);
  unsigned char cache = static_cast<unsigned char>(state.range(0));
  write_ours(scratch().path.c_str(), cache, words);
  char name[32];
  std::vector<std::uint32_t> seg(kWords);
  for (auto _ : state) {
    UT_IFILE f;
    f.setfilecache(cache);
    f.load(scratch().path.c_str());
    long bad = 0;
    for (int s = 0; s < kSegments; ++s) {
      std::snprintf(name, sizeof name, "seg%d", s);
      UT_STREAM *st = f.getdataseg(name, 1, nullptr);
      if (st->read(seg.data(), kWords * 4) != kWords * 4)
        ++bad;
      for (int i = 0; i < kWords; ++i)
        bad += seg[i] != words[i] + static_cast<std::uint32_t>(s);
      f.enddataseg();
    }
    f.unload();
    if (bad)
      state.SkipWithError("segment bytes differ");
  }
}

// The same bytes: one fwrite per segment of the segment's words, a directory of the same
// entries at the end and the header rewritten, as a user of stdio would lay it out.
void StdioWrite(benchmark::State &state) {
  const std::vector<std::uint32_t> words = segment_words(0);
  std::vector<std::uint32_t> seg(kWords);
  for (auto _ : state) {
    std::FILE *f = std::fopen(scratch().path.c_str(), "wb");
    char header[128] = {2};
    std::fwrite(header, 1, sizeof header, f);
    std::vector<long> offsets;
    for (int s = 0; s < kSegments; ++s) {
      offsets.push_back(std::ftell(f));
      for (int i = 0; i < kWords; ++i)
        seg[i] = words[i] + static_cast<std::uint32_t>(s);
      std::fwrite(seg.data(), 4, kWords, f);
    }
    for (int s = 0; s < kSegments; ++s) {
      char name[32];
      int n = std::snprintf(name, sizeof name, "seg%d", s);
      std::uint32_t entry[5] = {static_cast<std::uint32_t>(n),
                                static_cast<std::uint32_t>(offsets[s]), kWords * 4, 1,
                                static_cast<std::uint32_t>(s)};
      std::fwrite(&entry[0], 4, 1, f);
      std::fwrite(name, 1, static_cast<std::size_t>(n), f);
      std::fwrite(&entry[1], 4, 4, f);
    }
    std::fseek(f, 0, SEEK_SET);
    std::fwrite(header, 1, 10, f);
    std::fclose(f);
  }
}

void StdioRead(benchmark::State &state) {
  const std::vector<std::uint32_t> words = segment_words(0);
  write_ours(scratch().path.c_str(), 1, words);
  std::vector<std::uint32_t> seg(kWords);
  for (auto _ : state) {
    std::FILE *f = std::fopen(scratch().path.c_str(), "rb");
    long bad = 0;
    for (int s = 0; s < kSegments; ++s) {
      std::fseek(f, 128 + static_cast<long>(s) * kWords * 4, SEEK_SET);
      if (std::fread(seg.data(), 4, kWords, f) != static_cast<std::size_t>(kWords))
        ++bad;
      for (int i = 0; i < kWords; ++i)
        bad += seg[i] != words[i] + static_cast<std::uint32_t>(s);
    }
    std::fclose(f);
    if (bad)
      state.SkipWithError("segment bytes differ");
  }
}

// The platform stream alone, writing and reading the same values into a plain file: what
// the indexed file adds on top of it is the difference.
void StreamWrite(benchmark::State &state) {
  const std::vector<std::uint32_t> words = segment_words(0);
  for (auto _ : state) {
    UT_STREAM *st = ut_file.open(scratch().path.c_str(), UT_WRITE, 1);
    std::vector<std::uint32_t> seg(kWords);
    for (int s = 0; s < kSegments; ++s) {
      for (int i = 0; i < kWords; ++i)
        seg[i] = words[i] + static_cast<std::uint32_t>(s);
      st->write(seg.data(), kWords * 4);
    }
    ut_file.close(st);
  }
}

void StreamRead(benchmark::State &state) {
  const std::vector<std::uint32_t> words = segment_words(0);
  write_ours(scratch().path.c_str(), 1, words);
  for (auto _ : state) {
    UT_STREAM *st = ut_file.open(scratch().path.c_str(), UT_READ, 0);
    st->setfoffset(128);
    long bad = 0;
    std::vector<std::uint32_t> seg(kWords);
    for (int s = 0; s < kSegments; ++s) {
      if (st->read(seg.data(), kWords * 4) != kWords * 4)
        ++bad;
      for (int i = 0; i < kWords; ++i)
        bad += seg[i] != words[i] + static_cast<std::uint32_t>(s);
    }
    ut_file.close(st);
    if (bad)
      state.SkipWithError("stream bytes differ");
  }
}

// Growth: one-byte segments by name, and the lookups over all of them, at n and at 16n
// segments. Each row sets the time at 16n against the time at n: a ratio of at most 32
// means the time per segment grows at most twofold over that range.
const int kGrowthSmall = 2000;
const int kGrowthLarge = 16 * kGrowthSmall; // within the 32,760 entries a file holds

std::string growth_path(int n) { return scratch().path + "_growth_" + std::to_string(n); }

void write_onebyte(const std::string &path, int n) {
  UT_IFILE f;
  f.create(path.c_str());
  char name[32];
  for (int s = 0; s < n; ++s) {
    std::snprintf(name, sizeof name, "seg%d", s);
    f.putdataseg(name, 1, s)->writebyte(static_cast<unsigned char>(s));
    f.enddataseg();
  }
  f.unload();
}

void IfilePutByName(benchmark::State &state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state)
    write_onebyte(growth_path(n), n);
  std::remove(growth_path(n).c_str());
}

// A file of n one-byte segments, written and loaded for the lookups; removed at the end.
struct GrowthFile {
  const int n;
  UT_IFILE f;
  explicit GrowthFile(int segments) : n(segments) {
    write_onebyte(growth_path(n), n);
    f.load(growth_path(n).c_str());
  }
  ~GrowthFile() {
    f.unload();
    std::remove(growth_path(n).c_str());
  }
};

void IfileGetByName(benchmark::State &state) {
  GrowthFile g(static_cast<int>(state.range(0)));
  char name[32];
  for (auto _ : state) {
    long sum = 0;
    for (int s = 0; s < g.n; ++s) {
      std::snprintf(name, sizeof name, "seg%d", s);
      sum += g.f.getdataseg(name, -1, nullptr)->readbyte();
      g.f.enddataseg();
    }
    benchmark::DoNotOptimize(sum);
  }
}

void IfileInfoByIndex(benchmark::State &state) {
  GrowthFile g(static_cast<int>(state.range(0)));
  UT_IFILESEGINFO info;
  for (auto _ : state) {
    long sum = 0;
    for (long i = 0; i < g.n; ++i)
      sum += g.f.getseginfo(i, info) + info.getdata();
    benchmark::DoNotOptimize(sum);
  }
}

} // namespace

UT_BENCH(IfilePutByName)->Arg(kGrowthSmall)->Arg(kGrowthLarge);
UT_BENCH(IfileGetByName)->Arg(kGrowthSmall)->Arg(kGrowthLarge);
UT_BENCH(IfileInfoByIndex)->Arg(kGrowthSmall)->Arg(kGrowthLarge);

UT_BENCH_ROW("`UT_IFILE` putdataseg by name, 16n vs n (growth)",
             "32,000 vs 2,000 one-byte segments, written and unloaded", "IfilePutByName/32000",
             "IfilePutByName/2000", 32);
UT_BENCH_ROW("`UT_IFILE` getdataseg by name, 16n vs n (growth)",
             "every one of 32,000 vs 2,000 segments", "IfileGetByName/32000", "IfileGetByName/2000",
             32);
UT_BENCH_ROW("`UT_IFILE` getseginfo by index, 16n vs n (growth)",
             "every one of 32,000 vs 2,000 entries", "IfileInfoByIndex/32000",
             "IfileInfoByIndex/2000", 32);

UT_BENCH(StreamWrite);
UT_BENCH(StreamRead);
UT_BENCH(IfileWrite)->Arg(1)->Arg(0);
UT_BENCH(StdioWrite);
UT_BENCH(IfileRead)->Arg(1)->Arg(0);
UT_BENCH(StdioRead);

UT_BENCH_ROW("`UT_IFILE` write vs `fwrite`, file cache on", "1,000 segments of 64 KiB",
             "IfileWrite/1", "StdioWrite", 1.25);
UT_BENCH_ROW("`UT_IFILE` write vs `fwrite`, file cache off", "1,000 segments of 64 KiB",
             "IfileWrite/0", "StdioWrite", 1.25);
UT_BENCH_ROW("`UT_IFILE` read vs `fread`, file cache on", "1,000 segments of 64 KiB", "IfileRead/1",
             "StdioRead", 1.25);
UT_BENCH_ROW("`UT_IFILE` read vs `fread`, file cache off", "1,000 segments of 64 KiB",
             "IfileRead/0", "StdioRead", 1.25);
UT_BENCH_ROW("`UT_IFILE` write vs the bare platform stream (information)",
             "the same 64 MB, file cache on", "IfileWrite/1", "StreamWrite", 0);
UT_BENCH_ROW("`UT_IFILE` read vs the bare platform stream (information)",
             "the same 64 MB, file cache on", "IfileRead/1", "StreamRead", 0);
