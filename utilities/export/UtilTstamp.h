// UtilTstamp: one moment as a broken-down local time, with its parts as short texts.
#ifndef UTILTSTAMP_H
#define UTILTSTAMP_H

#include "Portability.h"

class UT_TIMESTAMP_IMP;

// UT_TIMESTAMP holds its own copy of a local broken-down time, fixed at construction.
// The getters return texts in buffers shared by every timestamp of the process: a result
// stays valid only until the next call that writes the same buffer (the same getter on
// any timestamp, and the compact whole-moment text, which rewrites the hour, day,
// minute, second and year buffers). Copy a result you need to keep. One thread only.
//
// get_ts_wday/get_ts_monthst return the constant names ("SUN".., "JAN"..) or null for
// a field out of range (reported). get_timestamp_string gives the platform's standard
// text, or, when the user's language is "japanese", a compact ASCII text such as
// "SAT 5 DEC 0:16:7 2026" (at most 26 characters, no newline). If the system time
// cannot be read, a default-constructed timestamp holds the epoch (calendar time 0).
// A handle whose implementation could not be allocated returns null texts and 0.
class UT_TIMESTAMP {
public:
  UT_TIMESTAMP();                // now
  explicit UT_TIMESTAMP(long t); // the local time of calendar time t (seconds)
  ~UT_TIMESTAMP();
  UT_TIMESTAMP(const UT_TIMESTAMP &) = delete;
  UT_TIMESTAMP &operator=(const UT_TIMESTAMP &) = delete;

  // The whole moment: the C library's text (ending in a line feed), or the compact
  // text under a Japanese locale.
  char *get_timestamp_string();
  long get_absolute_time();               // calendar time in seconds
  long compare_time(UT_TIMESTAMP *other); // this minus other, seconds; null other: 0
  //@{
  // One field as a decimal text without padding: hour, minute, second, day of the month.
  char *get_ts_hour();
  char *get_ts_minute();
  char *get_ts_second();
  char *get_ts_mday();
  //@}
  char *get_ts_month(); // 1 to 12
  char *get_ts_year();  // four digits, e.g. 2026
  // The weekday's name, "SUN" to "SAT"; null for a field out of range.
  char *get_ts_wday();
  // The month's name, "JAN" to "DEC"; null for a field out of range.
  char *get_ts_monthst();

private:
  UT_TIMESTAMP_IMP *imp;
};

// A newly allocated copy of all nine fields of *t, owned by the caller (release it with
// delete); null for null t or when no memory is left.
ut_tm *ut_tm_dup(ut_tm *t);

#endif
