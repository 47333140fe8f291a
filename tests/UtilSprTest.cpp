// Sparse matrix: range errors, sorted and stable insertion, node recycling, copy and
// the Gauss-Seidel solver.
#include "UtilSpr.h"

#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>
#include <vector>

namespace {
using P = std::vector<std::pair<int, int>>;
// Reads a row list (or column list) back as (row, col) pairs in list order.
struct Probe : UT_SPRMTX {
  using UT_SPRMTX::UT_SPRMTX;
  P list(bool row, int i) {
    LIST_UT_SPRNODE &l = row ? rows[i] : cols[i];
    P v;
    for (l.reset(); void *e = l.getnext();)
      v.emplace_back(static_cast<UT_SPRNODE *>(e)->row, static_cast<UT_SPRNODE *>(e)->col);
    return v;
  }
  int dims() { return nrows * 100 + ncols; }
};
} // namespace

TEST(UtilSpr, PositionsOutsideTheMatrixAreReportedAndChangeNothing) {
  RecordingMsgman rec;
  Probe clamped(-5, 3), none(0, 0), m(3, 3);
  EXPECT_EQ(103, clamped.dims() + none.dims());
  EXPECT_EQ(nullptr, m.findelement(2, 7));
  m.insertelement(3, 0, 1.0);
  m.deleteelement(-1, 0);
  m.addvalue(0, 1L << 32, 1.0); // must not wrap round to column 0
  none.insertelement(0, 0, 1.0);
  const char *want[] = {"find element (2,7)", "insert element (3,0)", "delete element (-1,0)",
                        "find element (0,2147483647)", "insert element (0,0)"};
  ASSERT_EQ(5u, rec.reports.size());
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(std::string("Attempt to ") + want[i] + " outside of matrix of size (" +
                  (i < 4 ? "3,3)\n" : "0,0)\n"),
              rec.reports[i].text);
  EXPECT_TRUE(rec.all_framed() && rec.reports[0].unit == "UtilSpr" &&
              rec.reports[0].kind == RecordedReport::Error);
}

TEST(UtilSpr, ListsStaySortedNodesAreRecycledAndUnsafeInsertionsRefused) {
  Probe m(6, 6);
  for (int c : {5, 1, 3, 3, 6})
    m.insertelement(2, c % 6, c * 10.0 + m.list(true, 2).size());
  m.insertelement(4, 3, 0.0);
  m.insertelement(0, 3, 0.0);
  EXPECT_EQ((P{{2, 0}, {2, 1}, {2, 3}, {2, 3}, {2, 5}}), m.list(true, 2));
  EXPECT_EQ((P{{0, 3}, {2, 3}, {2, 3}, {4, 3}}), m.list(false, 3));
  EXPECT_EQ(32.0, m.findelement(2, 3)->value) << "the first inserted is found";
  m.addvalue(1, 1, 2.5), m.addvalue(1, 1, 2.5);
  EXPECT_EQ(5.0, m.findelement(1, 1)->value);
  UT_SPRNODE *first = m.findelement(2, 3);
  m.deleteelement(2, 3);
  m.deleteelement(5, 5); // nothing there: nothing happens
  EXPECT_EQ(33.0, m.findelement(2, 3)->value);
  EXPECT_EQ(first, m.newnode(0, 4, 7.0));
  EXPECT_TRUE(first->row == 0 && first->col == 4 && first->value == 7.0);
  m.insertelement(0, 4, first);
  m.insertelement(0, 4, first); // already linked
  UT_SPRNODE *stray = m.newnode(1, 2, 1.0);
  m.insertelement(2, 2, stray); // fields disagree with the position
  EXPECT_EQ((P{{0, 3}, {0, 4}}), m.list(true, 0));
  EXPECT_EQ((P{{2, 0}, {2, 1}, {2, 3}, {2, 5}}), m.list(true, 2));
  delete stray;
}

