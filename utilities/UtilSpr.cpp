// UtilSpr: sparse matrix of doubles. Every element is a node linked into the sorted list
// of its row and of its column (LIST_UT_SPRNODE, a UT_LIST); removed nodes wait on a free
// list for reuse. Range errors are reported through error_msg; the solver is Gauss-Seidel.
#include "UtilSpr.h"

#include "UtilReport.h"

#include <climits>
#include <cmath>
#include <limits>
#include <new>

UT_REPORT_UNIT("UtilSpr", "$Revision: 1.1.2.1 $")

namespace {

const char *const mv_finderr =
    "Attempt to find element (%d,%d) outside of matrix of size (%d,%d)\n";
const char *const mv_inserterr =
    "Attempt to insert element (%d,%d) outside of matrix of size (%d,%d)\n";
const char *const mv_deleteerr =
    "Attempt to delete element (%d,%d) outside of matrix of size (%d,%d)\n";

UT_SPRNODE *node(void *elem) { return static_cast<UT_SPRNODE *>(elem); }

// A dimension from the constructor's argument: negative becomes 1; beyond 32 bits, 0.
std::int32_t dimension(long n) {
  if (n < 0)
    return 1;
  return n > INT32_MAX ? 0 : static_cast<std::int32_t>(n);
}

// Positions are printed with %d: values beyond int show as the nearest int.
int printable(long v) {
  return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

double notanumber() { return std::numeric_limits<double>::quiet_NaN(); }

} // namespace

// ---- LIST_UT_SPRNODE ------------------------------------------------------------------

void LIST_UT_SPRNODE::freedata(void *) {}

// The three element operations below read the element as a text; the matrix never calls
// them (it neither prints, searches nor sorts its lists).
void LIST_UT_SPRNODE::printdata(void *elem) { UT_REPORT(print_msg, "%s\n", elem); }

unsigned char LIST_UT_SPRNODE::finddata(void *elem, void *key) {
  return UT_STR::Compare(static_cast<const char *>(elem), static_cast<const char *>(key)) == 0;
}

int LIST_UT_SPRNODE::compdata(void *a, void *b) {
  return UT_STR::Compare(static_cast<const char *>(a), static_cast<const char *>(b));
}

int LIST_UT_SPRNODE::insertsorted(UT_SPRNODE *elem, bool bycol) {
  auto key = [bycol](void *e) { return bycol ? node(e)->col : node(e)->row; };
  const std::int32_t k = key(elem);
  // Appending after a strictly smaller last key needs no walk (row-major building).
  if (tail != head && key(tail->data) < k)
    return append(elem);
  reset();
  while (void *next = peeknext()) {
    if (key(next) > k)
      break;
    if (next == elem)
      return -1; // already linked here: a second link would corrupt the list
    getnext();
  }
  return insert(elem);
}

// ---- UT_SPRMTX ------------------------------------------------------------------------

UT_SPRMTX::UT_SPRMTX(long nr, long nc)
    : nrows(dimension(nr)), ncols(dimension(nc)), rows(nullptr), cols(nullptr) {
  if (nrows > 0)
    rows = new (std::nothrow) LIST_UT_SPRNODE[static_cast<std::size_t>(nrows)];
  if (ncols > 0)
    cols = new (std::nothrow) LIST_UT_SPRNODE[static_cast<std::size_t>(ncols)];
  if ((nrows > 0 && !rows) || (ncols > 0 && !cols) || nr > INT32_MAX || nc > INT32_MAX) {
    // A size no memory can serve (or that positions cannot address): an empty matrix.
    UT_REPORT(numbered_msg, 19, "Out of memory.\n");
    delete[] rows;
    delete[] cols;
    rows = cols = nullptr;
    nrows = ncols = 0;
  }
}

UT_SPRMTX::~UT_SPRMTX() {
  clear();
  delete[] rows;
  delete[] cols;
}

bool UT_SPRMTX::inrange(long row, long col) const {
  return row >= 0 && row < nrows && col >= 0 && col < ncols;
}

void UT_SPRMTX::rangeerror(const char *fmt, long row, long col) const {
  UT_REPORT(error_msg, fmt, printable(row), printable(col), static_cast<int>(nrows),
            static_cast<int>(ncols));
}

UT_SPRNODE *UT_SPRMTX::findelement(long row, long col) {
  if (!inrange(row, col)) {
    rangeerror(mv_finderr, row, col);
    return nullptr;
  }
  LIST_UT_SPRNODE &list = rows[row];
  list.reset();
  while (void *e = list.getnext())
    if (node(e)->col == col)
      return node(e);
  return nullptr;
}

UT_SPRNODE *UT_SPRMTX::newnode(long row, long col, double value) {
  UT_SPRNODE *n = node(freenodes.pop());
  if (!n)
    n = new (std::nothrow) UT_SPRNODE;
  if (n)
    *n = UT_SPRNODE{static_cast<std::int32_t>(row), static_cast<std::int32_t>(col), value};
  return n;
}

void UT_SPRMTX::insertelement(long row, long col, UT_SPRNODE *n) {
  if (!inrange(row, col)) {
    rangeerror(mv_inserterr, row, col);
    return;
  }
  if (!n || n->row != row || n->col != col)
    return;
  // The row walk refuses a node already in the matrix before anything is linked.
  const int inrow = rows[row].insertsorted(n, true);
  if (inrow < 0)
    return;
  if (inrow && cols[col].insertsorted(n, false) == 1)
    return;
  // No list node to be had: the matrix, which owns the node, releases it.
  if (inrow)
    rows[row].rmunowned(n);
  delete n;
  UT_REPORT(numbered_msg, 19, "Out of memory.\n");
}

void UT_SPRMTX::insertelement(long row, long col, double value) {
  if (!inrange(row, col)) {
    rangeerror(mv_inserterr, row, col);
    return;
  }
  UT_SPRNODE *n = new (std::nothrow) UT_SPRNODE;
  if (!n)
    return;
  *n = UT_SPRNODE{static_cast<std::int32_t>(row), static_cast<std::int32_t>(col), value};
  insertelement(row, col, n);
}

void UT_SPRMTX::deleteelement(long row, long col) {
  if (!inrange(row, col)) {
    rangeerror(mv_deleteerr, row, col);
    return;
  }
  UT_SPRNODE *n = findelement(row, col);
  if (!n)
    return;
  rows[row].rmunowned(n);
  cols[col].rmunowned(n);
  if (!freenodes.push(n))
    delete n; // no room on the free list: released at once
}

void UT_SPRMTX::addvalue(long row, long col, double value) {
  if (!inrange(row, col)) {
    rangeerror(mv_finderr, row, col);
    return;
  }
  if (UT_SPRNODE *n = findelement(row, col))
    n->value += value;
  else
    insertelement(row, col, value);
}

void UT_SPRMTX::clear() {
  // Every node is in exactly one row list: unlink the columns, then release the nodes
  // of the rows and of the free list. Nothing is allocated on the way.
  for (std::int32_t c = 0; c < ncols; ++c)
    cols[c].freelist();
  for (std::int32_t r = 0; r < nrows; ++r)
    while (void *e = rows[r].pop())
      delete node(e);
  while (void *e = freenodes.pop())
    delete node(e);
}

void UT_SPRMTX::copy(UT_SPRMTX &other) {
  if (&other == this)
    return;
  clear();
  for (std::int32_t r = 0; r < other.nrows; ++r) {
    LIST_UT_SPRNODE &list = other.rows[r];
    list.reset();
    while (void *e = list.getnext())
      insertelement(node(e)->row, node(e)->col, node(e)->value);
  }
}

double UT_SPRMTX::sprgauss(double *b, double *x) {
  // A row below the last column has no diagonal: its look-up is out of range, reported
  // once for the first row swept. A column beyond the last row has no x to read.
  if (nrows > ncols)
    rangeerror(mv_finderr, nrows - 1, nrows - 1);
  if (nrows != ncols || !b || !x)
    return notanumber();
  double sumsq = 0.0;
  for (std::int32_t i = nrows - 1; i >= 0; --i) {
    // One walk of row i gives both the diagonal (its first node at column i) and the
    // sum of value * x[col] over the whole row, diagonal included.
    const UT_SPRNODE *diag = nullptr;
    double s = 0.0;
    LIST_UT_SPRNODE &list = rows[i];
    list.reset();
    while (void *e = list.getnext()) {
      const UT_SPRNODE *n = node(e);
      if (!diag && n->col == i)
        diag = n;
      s += n->value * x[n->col];
    }
    if (!diag) {
      sumsq = notanumber(); // the row cannot be solved for x[i]: no convergence
      continue;
    }
    const double old = x[i];
    const double updated = (b[i] - (s - diag->value * old)) / diag->value;
    x[i] = updated;
    sumsq += (updated - old) * (updated - old);
  }
  return std::sqrt(sumsq);
}

double UT_SPRMTX::solvegauss(double *b, double *x, double tol, long maxiter) {
  if (nrows != ncols || maxiter < 1)
    return tol;
  // At least one sweep; a NaN change (or tolerance) ends the loop as convergence does,
  // and NaN is never below tol, so the caller still sees no convergence.
  double err;
  long count = 0;
  do {
    err = sprgauss(b, x);
  } while (++count < maxiter && err >= tol);
  return err;
}

void UT_SPRMTX::print(unsigned char) {}
void UT_SPRMTX::print() {}
void UT_SPRMTX::print(long, long) {}
