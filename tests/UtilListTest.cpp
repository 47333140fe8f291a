// UT_LIST: cursor and tail rules, ownership through freedata, sorting and listings.
#include "UtilList.h"
#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A list of ints ordered by value that records every freedata call.
class IntList : public UT_LIST {
public:
  std::vector<int> freed;
  void freedata(void *e) override { freed.push_back(*static_cast<int *>(e)); }
  int compdata(void *a, void *b) override {
    return *static_cast<int *>(a) - *static_cast<int *>(b);
  }
};

using V = std::vector<void *>;
V contents(UT_LIST &l) {
  V out;
  l.reset();
  while (void *e = l.getnext())
    out.push_back(e);
  return out;
}
// Moves the cursor onto the n-th element (1-based) from the sentinel.
void seek(UT_LIST &l, int n) {
  for (l.reset(); n > 0; --n)
    l.getnext();
}

int A = 1, B = 2, C = 3, D = 4;

TEST(UtilList, RefusalsReturnZeroOrNullAndChangeNothing) {
  UT_LIST l;
  EXPECT_EQ(l.count(), 0);
  EXPECT_TRUE(!l.getnext() && !l.pop() && !l.popend() && !l.find(nullptr));
  EXPECT_EQ(l.append(nullptr) + l.push(nullptr) + l.insert(nullptr) + l.mergesort(nullptr), 0);
  EXPECT_EQ(l.insert(&A, &B), 0) << "no anchor in an empty list";
  EXPECT_EQ(l.remove(), 0) << "the sentinel is never removed";
  l.append(&A);
  seek(l, 1);
  EXPECT_EQ((V{l.getnext(), l.getnext(), l.peeknext()}), (V{nullptr, nullptr, nullptr}))
      << "stays past the end until reset";
  EXPECT_EQ(l.remove() + l.rmunowned() + l.insert(&B), 0) << "no current node";
  EXPECT_EQ(l.remove(&B), 0);
  l.addnext(nullptr, &B);
  l.delnext(nullptr, 1);
  EXPECT_EQ(contents(l), V{&A});
}

TEST(UtilList, TailFollowsPopsRemovalsAndInsertions) {
  UT_LIST l;
  l.push(&A);
  l.append(&B);
  EXPECT_EQ(contents(l), (V{&A, &B})) << "push on empty list sets tail";
  EXPECT_EQ((V{l.popend(), l.popend()}), (V{&B, &A}));
  l.append(&C);
  EXPECT_EQ(contents(l), V{&C}) << "popend of the last left tail valid";
  EXPECT_EQ(l.pop(), &C);
  l.append(&A);
  l.append(&B);
  EXPECT_EQ(l.insert(&B, &C), 1);
  l.append(&D);
  EXPECT_EQ(contents(l), (V{&A, &B, &C, &D})) << "insert after last moves tail";
  EXPECT_EQ(l.rmunowned(&D), 1);
  l.append(&D);
  EXPECT_EQ(contents(l), (V{&A, &B, &C, &D})) << "removing the last moves tail";
  seek(l, 3); // on C
  EXPECT_EQ(l.rmunowned(&D), 1);
  EXPECT_EQ(l.insert(&D), 1) << "insert after the current last node moves tail";
  l.append(&A);
  EXPECT_EQ(contents(l), (V{&A, &B, &C, &D, &A}));
}

TEST(UtilList, CursorRulesWhileIterating) {
  UT_LIST l;
  for (void *e : {&A, &B, &C})
    l.append(e);
  seek(l, 1);
  EXPECT_EQ(l.rmunowned(), 1);
  EXPECT_EQ(l.getnext(), &C) << "removing the current element skips one on the next getnext";
  seek(l, 1); // B
  EXPECT_EQ(l.insert(&D), 1);
  EXPECT_EQ((V{l.getnext(), l.getnext()}), (V{&D, &C})) << "insert while iterating comes next";
  l.reset();
  l.push(&A);
  EXPECT_EQ(l.getnext(), &A) << "push with the cursor on the sentinel";
  EXPECT_EQ(l.find(&D), &D);
  EXPECT_EQ(l.getnext(), &C) << "find sets the position";
  int other = 0;
  EXPECT_EQ(l.find(&other), nullptr);
  EXPECT_EQ(l.getnext(), nullptr) << "a failed find leaves the position";
  // Removing the current element when it is a duplicate removes the first occurrence.
  l.append(&A);
  seek(l, 5); // the second A
  EXPECT_EQ(l.rmunowned(), 1);
  EXPECT_EQ(contents(l), (V{&B, &D, &C, &A}));
}