TEST(UtilSpr, CopyKeepsTheTargetDimensionsAndClearEmptiesEverything) {
  RecordingMsgman rec;
  Probe small(2, 2), big(3, 3);
  for (int i = 0; i < 4; ++i) // big's four elements at (2,2) go when it copies small
    small.insertelement(i / 2, i % 2, double(i)), big.insertelement(2, 2, 9.0);
  big.copy(small);
  EXPECT_EQ((P{{0, 1}, {1, 1}}), big.list(false, 1));
  EXPECT_EQ((P{}), big.list(true, 2));
  big.insertelement(2, 2, 9.0);
  small.copy(big); // (2,2) does not fit: reported, skipped, not leaked
  small.copy(small);
  EXPECT_EQ(1u, rec.problems().size());
  EXPECT_EQ(3.0, small.findelement(1, 1)->value) << "copy onto itself lost elements";
  small.clear();
  EXPECT_EQ(P{}, small.list(true, 1));
  EXPECT_EQ(P{}, small.list(false, 0));
}

TEST(UtilSpr, SweepsRunFromTheLastRowToTheFirstAndRefuseUnsolvableSystems) {
  UT_SPRMTX m(2, 2), wide(2, 3), holey(2, 2);
  for (int i = 0; i < 4; ++i)
    m.insertelement(i / 2, i % 2, i == 0 ? 4.0 : i == 3 ? 3.0 : 1.0);
  holey.insertelement(1, 0, 1.0);
  holey.insertelement(0, 0, 1.0);
  double b[2] = {1, 2}, x[2] = {0, 0}, y[2] = {5, 6};
  EXPECT_DOUBLE_EQ(std::hypot((1 - 2.0 / 3) / 4, 2.0 / 3), m.sprgauss(b, x));
  EXPECT_DOUBLE_EQ(2.0 / 3, x[1]);
  EXPECT_DOUBLE_EQ((1 - 2.0 / 3) / 4, x[0]);
  EXPECT_EQ(1.0, wide.solvegauss(b, y, 0.5, 10) + m.solvegauss(b, y, 0.5, 0));
  EXPECT_TRUE(std::isnan(wide.sprgauss(b, y)));
  RecordingMsgman rec;
  double z[3] = {7, 7, 7};
  EXPECT_TRUE(std::isnan(UT_SPRMTX(3, 2).sprgauss(z, z)) && z[2] == 7.0);
  ASSERT_EQ(1u, rec.reports.size());
  EXPECT_EQ("Attempt to find element (2,2) outside of matrix of size (3,2)\n", rec.reports[0].text);
  EXPECT_TRUE(std::isnan(holey.solvegauss(b, y, 1e-9, 50))) << "missing diagonal hidden";
  EXPECT_TRUE(y[0] == 1.0 && y[1] == 6.0) << "the row without a diagonal was changed";
}

TEST(UtilSpr, SolvegaussConvergesOnADiagonallyDominantSystemOf1000Unknowns) {
  const int n = 1000;
  UT_SPRMTX a(n, n);
  std::mt19937 gen(5);
  std::uniform_real_distribution<double> val(-1, 1);
  std::vector<double> truth(n), x(n, 0.0), b(n, 0.0), r(n, 0.0);
  std::vector<std::tuple<int, int, double>> entries; // eight random ones a row, diagonal 9
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < 9; ++k)
      entries.emplace_back(i, k < 8 ? int(gen() % n) : i, k < 8 ? val(gen) : 9.0);
  for (int i = 0; i < n; ++i)
    truth[i] = val(gen) * 10;
  for (auto [i, j, v] : entries)
    a.addvalue(i, j, v), b[i] += v * truth[j];
  EXPECT_LT(a.solvegauss(b.data(), x.data(), 1e-12, 500), 1e-12);
  for (auto [i, j, v] : entries)
    r[i] += v * x[j];
  double residual = 0;
  for (int i = 0; i < n; ++i)
    residual += (r[i] - b[i]) * (r[i] - b[i]);
  EXPECT_LT(std::sqrt(residual), 1e-9);
}

TEST(UtilSpr, DimensionsNoMemoryCanServeAreReportedAndLeaveAnEmptyMatrix) {
  RecordingMsgman rec;
  UT_SPRMTX wide(3, 1L << 40);
  UT_SPRMTX tall(1L << 33, 2);
  ASSERT_EQ(rec.problems().size(), 2u);
  for (const RecordedReport &r : rec.problems())
    EXPECT_TRUE(r.number == 19 && r.text == "Out of memory.\n") << r.text;
  rec.clear();
  wide.insertelement(0, 0, 1.0);
  EXPECT_EQ(wide.findelement(0, 0), nullptr);
  EXPECT_EQ(rec.problems().size(), 2u) << "every position is outside a 0 x 0 matrix";
}
