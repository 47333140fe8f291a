// UT_SPRMTX::solvegauss against a Gauss-Seidel sweep over a matrix in compressed sparse
// rows (CSR) written here: the 2D Poisson system of a 100 x 100 grid (five-point
// stencil), 50 sweeps each. Both sweep the rows from the last to the first with the same
// arithmetic, so they must end with the same solution.
#include "BenchPairs.h"

#include "Utilities.h"

#include <cmath>

namespace {

const int kGrid = 100;
const int kUnknowns = kGrid * kGrid;
const long kSweeps = 50;

// Calls f(row, col, value) for every element of the Poisson matrix, row by row in
// ascending columns.
template <class F> void poisson(F f) {
  for (int y = 0; y < kGrid; ++y)
    for (int x = 0; x < kGrid; ++x) {
      int r = y * kGrid + x;
      if (y > 0)
        f(r, r - kGrid, -1.0);
      if (x > 0)
        f(r, r - 1, -1.0);
      f(r, r, 4.0);
      if (x < kGrid - 1)
        f(r, r + 1, -1.0);
      if (y < kGrid - 1)
        f(r, r + kGrid, -1.0);
    }
}

std::vector<double> rhs() {
  std::vector<double> b(kUnknowns);
  for (int i = 0; i < kUnknowns; ++i)
    b[i] = 1.0 + (i % 7) * 0.25;
  return b;
}

struct Csr {
  std::vector<int> start, col;
  std::vector<double> val;
  std::vector<int> diag; // position of each row's diagonal in col/val
  Csr() {
    start.push_back(0);
    int row = 0;
    poisson([&](int r, int c, double v) {
      while (row < r) {
        start.push_back(static_cast<int>(col.size()));
        ++row;
      }
      if (r == c)
        diag.push_back(static_cast<int>(col.size()));
      col.push_back(c);
      val.push_back(v);
    });
    start.push_back(static_cast<int>(col.size()));
  }
  // One sweep, last row first, x updated in place; the norm of the change.
  double sweep(const double *b, double *x) const {
    double sumsq = 0.0;
    for (int i = kUnknowns - 1; i >= 0; --i) {
      double s = 0.0;
      for (int k = start[i]; k < start[i + 1]; ++k)
        s += val[k] * x[col[k]];
      double d = val[diag[i]];
      double old = x[i];
      double now = (b[i] - (s - d * old)) / d;
      x[i] = now;
      sumsq += (now - old) * (now - old);
    }
    return std::sqrt(sumsq);
  }
};

void SprSolveGauss(benchmark::State &state) {
  UT_SPRMTX m(kUnknowns, kUnknowns);
  poisson([&](int r, int c, double v) { m.insertelement(r, c, v); });
  const std::vector<double> b = rhs();
  std::vector<double> b2 = b, x(kUnknowns), xpeer(kUnknowns, 0.0);
  for (auto _ : state) {
    state.PauseTiming();
    std::fill(x.begin(), x.end(), 0.0);
    state.ResumeTiming();
    benchmark::DoNotOptimize(m.solvegauss(b2.data(), x.data(), 0.0, kSweeps));
  }
  Csr csr;
  for (long s = 0; s < kSweeps; ++s)
    csr.sweep(b.data(), xpeer.data());
  if (x != xpeer)
    state.SkipWithError("the two solvers disagree");
}

void CsrGaussSeidel(benchmark::State &state) {
  Csr csr;
  const std::vector<double> b = rhs();
  std::vector<double> x(kUnknowns);
  for (auto _ : state) {
    state.PauseTiming();
    std::fill(x.begin(), x.end(), 0.0);
    state.ResumeTiming();
    double err = 0;
    for (long s = 0; s < kSweeps; ++s)
      err = csr.sweep(b.data(), x.data());
    benchmark::DoNotOptimize(err);
  }
}

} // namespace

UT_BENCH(SprSolveGauss);
UT_BENCH(CsrGaussSeidel);

UT_BENCH_ROW("`UT_SPRMTX::solvegauss` vs Gauss-Seidel on a CSR matrix",
             "2D Poisson, 100 x 100 grid, 50 sweeps", "SprSolveGauss", "CsrGaussSeidel", 3.0);
