#include "UtilVersion.h"
#include "RecordingMsgman.h"
#include "UtilVersionimp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <sys/stat.h>
#include <utime.h>
#include <vector>

namespace {
const char *kDate = "Wed Jun 30 21:49:08 PDT 1993";
const long kDateTime = 741476948; // that moment read as UTC

class UtilVersion : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    unsetenv("MYKORVAL");
    unsetenv("KORVAL");
  }
  // Writes fileset.txt into `dir` with the given modification time.
  static void install(const TempDir &dir, const std::string &text, long mtime) {
    const std::string path = dir.file("fileset.txt");
    write_file_bytes(path, text);
    utimbuf times{static_cast<time_t>(mtime), static_cast<time_t>(mtime)};
    ASSERT_EQ(0, utime(path.c_str(), &times));
  }
  static std::string value(const char *key, const char *date = nullptr) {
    const char *v = Util_Version::GetValue(key, date);
    return v ? v : "<null>";
  }
};

// One line of the install file, dated kDate.
std::string dated(const std::string &keyvalue) {
  return std::string(kDate) + "::" + keyvalue + "\n";
}

// The records of one key in list order, as "time:value" texts.
std::vector<std::string> recordsof(Util_Version_Hash &table, const char *key) {
  std::vector<std::string> out;
  Util_Version_Hash_Element probe(key);
  auto *found = static_cast<Util_Version_Hash_Element *>(table.s_find(&probe));
  for (found->list->reset();
       auto *rec = static_cast<Util_Install_Record *>(found->list->getnext());)
    out.push_back(std::to_string(rec->time) + ":" + rec->value->buffer);
  return out;
}
} // namespace

TEST_F(UtilVersion, TheFileIsReloadedOnlyWhenItsTimeMovesForward) {
  TempDir dir;
  setenv("KORVAL", dir.path().c_str(), 1);
  const long t = 1700000000;
  // The second and third files (same time, time moved back) must not be read.
  for (auto [line, mtime] :
       {std::pair{"version=1.0", t}, {"version=2.0", t}, {"version=3.0", t - 100}}) {
    install(dir, dated(line), mtime);
    EXPECT_EQ("1.0", value("version")) << line;
  }
  install(dir, dated("release=4"), t + 1);
  EXPECT_EQ("4", value("release"));
  EXPECT_EQ("<null>", value("version")) << "a reload must start from an empty table";
}

TEST_F(UtilVersion, TheFileIsFoundThroughMykorvalThenKorvalWithTheTwoNotes) {
  RecordingMsgman rec;
  TempDir empty, good;
  install(good, dated("k=good"), 1600000000);
  setenv("MYKORVAL", empty.path().c_str(), 1);
  setenv("KORVAL", good.path().c_str(), 1);
  EXPECT_EQ("good", value("k"));
  setenv("MYKORVAL", std::string(600, 'x').c_str(), 1); // a path too long for the buffer
  EXPECT_EQ("good", value("k"));
  TempDir shadow; // its fileset.txt is a directory, newer than the good file
  ASSERT_EQ(0, mkdir(shadow.file("fileset.txt").c_str(), 0755));
  setenv("MYKORVAL", shadow.path().c_str(), 1);
  EXPECT_EQ("good", value("k")) << "a directory is no install file: $KORVAL's is used";
  EXPECT_TRUE(rec.reports.empty()) << "a failed $MYKORVAL must be silent";

  setenv("KORVAL", empty.path().c_str(), 1);
  EXPECT_EQ("<null>", value("k"));
  unsetenv("KORVAL");
  unsetenv("MYKORVAL");
  EXPECT_EQ("<null>", value("k"));
  ASSERT_EQ(2u, rec.reports.size());
  EXPECT_EQ(RecordedReport::Note, rec.reports[0].kind);
  EXPECT_EQ("Unable to open $KORVAL/fileset.txt.\n", rec.reports[0].text);
  EXPECT_EQ("Unable to obtain the value of environment variable KORVAL.\n", rec.reports[1].text);
  EXPECT_TRUE(rec.all_framed());
}

