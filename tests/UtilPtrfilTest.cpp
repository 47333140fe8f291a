// Tests of the pointer file: identities written for pointers, and the fix-up of pointer
// fields read back, in every order of registration and fixing.
#include "UtilPtrfil.h"
#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

void *addr(uintptr_t v) { return reinterpret_cast<void *>(v); }

intptr_t slot(void **field) { return reinterpret_cast<intptr_t>(field); }

} // namespace

TEST(UtilPtrfil, NullFieldsAreLeftAloneAndNeverListedAsWaiting) {
  RecordingMsgman rec;
  UT_PTRFILE pf(UT_READ);
  void *field = nullptr;
  pf.fixptr(&field);
  pf.registerptr(addr(0), addr(0x500));
  EXPECT_EQ(field, nullptr) << "a null field needs no fixing";
  EXPECT_EQ(pf.checkptrs(), 0);
  EXPECT_TRUE(rec.problems().empty());
}

TEST(UtilPtrfil, FieldsArePatchedWhicheverComesFirstFixOrRegistration) {
  RecordingMsgman rec;
  UT_PTRFILE pf(UT_READ);
  int target = 0;
  void *early1 = addr(7);
  void *early2 = addr(7);
  pf.fixptr(&early1);
  pf.fixptr(&early2);
  EXPECT_EQ(early1, addr(7)) << "the field keeps its identity until the target is registered";
  pf.registerptr(addr(7), &target);
  EXPECT_EQ(early1, &target) << "both waiting fields are patched by one registration";
  EXPECT_EQ(early2, &target);

  void *late = addr(7);
  pf.fixptr(&late);
  EXPECT_EQ(late, &target) << "a field fixed after registration is set at once";
  EXPECT_EQ(pf.checkptrs(), 0);
  EXPECT_TRUE(rec.problems().empty());
}

TEST(UtilPtrfil, ASecondRegistrationWithAnotherAddressIsReportedAndWinsAfterwards) {
  RecordingMsgman rec;
  UT_PTRFILE pf(UT_READ);
  int first = 0, second = 0;
  void *before = addr(9);
  pf.fixptr(&before);
  pf.registerptr(addr(9), &first);
  pf.registerptr(addr(9), &first);
  EXPECT_TRUE(rec.problems().empty()) << "the same pair twice is no conflict";

  pf.registerptr(addr(9), &second);
  auto problems = rec.problems();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].number, 19);
  EXPECT_EQ(problems[0].unit, "UtilPtrfilimp");
  char expected[64];
  std::snprintf(expected, sizeof expected, "Pointer %x already registered.\n",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(&first)));
  EXPECT_EQ(problems[0].text, expected) << "the report names the earlier new address";
  EXPECT_TRUE(rec.all_framed());

  void *after = addr(9);
  pf.fixptr(&after);
  EXPECT_EQ(before, &first) << "fields patched before keep the first address";
  EXPECT_EQ(after, &second) << "the second registration wins for later fields";
}

TEST(UtilPtrfil, CheckptrsListsEachWaitingFieldOnceThenEndsAndStartsOver) {
  RecordingMsgman rec;
  UT_PTRFILE pf(UT_READ);
  void *f[3] = {addr(1), addr(2), addr(2)};
  for (void *&field : f)
    pf.fixptr(&field);
  // Bucket by bucket, each record's fields in queuing order.
  EXPECT_EQ(pf.checkptrs(), slot(&f[0]));
  EXPECT_EQ(pf.checkptrs(), slot(&f[1]));
  EXPECT_EQ(pf.checkptrs(), slot(&f[2]));
  EXPECT_EQ(pf.checkptrs(), 0) << "the scan is over";
  EXPECT_EQ(pf.checkptrs(), slot(&f[0])) << "the next call starts a new scan";
  EXPECT_EQ(f[0], addr(1)) << "scanning changes nothing";

  pf.flush_fixtable();
  EXPECT_EQ(pf.checkptrs(), 0) << "a flushed table has nothing waiting";
  int target = 0;
  pf.registerptr(addr(1), &target);
  pf.flush_fixtable();
  void *again = addr(1);
  pf.fixptr(&again);
  EXPECT_EQ(again, addr(1)) << "after a flush the old registration is forgotten";
  EXPECT_EQ(pf.checkptrs(), slot(&again));
  EXPECT_TRUE(rec.problems().empty());
}

