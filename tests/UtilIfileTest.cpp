// Tests of the indexed segmented file: the byte layout it writes, round trips in both
// cache modes, its directory queries and reports, and damaged files handed to load.
#include "UtilIfile.h"
#include "RecordingMsgman.h"
#include "UtilIfileimp.h"

#include <gtest/gtest.h>

#include <new>
#include <random>
#include <string>
#include <tuple>

// Non-throwing allocations fail from the k-th on while gv_newfails is not -1: this
// definition takes the place of the standard one for the library loaded into this test
// (unless a memory checker replaces it in turn; the test then skips).
static long gv_newfails = -1;
void *operator new(std::size_t n, const std::nothrow_t &) noexcept {
  if (gv_newfails == 0)
    return nullptr;
  if (gv_newfails > 0)
    --gv_newfails;
  try {
    return ::operator new(n);
  } catch (...) {
    return nullptr;
  }
}

namespace {
std::string header(int version, int numsegs, long diroffset, int dv = 0, int dr = 0) {
  std::string h = le_bytes(version, 1) + le_bytes(0, 1) + le_bytes(dv, 1) + le_bytes(dr, 1) +
                  le_bytes(numsegs, 2) + le_bytes(diroffset);
  return h + std::string(128 - h.size(), '\0');
}
std::string dirent(const std::string &name, long off, long size, long type, long data) {
  return le_bytes(long(name.size())) + name + le_bytes(off) + le_bytes(size) + le_bytes(type) +
         le_bytes(data);
}
void putseg(UT_IFILE &f, const char *name, const std::string &bytes, long type = 1, long data = 0) {
  UT_STREAM *s = f.putdataseg(const_cast<char *>(name), type, data);
  ASSERT_NE(s, nullptr) << name;
  for (char c : bytes)
    s->writebyte(static_cast<unsigned char>(c));
  EXPECT_EQ(f.enddataseg(), 1);
}
std::string getseg(UT_IFILE &f, const std::string &name, long type = -1) {
  UT_IFILESEGINFO info;
  UT_STREAM *s = f.getdataseg(const_cast<char *>(name.c_str()), type, &info);
  std::string out = s ? "" : "<none>";
  for (long i = 0; s && i < info.getsize(); ++i)
    out += static_cast<char>(s->readbyte());
  if (s)
    f.enddataseg();
  return out;
}
char *cs(const char *s) { return const_cast<char *>(s); }
// An indexed file with the given cache mode, and a temporary directory for what it writes.
struct Scratch {
  TempDir dir;
  UT_IFILE f;
  explicit Scratch(unsigned char cache = 1) { f.setfilecache(cache); }
  int create(const char *name) { return f.create(dir.file(name).c_str()); }
  int load(const char *name) { return f.load(dir.file(name).c_str()); }
};
// The non-print reports as "kind text", after checking they all came from this unit.
std::vector<std::string> kinds(const RecordingMsgman &rec) {
  std::vector<std::string> out;
  for (const RecordedReport &r : rec.problems()) {
    EXPECT_TRUE(r.unit == "UtilIfileimp" && r.hadsetvars && r.revision == "$Revision: 1.1.2.1 $");
    std::string kind = r.kind == RecordedReport::Warn ? "warn " : "note ";
    out.push_back((r.kind == RecordedReport::Numbered ? std::to_string(r.number) + " " : kind) +
                  r.text);
  }
  return out;
}
} // namespace

TEST(UtilIfile, SegmentsLieBackToBackARewriteMovesOnlyTheOffsetAndOpenSegmentsFollowTheCache) {
  for (unsigned char cache : {1, 0}) {
    SCOPED_TRACE(cache ? "cache on" : "cache off");
    Scratch sc(cache);
    UT_IFILE &f = sc.f;
    EXPECT_EQ(f.enddataseg(), 0);
    ASSERT_EQ(sc.create("ab"), 1);
    putseg(f, "alpha", "0123456789", 1, 0);
    putseg(f, "beta", "abcde", 5, 6);
    EXPECT_EQ(f.enddataseg(), cache ? 1 : 0) << "second enddataseg";
    putseg(f, "alpha", "xyz", 8, -9); // new bytes at the end; the entry keeps its place
    f.unload();
    EXPECT_EQ(read_file_bytes(sc.dir.file("ab")), header(2, 2, 146) + "0123456789abcdexyz" +
                                                      dirent("alpha", 143, 3, 8, -9) +
                                                      dirent("beta", 138, 5, 5, 6));

    ASSERT_EQ(sc.create("c"), 1);
    putseg(f, "one", "1111");
    UT_STREAM *s = f.putdataseg(cs("two"), 0, 0);
    ASSERT_NE(s, nullptr);
    s->writebyte('2');
    UT_STREAM *t = f.putdataseg(cs("three"), 0, 0);
    EXPECT_EQ(t != nullptr, cache == 1) << "a second open segment is refused without the cache";
    if (t)
      t->writebyte('3');
    // The segment still open at unload is ended, not overwritten by the directory.
    EXPECT_EQ(f.unload(), 1);
    ASSERT_EQ(sc.load("c"), 1);
    EXPECT_EQ(getseg(f, "one") + "|" + getseg(f, "two") + "|" + getseg(f, "three"),
              cache ? "1111||3" : "1111|2|<none>");
  }
}