TEST_F(UtilVersion, NewestValueByDefaultExactDatesSelectTheirLineAndBadDatesGiveTheFallback) {
  TempDir dir;
  setenv("MYKORVAL", dir.path().c_str(), 1);
  install(dir,
          dated("v=middle") + "Fri Jul 30 21:49:08 PDT 1999::v=  newest  \n" +
              "Tue Jun 30 21:49:08 PDT 1992::v=oldest\n" +
              "Sat Foo 30 21:49:08 PDT 1993::m=january\n" + dated("summary= first ") +
              dated("same=one") + "no separator\n::noequals\n::=emptykey\n" +
              "garbage date::undated=kept\n" + dated("same=two") + kDate + "::summary=second",
          1600000000);
  EXPECT_EQ("newest", value("v")) << "newest date wins, trimmed";
  EXPECT_EQ("middle", value("v", kDate));
  EXPECT_EQ("oldest", value("v", "Tue Jun 30 21:49:08 PDT 1992"));
  EXPECT_EQ("<null>", value("v", "Thu Jul 1 00:00:00 UTC 1993"));
  EXPECT_EQ(" first \nsecond\n", value("summary")) << "summaries of one second are joined";
  EXPECT_EQ("two", value("same")) << "of one second, the later line goes first";
  EXPECT_EQ("january", value("m", "Sat Jan 30 21:49:08 PDT 1993"));
  EXPECT_EQ("kept", value("undated"));
  EXPECT_EQ("<null>", value("noequals"));
  // Dates convert field by field, or give the fallback.
  EXPECT_EQ(kDateTime, Util_Version_Time::Convert(kDate, -1));
  EXPECT_EQ(-7, Util_Version_Time::Convert("Wed Jun 30 21:49:08 1993", -7));
  EXPECT_EQ(-7, Util_Version_Time::Convert(nullptr, -7));
  EXPECT_EQ(-7, Util_Version_Time::Convert((kDate + std::string(5000, ' ')).c_str(), -7));
}

TEST_F(UtilVersion, LoadingOrdersRecordsAsInsertingThemOneByOne) {
  const unsigned seed = 8;
  std::mt19937 rng(seed);
  const char *keys[] = {"a", "b", "summary", "version"};
  const char *days[] = {"1", "2", "3", "4"};
  std::string file;
  Util_Version_Hash expected;
  for (int i = 0; i < 300; ++i) {
    std::string date = std::string("Mon Mar ") + days[rng() % 4] + " 10:00:00 UTC 2001";
    const char *key = keys[rng() % 4];
    std::string v = "v" + std::to_string(i) + (key == keys[2] ? "\n" : "");
    file += date + "::" + key + "=v" + std::to_string(i) + "\n";
    expected.AddEntry(key, Util_Version_Time::Convert(date.c_str(), -1), v.c_str());
  }
  TempDir dir;
  setenv("KORVAL", dir.path().c_str(), 1);
  install(dir, file, 1600000000);
  Util_Version::GetValue("a", nullptr); // loads the file
  for (const char *k : keys)
    EXPECT_EQ(recordsof(expected, k), recordsof(Util_Version_Imp::hashtable(), k))
        << "seed " << seed << " key " << k;
}

TEST_F(UtilVersion, HostileFilesNeitherOverrunNorHang) {
  TempDir dir;
  setenv("KORVAL", dir.path().c_str(), 1);
  std::mt19937 rng(99);
  std::string file = dated("long=" + std::string(1000, 'x')); // cut at 255
  file += std::string(240, 'D') + "::longdate=y\n";           // a date part of nearly a whole line
  for (int i = 0; i < 2000; ++i)
    file += static_cast<char>(rng() % 256);
  file += "\n";
  // A million lines, most of them junk, the rest one key in shuffled date order.
  for (int i = 0; i < 1000000; ++i)
    file += i % 10 ? "::\n"
                   : "Mon Mar 1 " + std::to_string(rng() % 24) + ":00:00 UTC " +
                         std::to_string(1980 + rng() % 40) + "::many=x\n";
  file += "Sun Dec 31 23:59:59 UTC 2100::many=last";
  install(dir, file, 1600000000);
  EXPECT_EQ(std::string(255 - std::string(kDate).size() - 7, 'x'), value("long"));
  EXPECT_EQ("y", value("longdate"));
  EXPECT_EQ("last", value("many"));
  EXPECT_EQ("<null>", value("many", std::string(100000, '7').c_str()));
}

TEST_F(UtilVersion, ASummaryAddedWithoutATextTakesTheTextOfTheSameSecondsNextSummary) {
  Util_Version_Hash table;
  table.AddEntry("summary", kDateTime, nullptr);
  table.AddEntry("summary", kDateTime, "first\n");
  table.AddEntry("summary", kDateTime, nullptr);
  table.AddEntry("summary", kDateTime, "second\n");
  EXPECT_STREQ("first\nsecond\n", table.GetValue("summary", nullptr));
  table.AddEntry("plain", kDateTime, nullptr);
  EXPECT_EQ(nullptr, table.GetValue("plain", nullptr));
}

TEST_F(UtilVersion, AKeyOrDateHandedOutByAnEarlierQueryStillWorksAcrossAReload) {
  TempDir dir;
  setenv("KORVAL", dir.path().c_str(), 1);
  install(dir, dated("a=b"), 1600000000);
  const char *key = Util_Version::GetValue("a", nullptr);
  ASSERT_STREQ("b", key);
  install(dir, dated("b=second") + dated("a=other"), 1600000100);
  EXPECT_EQ("second", value(key)) << "the key is a text of the table the reload replaces";
  install(dir, dated("when=" + std::string(kDate)), 1600000200);
  const char *date = Util_Version::GetValue("when", nullptr);
  install(dir, dated("b=dated") + dated("when=x"), 1600000300);
  EXPECT_EQ("dated", value("b", date));
}
