// Allocation-failure sweep: every operation that takes memory from kor_malloc/kor_realloc
// runs with the k-th allocation failing, for k = 0, 1, 2, ... until it completes. Each run
// must end without a crash or a leak (the sanitizer and memcheck runs see leaks), keep
// everything it had stored, and make its report where the operation has one.
#include "Utilities.h"

#include "RecordingMsgman.h"
#include "UtilVersionimp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// Allocations fail from the k-th on while it lives.
struct FailAfter {
  explicit FailAfter(long k) { kor_fail_after(k); }
  ~FailAfter() { kor_fail_after(-1); }
  void off() { kor_fail_after(-1); }
};

// Calls attempt(k) for k = 0, 1, ... until it reports completion, and expects that k (the
// number of allocations the operation needs) to be above `fewest` so that failures were met.
void sweep(long fewest, const std::function<bool(long)> &attempt) {
  long k = 0;
  while (k < 2000 && !attempt(k))
    ++k;
  EXPECT_LT(k, 2000) << "never completes";
  EXPECT_GT(k, fewest) << "completes without meeting a failure";
}

int count_reports(const RecordingMsgman &rec, int number, const std::string &text) {
  int n = 0;
  for (const RecordedReport &r : rec.problems())
    if (r.kind == RecordedReport::Numbered && r.number == number && r.text == text)
      ++n;
  return n;
}

// True when no two of the pointers are the same.
bool distinct(std::vector<void *> v) {
  std::sort(v.begin(), v.end());
  return std::adjacent_find(v.begin(), v.end()) == v.end();
}

// Every element a list iterator still gives, in order.
template <class Next> std::vector<void *> drain(Next next) {
  std::vector<void *> seen;
  while (void *e = next())
    seen.push_back(e);
  return seen;
}

const long APPENDS = 60;
const long MIDDLE = 35; // added in sorted order between the appended values 30 and 40

// An array of longs under failing allocations: appends the values 0, 10, 20, ... by
// getaddr(num), inserts MIDDLE with a_sortadd and copies the array out. What was stored
// stays, in order, whatever failed; the run completes once every step succeeded.
template <class Array, class Storage> bool array_attempt(long k, long step) {
  Storage storage = nullptr;
  std::vector<long> model, got;
  bool inserted;
  long *copy;
  {
    FailAfter fail(k);
    Array a(&storage, static_cast<long>(sizeof(long)), step, 1);
    for (long v = 0; v < APPENDS; ++v) {
      void *slot = a.getaddr(a.num);
      if (!slot)
        break;
      *static_cast<long *>(slot) = 10 * v;
      model.push_back(10 * v);
    }
    const long before = a.num;
    a.a_sortadd(&MIDDLE, [](const void *x, const void *y) {
      const long l = *static_cast<const long *>(x), r = *static_cast<const long *>(y);
      return l < r ? -1 : l > r ? 1 : 0;
    });
    if ((inserted = a.num == before + 1))
      model.insert(std::upper_bound(model.begin(), model.end(), MIDDLE), MIDDLE);
    copy = static_cast<long *>(a.a_makearray());
    fail.off();
    for (long i = 0; i < a.num; ++i)
      got.push_back(*static_cast<long *>(a.getaddr(i)));
    EXPECT_EQ(got, model) << "k=" << k;
    EXPECT_EQ(copy ? std::vector<long>(copy, copy + a.num) : model, model) << "copy, k=" << k;
  }
  EXPECT_EQ(storage, nullptr) << "destruction clears the handle";
  const bool done = model.size() == APPENDS + 1 && inserted && copy;
  kor_free(copy);
  return done;
}

} // namespace

TEST(AllocFailure, ArraysThatCannotGrowKeepEveryElementStoredBefore) {
  RecordingMsgman rec;
  sweep(10, [](long k) { return array_attempt<UT_DARRAY, void *>(k, 4); });
  sweep(10, [](long k) { return array_attempt<UT_BARRAY, void **>(k, 8); });
  EXPECT_TRUE(rec.problems().empty()) << "growth failures are not reported";
}

TEST(AllocFailure, BitVectorsKeepTheirBitsAndReportWhenTheyCannotBeMade) {
  RecordingMsgman rec;
  sweep(3, [&](long k) {
    UT_BITVEC v(20);
    std::vector<unsigned long> set = {7};
    v.set(7);
    rec.clear();
    FailAfter fail(k);
    for (unsigned long i = 3; i < 400; i += 37) // growing past the end
      if (v.set(i))
        set.push_back(i);
    UT_BITVEC copy(v);
    fail.off();
    const bool copied = copy.getnbits() == v.getnbits();
    for (unsigned long i : set)
      EXPECT_TRUE(v.is_set(i)) << "bit " << i << ", k=" << k;
    EXPECT_EQ(v.count_set_bits(), static_cast<long>(set.size())) << "k=" << k;
    EXPECT_EQ(copied ? v.count_set_bits() : 0, copy.count_set_bits()) << "k=" << k;
    EXPECT_EQ(count_reports(rec, 1, "Out of memory.\n"), copied ? 0 : 1) << "k=" << k;
    return set.size() == 12 && copied;
  });
}

