// UtilCname: the name cache, which interns texts as reference-counted name objects.
// Built on the balanced tree; saves and restores its names through a pointer file.
#ifndef UTILCNAME_H
#define UTILCNAME_H

#include "Portability.h"
#include "UtilBtree.h"

#include <cstdint>

class UT_PTRFILE;
class UT_NCH_CACHE_IMP;

// UT_NCH_NAME: one interned text. The cache owns it; a pointer to it stays valid until
// clean() removes it (its rcnt is 0 then), flush() runs or the cache is destroyed.
// rcnt counts the caller's references; mcnt marks the name for a partial save. Both are
// 32-bit and wrap: a count left negative by a change is reported and kept as it is.
class UT_NCH_NAME {
public:
  // Frees what the name holds of its own.
  virtual ~UT_NCH_NAME();
  // The interned text, owned by the name or the cache (or the caller, pointer-only).
  virtual const char *get_name() const = 0;
  // Lowers rcnt by n; reports "Reference count underflow." when it ends up negative.
  virtual void delete_refs(long n);
  // 4 or 8 for a text held inside the object, 9 for one held elsewhere.
  virtual unsigned short get_size() = 0;

  // Raises rcnt by n; reports "Reference count overflow." when it ends up negative.
  void add_refs(long n);
  //@{
  // One line, "text": rcnt = r, mcnt = m, through print_msg or onto s (then flushed).
  void dump();
  void dump(UT_STREAM &s);
  //@}

  // The caller's references; clean() removes names at 0.
  int32_t rcnt;
  // Marks for a partial save: names above 0 are written by write(file, 1).
  int32_t mcnt;

  UT_NCH_NAME(const UT_NCH_NAME &) = delete;
  UT_NCH_NAME &operator=(const UT_NCH_NAME &) = delete;

protected:
  // For the concrete names: both counts 0.
  UT_NCH_NAME();
};

// UT_NCH_CACHE: a set of interned names, each text stored once, kept in a tree ordered
// by text. Texts of up to 7 characters live inside their name object; longer ones are
// packed into 64 KiB character pools owned by the cache, released as a whole when their
// last name is cleaned. A pointer-only cache keeps the caller's pointer for a text of 8
// or more characters instead of a copy: the caller keeps that text alive and unchanged
// while the name exists.
//
// add and find cost O(log n) comparisons; a name whose count drops to 0 stays findable
// until clean() removes every such name in one sweep. No operation returns an error:
// failures are reported, and add returns null for a null text or when memory runs out.
//
// write/read save the names to a UT_PTRFILE and merge them back, registering each name
// under the identity it was written with, so that pointers to names written elsewhere in
// the same file are fixed up. Reading into a pointer-only cache is refused (reported,
// nothing read). A damaged file stops the reading at the first record that is not whole;
// the names read before it are kept.
class UT_NCH_CACHE : public UT_BTR_TREE {
public:
  // An empty cache; with pointer_only nonzero, texts of 8 or more characters are kept
  // by the caller's pointer instead of copied.
  explicit UT_NCH_CACHE(unsigned char pointer_only);
  // Frees every name and pool.
  ~UT_NCH_CACHE() override;

  // Interns name and adds count to its rcnt; null for a null name. Texts longer than
  // 2047 characters are reported and interned all the same.
  UT_NCH_NAME *add(const char *name, long count);
  // The name object of name, or null; changes no count.
  UT_NCH_NAME *find(const char *name);
  // Removes (and frees) every name whose rcnt is exactly 0.
  void clean();
  // Removes every name and frees every pool, whatever the counts.
  void flush();
  // Sets every mcnt to 0.
  void clear_marks();
  // Writes the name data: all names with their rcnt, or, with marked_only, the names
  // whose mcnt is above 0 with their mcnt. 1 done; 0, reported, when a write failed or
  // when a name to write is longer than the 2047 characters a read gives back (then
  // nothing is written). Buffered bytes reach the file at the stream's flush or close,
  // whose results the caller checks.
  int write(UT_PTRFILE *file, unsigned char marked_only);
  // Reads name data, adding each name with its stored count.
  void read(UT_PTRFILE *file);
  // The pools' capacities plus an estimate of 16 bytes per name.
  long get_total_mem();
  //@{
  // Lists every name in text order, through print_msg or onto s.
  void dump(unsigned char node_state);
  void dump(UT_STREAM &s, unsigned char node_state);
  //@}

private:
  UT_NCH_CACHE_IMP *imp;
};

// The cache's ordering: UT_STR::Compare of key and the text of the name data.
int nch_cmpfunc(void *data, const char *key);
// Sanity check: reports (number 69) every pair of neighbouring names out of text order.
void nch_check_cache(UT_NCH_CACHE *cache);

#endif
