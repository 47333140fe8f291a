// UtilVersion: dated key=value records from the installation record file, and the
// query for a key's newest value or its value at a given date.
#ifndef UTILVERSION_H
#define UTILVERSION_H

#include "Portability.h"
#include "UtilHash.h"
#include "UtilList.h"
#include "UtilString.h"

// Util_Install_Record: one dated value. Owns a copy of the key and the value string
// (capacity 255, grown as needed); `value` is null for a search probe. `time` is the
// calendar time of the record's date, or -1 when the date did not parse.
class Util_Install_Record {
public:
  // A record of key's value at calendar time `time`; a null value makes a search probe.
  Util_Install_Record(const char *key, long time, const char *value);
  // Frees the key and the value.
  ~Util_Install_Record();
  Util_Install_Record(const Util_Install_Record &) = delete;
  Util_Install_Record &operator=(const Util_Install_Record &) = delete;

  // Owned copy of the key.
  char *key;
  // Calendar time of the record's date; -1 when the date did not parse.
  long time;
  // The value text, owned; null for a search probe.
  UT_STRING *value;
};

// LIST_Util_Install_Record: a list that owns its Util_Install_Records. finddata matches
// two records of the same second; compdata is negative when the first record is newer.
// Call freelist() before destroying it (the list base does not release elements).
class LIST_Util_Install_Record : public UT_LIST {
public:
  void freedata(void *elem) override;
  void printdata(void *elem) override; // prints nothing
  unsigned char finddata(void *elem, void *key) override;
  int compdata(void *a, void *b) override;
};

// Util_LIST_Util_Install_Record: one key's records, newest first.
class Util_LIST_Util_Install_Record final : public LIST_Util_Install_Record {
public:
  // a - b in seconds, clamped to the int range so the sign is always right.
  static int CompareTimes(long a, long b);
  // Inserts `rec` before the first record that is not newer than it. For the key
  // "summary" a record of the same second absorbs the new value instead and `rec` is
  // destroyed; for other keys the later one goes first. Takes ownership of `rec`.
  void mergesort2(Util_Install_Record *rec, const char *key);
};

// Util_Version_Hash_Element: a key and its owned list of records.
class Util_Version_Hash_Element {
public:
  // An element for key (copied) with an empty record list.
  explicit Util_Version_Hash_Element(const char *key);
  ~Util_Version_Hash_Element(); // releases the key, every record and the list
  Util_Version_Hash_Element(const Util_Version_Hash_Element &) = delete;
  Util_Version_Hash_Element &operator=(const Util_Version_Hash_Element &) = delete;

  // Owned copy of the key.
  char *key;
  // The key's records, newest first; owned.
  Util_LIST_Util_Install_Record *list;
};

// Util_Version_Hash: 20 buckets of Util_Version_Hash_Elements, owned by the table and
// released by empty(), removal and the destructor. Keys hash to the sum of their bytes.
class Util_Version_Hash : public UT_HASH {
public:
  Util_Version_Hash();
  ~Util_Version_Hash() override;

  uint32_t hash_func(void *element) override;
  int comp_func(void *a, void *b) override;
  void del_func(void *element) override;

  // Adds one dated value under `key`, in date order (see mergesort2).
  void AddEntry(const char *key, long time, const char *value);
  // The newest value of `key` (date null), or the first value stamped with exactly
  // `date` (a date part as the install file writes it). Null when there is none. The
  // text belongs to the table: valid until the table is emptied or destroyed.
  const char *GetValue(const char *key, const char *date);
};

// Util_Version_Time: converts a date part "Wed Jun 30 21:49:08 PDT 1993" (weekday and
// zone ignored; an unknown month name counts as January) to calendar time, or returns
// `fallback` when the text does not have the six space-separated fields.
class Util_Version_Time {
public:
  // The calendar time of date, or fallback when it does not parse.
  static long Convert(const char *date, long fallback);
};

// Util_Version: the value of `key` in the installation record file
// $MYKORVAL/fileset.txt, or else $KORVAL/fileset.txt; with `date` null the newest
// value, otherwise the value stamped with exactly that date part. Null when no file can
// be opened (noted unless only $MYKORVAL failed) or no such value. The file is loaded
// when first queried and reloaded when its modification time has moved forward (or a
// different file is found). The text is valid until the next reload.
class Util_Version {
public:
  // Key's value from the install records, or null (see the class comment).
  static const char *GetValue(const char *key, const char *date);
};

#endif
