// Tests of the pointer file: identities written for pointers, and the fix-up of pointer
// fields read back in every order of registration and fixing.
#include "UtilPtrfil.h"
#include "RecordingMsgman.h"
#include "UtilCname.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace {

void *addr(uintptr_t v) { return reinterpret_cast<void *>(v); }

intptr_t slot(void **field) { return reinterpret_cast<intptr_t>(field); }

} // namespace

TEST(UtilPtrfil, FieldsArePatchedInEitherOrderAndTheRestAreListedAsWaiting) {
  RecordingMsgman rec;
  UT_PTRFILE pf(UT_READ);
  int first = 0, second = 0;
  void *none = nullptr, *early1 = addr(7), *early2 = addr(7), *late = addr(7);
  pf.fixptr(&none);
  pf.fixptr(&early1);
  pf.fixptr(&early2);
  EXPECT_EQ(early1, addr(7)) << "the field keeps its identity until the target is registered";
  pf.registerptr(addr(7), &first);
  pf.registerptr(addr(7), &first);
  EXPECT_TRUE(early1 == &first && early2 == &first) << "one registration patches both fields";
  EXPECT_EQ(none, nullptr) << "a null field needs no fixing";
  EXPECT_TRUE(rec.problems().empty()) << "the same pair twice is no conflict";
  pf.registerptr(addr(7), &second);
  pf.fixptr(&late);
  EXPECT_TRUE(early1 == &first && late == &second) << "a new registration wins for later fields";
  ASSERT_EQ(rec.problems().size(), 1u);
  char expected[64];
  std::snprintf(expected, sizeof expected, "Pointer %x already registered.\n",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(&first)));
  EXPECT_EQ(rec.problems()[0].text, expected) << "the report names the earlier new address";
  EXPECT_EQ(rec.problems()[0].unit, "UtilPtrfilimp");
  EXPECT_EQ(pf.checkptrs(), 0) << "nothing waits";

  void *f[3] = {addr(1), addr(2), addr(2)};
  for (void *&field : f)
    pf.fixptr(&field);
  // Bucket by bucket, each record's fields in queuing order; after 0 a new scan starts.
  std::vector<intptr_t> scan;
  for (int i = 0; i < 5; ++i)
    scan.push_back(pf.checkptrs());
  EXPECT_EQ(scan, (std::vector<intptr_t>{slot(&f[0]), slot(&f[1]), slot(&f[2]), 0, slot(&f[0])}));
  pf.flush_fixtable();
  EXPECT_EQ(pf.checkptrs(), 0) << "a flushed table has nothing waiting";
  void *again = addr(7);
  pf.fixptr(&again);
  EXPECT_EQ(again, addr(7)) << "after a flush the old registration is forgotten";
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
  ASSERT_EQ(rec.problems().size(), 1u);
  EXPECT_EQ(rec.problems()[0].unit + rec.problems()[0].text, "UtilPtrfilimp"
                                                             "Out of memory.\n");
}

namespace {

// An object of a linked structure: a ring through `next` (which refers both forward and
// back in the file) and a name.
struct Obj {
  Obj *next = nullptr;
  UT_NCH_NAME *name = nullptr;
  long value = 0;
};

void write_objects(UT_PTRFILE &out, const std::vector<Obj> &objs) {
  out.writelong(static_cast<long>(objs.size()));
  for (const Obj &o : objs) {
    out.writeptr(&o);
    out.writelong(o.value);
    out.writeptr(o.next);
    out.writeptr(o.name);
  }
}

template <class T> void read_field(UT_PTRFILE &in, T *&field) {
  void *p = nullptr;
  in.readptr(p);
  field = static_cast<T *>(p);
  in.fixptr(reinterpret_cast<void **>(&field));
}

void read_objects(UT_PTRFILE &in, std::vector<Obj> &objs) {
  objs.resize(static_cast<size_t>(in.readlong()));
  for (Obj &o : objs) {
    void *id = nullptr;
    in.readptr(id);
    in.registerptr(id, &o);
    o.value = in.readlong();
    read_field(in, o.next);
    read_field(in, o.name);
  }
}

} // namespace