TEST(UtilIfile, ThousandRandomSegmentsRoundTripInBothCacheModes) {
  const unsigned seed = 20261206;
  std::mt19937 rng(seed);
  std::vector<std::string> data(1200);
  std::vector<long> types(data.size());
  for (std::size_t i = 0; i < data.size(); ++i) {
    data[i].resize(rng() % 300);
    for (char &c : data[i])
      c = static_cast<char>(rng());
    types[i] = static_cast<int32_t>(rng());
  }
  for (unsigned char cache : {1, 0}) {
    Scratch w(cache);
    ASSERT_EQ(w.create("r"), 1);
    for (std::size_t i = 0; i < data.size(); ++i)
      putseg(w.f, ("s" + std::to_string(i)).c_str(), data[i], types[i], long(i) - 600);
    ASSERT_EQ(w.f.unload(), 1);
    UT_IFILE r; // a fresh object: nothing is carried over from the writer
    r.setfilecache(cache);
    ASSERT_EQ(r.load(w.dir.file("r").c_str()), 1);
    ASSERT_EQ(r.getnumsegs(), short(data.size()));
    UT_IFILESEGINFO info;
    for (std::size_t i = 0; i < data.size(); ++i) {
      ASSERT_EQ(getseg(r, "s" + std::to_string(i), types[i]), data[i])
          << "seed " << seed << ", " << i;
      ASSERT_EQ(r.getnextseginfo(info), i + 1 < data.size()) << "directory order";
      EXPECT_EQ(info.getdata(), long(std::min(i + 1, data.size() - 1)) - 600);
    }
  }
}

// The cursor itself is followed by the model test at the end of this file.
TEST(UtilIfile, SegmentsAreRefusedInTheWrongModeAndAMissedQueryEmptiesOnlyTheName) {
  RecordingMsgman rec;
  Scratch sc;
  UT_IFILE &f = sc.f;
  ASSERT_EQ(sc.create("q"), 1);
  EXPECT_EQ(f.getdataseg(cs("a"), -1, nullptr), nullptr) << "getdataseg in write mode";
  putseg(f, "a", "1", 10, 100);
  putseg(f, "b", "22", 20, 200);
  EXPECT_EQ(f.putdataseg(nullptr, 0, 0), nullptr);
  ASSERT_EQ(f.unload(), 1);
  ASSERT_EQ(sc.load("q"), 1);
  EXPECT_EQ(f.putdataseg(cs("d"), 0, 0), nullptr) << "putdataseg in read mode";
  EXPECT_EQ(getseg(f, "b", 20) + getseg(f, "b", 21) + getseg(f, "z"), "22<none><none>");
  EXPECT_EQ(f.getdataseg(nullptr, -1, nullptr), nullptr);
  UT_IFILESEGINFO info;
  auto seen = [&info](int result) { // result, name, size, type, data
    return std::to_string(result) + " " + info.getname() + " " + std::to_string(info.getsize()) +
           " " + std::to_string(info.gettype()) + " " + std::to_string(info.getdata());
  };
  EXPECT_EQ(seen(f.getseginfo(1L, info)), "1 b 2 20 200");
  EXPECT_EQ(seen(f.getnextseginfo(info)), "0  2 20 200") << "past the end";
  EXPECT_EQ(seen(f.getseginfo(cs("a"), info)), "1 a 1 10 100");
  for (long bad : {-1L, 2L})
    EXPECT_EQ(seen(f.getseginfo(bad, info)), "0  1 10 100") << bad;
  EXPECT_EQ(seen(f.getseginfo(cs("none"), info)), "0  1 10 100");
  EXPECT_EQ(f.unload(), 1);
  EXPECT_TRUE(rec.problems().empty());
}

