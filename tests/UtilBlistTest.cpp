#include "UtilBlist.h"

#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

char A = 'A', B = 'B', C = 'C', D = 'D', E = 'E';

// Every element an iterator still finds, as a string of their names.
template <class Iter> std::string walk(Iter &it) {
  std::string s;
  for (void *e = it.l_next(); e; e = it.l_next())
    s += *static_cast<char *>(e);
  return s;
}

std::vector<std::string> texts(const std::vector<RecordedReport> &reports) {
  std::vector<std::string> t;
  for (const auto &r : reports)
    t.push_back(r.text);
  return t;
}

template <class L, class I> struct Family {
  using List = L;
  using Iter = I;
};
template <class F> class UtilBlistFamily : public ::testing::Test {};
using Families =
    ::testing::Types<Family<UT_BLIST, UT_BLIST_ITER>, Family<UT_BLISTS, UT_BLISTS_ITER>>;
TYPED_TEST_SUITE(UtilBlistFamily, Families);

} // namespace

TYPED_TEST(UtilBlistFamily, AppendingFillsTheLastBlinkAndRemovalLeavesHoles) {
  typename TypeParam::List l(2);
  typename TypeParam::Iter empty(&l);
  EXPECT_EQ(l.l_find(&A) + l.l_remove(&A), 0);
  EXPECT_EQ(empty.l_next(), nullptr);
  long before = TypeParam::List::total_mem;
  for (char *e : {&A, &B, &C, static_cast<char *>(nullptr)})
    l.l_append(e);
  EXPECT_EQ(TypeParam::List::total_mem - before, long(2 * 3 * sizeof(void *))) << "two blinks";
  EXPECT_EQ(empty.l_next(), nullptr) << "made on an empty list, it sees nothing until reset";
  empty.reset();
  EXPECT_EQ(walk(empty), "ABC");
  EXPECT_EQ(l.l_remove(&B) + l.l_find(&B) + l.l_find(nullptr) + l.l_remove(nullptr), 1);
  l.l_append(&D);
  typename TypeParam::Iter it(&l);
  EXPECT_EQ(walk(it), "ACD");
  EXPECT_EQ(l.l_remove(&D) + l.l_remove(&C), 2);
  l.l_append(&E);
  EXPECT_EQ(long(l.getcount()), 2);
  EXPECT_EQ(TypeParam::List::total_mem - before, long(2 * 3 * sizeof(void *))) << "slot reused";
  it.reset();
  EXPECT_EQ(walk(it), "AE");
  l.clear();
  EXPECT_EQ(TypeParam::List::total_mem, before);
  EXPECT_EQ(long(l.getcount()) + l.l_find(&A), 0);
}

TYPED_TEST(UtilBlistFamily, AnIteratorAfterNullResumesWhereItsLastSearchBegan) {
  typename TypeParam::List l(2);
  l.l_append(&A);
  typename TypeParam::Iter it(&l);
  EXPECT_EQ(walk(it), "A");
  l.l_append(&B);
  EXPECT_EQ(walk(it), "B") << "appended into the blink the iterator stands in";
  l.l_append(&C);
  EXPECT_EQ(walk(it), "C") << "appended into a new blink";
  l.l_append(&D);
  l.l_append(&E); // third blink: E
  it.reset();
  void *got[] = {it.l_next(), it.l_next(), it.l_next()};
  EXPECT_TRUE(got[0] == &A && got[1] == &B && got[2] == &C);
  l.l_remove(&D);
  l.l_remove(&E);
  EXPECT_EQ(it.l_next(), nullptr);
  l.l_append(&E); // into the emptied last blink's first slot, which the search crossed to
  EXPECT_EQ(walk(it), "E");
}

