// Write-failure sweep: an indexed file, and name data with pointers in a pointer file,
// are written with the n-th low-level write, flush or close failing (once, or that one and
// every one after it), for n = 0, 1, 2, ... until a run meets no failure. Each run either
// reports a failure through a result (and, in the library, a report), or leaves the file
// byte for byte as a run without failures writes it. Nothing in between.
#include "Utilities.h"

#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// Writes the file at path and returns whether every step said it succeeded.
using Writer = std::function<bool(const std::string &path)>;

// Runs the writer under every failure point; returns how many low-level operations the
// clean run needs (the first n at which nothing fails).
long sweep(const Writer &write, const char *what) {
  TempDir dir;
  const std::string reference = dir.file("reference"), path = dir.file("swept");
  EXPECT_TRUE(write(reference)) << what << " without failures";
  const std::string expected = read_file_bytes(reference);
  long clean = -1;
  for (int every : {0, 1}) {
    for (long n = 0; n < 100000; ++n) {
      RecordingMsgman rec;
      kor_io_fail_after(n, every);
      bool done = write(path);
      kor_io_fail_after(-1);
      if (!done)
        continue;
      EXPECT_EQ(read_file_bytes(path), expected)
          << what << ": a failure went unreported at n=" << n << ", every=" << every;
      EXPECT_TRUE(rec.problems().empty()) << what << ", n=" << n;
      clean = n;
      break;
    }
  }
  return clean;
}

// Segments of a few bytes and of more than a stream buffer, one of them rewritten.
bool write_ifile(const std::string &path, unsigned char cache) {
  RecordingMsgman rec;
  UT_IFILE f;
  f.setfilecache(cache);
  bool ok = f.create(path.c_str()) == 1;
  const std::size_t sizes[] = {5, 9000, 0, 300, 7};
  for (int i = 0; i < 5; ++i) {
    std::string name = "s" + std::to_string(i % 4), data(sizes[i], '\0'); // s0 twice
    for (std::size_t k = 0; k < data.size(); ++k)
      data[k] = static_cast<char>(k * 31 + i);
    UT_STREAM *s = f.putdataseg(&name[0], i, -i);
    if (s && i == 1) // in one block, the others byte by byte
      s->write(data.data(), static_cast<int>(data.size()));
    for (std::size_t k = 0; s && i != 1 && k < data.size(); ++k)
      s->writebyte(static_cast<unsigned char>(data[k]));
    ok = s && f.enddataseg() == 1 && ok;
  }
  f.setdataversion(3);
  ok = f.unload() == 1 && ok;
  // A failure comes with a report from the file.
  EXPECT_EQ(ok, rec.problems().empty()) << (rec.problems().empty() ? "" : rec.problems()[0].text);
  return ok;
}

} // namespace

TEST(IoFailure, AnIndexedFileEitherReportsTheFailedWriteOrIsWhole) {
  for (unsigned char cache : {1, 0})
    EXPECT_GT(sweep([cache](const std::string &p) { return write_ifile(p, cache); },
                    cache ? "indexed file, cache on" : "indexed file, cache off"),
              3);
  // A device that takes no byte at all.
  RecordingMsgman rec;
  UT_IFILE full;
  if (full.create("/dev/full") == 1) // the header is flushed at once with the cache on
    ADD_FAILURE() << "create on /dev/full";
  EXPECT_EQ(full.unload(), 0);
  ASSERT_EQ(rec.problems().size(), 2u);
  EXPECT_EQ(rec.problems()[0].text, "Unable to write file \"/dev/full\".\n");
}

TEST(IoFailure, NameDataAndPointersEitherReportTheFailedWriteOrAreWhole) {
  UT_NCH_CACHE names(0);
  for (int i = 0; i < 600; ++i)
    names.add(("name number " + std::to_string(i)).c_str(), i % 3);
  auto write = [&names](const std::string &path) {
    RecordingMsgman rec;
    UT_PTRFILE out(UT_WRITE);
    if (!out.open(path.c_str(), 1))
      return false;
    bool ok = names.write(&out, 0) == 1;
    // Pointers to names held elsewhere in the same file.
    for (int i = 0; i < 600; i += 7)
      ok = out.writeptr(names.find(("name number " + std::to_string(i)).c_str())) && ok;
    ok = out.close() == 1 && ok;
    return ok;
  };
  EXPECT_GT(sweep(write, "name data"), 3);
}
