// UtilSpr: sparse matrix of doubles with a Gauss-Seidel solver.
#ifndef UTILSPR_H
#define UTILSPR_H

#include "Portability.h"
#include "UtilList.h"

#include <cstdint>

// UT_SPRNODE: one stored element of a UT_SPRMTX, at (row, col).
struct UT_SPRNODE {
  // The element's row, 0-based.
  std::int32_t row;
  // The element's column, 0-based.
  std::int32_t col;
  // The element's value.
  double value;
};

// LIST_UT_SPRNODE: the row and column lists of a UT_SPRMTX. It holds UT_SPRNODE* and
// does not own them (freedata does nothing): the matrix does. printdata, finddata and
// compdata read the element as a NUL-terminated text (print it with "%s\n", match it
// and order it with UT_STR::Compare); the matrix never calls them.
class LIST_UT_SPRNODE final : public UT_LIST {
public:
  void freedata(void *elem) override;
  void printdata(void *elem) override;
  unsigned char finddata(void *elem, void *key) override;
  int compdata(void *a, void *b) override;

private:
  friend class UT_SPRMTX;
  // Links node after every node whose key is not greater, before the first greater one:
  // the key is the column in a row list (bycol) and the row in a column list. 1 when
  // linked; -1 when the node is already in this list and 0 when no list node can be had,
  // both leaving the list unchanged.
  int insertsorted(UT_SPRNODE *node, bool bycol);
};

// UT_SPRMTX: a sparse nrows x ncols matrix of doubles. Each element is a node linked
// into the list of its row (ascending column) and of its column (ascending row); equal
// positions keep their insertion order and the first inserted is the one found. The
// matrix owns every node in its lists and on its free list: nodes given to
// insertelement(row, col, node) must come from newnode (or `new UT_SPRNODE`).
//
// Positions are zero-based. A position outside the matrix is reported through
// error_msg and the operation does nothing else (findelement returns null). Finding an
// element walks its row; inserting walks its row and its column, except that appending
// at the end of a list (building in row-major order) costs constant time.
class UT_SPRMTX {
public:
  // A negative count becomes 1; 0 stays 0. Counts beyond 32 bits, or arrays that cannot
  // be allocated, are reported ("Out of memory.") and leave a 0 x 0 matrix.
  UT_SPRMTX(long nrows, long ncols);
  ~UT_SPRMTX();
  UT_SPRMTX(const UT_SPRMTX &) = delete;
  UT_SPRMTX &operator=(const UT_SPRMTX &) = delete;

  // The first node of row `row` at column `col`; null when none or out of range.
  UT_SPRNODE *findelement(long row, long col);
  // A node (reused from the free list when there is one) with the given fields, not yet
  // in the matrix. Null only when memory is exhausted.
  UT_SPRNODE *newnode(long row, long col, double value);
  // Links `node` into its row and column after the nodes of equal position. The node's
  // fields must equal (row, col); a node whose fields differ, a null node and a node
  // already in this row are refused and stay with the caller.
  void insertelement(long row, long col, UT_SPRNODE *node);
  // Inserts a newly allocated node; out of range, no node is made.
  void insertelement(long row, long col, double value);
  // Unlinks the first node at (row, col) onto the free list; no node there: nothing.
  void deleteelement(long row, long col);
  // Adds value to the element at (row, col), creating it when there is none.
  void addvalue(long row, long col, double value);
  // Releases every node, the free list's too; needs no memory. The dimensions stay.
  void clear();
  // Replaces this matrix's elements with copies of other's, keeping this matrix's
  // dimensions; elements outside them are reported as insertion errors and skipped.
  // Copying a matrix onto itself changes nothing.
  void copy(UT_SPRMTX &other);

  // One Gauss-Seidel sweep of A x = b from the last row to the first, updating x in
  // place; b and x hold nrows doubles. Returns the Euclidean norm of the change of x.
  // Only square matrices are swept: otherwise, or with a null array, x is untouched
  // and the result is NaN (more rows than columns also report the diagonal's range
  // error for the last row). A row without a diagonal element keeps its x and makes the
  // result NaN; a zero diagonal gives inf or NaN in the usual floating-point way.
  double sprgauss(double *b, double *x);
  // Sweeps until the change is below tol (converged) or maxiter sweeps are done (the
  // result is then not below tol); at least one sweep. A non-square matrix or maxiter
  // below 1 returns tol and leaves x untouched.
  double solvegauss(double *b, double *x, double tol, long maxiter);

  //@{
  // Listing hooks; they print nothing.
  void print(unsigned char);
  void print();
  void print(long, long);
  //@}

protected:
  // Rows of the matrix.
  std::int32_t nrows;
  // Columns of the matrix.
  std::int32_t ncols;
  LIST_UT_SPRNODE *rows;     // nrows row lists
  LIST_UT_SPRNODE *cols;     // ncols column lists
  LIST_UT_SPRNODE freenodes; // nodes out of the matrix, waiting for newnode

private:
  bool inrange(long row, long col) const;
  void rangeerror(const char *fmt, long row, long col) const;
};

#endif
