#include "UtilTstamp.h"
#include "RecordingMsgman.h"
#include "UtilTstampimp.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

// The system time is taken from here, so that a test can make it fail: this definition
// takes the place of the platform's for the library loaded into this test.
static bool gv_failtime = false;
long UT_TIME::Time(long *t) {
  long now = gv_failtime ? 0 : static_cast<long>(std::time(nullptr));
  if (t)
    *t = now;
  return now;
}

namespace {
const long kThu1Jan1998 = 883612800;  // Thu 1 Jan 1998 00:00:00 UTC
const long kSun4Jan1998 = 883904703;  // Sun 4 Jan 1998 09:05:03 UTC
const long kSat5Dec2026 = 1796429767; // Sat 5 Dec 2026 00:16:07 UTC

class UtilTstamp : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    setenv("LC_ALL", "en_US.UTF-8", 1);
  }
  void TearDown() override { unsetenv("LC_ALL"); }
};
} // namespace

TEST_F(UtilTstamp, PartsAndBothTextFormsUseBuffersSharedByEveryTimestamp) {
  UT_TIMESTAMP nine(kSun4Jan1998), midnight(kThu1Jan1998), sat(kSat5Dec2026);
  char *hour = nine.get_ts_hour();
  std::string parts = std::string(hour) + " " + nine.get_ts_minute() + " " + nine.get_ts_second() +
                      " " + nine.get_ts_mday() + " " + nine.get_ts_month() + " " +
                      nine.get_ts_year() + " " + nine.get_ts_monthst() + " " + nine.get_ts_wday();
  EXPECT_EQ("9 5 3 4 1 1998 JAN SUN", parts) << "hour minute second day month (1 for January)";
  EXPECT_EQ(hour, midnight.get_ts_hour());
  EXPECT_STREQ("0", hour) << "the first result must read the second timestamp's hour";
  // Japanese gives the compact text, other languages the standard one.
  EXPECT_STREQ("Thu Jan  1 00:00:00 1998\n", midnight.get_timestamp_string());
  setenv("LC_ALL", "ja_JP.UTF-8", 1);
  EXPECT_STREQ("THU 1 JAN 0:0:0 1998", midnight.get_timestamp_string());
  EXPECT_STREQ("SAT 5 DEC 0:16:7 2026", sat.get_timestamp_string());
  nine.get_timestamp_string();
  EXPECT_STREQ("9", hour) << "the compact text rewrites the hour buffer";
}

TEST_F(UtilTstamp, CompareTimeIsTheDifferenceInSecondsEvenOverACenturyAndTmDupACopy) {
  UT_TIMESTAMP base(kThu1Jan1998);
  for (long d : {-3600L, 0L, 100L * 365 * 86400})
    EXPECT_EQ(d, UT_TIMESTAMP(kThu1Jan1998 + d).compare_time(&base));
  ut_tm t = {1, 2, 3, 4, 5, 6, 0, 8, 1};
  ut_tm *copy = ut_tm_dup(&t);
  EXPECT_TRUE(copy && copy != &t && std::memcmp(&t, copy, sizeof t) == 0);
  delete copy;
}

TEST_F(UtilTstamp, FieldsOutOfRangeAreReportedAndNeverReachTheFormatAsNull) {
  RecordingMsgman rec;
  UT_TIMESTAMP_IMP imp(kThu1Jan1998);
  imp.tm->wday = 7;
  imp.tm->mon = -1;
  EXPECT_TRUE(!imp.get_ts_wday() && !imp.get_ts_monthst());
  setenv("LC_ALL", "ja_JP.UTF-8", 1);
  EXPECT_STREQ("??? 1 ??? 0:0:0 1998", imp.get_timestamp_string());
  ASSERT_EQ(4u, rec.reports.size());
  EXPECT_EQ("get_ts_wday, bad number. 7\n", rec.reports[0].text);
  EXPECT_EQ("get_ts_month, bad number. -1\n", rec.reports[3].text);
  EXPECT_TRUE(RecordedReport::Error == rec.reports[2].kind &&
              "UtilTstampimp" == rec.reports[2].unit);
  // Extreme values neither overflow the arithmetic nor the 8-byte buffers.
  imp.tm->year = INT_MAX;
  imp.tm->mday = imp.tm->hour = INT_MIN;
  EXPECT_LE(std::strlen(imp.get_timestamp_string()), 26u);
  EXPECT_LE(std::strlen(imp.get_ts_year()), 7u);
}

TEST_F(UtilTstamp, AFailedSystemTimeIsReportedAndLeavesTheEpoch) {
  RecordingMsgman rec;
  gv_failtime = true;
  UT_TIMESTAMP failed;
  gv_failtime = false;
  ASSERT_EQ(1u, rec.reports.size());
  EXPECT_EQ(3, rec.reports[0].number);
  EXPECT_EQ("Cannot get system time.\n", rec.reports[0].text);
  EXPECT_EQ(0, failed.get_absolute_time());
  EXPECT_EQ("THU 1970", std::string(failed.get_ts_wday()) + " " + failed.get_ts_year());
  // A moment the platform cannot break down is reported and gives a usable timestamp.
  rec.clear();
  UT_TIMESTAMP huge(LONG_MAX);
  EXPECT_TRUE(huge.get_ts_wday() && huge.get_timestamp_string());
  ASSERT_EQ(1u, rec.problems().size()) << "not silently 1970";
  EXPECT_EQ(3, rec.problems()[0].number);
  EXPECT_EQ("Cannot convert time " + std::to_string(LONG_MAX) + " to local time.\n",
            rec.problems()[0].text);
}

TEST_F(UtilTstamp, AZoneChangedInsideTheProcessIsSeenByTheBreakdownAndTheCalendarTime) {
  const long t = 1700000000; // 22:13:20 UTC
  // No tzset between the zones: the library must notice the change by itself.
  for (auto [zone, hour] : {std::pair{"JST-9", "7"}, {"UTC", "22"}}) {
    setenv("TZ", zone, 1);
    UT_TIMESTAMP stamp(t);
    EXPECT_STREQ(hour, stamp.get_ts_hour()) << zone;
    EXPECT_EQ(t, stamp.get_absolute_time()) << zone;
  }
}
