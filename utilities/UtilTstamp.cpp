// UtilTstamp: the UT_TIMESTAMP handle; every operation forwards to UT_TIMESTAMP_IMP.
// A handle whose implementation could not be allocated answers null texts and 0.
#include "UtilTstamp.h"
#include "UtilTstampimp.h"

#include <new>

UT_TIMESTAMP::UT_TIMESTAMP() : imp(new (std::nothrow) UT_TIMESTAMP_IMP()) {}

UT_TIMESTAMP::UT_TIMESTAMP(long t) : imp(new (std::nothrow) UT_TIMESTAMP_IMP(t)) {}

UT_TIMESTAMP::~UT_TIMESTAMP() { delete imp; }

#define UT_TS_FORWARD(type, name, none)                                                            \
  type UT_TIMESTAMP::name() { return imp ? imp->name() : none; }

UT_TS_FORWARD(char *, get_timestamp_string, nullptr)
UT_TS_FORWARD(long, get_absolute_time, 0)
UT_TS_FORWARD(char *, get_ts_hour, nullptr)
UT_TS_FORWARD(char *, get_ts_minute, nullptr)
UT_TS_FORWARD(char *, get_ts_second, nullptr)
UT_TS_FORWARD(char *, get_ts_mday, nullptr)
UT_TS_FORWARD(char *, get_ts_month, nullptr)
UT_TS_FORWARD(char *, get_ts_year, nullptr)
UT_TS_FORWARD(char *, get_ts_wday, nullptr)
UT_TS_FORWARD(char *, get_ts_monthst, nullptr)

long UT_TIMESTAMP::compare_time(UT_TIMESTAMP *other) { return imp ? imp->compare_time(other) : 0; }