TEST(UtilIfile, TheWriterRefusesWhatItsReaderCannotGiveBackAndKeepsWhatWasWritten) {
  const std::string longest(256, 'n'), toolong(257, 'n');
  for (unsigned char cache : {1, 0}) {
    SCOPED_TRACE(cache ? "cache on" : "cache off");
    RecordingMsgman rec;
    Scratch sc(cache);
    UT_IFILE &f = sc.f;
    ASSERT_EQ(sc.create("w"), 1);
    putseg(f, "a", "AAA", 1, 2);
    EXPECT_EQ(f.putdataseg(cs(toolong.c_str()), 0, 0), nullptr);
    EXPECT_EQ(f.newfdir(cs(toolong.c_str()), 0, 0), nullptr);
    putseg(f, longest.c_str(), "N", INT32_MIN, INT32_MAX);
    EXPECT_EQ(f.putdataseg(cs("t"), 1L << 32, 0), nullptr);
    EXPECT_EQ(f.putdataseg(cs("a"), 0, INT32_MIN - 1L), nullptr);
    // Segments that end past 2^31 bytes (written sparse) or before their start: a new one
    // leaves the directory, a rewritten one keeps what it was, even when put twice.
    for (const char *name : {"a", "big", "back"}) {
      if (cache)
        f.putdataseg(cs(name), 8, 8);
      UT_STREAM *seg = f.putdataseg(cs(name), 7, 7);
      ASSERT_NE(seg, nullptr) << name;
      ASSERT_EQ(seg->setfoffset(name[1] == 'a' ? 100 : 1L << 31), 1);
      seg->writebyte('x');
      EXPECT_EQ(f.enddataseg(), 0) << name;
    }
    putseg(f, "b", "BB", 3, 4);
    ASSERT_EQ(f.unload(), 1);
    ASSERT_EQ(sc.load("w"), 1);
    EXPECT_EQ(f.getnumsegs(), 3);
    EXPECT_EQ(getseg(f, "a", 1) + getseg(f, longest, INT32_MIN) + getseg(f, "b", 3), "AAANBB");
    UT_IFILESEGINFO info;
    EXPECT_EQ(f.getseginfo(cs(longest.c_str()), info), 1);
    EXPECT_EQ(info.getdata(), INT32_MAX);
    EXPECT_EQ(f.getseginfo(2L, info) && info.getname() == std::string("b"), true)
        << "b lies right after N";
    f.unload();
    const std::string toolongname =
        "19 Segment name of 257 characters is longer than the limit of 256.\n";
    auto ends = [](const char *name, const char *at) {
      return "1 Segment \"" + std::string(name) + "\" refused: it ends at byte " + at +
             ", outside 132 to 2147483647.\n";
    };
    EXPECT_EQ(kinds(rec),
              (std::vector<std::string>{
                  toolongname, toolongname,
                  "19 Segment \"t\" refused: type 4294967296 and value 0 must fit in 32 bits.\n",
                  "19 Segment \"a\" refused: type 0 and value -2147483649 must fit in 32 bits.\n",
                  ends("a", "2147483649"), ends("big", "2147483649"), ends("back", "101")}));
  }

  // The 32,761st segment is refused; the 32,760 before it, and rewrites, are kept.
  RecordingMsgman rec;
  Scratch sc;
  UT_IFILE &f = sc.f;
  ASSERT_EQ(sc.create("many"), 1);
  for (int i = 0; i < 32759; ++i)
    ASSERT_NE(f.newfdir(cs("n"), 0, i), nullptr);
  putseg(f, "last", "L");
  EXPECT_EQ(f.putdataseg(cs("more"), 0, 0), nullptr);
  EXPECT_EQ(f.newfdir(cs("more"), 0, 0), nullptr);
  putseg(f, "last", "LL");
  ASSERT_EQ(f.unload(), 1);
  ASSERT_EQ(sc.load("many"), 1);
  EXPECT_EQ(f.getnumsegs(), 32760);
  EXPECT_EQ(getseg(f, "last"), "LL");
  EXPECT_EQ(kinds(rec),
            std::vector<std::string>(
                2, "1 Segment \"more\" refused: the file holds 32760 segments at most.\n"));
}

