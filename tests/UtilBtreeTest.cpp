// Tests of the AVL tree: exact shapes after each rotation case, cells, counts, traversal,
// flushing, listings, and a long randomized run against std::set.
#include "UtilBtree.h"
#include "RecordingMsgman.h"
#include "UtilBtreeimp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

// Items are the key texts themselves. Ascending: key - item; descending: item - key, which
// builds the mirror image of the ascending tree.
int ascending(void *item, const char *key) {
  int c = std::strcmp(key, static_cast<const char *>(item));
  return (c > 0) - (c < 0);
}
int descending(void *item, const char *key) { return -ascending(item, key); }

std::vector<std::string> listed;
void record_item(void *item) { listed.push_back(static_cast<const char *>(item)); }

struct Node {
  std::string key;
  int depth;
  char bal; // '<' left taller, '>' right taller, '=' equal
};

// The tree as the listing shows it: in-order items with their depths and balance words.
std::vector<Node> listing(UT_BTR_TREE &t, RecordingMsgman &rec) {
  listed.clear();
  rec.clear();
  t.dump(record_item, 1);
  std::vector<Node> nodes;
  for (std::size_t i = 0; i + 1 < rec.reports.size(); i += 2) {
    int depth = 0;
    std::sscanf(rec.reports[i].text.c_str(), "      depth = %d", &depth);
    const std::string &w = rec.reports[i + 1].text;
    nodes.push_back({listed.at(i / 2), depth, w == "LEFT\n" ? '<' : w == "RIGHT\n" ? '>' : '='});
  }
  return nodes;
}

// Rebuilds the subtree of nodes[lo, hi) at depth d as "key<bal>(left,right)", checking
// that each node's balance word matches its subtrees' heights. With mirror, left and right
// are swapped so that a descending tree reads like its ascending twin.
std::string shape(const std::vector<Node> &n, std::size_t lo, std::size_t hi, int d, bool mirror,
                  int &height, int &errors) {
  height = 0;
  if (lo == hi)
    return "-";
  std::size_t r = hi;
  for (std::size_t i = lo; i < hi; ++i) {
    if (n[i].depth == d && r == hi)
      r = i;
    else if (n[i].depth <= d)
      ++errors;
  }
  if (r == hi)
    return ++errors, "?";
  int hl, hr;
  std::string l = shape(n, lo, r, d + 1, mirror, hl, errors);
  std::string rt = shape(n, r + 1, hi, d + 1, mirror, hr, errors);
  height = 1 + std::max(hl, hr);
  char bal = hl > hr ? '<' : hr > hl ? '>' : '=';
  if (bal != n[r].bal || std::abs(hl - hr) > 1)
    ++errors;
  if (mirror) {
    std::swap(l, rt);
    bal = bal == '<' ? '>' : bal == '>' ? '<' : '=';
  }
  return n[r].key + bal + (l == "-" && rt == "-" ? "" : "(" + l + "," + rt + ")");
}

std::string shape_of(UT_BTR_TREE &t, RecordingMsgman &rec, bool mirror = false) {
  int height = 0, errors = 0;
  std::vector<Node> n = listing(t, rec);
  std::string s = shape(n, 0, n.size(), 1, mirror, height, errors);
  return errors ? "inconsistent: " + s : s;
}

// One-letter items in static storage: the trees keep pointers to them.
char *item(char c) {
  static char letters[26][2];
  char *p = letters[c - 'a'];
  p[0] = c;
  return p;
}
void add_all(UT_BTR_TREE &t, const char *keys) {
  for (; *keys; ++keys)
    *t.add(item(*keys)) = item(*keys);
}

void collect(void **cell, void *arg) {
  static_cast<std::string *>(arg)->append(static_cast<const char *>(*cell));
}
std::string walk(UT_BTR_TREE &t, int order) {
  std::string s;
  t.traverse(collect, &s, static_cast<UT_BTR_TREE::TRAV_TYPE>(order));
  return s;
}

void print_item(void *i) { ut_msgman->print_msg("<%s>", static_cast<char *>(i)); }
void write_item(UT_STREAM &s, void *i) { s << "<" << static_cast<char *>(i) << ">"; }

} // namespace