TEST(AllocFailure, SmallObjectAllocatorsNeverLoseAnElementGivenBack) {
  RecordingMsgman rec;
  // Dedicated with chunks of 4 elements (many chunks and buckets), also of elements too
  // narrow for a pointer; shared size classes of their own, left half-built by the first
  // failing runs; the smallest class too.
  const struct {
    int elsize;
    unsigned char dedicated;
  } kinds[] = {{16, 1}, {4, 1}, {44, 0}, {4, 0}};
  for (const auto &kind : kinds) {
    SCOPED_TRACE("size " + std::to_string(kind.elsize));
    sweep(-1, [&](long k) {
      FailAfter fail(k);
      UT_SM_SMALLMEM mem(kind.elsize, kind.dedicated, "sweep", 4 * kind.elsize);
      auto cycle = [&mem](size_t n) { // takes up to n elements, then gives them all back
        std::vector<void *> got;
        for (size_t i = 0; i < n; ++i)
          if (void *p = mem.getmem())
            got.push_back(p);
        for (void *p : got)
          mem.relmem(p);
        return got;
      };
      const std::vector<void *> held = cycle(60);
      kor_fail_after(0); // with no memory, every element given back must come out again, once
      const std::vector<void *> again = cycle(held.size());
      fail.off();
      EXPECT_EQ(again.size(), held.size()) << "elements lost, k=" << k;
      EXPECT_TRUE(distinct(held) && distinct(again)) << "k=" << k;
      return held.size() == 60;
    });
  }
  EXPECT_TRUE(rec.problems().empty());
}

TEST(AllocFailure, ListsThatCannotTakeANodeRefuseItAndKeepEveryElementInOrder) {
  struct Ordered : UT_LIST {
    int compdata(void *a, void *b) override {
      const long x = *static_cast<long *>(a), y = *static_cast<long *>(b);
      return x < y ? -1 : x > y;
    }
  };
  RecordingMsgman rec;
  static long items[40];
  for (long i = 0; i < 40; ++i)
    items[i] = (i * 17) % 40;
  auto less = [](void *a, void *b) { return *static_cast<long *>(a) < *static_cast<long *>(b); };
  sweep(20, [&](long k) {
    rec.clear();
    Ordered list;
    std::vector<void *> model;
    int refused = 0;
    FailAfter fail(k);
    for (long i = 0; i < 40; ++i) {
      void *e = &items[i];
      int done;
      auto at = model.end();
      if (i % 3 == 0) { // append, push, ordered insertion into the sorted list
        done = list.append(e);
      } else if (i % 3 == 1) {
        done = list.push(e);
        at = model.begin();
      } else {
        list.sort();
        std::stable_sort(model.begin(), model.end(), less);
        done = list.mergesort(e);
        at = std::upper_bound(model.begin(), model.end(), e, less);
      }
      if (done)
        model.insert(at, e);
      else
        ++refused;
    }
    fail.off();
    list.reset();
    EXPECT_EQ(drain([&] { return list.getnext(); }), model) << "k=" << k;
    EXPECT_TRUE(rec.problems().empty()) << "the owner of a list reports, k=" << k;
    return refused == 0;
  });
}

TEST(AllocFailure, SparseMatricesReleaseAndReportAnElementTheyCannotLink) {
  RecordingMsgman rec;
  sweep(10, [&](long k) {
    rec.clear();
    UT_SPRMTX m(6, 6);
    std::vector<std::pair<long, long>> stored;
    long attempts = 0;
    FailAfter fail(k);
    for (long i = 0; i < 20; ++i) {
      const long r = (i * 5) % 6, c = (i * 7 + i / 6) % 6;
      if (m.findelement(r, c))
        continue;
      ++attempts;
      m.insertelement(r, c, static_cast<double>(i));
      if (m.findelement(r, c))
        stored.emplace_back(r, c);
    }
    m.deleteelement(stored.empty() ? 0 : stored[0].first, stored.empty() ? 0 : stored[0].second);
    fail.off();
    const int refused = count_reports(rec, 19, "Out of memory.\n");
    EXPECT_EQ(refused, attempts - static_cast<long>(stored.size())) << "k=" << k;
    long found = 0;
    for (long r = 0; r < 6; ++r)
      for (long c = 0; c < 6; ++c)
        found += m.findelement(r, c) != nullptr;
    EXPECT_EQ(found, static_cast<long>(stored.size()) - (stored.empty() ? 0 : 1)) << "k=" << k;
    return refused == 0;
  });
}