TEST(UtilPtrfil, ALinkedStructureWithNamesComesBackPointingAtTheNewObjects) {
  // Enough objects for several blocks of fix records; names written before or after.
  RecordingMsgman rec;
  TempDir dir;
  const int n = 1500, nnames = 50;
  for (bool names_first : {true, false}) {
    SCOPED_TRACE(names_first ? "names first" : "objects first");
    UT_NCH_CACHE names(0);
    std::vector<Obj> objs(n);
    for (int i = 0; i < n; ++i) {
      objs[i].value = i;
      objs[i].next = &objs[(i + 1) % n];
      objs[i].name = names.add(("object name " + std::to_string(i % nnames)).c_str(), 1);
    }
    {
      UT_PTRFILE out(UT_WRITE);
      ASSERT_TRUE(out.open(dir.file("structure").c_str(), 1));
      if (names_first)
        names.write(&out, 0);
      write_objects(out, objs);
      if (!names_first)
        names.write(&out, 0);
    }
    UT_NCH_CACHE fresh(0);
    UT_NCH_NAME *present = fresh.add("object name 7", 2); // reading merges into it
    std::vector<Obj> back;
    UT_PTRFILE in(UT_READ);
    ASSERT_TRUE(in.open(dir.file("structure").c_str(), 0));
    if (names_first)
      fresh.read(&in);
    read_objects(in, back);
    if (!names_first)
      fresh.read(&in);
    ASSERT_EQ(back.size(), objs.size());
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(back[i].value, i);
      ASSERT_EQ(back[i].next, &back[(i + 1) % n]) << "object " << i;
      ASSERT_EQ(back[i].name, fresh.find(objs[i].name->get_name())) << "object " << i;
    }
    EXPECT_EQ(in.checkptrs(), 0) << "no field is left waiting";
    EXPECT_EQ(fresh.find("object name 7"), present);
    EXPECT_EQ(present->rcnt, 2 + n / nnames) << "the stored count is added to the present name";
  }
  EXPECT_TRUE(rec.problems().empty());
}

TEST(UtilPtrfil, EachDistinctPointerGetsOneNonzeroIdentityAndOneThatCannotGetItIsNotWritten) {
  RecordingMsgman rec;
  TempDir dir;
  std::vector<int> objs(300);
  {
    UT_PTRFILE out(UT_WRITE);
    ASSERT_TRUE(out.open(dir.file("ids").c_str(), 1));
    kor_fail_after(0);
    EXPECT_EQ(out.writeptr(&objs[0]), 0);
    kor_fail_after(-1);
    EXPECT_EQ(out.writeptr(nullptr), 1);
    for (int &o : objs) // enough to grow the identities several times
      EXPECT_EQ(out.writeptr(&o), 1);
    for (int i = 299; i >= 0; i -= 7)
      EXPECT_EQ(out.writeptr(&objs[i]), 1);
  }
  EXPECT_EQ(read_file_bytes(dir.file("ids")).size(), 4u * (1 + 300 + 43)) << "32 bits, no framing";
  ASSERT_EQ(rec.problems().size(), 1u);
  EXPECT_EQ(rec.problems()[0].unit + rec.problems()[0].text, "UtilPtrfilimp"
                                                             "Out of memory.\n");
  UT_PTRFILE in(UT_READ);
  ASSERT_TRUE(in.open(dir.file("ids").c_str(), 0));
  void *null = addr(1);
  EXPECT_TRUE(in.readptr(null) == 1 && null == nullptr) << "null is written as 0";
  std::vector<void *> first(300);
  for (void *&v : first)
    ASSERT_EQ(in.readptr(v), 1);
  std::set<void *> distinct(first.begin(), first.end());
  EXPECT_TRUE(distinct.size() == 300u && !distinct.count(nullptr));
  for (int i = 299; i >= 0; i -= 7) {
    void *v = nullptr;
    ASSERT_EQ(in.readptr(v), 1);
    EXPECT_EQ(v, first[i]) << "the same pointer keeps its identity, at " << i;
  }
  void *past = addr(1);
  EXPECT_TRUE(in.readptr(past) == 0 && past == nullptr) << "reading past the end gives 0";
}