TYPED_TEST(UtilBlistFamily, PooledObjectsAndBlinksAreCountedUntilDeleted) {
  RecordingMsgman rec;
  long mem = TypeParam::List::total_mem, count = TypeParam::List::total_count;
  auto *l = new typename TypeParam::List(3);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(TypeParam::List::total_count, count + 1);
  for (int i = 0; i < 7; ++i)
    l->l_append(&A);
  auto *it = new typename TypeParam::Iter(l);
  EXPECT_EQ(TypeParam::List::total_mem - mem,
            long(sizeof(*l) + sizeof(*it) + 3 * 4 * sizeof(void *)));
  l->compress();
  delete it;
  l->compress();
  delete l;
  EXPECT_EQ(TypeParam::List::total_mem, mem);
  EXPECT_EQ(TypeParam::List::total_count, count);
  ASSERT_EQ(rec.problems().size(), 3u);
  EXPECT_EQ(rec.problems()[0].number, 19);
  EXPECT_EQ(rec.problems()[1].kind, RecordedReport::Error);
  EXPECT_EQ(rec.problems()[2].text, "List compression not yet implemented.\n");
  EXPECT_TRUE(rec.all_framed());

  rec.clear();
  {
    typename TypeParam::List doomed(1);
    it = new typename TypeParam::Iter(&doomed);
    TypeParam::Iter::operator delete(it); // the list goes first; the iterator is not used
  }
  EXPECT_EQ(texts(rec.problems()),
            std::vector<std::string>{"Cannot destroy list with iterators.\n"});
}

TEST(UtilBlist, TheTwoFamiliesSayCompressDifferently) {
  RecordingMsgman rec;
  UT_BLIST l(1);
  UT_BLISTS s(1);
  UT_BLIST_ITER i(&l);
  UT_BLISTS_ITER j(&s);
  l.compress();
  s.compress();
  EXPECT_EQ(rec.problems()[0].text, "Cannot compress list with iterators.\n");
  EXPECT_EQ(rec.problems()[2].text, "Cannot compress lists with iterators.\n");
}

TEST(UtilBlist, TheSmallListWrapsItsCountersWithAReport) {
  RecordingMsgman rec;
  {
    UT_BLISTS l(255);
    for (long i = 0; i < 65535; ++i)
      l.l_append(&A);
    EXPECT_TRUE(rec.problems().empty());
    l.l_append(&B);
    EXPECT_EQ(l.getcount(), 0);
    EXPECT_EQ(l.l_find(&B), 1) << "the element is still added";
    std::vector<UT_BLISTS_ITER *> its;
    for (int i = 0; i < 256; ++i)
      its.push_back(new UT_BLISTS_ITER(&l));
    for (auto *it : its)
      delete it;
  }
  EXPECT_EQ(texts(rec.problems()), (std::vector<std::string>{"Maximum element count exceeded.\n",
                                                             "Maximum iterator count exceeded.\n",
                                                             "Iterator count underflow.\n"}));
}

TEST(UtilBlist, OddBlockSizesNullListsAndFailedAllocationsAreSafe) {
  RecordingMsgman rec;
  EXPECT_EQ(create_blink(0, &A), nullptr);
  void **blink = create_blink(3, &A);
  ASSERT_NE(blink, nullptr);
  EXPECT_TRUE(blink[0] == nullptr && blink[1] == &A && !blink[2] && !blink[3]);
  kor_free(blink);

  UT_BLIST l(0); // taken as one slot per blink
  long before = UT_BLIST::total_mem;
  l.l_append(&A);
  l.l_append(&B);
  EXPECT_EQ(UT_BLIST::total_mem - before, long(2 * 2 * sizeof(void *)));
  UT_BLIST_ITER none(nullptr);
  EXPECT_EQ(none.l_next(), nullptr);

  kor_fail_after(0);
  l.l_append(&C);
  kor_fail_after(-1);
  EXPECT_EQ(l.getcount(), 2u) << "an element that could not be stored is not counted";
  EXPECT_EQ(texts(rec.problems()), std::vector<std::string>{"UT_BLIST:New failed.\n"});
  UT_BLIST_ITER it(&l);
  EXPECT_EQ(walk(it), "AB");
}
