// UtilArray: the algorithms every array shares (quicksort, checked sort, binary search,
// sorted insertion, shifting, resizing, copying), written only against the virtual
// getaddr so that blocked and contiguous storage use the same code. The quicksort itself
// lives in UtilArrayimp.h, shared with the contiguous array.
#include "UtilArray.h"

#include "UtilArrayimp.h"
#include "UtilReport.h"

#include <climits>

UT_REPORT_UNIT("UtilArray", "$Revision: 1.1.2.1 $")

unsigned char UT_BASE_ARRAY::insflag = 0;

UT_BASE_ARRAY::UT_BASE_ARRAY(long elsize, long size, unsigned char clear)
    : clearflag(clear), elsize(elsize), maxnum(0), num(0), incr(size) {}

void UT_BASE_ARRAY::testaddr(long i) const {
  if (i < 0 || i >= num)
    UT_REPORT(numbered_msg, 19, "Element out of range. Use expand.\n");
}

void UT_BASE_ARRAY::clearmem(void *addr, long nbytes) {
  if (clearflag && addr && nbytes > 0)
    UT_MEMORY::Set(addr, 0, static_cast<unsigned>(nbytes));
}

void UT_BASE_ARRAY::qsort(long lo, long hi, CMPFUNC cmp) {
  if (lo >= hi)
    return;
  // Reaching past the end grows the array first; the new elements take part in the sort.
  // If it cannot grow, nothing is sorted.
  if (hi >= num && !getaddr(hi))
    return;
  ut_array_quicksort(
      lo, hi, elsize, cmp, [this](long i) { return getaddr(i); },
      [this, cmp](long l, long h) { this->qsort(l, h, cmp); });
}

void UT_BASE_ARRAY::a_sort(CMPFUNC cmp, long from, long to) {
  if (num == 0)
    return;
  if (to == -1)
    to = num - 1;
  qsort(from, to, cmp);
  // Check the result; one report for each pair out of order.
  for (long i = from + 1; i <= to; ++i) {
    void *a = getaddr(i - 1);
    void *b = getaddr(i);
    if (!a || !b)
      return;
    if (cmp(a, b) > 0)
      UT_REPORT(numbered_msg, 19, "Sort produced an unsorted list.\n");
  }
}

long UT_BASE_ARRAY::a_bsearch(const void *key, CMPFUNC cmp) {
  long low = 0;
  long high = num - 1;
  long mid = 0;
  long result = -1;
  while (low <= high) {
    mid = (low + high) / 2;
    int c = cmp(key, getaddr(mid));
    if (c == 0) {
      // Step down to the first of a run of equal elements.
      while (mid > 0 && cmp(key, getaddr(mid - 1)) == 0)
        --mid;
      result = mid;
      break;
    }
    if (c < 0)
      high = mid - 1;
    else
      low = mid + 1;
  }
  if (!insflag)
    return result;

  long pos = mid;
  if (mid < num) {
    if (cmp(key, getaddr(mid)) > 0)
      pos = mid + 1;
    long before = num;
    a_shift(pos, 1);
    if (num == before)
      return result; // no room for the new element
  }
  void *slot = getaddr(pos);
  if (slot)
    UT_MEMORY::Copy(slot, key, static_cast<unsigned>(elsize));
  return result;
}

void UT_BASE_ARRAY::a_sortadd(const void *elem, CMPFUNC cmp) {
  // elem may point into this array's own storage, which the insertion shifts and may
  // move: what is inserted is a copy taken before anything moves.
  unsigned char local[64];
  void *copy = local;
  const bool copied = elem && elsize > 0;
  if (copied && elsize > static_cast<long>(sizeof local)) {
    copy =
        elsize <= static_cast<long>(UINT_MAX) ? kor_malloc(static_cast<unsigned>(elsize)) : nullptr;
    if (!copy) {
      UT_REPORT(numbered_msg, 19, "Out of memory.\n");
      return;
    }
  }
  if (copied)
    UT_MEMORY::Copy(copy, elem, static_cast<unsigned>(elsize));
  insflag = 1;
  a_bsearch(copied ? copy : elem, cmp);
  insflag = 0;
  if (copy != local)
    kor_free(copy);
}

void UT_BASE_ARRAY::a_shift(long pos, long dir) {
  if (dir >= 1) {
    if (pos == num) {
      getaddr(pos);
      return;
    }
    if (pos < 0 || pos > num)
      return;
    long oldnum = num;
    if (!getaddr(num))
      return;
    for (long j = oldnum - 1; j >= pos; --j)
      UT_MEMORY::Copy(getaddr(j + 1), getaddr(j), static_cast<unsigned>(elsize));
    return;
  }
  if (pos <= 0 || pos > num)
    return;
  for (long j = pos; j < num; ++j)
    UT_MEMORY::Copy(getaddr(j - 1), getaddr(j), static_cast<unsigned>(elsize));
  a_resetnum(num - 1);
}

void UT_BASE_ARRAY::a_resetnum(long n) {
  if (n < 0) {
    testaddr(n);
    return;
  }
  if (n > num && !getaddr(n - 1))
    return;
  num = n;
}

void *UT_BASE_ARRAY::a_makearray() {
  if (num <= 0 || elsize <= 0)
    return nullptr;
  unsigned long long bytes = static_cast<unsigned long long>(num) * elsize;
  if (bytes > 0xFFFFFFFFull)
    return nullptr;
  char *copy = static_cast<char *>(kor_malloc(static_cast<unsigned>(bytes)));
  if (!copy)
    return nullptr;
  for (long i = 0; i < num; ++i)
    UT_MEMORY::Move(copy + i * elsize, getaddr(i), static_cast<unsigned>(elsize));
  return copy;
}
