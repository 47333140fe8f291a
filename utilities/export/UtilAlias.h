// UtilAlias: a cache of name aliases, keyed by name, built on the balanced tree. The first
// alias registered for a name stays; the cache owns its records.
#ifndef UTILALIAS_H
#define UTILALIAS_H

#include "Portability.h"
#include "UtilBtree.h"

class UT_ACH_CACHE_IMP;

// UT_ACH_ALIAS: one entry of an alias cache, a name and its alias text, both copies that
// the record owns. A record whose copies could not be allocated (reported) holds null
// texts; the cache never keeps such a record.
class UT_ACH_ALIAS {
public:
  UT_ACH_ALIAS(const char *name, const char *alias); // a null alias is kept as ""
  // Frees both copies.
  ~UT_ACH_ALIAS();

  // The name.
  const char *get_name() const { return name; }
  // The alias text; "" for an alias given as null.
  const char *get_alias() const { return alias; }
  //@{
  // "   name, (alias)\n" through print_msg, or onto s (flushed).
  void dump();
  void dump(UT_STREAM &s);
  //@}

  UT_ACH_ALIAS(const UT_ACH_ALIAS &) = delete;
  UT_ACH_ALIAS &operator=(const UT_ACH_ALIAS &) = delete;

protected:
  // Owned copy of the name; null when it could not be allocated.
  char *name;
  // Owned copy of the alias; null when it could not be allocated.
  char *alias;
};

// UT_ACH_CACHE: maps names to aliases in O(log n). add refuses a name already present
// (null result) and keeps the first alias. Records returned by add and find belong to the
// cache and live until flush or the cache's destruction; never delete them. Null names
// are refused: add and find return null. The listings show the records in descending
// order of their names.
class UT_ACH_CACHE : public UT_BTR_TREE {
public:
  // An empty cache.
  UT_ACH_CACHE();
  // Deletes every record, then the tree.
  ~UT_ACH_CACHE() override;

  // The new record of name, or null when name is null or already present, or when the
  // record could not be built.
  UT_ACH_ALIAS *add(const char *name, const char *alias);
  // The record of name, or null.
  UT_ACH_ALIAS *find(const char *name);
  // Deletes every record; the cache is empty afterwards.
  void flush();
  //@{
  // "Dumping alias cache: N entries\n", then each record (see UT_BTR_TREE::dump for what
  // node_state adds).
  void dump(unsigned char node_state);
  void dump(UT_STREAM &s, unsigned char node_state);
  //@}

  UT_ACH_CACHE(const UT_ACH_CACHE &) = delete;
  UT_ACH_CACHE &operator=(const UT_ACH_CACHE &) = delete;

private:
  UT_ACH_CACHE_IMP *imp;
};

#endif