TEST(UtilBtree, InsertionAndRemovalRebalanceIntoTheExactShapesOfEachRotationCase) {
  // Built from the keys in order, then one key removed. Removing a node with two children
  // takes its structural left neighbour, which in the mirror image is the next key up:
  // there the mirrored shape differs.
  struct {
    const char *build, *removed, *expected, *mirrored;
  } const cases[] = {
      {"cba", "", "b=(a=,c=)", nullptr},                                    // LL
      {"cab", "", "b=(a=,c=)", nullptr},                                    // LR, z EQUAL
      {"hciafe", "", "f=(c=(a=,e=),h>(-,i=))", nullptr},                    // LR, z LEFT
      {"hciafg", "", "f=(c<(a=,-),h=(g=,i=))", nullptr},                    // LR, z RIGHT
      {"abc", "a", "b>(-,c=)", nullptr},                                    // EQUAL becomes RIGHT
      {"abcd", "a", "c=(b=,d=)", nullptr},                                  // RR rotation
      {"fbhadgicej", "a", "f=(d<(b>(-,c=),e=),h>(g=,i>(-,j=)))", nullptr},  // EQUAL child
      {"badc", "a", "c=(b=,d=)", nullptr},                                  // RL, z EQUAL
      {"cbgaehf", "a", "e=(c<(b=,-),g=(f=,h=))", nullptr},                  // LEFT->EQUAL, RL
      {"cbgaehd", "a", "e=(c=(b=,d=),g>(-,h=))", nullptr},                  // RL, z LEFT
      {"dbfaceg", "d", "c=(b<(a=,-),f=(e=,g=))", "e=(b=(a=,c=),f>(-,g=))"}, // deep
      {"dbfaceg", "b", "d=(a>(-,c=),f=(e=,g=))", "d=(c<(a=,-),f=(e=,g=))"}, // child
      {"dbfacegh", "g", "d=(b=(a=,c=),f=(e=,h=))", nullptr},                // RIGHT->EQUAL upwards
  };
  RecordingMsgman rec;
  // Each case runs on an ascending tree and on its mirror image (the other rotation side).
  for (const auto &c : cases) {
    for (bool mirror : {false, true}) {
      UT_BTR_TREE t(mirror ? descending : ascending);
      add_all(t, c.build);
      EXPECT_EQ(*c.removed ? t.remove(c.removed) : nullptr,
                *c.removed ? item(*c.removed) : nullptr);
      EXPECT_EQ(t.get_count(), static_cast<long>(std::strlen(c.build) - std::strlen(c.removed)));
      EXPECT_EQ(shape_of(t, rec, mirror), mirror && c.mirrored ? c.mirrored : c.expected)
          << c.build << " less " << c.removed << (mirror ? ", mirrored" : "");
    }
  }
  EXPECT_TRUE(rec.problems().empty());
}

TEST(UtilBtree, CellsCountAndTraversalsFollowAddsRemovalsAndStoreOperations) {
  RecordingMsgman rec;
  UT_BTR_TREE t(ascending);
  EXPECT_TRUE(!t.get_root() && !t.add(nullptr) && !t.find(nullptr) && !t.remove(nullptr));
  EXPECT_EQ(t.s_add(nullptr, nullptr) + t.get_count(), 0) << "a null key stores nothing";

  add_all(t, "abc"); // three keys balance under the middle one; every order visits as named
  const char *orders[] = {"abc", "acb", "cba", "cab", "bac", "bca", "", ""};
  for (int order = -1; order <= 6; ++order)
    EXPECT_EQ(walk(t, order), orders[order < 0 ? 7 : order]) << "order " << order;
  void **root = t.get_root();
  EXPECT_EQ(t.add("b"), root) << "an existing key gives its cell back";
  EXPECT_EQ(t.remove("zz"), nullptr);
  EXPECT_EQ(t.get_count(), 3);
  EXPECT_EQ(shape_of(t, rec), "b=(a=,c=)");
  // Removing the root moves its predecessor's item into the root's node.
  EXPECT_EQ(t.remove("b"), item('b'));
  EXPECT_EQ(t.get_root(), root);
  EXPECT_EQ(t.find("a"), root);
  EXPECT_EQ(shape_of(t, rec), "a>(-,c=)");

  // The store operations: replace, a null value standing for the key, find, remove.
  std::string other = "c";
  EXPECT_EQ(t.s_add(item('c'), &other[0]) + t.s_add(item('d'), nullptr), 2);
  EXPECT_EQ(t.s_find(item('c')), &other[0]);
  EXPECT_EQ(t.s_find(item('d')), item('d'));
  EXPECT_EQ(t.get_count(), 3);
  EXPECT_EQ(t.s_remove(item('d')), item('d'));
  EXPECT_EQ(t.s_remove(item('d')), nullptr);
  EXPECT_EQ(t.get_count(), 2);

  // Without a node from the pool a new key is refused and nothing changes.
  std::string before = shape_of(t, rec);
  UT_FASTMEM *pool = UT_BTR_NODE::mem;
  UT_BTR_NODE::mem = nullptr;
  EXPECT_TRUE(!t.add("e") && !t.s_add(item('e'), nullptr));
  EXPECT_EQ(t.s_add(item('a'), nullptr), 1) << "an existing key needs no node";
  UT_BTR_NODE::mem = pool;
  EXPECT_EQ(shape_of(t, rec) + " " + std::to_string(t.get_count()), before + " 2");
  EXPECT_TRUE(rec.problems().empty());

  UT_STORE *store = new UT_BTR_TREE(ascending);
  store->s_add(item('d'), nullptr);
  delete store; // the derived destructor gives the node back (checked by the leak checker)
}