TEST(UtilIfile, EmptyFilesOpenFailuresVersionChecksAndFilesLeftOpenAreReported) {
  RecordingMsgman rec;
  TempDir dir;
  {
    UT_IFILE f;
    ASSERT_EQ(f.create(dir.file("e").c_str()), 1);
    f.setdataversion(7);
    f.setdatarevision(9);
    EXPECT_EQ(f.unload(), 1);
    EXPECT_EQ(read_file_bytes(dir.file("e")), header(2, 0, 128, 7, 9)) << "the bare header";
    EXPECT_EQ(f.unload(), 0);
    EXPECT_EQ(f.load(dir.file("missing").c_str()), 0);
    EXPECT_STREQ(f.getfname(), dir.file("missing").c_str()) << "the name stays set";
    EXPECT_EQ(f.create(dir.file("no/such/dir").c_str()), 0);
    write_file_bytes(dir.file("v3"), header(3, 0, 128));
    EXPECT_EQ(f.load(dir.file("v3").c_str()), 0);
    std::string r1 = header(2, 1, 128) + dirent("x", 128, 0, 0, 0);
    r1[1] = 1;
    write_file_bytes(dir.file("r1"), r1);
    EXPECT_EQ(f.load(dir.file("r1").c_str()), 1);
    EXPECT_EQ(f.getrevision(), 1);
    EXPECT_EQ(f.getnumsegs(), 1);
    EXPECT_EQ(f.create(dir.file("w").c_str()), 1);
    EXPECT_EQ(f.getnumsegs(), 0) << "the earlier file's directory is dropped";
  }
  std::string v3 = dir.file("v3"), r1 = dir.file("r1"), w = dir.file("w");
  std::string m = dir.file("missing"), nd = dir.file("no/such/dir");
  EXPECT_EQ(
      kinds(rec),
      (std::vector<std::string>{
          "note No file is open to unload.\n", "3 Unable to open file \"" + m + "\" for input.\n",
          "warn File \"" + m + "\" was not closed before file \"" + nd + "\" was created\n",
          "4 Unable to open file \"" + nd + "\" for output.\n",
          "warn File \"" + nd + "\" was not closed before file \"" + v3 + "\" was opened\n",
          "2 Incompatible versions. Version 3 does not match current version 2 for file \"" + v3 +
              "\".\n",
          "warn File \"" + v3 + "\" was not closed before file \"" + r1 + "\" was opened\n",
          "warn Revision 1 does not match current revision 0 for file \"" + r1 + "\".\n",
          "warn File \"" + r1 + "\" was not closed before file \"" + w + "\" was created\n",
          "warn UT_IFILE destroyed but file \"" + w + "\" not closed.\n"}));
}