TEST(UtilList, FreelistCallsDerivedFreedataFrontToBackButTheDestructorDoesNot) {
  int v[3] = {10, 20, 30};
  {
    IntList l;
    for (int &x : v)
      l.append(&x);
    l.remove(&v[1]);
    l.l_remove(&v[2], 0); // a zero flag does not release
    l.append(&v[2]);
    seek(l, 1);
    l.remove();
    l.delnext(nullptr, 1);
    EXPECT_EQ(l.freed, (std::vector<int>{20, 10}));
    l.append(&v[0]);
    l.append(&v[1]);
    l.freelist();
    EXPECT_EQ(l.freed, (std::vector<int>{20, 10, 30, 10, 20}));
    EXPECT_EQ(l.count(), 0);
    l.append(&v[0]);
    // Leaving the scope releases the node but calls no derived freedata; the sanitizer
    // build sees any leak or use after release.
  }
}

TEST(UtilList, SortIsStableAscendingAndLinearOnOrderedInput) {
  struct Counting : IntList {
    int calls = 0;
    int compdata(void *a, void *b) override { return ++calls, IntList::compdata(a, b); }
  } l;
  int v[] = {5, 1, 4, 1, 3};
  for (int &x : v)
    l.append(&x);
  l.sort();
  EXPECT_EQ(contents(l), (V{&v[1], &v[3], &v[4], &v[2], &v[0]})) << "equal keys keep their order";
  EXPECT_EQ(l.peeknext(), nullptr);
  l.reset();
  l.calls = 0;
  l.sort();
  EXPECT_EQ(l.calls, 4) << "already sorted: one comparison per element after the first";
  l.reset();
  EXPECT_EQ(l.getnext(), &v[1]) << "sort leaves the cursor on the sentinel";
  int six = 6, zero = 0;
  l.mergesort(&six);
  l.mergesort(&zero);
  l.append(&six);
  EXPECT_EQ(contents(l), (V{&zero, &v[1], &v[3], &v[4], &v[2], &v[0], &six, &six}));

  UT_LIST byaddr;
  int arr[3];
  for (int i : {2, 0, 1})
    byaddr.append(&arr[i]);
  byaddr.sort();
  EXPECT_EQ(contents(byaddr), (V{&arr[0], &arr[1], &arr[2]}));
}

TEST(UtilList, PrintlistReportsPositionsAndElements) {
  RecordingMsgman rec;
  UT_LIST l;
  l.printlist(1);
  EXPECT_TRUE(rec.reports.empty());
  l.append(&A);
  l.append(&B);
  l.printlist(1);
  ASSERT_EQ(rec.reports.size(), 4u);
  char addr[32];
  std::snprintf(addr, sizeof addr, "%lx \n", reinterpret_cast<unsigned long>(&B));
  EXPECT_EQ(rec.reports[0].text + rec.reports[2].text + rec.reports[3].text,
            "0 \n1 \n" + std::string(addr));
  EXPECT_EQ(rec.reports[3].unit, "UtilList");
  EXPECT_TRUE(rec.all_framed());
  rec.clear();
  l.printlist(0);
  EXPECT_EQ(rec.reports.size(), 2u);
}

} // namespace

TEST(UtilList, WithoutMemoryAddingIsRefusedAndSortingLosesNothing) {
  RecordingMsgman rec;
  IntList l;
  int v[] = {5, 3, 9, 1};
  for (int &x : v)
    l.append(&x);
  seek(l, 2);
  kor_fail_after(0);
  int extra = 7;
  EXPECT_EQ(l.append(&extra) + l.push(&extra) + l.insert(&extra) + l.insert(&v[0], &extra) +
                l.mergesort(&extra),
            0);
  l.addnext(nullptr, &extra);
  l.sort(); // relinks its own nodes: no memory needed
  kor_fail_after(-1);
  EXPECT_EQ(contents(l), (V{&v[3], &v[1], &v[0], &v[2]}));
  EXPECT_EQ(l.append(&extra), 1) << "the list is usable once memory is back";
  EXPECT_TRUE(rec.problems().empty()) << "the refusal is the list's answer; its owner reports";
}
