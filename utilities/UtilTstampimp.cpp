// UtilTstampimp: timestamps as broken-down local time, their parts as texts in buffers
// shared by every timestamp, and ut_tm_dup. Relies on the platform's time helpers.
#include "UtilTstampimp.h"
#include "UtilReport.h"
#include "UtilTstamp.h"

#include <new>

UT_REPORT_UNIT("UtilTstampimp", "$Revision: 1.1.2.1 $")

namespace {
// The shared result buffers: each getter writes its own, the compact text writes
// several of them and jpntime.
char c_buff[8];
char c_buff1[8];
char c_buff2[8];
char c_buff3[8];
char c_buff4[8];
char c_buff5[8];
char jpntime[28];

// Writable copies, so the name getters can hand out char* without casting const away.
char mv_wdays[7][4] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
char mv_months[12][4] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
char mv_unknown[] = "???"; // stands in the compact text for a name out of range

// Wide enough for any int field plus an offset, so a corrupt field cannot overflow.
char *putnumber(char *buf, long value) {
  UT_STR::SPrintf(buf, 8, "%ld", value);
  return buf;
}

char *wdayname(int wday) {
  if (wday < 0 || wday > 6) {
    UT_REPORT(error_msg, "get_ts_wday, bad number. %d\n", wday);
    return nullptr;
  }
  return mv_wdays[wday];
}

char *monthname(int mon) {
  if (mon < 0 || mon > 11) {
    UT_REPORT(error_msg, "get_ts_month, bad number. %d\n", mon);
    return nullptr;
  }
  return mv_months[mon];
}
} // namespace

ut_tm *ut_tm_dup(ut_tm *t) {
  if (!t)
    return nullptr;
  return new (std::nothrow) ut_tm(*t);
}

UT_TIMESTAMP_IMP::UT_TIMESTAMP_IMP() : tm(nullptr) {
  long now = UT_TIME::Time(nullptr);
  if (now == 0)
    UT_REPORT(numbered_msg, 3, "Cannot get system time.\n");
  settime(now);
}

UT_TIMESTAMP_IMP::UT_TIMESTAMP_IMP(long t) : tm(nullptr) { settime(t); }

UT_TIMESTAMP_IMP::~UT_TIMESTAMP_IMP() { delete tm; }

// Copies the broken-down time of `t`. A moment the platform cannot break down (far out
// of range) is reported and falls back to the epoch, and failing that to 1 January 1900,
// a Monday, so that `tm` always holds a valid time for the getters. Only when memory runs
// out does `tm` stay null, and then every operation refuses.
void UT_TIMESTAMP_IMP::settime(long t) {
  static const ut_tm fallback = {0, 0, 0, 1, 0, 0, 1, 0, 0};
  long epoch = 0;
  ut_tm *local = UT_TIME::LocalTime(&t);
  if (!local) {
    UT_REPORT(numbered_msg, 3, "Cannot convert time %ld to local time.\n", t);
    local = UT_TIME::LocalTime(&epoch);
  }
  tm = new (std::nothrow) ut_tm(local ? *local : fallback);
}

char *UT_TIMESTAMP_IMP::get_timestamp_string() {
  if (!tm)
    return nullptr;
  if (UT_STR::Compare(ut_getlang(), "japanese") != 0)
    return UT_TIME::AscTime(tm);
  char *wday = wdayname(tm->wday);
  putnumber(c_buff1, tm->mday);
  char *month = monthname(tm->mon);
  putnumber(c_buff, tm->hour);
  putnumber(c_buff3, tm->min);
  putnumber(c_buff4, tm->sec);
  putnumber(c_buff5, tm->year + 1900L);
  UT_STR::SPrintf(jpntime, sizeof jpntime, "%s %s %s %s:%s:%s %s", wday ? wday : mv_unknown,
                  c_buff1, month ? month : mv_unknown, c_buff, c_buff3, c_buff4, c_buff5);
  jpntime[26] = '\0';
  return jpntime;
}

long UT_TIMESTAMP_IMP::get_absolute_time() {
  if (!tm)
    return 0;
  ut_tm copy = *tm;
  return UT_TIME::MkTime(&copy);
}

long UT_TIMESTAMP_IMP::compare_time(UT_TIMESTAMP *other) {
  if (!other)
    return 0;
  // Both in long: a 32-bit difference would wrap for moments more than 68 years apart.
  long mine = get_absolute_time();
  return mine - other->get_absolute_time();
}

char *UT_TIMESTAMP_IMP::get_ts_hour() { return tm ? putnumber(c_buff, tm->hour) : nullptr; }
char *UT_TIMESTAMP_IMP::get_ts_minute() { return tm ? putnumber(c_buff3, tm->min) : nullptr; }
char *UT_TIMESTAMP_IMP::get_ts_second() { return tm ? putnumber(c_buff4, tm->sec) : nullptr; }
char *UT_TIMESTAMP_IMP::get_ts_mday() { return tm ? putnumber(c_buff1, tm->mday) : nullptr; }
char *UT_TIMESTAMP_IMP::get_ts_month() { return tm ? putnumber(c_buff2, tm->mon + 1L) : nullptr; }
char *UT_TIMESTAMP_IMP::get_ts_year() {
  return tm ? putnumber(c_buff5, tm->year + 1900L) : nullptr;
}
char *UT_TIMESTAMP_IMP::get_ts_wday() { return tm ? wdayname(tm->wday) : nullptr; }
char *UT_TIMESTAMP_IMP::get_ts_monthst() { return tm ? monthname(tm->mon) : nullptr; }