TEST(UtilPtrfil, ThousandsOfObjectsInRandomOrderAllGetTheirTargets) {
  // Enough records for several pool blocks and long bucket chains; identities that
  // collide modulo the bucket count share chains.
  RecordingMsgman rec;
  const unsigned seed = 20261206;
  std::mt19937 rng(seed);
  const int n = 5000;
  std::vector<int> objects(n);
  std::vector<void *> fields(2 * n);
  std::vector<int> order(n);
  for (int i = 0; i < n; ++i)
    order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  auto id = [](int i) { return addr(1 + static_cast<uintptr_t>(i) * 1000); };

  UT_PTRFILE pf(UT_READ);
  for (int k = 0; k < n; ++k) {
    int i = order[k];
    fields[2 * i] = id((i + 1) % n);
    pf.fixptr(&fields[2 * i]);
    pf.registerptr(id(i), &objects[i]);
    fields[2 * i + 1] = id((i + n - 1) % n);
    pf.fixptr(&fields[2 * i + 1]);
  }
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(fields[2 * i], &objects[(i + 1) % n]) << "seed " << seed << ", object " << i;
    ASSERT_EQ(fields[2 * i + 1], &objects[(i + n - 1) % n]) << "seed " << seed;
  }
  EXPECT_EQ(pf.checkptrs(), 0);
  EXPECT_TRUE(rec.problems().empty());
}

TEST(UtilPtrfil, WritePtrGivesEachDistinctPointerOneNonzeroIdentity) {
  RecordingMsgman rec;
  TempDir dir;
  int a = 0, b = 0;
  {
    UT_PTRFILE out(UT_WRITE);
    ASSERT_TRUE(out.open(dir.file("ids").c_str(), 1));
    EXPECT_EQ(out.writeptr(nullptr), 1);
    out.writeptr(&a);
    out.writeptr(&b);
    out.writeptr(&a);
    out.close();
  }
  EXPECT_EQ(read_file_bytes(dir.file("ids")).size(), 16u) << "four 32-bit values, no framing";

  UT_PTRFILE in(UT_READ);
  ASSERT_TRUE(in.open(dir.file("ids").c_str(), 0));
  void *v[5];
  for (void *&p : v)
    p = addr(0xdead);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(in.readptr(v[i]), 1);
  EXPECT_EQ(v[0], nullptr) << "null stays 0";
  EXPECT_NE(v[1], nullptr);
  EXPECT_NE(v[2], nullptr);
  EXPECT_NE(v[1], v[2]) << "distinct pointers get distinct identities";
  EXPECT_EQ(v[1], v[3]) << "the same pointer gets the same identity";
  EXPECT_EQ(in.readptr(v[4]), 0) << "reading past the end fails";
  EXPECT_EQ(v[4], nullptr);
  EXPECT_TRUE(rec.problems().empty());
}

TEST(UtilPtrfil, AFieldThatCannotBeQueuedIsReportedAndKeepsItsValue) {
  RecordingMsgman rec;
  UT_PTRFILE pf(UT_READ);
  pf.checkptrs(); // builds the table before the allocator is cut off
  void *field = addr(42);
  kor_fail_after(0);
  pf.fixptr(&field);
  kor_fail_after(-1);
  EXPECT_EQ(field, addr(42));
  auto problems = rec.problems();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].text, "Out of memory.\n");
  EXPECT_EQ(problems[0].number, 19);

  void *next = addr(42);
  pf.fixptr(&next);
  int target = 0;
  pf.registerptr(addr(42), &target);
  EXPECT_EQ(next, &target) << "the table works again once memory is back";
}