TEST(UtilIfile, DamagedFilesLoadWhatPrecedesTheDamageAndSegmentsPastTheEndReadAsEndOfFile) {
  const std::string seg = "SEGMENT";
  const std::string two = dirent("first", 128, 7, 1, 2) + dirent("second", 130, 3, 1, 2);
  // What, bytes, load's result, entries kept, a piece of the first report.
  using Case = std::tuple<std::string, std::string, int, int, std::string>;
  std::vector<Case> cases = {
      {"empty file", "", 0, 0, "Incompatible versions. Version 0 does not match"},
      {"short header", header(2, 1, 0).substr(0, 5), 1, 0, ""},
      {"numsegs -1", header(2, -1, 128), 1, 0, "Bad number of segments found\n   numsegs=-1."},
      {"numsegs 32761", header(2, 32761, 128) + seg, 1, 0, "   numsegs=32761.  Cannot load"},
      {"directory past end", header(2, 2, 9999) + seg + two, 1, 0, ""},
      {"directory negative", header(2, 2, -5) + seg + two, 1, 0, ""},
      {"directory in header", header(2, 2, 4) + seg + two, 1, 0, ""},
      {"4 GiB name", header(2, 2, 135) + seg + dirent("first", 128, 7, 1, 2) + le_bytes(-1) + "ab",
       1, 1, ""},
      {"offset negative",
       header(2, 2, 135) + seg + dirent("first", 128, 7, 1, 2) + dirent("bad", -1, 3, 1, 2), 1, 1,
       ""},
      {"size negative", header(2, 2, 135) + seg + dirent("bad", 128, -7, 1, 2) + two, 1, 0, ""}};
  // Every cut of a two-entry directory keeps exactly the entries that are whole.
  std::string whole = header(2, 2, 135) + seg + two;
  for (std::size_t len = 135; len < whole.size(); ++len)
    cases.push_back({"cut at " + std::to_string(len), whole.substr(0, len), 1,
                     len >= 135 + dirent("first", 0, 0, 0, 0).size() ? 1 : 0, ""});
  for (unsigned char cache : {1, 0}) {
    for (const auto &[what, bytes, result, kept, report] : cases) {
      RecordingMsgman rec;
      Scratch sc(cache);
      write_file_bytes(sc.dir.file("d"), bytes);
      EXPECT_EQ(sc.load("d"), result) << what;
      EXPECT_EQ(sc.f.getnumsegs(), kept) << what;
      EXPECT_EQ(getseg(sc.f, "first"), kept ? seg : "<none>") << what;
      const std::string first = rec.problems().empty() ? "" : rec.problems()[0].text;
      EXPECT_TRUE(report.empty() ? first.empty() : first.find(report) != std::string::npos)
          << what << ": " << first;
    }
    // Entries pointing past the end hand out streams that read end of file.
    Scratch p(cache);
    UT_IFILE &f = p.f;
    write_file_bytes(p.dir.file("p"), header(2, 2, 128) + dirent("far", 100000, 10, 1, 2) +
                                          dirent("over", 130, 1000, 1, 2));
    ASSERT_EQ(p.load("p"), 1);
    ASSERT_EQ(f.getnumsegs(), 2);
    UT_STREAM *s = f.getdataseg(cs("far"), -1, nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->readlong() == 0 && s->geteof()) << "end of file at once";
    EXPECT_EQ(f.enddataseg(), 1);
    s = f.getdataseg(cs("over"), -1, nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->readbyte(), 0) << "a byte of the first entry's name length";
    EXPECT_EQ(s->geteof(), 0) << "a seek back clears the end of file";
  }
}

TEST(UtilIfile, DirectoryListOwnsPrintsAndMatchesEntriesByName) {
  RecordingMsgman rec;
  LIST_UT_IFILEDIR list;
  list.append(new UT_IFILEDIR(cs("b"), 128, 1, 2, 3));
  list.append(new UT_IFILEDIR(cs("a"), 129, 1, 2, 3));
  list.printlist(0);
  EXPECT_EQ(rec.printed(), "b\na\n");
  EXPECT_EQ(static_cast<UT_IFILEDIR *>(list.find(cs("a")))->gettype(), 2);
  EXPECT_LT(list.compdata(list.find(cs("a")), list.find(cs("b"))), 0);
  EXPECT_TRUE(rec.all_framed());
}

TEST(UtilIfile, AnEntryThatCannotBeAllocatedIsReportedAndTheDirectoryKeepsTheOthers) {
  // Both the entries (new) and the directory's index (kor_malloc) run out of memory.
  gv_newfails = 0;
  char *probe = new (std::nothrow) char;
  gv_newfails = -1;
  delete probe;
  const bool newfails = probe == nullptr; // false under a memory checker
  auto fail = [newfails](long k) {
    gv_newfails = newfails ? k : -1;
    kor_fail_after(k);
  };
  for (long k = 0;; ++k) {
    RecordingMsgman rec;
    Scratch sc;
    UT_IFILE &f = sc.f;
    ASSERT_EQ(sc.create("m"), 1);
    for (int i = 0; i < 15; ++i) // so that b is the 17th entry: the index must grow
      f.newfdir(cs("p"), 0, i);
    putseg(f, "a", "A");
    fail(k);
    UT_STREAM *s = f.putdataseg(cs("b"), 0, 0);
    UT_IFILEDIR *e = f.newfdir(cs("c"), 0, 0);
    fail(-1);
    if (s)
      s->writebyte('B');
    f.enddataseg();
    EXPECT_EQ(f.unload(), 1) << "k=" << k;
    EXPECT_EQ(kinds(rec), std::vector<std::string>(!s + !e, "1 Out of memory.\n")) << "k=" << k;
    // Loading under the same failure keeps the entries read before it.
    rec.clear();
    fail(k);
    const int loaded = sc.load("m"); // fails when its stream is not had
    fail(-1);
    const int written = 16 + (s != nullptr) + (e != nullptr), kept = f.getnumsegs();
    if (loaded) {
      EXPECT_EQ(getseg(f, "a") + getseg(f, "b"),
                (kept >= 16 ? "A" : "<none>") + std::string(s && kept > 16 ? "B" : "<none>"));
      EXPECT_EQ(kinds(rec), std::vector<std::string>(kept < written, "1 Out of memory.\n"));
    }
    f.unload();
    if (kept == 18)
      break;
    ASSERT_LT(k, 100);
  }
}