TEST(AllocFailure, BlockListsThatCannotTakeABlinkReportItAndKeepTheirElements) {
  RecordingMsgman rec;
  static long items[50];
  sweep(10, [&](long k) {
    rec.clear();
    FailAfter fail(k);
    UT_BLISTS list(3);
    std::vector<void *> stored;
    int refused = 0;
    for (long &item : items) {
      const unsigned short before = list.getcount();
      list.l_append(&item);
      if (list.getcount() == before + 1)
        stored.push_back(&item);
      else
        ++refused;
    }
    fail.off();
    UT_BLISTS_ITER it(&list);
    EXPECT_EQ(drain([&] { return it.l_next(); }), stored) << "k=" << k;
    EXPECT_EQ(count_reports(rec, 19, "UT_BLIST:New failed.\n"), refused) << "k=" << k;
    return refused == 0;
  });
}

TEST(AllocFailure, StreamsAndIndexedFilesThatCannotGetABufferFailToOpenWithTheirReport) {
  RecordingMsgman rec;
  TempDir tmp;
  const std::string path = tmp.file("sweep.idx");
  const std::string no_output = "Unable to open file \"" + path + "\" for output.\n";
  sweep(0, [&](long k) {
    rec.clear();
    FailAfter fail(k);
    UT_IFILE out;
    out.setfilecache(0); // a stream, and so a buffer, for every step
    if (!out.create(path.c_str())) {
      fail.off();
      EXPECT_EQ(count_reports(rec, 4, no_output), 1);
      out.unload();
      return false;
    }
    UT_STREAM *s = out.putdataseg(const_cast<char *>("seg"), 1, 2);
    if (s) {
      s->writestring("payload");
      out.enddataseg();
    }
    const int unloaded = out.unload(); // reopens the file for the directory
    fail.off();
    // A segment is refused when its stream or its directory entry cannot be had.
    const int failed_opens = (s ? 0 : 1) + (unloaded ? 0 : 1);
    EXPECT_EQ(count_reports(rec, 4, no_output) + count_reports(rec, 1, "Out of memory.\n"),
              failed_opens)
        << "k=" << k;
    if (!unloaded)
      return false;
    UT_IFILE in;
    EXPECT_EQ(in.load(path.c_str()), 1) << "k=" << k;
    EXPECT_EQ(in.getnumsegs(), s ? 1 : 0) << "a segment that could not be started is not listed";
    UT_STREAM *r = in.getdataseg(const_cast<char *>("seg"), 1, nullptr);
    char buf[16] = {0};
    if (s) {
      EXPECT_TRUE(r && r->readstring(buf, 15) == 7 && std::string(buf) == "payload") << "k=" << k;
    }
    in.unload();
    return failed_opens == 0;
  });

  // Reading: a file manager stream without its buffer is no stream at all.
  {
    FailAfter fail(0);
    EXPECT_EQ(ut_file.open(path.c_str(), UT_READ, 1), nullptr);
    UT_IFILE in;
    EXPECT_EQ(in.load(path.c_str()), 0);
    fail.off();
    EXPECT_EQ(count_reports(rec, 3, "Unable to open file \"" + path + "\" for input.\n"), 1);
    in.unload();
  }
}

TEST(AllocFailure, LongEquationsThatCannotSpillTheirStacksFailWithAMessage) {
  // AND and XOR never reduce each other: 300 operands wait on the reader's stacks, which
  // spill beyond their fixed part.
  std::string text = "O = A0";
  for (int i = 0; i < 150; ++i)
    text += " * ~A1 @ A0";
  const char *names[] = {"A0", "A1"};
  RecordingMsgman rec;
  UT_EQUATE ref(0);
  char *out = nullptr;
  ASSERT_EQ(ref.gen_hex(text.c_str(), names, 2, out), UT_EQ_OK);
  const std::string expected = out;
  sweep(0, [&](long k) {
    UT_EQUATE eq(0);
    FailAfter fail(k);
    const int code = eq.gen_hex(text.c_str(), names, 2, out);
    fail.off();
    if (code == UT_EQ_OK) {
      EXPECT_EQ(std::string(out), expected);
      return true;
    }
    EXPECT_EQ(code, UT_EQ_INVALID) << "k=" << k;
    EXPECT_NE(eq.geterrmsg(), nullptr) << "k=" << k;
    return false;
  });
  EXPECT_TRUE(rec.problems().empty()) << "the reader keeps its messages";
}

