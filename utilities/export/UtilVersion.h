// UtilVersion: dated key=value records from the installation record file, and the
// query for a key's newest value or its value at a given date.
#ifndef UTILVERSION_H
#define UTILVERSION_H

#include "Portability.h"
#include "UtilHash.h"
#include "UtilList.h"
#include "UtilString.h"

#include <cstddef>

// Util_Install_Record: one dated value. Owns a copy of the key and the value string
// (capacity 255, grown as needed); `value` is null for a search probe. `time` is the
// calendar time of the record's date, or -1 when the date did not parse. The record
// classes below come from kor_malloc: `new` yields null when memory runs out, and a
// record whose key or value could not be copied is not complete().
class Util_Install_Record {
public:
  // A record of key's value at calendar time `time`; a null value makes a search probe.
  Util_Install_Record(const char *key, long time, const char *value);
  // Frees the key and the value.
  ~Util_Install_Record();
  // From kor_malloc; null when memory runs out.
  static void *operator new(std::size_t size) noexcept;
  // Returns the object's bytes to kor_free.
  static void operator delete(void *p);
  bool complete() const; // the key and the value (when given) were copied whole
  Util_Install_Record(const Util_Install_Record &) = delete;
  Util_Install_Record &operator=(const Util_Install_Record &) = delete;

  // Owned copy of the key.
  char *key;
  // Calendar time of the record's date; -1 when the date did not parse.
  long time;
  // The value text, owned; null for a search probe.
  UT_STRING *value;

private:
  bool whole; // the key and the value were copied whole
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
  // From kor_malloc; null when memory runs out.
  static void *operator new(std::size_t size) noexcept;
  // Returns the object's bytes to kor_free.
  static void operator delete(void *p);
  // a - b in seconds, clamped to the int range so the sign is always right.
  static int CompareTimes(long a, long b);
  // The records' order: negative when a goes before b (a is newer), 0 for the same
  // second. Of the same second, the record added later goes first.
  static int Order(const Util_Install_Record *a, const Util_Install_Record *b);
  // Inserts `rec` before the first record that is not newer than it. For the key
  // "summary" a record of the same second absorbs the new value instead and `rec` is
  // destroyed; for other keys the later one goes first. Takes ownership of `rec`; 0
  // when no list node could be had (`rec` is then destroyed), else 1.
  int mergesort2(Util_Install_Record *rec, const char *key);
  // Puts `count` records of this key, in the order they were read, into the empty list
  // as mergesort2 would one by one, in O(n log n). Each slot is cleared once its record
  // belongs to the list (or was joined and destroyed); 0 when memory ran out, and the
  // records left in `recs` are then the caller's.
  int placerecords(Util_Install_Record **recs, long count, bool summary);
  // A summary record absorbs the value of a later one of the same second.
  static void join(Util_Install_Record *into, Util_Install_Record *later);
};

// Util_Version_Hash_Element: a key and its owned list of records.
class Util_Version_Hash_Element {
public:
  // An element for key (copied) with an empty record list.
  explicit Util_Version_Hash_Element(const char *key);
  ~Util_Version_Hash_Element(); // releases the key, every record and the list
  // From kor_malloc; null when memory runs out.
  static void *operator new(std::size_t size) noexcept;
  // Returns the object's bytes to kor_free.
  static void operator delete(void *p);
  // Whether the key and the list could be had.
  bool complete() const { return key && list; }
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

  // Adds one dated value under `key`, in date order (see mergesort2). A value that
  // cannot be stored for want of memory is reported ("Out of memory.") and dropped.
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