namespace {
// A model of the directory: entries as "name/type/data" in order, lookups by first
// match, and the cursor (-1 before the first entry, -2 after getnext ran past the end).
struct DirModel {
  std::vector<std::pair<std::string, std::string>> entries; // name, "name/type/data"
  long cursor = -1;
  long first(const std::string &name) const {
    for (std::size_t i = 0; i < entries.size(); ++i)
      if (entries[i].first == name)
        return long(i);
    return -1;
  }
  std::string at(long i) const {
    return i < 0 || i >= long(entries.size()) ? "none" : entries[std::size_t(i)].second;
  }
};
std::string shown(int found, UT_IFILESEGINFO &info) {
  return found ? std::string(info.getname()) + "/" + std::to_string(info.gettype()) + "/" +
                     std::to_string(info.getdata())
               : "none";
}
} // namespace

// Names repeat (newfdir makes no name check), segments are rewritten and refused, and
// every query by name, by position and by the cursor must agree with the model.
TEST(UtilIfile, LookupsByNameAndPositionAndTheCursorFollowAModelOfTheDirectory) {
  const unsigned seed = 1612;
  std::mt19937 rng(seed);
  Scratch sc;
  UT_IFILE &f = sc.f;
  DirModel m;
  UT_IFILESEGINFO info;
  ASSERT_EQ(sc.create("o"), 1);
  // One query: what the model expects, and what the file gives.
  auto query = [&](std::string name, int op, bool reading) -> std::pair<std::string, std::string> {
    long i = m.first(name), size = long(m.entries.size());
    if (op == 0 || (op == 3 && reading)) { // by name; the segment itself when reading
      m.cursor = i >= 0 ? i : m.cursor;
      int found = op == 0 ? f.getseginfo(&name[0], info)
                          : f.getdataseg(&name[0], -1, &info) && f.enddataseg();
      return {m.at(i), shown(found, info)};
    }
    if (op == 1) { // by position, from -1 to one past the end
      long at = long(rng() % (m.entries.size() + 2)) - 1;
      m.cursor = at >= 0 && at < size ? at : -1;
      return {m.at(at), shown(f.getseginfo(at, info), info)};
    }
    if (op == 2) {
      m.cursor = m.cursor == -2 || m.cursor + 1 >= size ? -2 : m.cursor + 1;
      return {m.at(m.cursor), shown(f.getnextseginfo(info), info)};
    }
    m.cursor = -1;
    f.resetseginfo();
    return {"", ""};
  };
  for (int step = 0; step < 4000; ++step) {
    std::string name = "n" + std::to_string(rng() % 60);
    long type = long(rng() % 1000), data = long(rng() % 1000) - 500, i = m.first(name);
    std::string value = name + "/" + std::to_string(type) + "/" + std::to_string(data);
    int op = int(rng() % 7);
    if (op == 4 || op == 6) { // a segment, kept or refused at its end (ending before it)
      UT_STREAM *s = f.putdataseg(&name[0], type, data);
      ASSERT_NE(s, nullptr);
      if (op == 6)
        s->setfoffset(0);
      RecordingMsgman quiet;
      ASSERT_EQ(f.enddataseg(), op == 4 ? 1 : 0);
      m.cursor = i >= 0 ? i : m.cursor;
      if (op == 4 && i >= 0)
        m.entries[std::size_t(i)].second = value;
      else if (op == 4)
        m.entries.push_back({name, value});
    } else if (op == 5) {
      ASSERT_NE(f.newfdir(&name[0], type, data), nullptr);
      m.entries.push_back({name, value});
    } else {
      auto [expected, got] = query(name, op, false);
      ASSERT_EQ(expected, got) << "seed " << seed << ", step " << step;
    }
  }
  ASSERT_EQ(f.unload(), 1);
  ASSERT_EQ(sc.load("o"), 1);
  ASSERT_EQ(f.getnumsegs(), short(m.entries.size()));
  m.cursor = -1;
  for (int step = 0; step < 4000; ++step) {
    auto [expected, got] = query("n" + std::to_string(rng() % 60), int(rng() % 4), true);
    ASSERT_EQ(expected, got) << "seed " << seed << ", reading step " << step;
  }
}
