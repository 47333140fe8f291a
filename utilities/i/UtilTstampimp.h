// UtilTstampimp: the implementation of UT_TIMESTAMP and the shared text buffers.
#ifndef UTILTSTAMPIMP_H
#define UTILTSTAMPIMP_H

#include "Portability.h"

class UT_TIMESTAMP;

// UT_TIMESTAMP_IMP owns `tm`, filled once by the constructor and never changed
// afterwards (the calendar time is computed on a copy, since MkTime normalises its
// argument). When neither the system time nor the requested moment can be broken
// down, it holds the epoch. `tm` is null only when memory ran out; every operation then
// refuses (null text, 0).
class UT_TIMESTAMP_IMP {
public:
  UT_TIMESTAMP_IMP();
  explicit UT_TIMESTAMP_IMP(long t);
  ~UT_TIMESTAMP_IMP();
  UT_TIMESTAMP_IMP(const UT_TIMESTAMP_IMP &) = delete;
  UT_TIMESTAMP_IMP &operator=(const UT_TIMESTAMP_IMP &) = delete;

  char *get_timestamp_string();
  long get_absolute_time();
  long compare_time(UT_TIMESTAMP *other);
  char *get_ts_hour();
  char *get_ts_minute();
  char *get_ts_second();
  char *get_ts_mday();
  char *get_ts_month();
  char *get_ts_year();
  char *get_ts_wday();
  char *get_ts_monthst();

  ut_tm *tm; // owned

private:
  void settime(long t);
};

#endif