TEST(AllocFailure, NamePoolsThatCannotBeHadReportItAndKeepTheNamesStoredBefore) {
  RecordingMsgman rec;
  setenv("UT_NCH_SMOKETEST", "1", 1); // 256-byte pools: a new pool every 20 names
  std::vector<std::string> texts;
  for (int i = 0; i < 60; ++i)
    texts.push_back("long name number " + std::to_string(i));
  sweep(1, [&](long k) {
    rec.clear();
    FailAfter fail(k);
    UT_NCH_CACHE cache(0);
    std::vector<std::string> stored;
    for (size_t i = 0; i < texts.size(); ++i)
      if (cache.add(texts[i].c_str(), i % 2))
        stored.push_back(texts[i]);
    cache.clean(); // its list of names to remove needs memory too
    fail.off();
    EXPECT_EQ(count_reports(rec, 19, "New failed.\n"),
              static_cast<int>(texts.size() - stored.size()))
        << "one report for every name whose pool could not be had, k=" << k;
    // Referenced names survive any clean; a clean with memory removes the others.
    cache.clean();
    for (size_t i = 0; i < texts.size(); ++i) {
      UT_NCH_NAME *n = cache.find(texts[i].c_str());
      const bool kept = std::find(stored.begin(), stored.end(), texts[i]) != stored.end();
      EXPECT_EQ(n != nullptr, kept && i % 2 == 1) << texts[i] << ", k=" << k;
      EXPECT_TRUE(!n || (texts[i] == n->get_name() && n->rcnt == 1)) << texts[i] << ", k=" << k;
    }
    nch_check_cache(&cache);
    for (const RecordedReport &r : rec.problems())
      EXPECT_NE(r.number, 69) << "names out of order, k=" << k;
    return stored.size() == texts.size();
  });
  unsetenv("UT_NCH_SMOKETEST");
}

TEST(AllocFailure, InstallRecordsThatCannotBeStoredAreReportedAndNoHalfTableIsKept) {
  setenv("TZ", "UTC", 1);
  tzset();
  RecordingMsgman rec;
  TempDir dir;
  std::string file;
  const char *keys[] = {"a", "summary", "b", "a", "summary", "c"};
  for (int i = 0; i < 90; ++i)
    file += "Mon Mar " + std::to_string(1 + i % 3) + " 10:00:00 UTC 2001::" + keys[i % 6] + "=v" +
            std::to_string(i) + "\n";
  write_file_bytes(dir.file("fileset.txt"), file);
  Util_Version_Hash reference;
  // Loads the file with allocations failing from the k-th on (none for -1); gives the values
  // of the keys, "" for a missing one.
  auto load = [&](long k) {
    UT_STREAM *in = ut_file.open(dir.file("fileset.txt").c_str(), UT_READ, 1);
    EXPECT_NE(in, nullptr);
    FailAfter fail(k);
    Util_Version_Imp::LoadInfo(in);
    fail.off();
    ut_file.close(in);
    std::vector<std::string> values;
    for (const char *key : {"a", "b", "c", "summary"}) {
      const char *v = Util_Version_Imp::hashtable().GetValue(key, nullptr);
      values.push_back(v ? v : "");
    }
    return values;
  };
  const std::vector<std::string> expected = load(-1);
  ASSERT_FALSE(expected[0].empty());

  sweep(10, [&](long k) {
    rec.clear();
    const std::vector<std::string> got = load(k);
    const bool loaded = !got[0].empty();
    EXPECT_EQ(count_reports(rec, 19, "Out of memory.\n") > 0, !loaded) << "k=" << k;
    EXPECT_EQ(loaded ? got : expected, expected) << "a table is whole or empty, k=" << k;
    return loaded;
  });

  // One entry at a time: each is stored whole, or reported and dropped.
  sweep(5, [&](long k) {
    rec.clear();
    Util_Version_Hash table;
    FailAfter fail(k);
    table.AddEntry("summary", 100, "one\n");
    table.AddEntry("summary", 100, "two\n");
    table.AddEntry("key", 50, "old");
    table.AddEntry("key", 60, "new");
    fail.off();
    const char *s = table.GetValue("summary", nullptr);
    const char *v = table.GetValue("key", nullptr);
    const bool all = s && std::string(s) == "one\ntwo\n" && v && std::string(v) == "new";
    EXPECT_EQ(rec.problems().empty(), all) << "k=" << k;
    return all;
  });
}