TEST(UtilBtree, FlushHandsItemsOverLeftRightNodeAndEmptiesTheTree) {
  UT_BTR_TREE t(ascending);
  add_all(t, "dbfaceg");
  t.add("h"); // a node whose cell stays empty is not handed over
  static std::string order;
  t.flush([](void **cell, void *arg) {
    EXPECT_EQ(arg, nullptr);
    order.append(static_cast<const char *>(*cell));
  });
  EXPECT_EQ(order, "acbegfd");
  EXPECT_TRUE(t.get_count() == 0 && !t.get_root() && !t.find("d"));
  add_all(t, "d");
  EXPECT_EQ(t.get_count(), 1);
}

TEST(UtilBtree, TreeWithoutComparisonReportsEveryComparisonAndGoesRight) {
  RecordingMsgman rec;
  UT_BTR_TREE t(static_cast<unsigned char>(1));
  add_all(t, "xyz");               // 0 + 1 + 2 comparisons, the third add rotating the tree
  EXPECT_EQ(t.find("x"), nullptr); // never matches: 2 more
  ASSERT_EQ(rec.reports.size(), 5u);
  for (const auto &r : rec.reports)
    EXPECT_TRUE(r.number == 3 && r.unit == "UtilBtreeimp" &&
                r.text == "This function must be defined in the derived class.\n");
  EXPECT_EQ(walk(t, UT_BTR_TREE::INORDER), "xyz");
  EXPECT_EQ(t.comp_func(nullptr, "x"), 1);
  EXPECT_EQ(rec.reports.at(5).unit, "UtilBtree") << "the handle's own comp_func reports too";
  EXPECT_TRUE(rec.all_framed());
}

TEST(UtilBtree, BothListingFormsWriteTheSameText) {
  TempDir dir;
  UT_BTR_TREE t(ascending);
  add_all(t, "bac");
  for (int node_state = 0; node_state <= 1; ++node_state) {
    for (bool printer : {false, true}) {
      RecordingMsgman rec;
      t.dump(printer ? print_item : nullptr, node_state);
      UT_STREAM s(UT_WRITE, 64, ut_useddefaultfman);
      ASSERT_EQ(s.open(dir.file("dump").c_str(), 1), 1);
      t.dump(s, printer ? write_item : nullptr, node_state);
      s.close();
      EXPECT_EQ(read_file_bytes(dir.file("dump")), rec.printed());
      EXPECT_TRUE(printer || rec.all_framed());
    }
  }
  RecordingMsgman rec;
  t.flush(nullptr);
  add_all(t, "a");
  t.dump(nullptr, 1);
  char data[64];
  std::snprintf(data, sizeof data, "   Data = %p", static_cast<void *>(item('a')));
  ASSERT_EQ(rec.reports.size(), 3u) << "the balance word is a report of its own";
  EXPECT_EQ(rec.printed(), std::string(data) + "      depth = 1, balance = EQUAL\n");
}

TEST(UtilBtree, RandomOperationsKeepContentsCountAndAvlShapeAgreeingWithStdSet) {
  const unsigned seed = 20261206;
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  std::vector<std::string> pool;
  for (int i = 0; i < 3000; ++i)
    pool.push_back("k" + std::to_string(i * 7919 % 3000));
  RecordingMsgman rec;
  UT_BTR_TREE t(ascending);
  std::set<std::string> oracle;
  for (int batch = 0; batch < 100; ++batch) {
    for (int op = 0; op < 1000; ++op) {
      std::string &key = pool[rng() % pool.size()];
      unsigned what = rng() % 10;
      if (what < 5) {
        void **cell = t.add(key.c_str());
        ASSERT_NE(cell, nullptr);
        ASSERT_EQ(*cell != nullptr, oracle.count(key) == 1) << key;
        *cell = &key[0];
        oracle.insert(key);
      } else if (what < 8) {
        void *item = t.remove(key.c_str());
        ASSERT_EQ(item ? std::string(static_cast<char *>(item)) : "", oracle.erase(key) ? key : "");
      } else {
        ASSERT_EQ(t.find(key.c_str()) != nullptr, oracle.count(key) == 1) << key;
      }
    }
    std::vector<Node> n = listing(t, rec);
    ASSERT_EQ(listed, std::vector<std::string>(oracle.begin(), oracle.end())) << batch;
    ASSERT_EQ(t.get_count(), static_cast<long>(oracle.size()));
    int height = 0, errors = 0;
    shape(n, 0, n.size(), 1, false, height, errors);
    ASSERT_EQ(errors, 0) << "balance words or depths wrong after batch " << batch;
    ASSERT_LE(height, 1.4405 * std::log2(oracle.size() + 2.0) - 0.3277) << batch;
  }
  EXPECT_TRUE(rec.problems().empty());
}
