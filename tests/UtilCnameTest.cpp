// Tests of the name cache: name classes, pools, counts, cleaning, listing, and the name
// data written to and read from pointer files, damaged ones included.
#include "UtilCname.h"
#include "RecordingMsgman.h"
#include "UtilCnameimp.h"
#include "UtilPtrfil.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace {

std::string record(uint32_t id, int32_t refs, const std::string &text) {
  return le_bytes(id) + le_bytes(refs) + le_bytes(text.size()) + text;
}

// Reads the name data at the start of `path`; returns how many bytes were consumed.
long read_names(UT_NCH_CACHE &cache, const std::string &path) {
  UT_PTRFILE in(UT_READ);
  EXPECT_TRUE(in.open(path.c_str(), 0));
  cache.read(&in);
  return in.getfoffset();
}

// Every report but print_msg, as "unit:number:text" lines, "Cname" standing for "UtilCname".
std::string problems(const RecordingMsgman &rec) {
  std::string s;
  for (const auto &r : rec.problems())
    s += r.unit.substr(4) + ":" + std::to_string(r.number) + ":" + r.text;
  return s;
}

} // namespace

TEST(UtilCname, TheNameClassFollowsTheTextLength) {
  RecordingMsgman rec;
  UT_NCH_CACHE cache(0);
  EXPECT_TRUE(!cache.add(nullptr, 1) && !cache.find(nullptr));
  // Each as "size:text:count"; add with count 0 interns without counting.
  std::string seen;
  for (const char *text : {"", "abc", "abcd", "abcdefg", "abcdefgh"}) {
    UT_NCH_NAME *name = cache.add(text, 0);
    seen += std::to_string(name->get_size()) + ":" + name->get_name() + ":" +
            std::to_string(name->rcnt) + " ";
  }
  EXPECT_EQ(seen, "4::0 4:abc:0 8:abcd:0 8:abcdefg:0 9:abcdefgh:0 ");
  UT_NCH_NAME *again = cache.add("abcd", 3);
  EXPECT_TRUE(again == cache.find("abcd") && again->rcnt == 3) << "a known text keeps its object";

  UT_NCH_CACHE ptronly(1);
  const char *longtext = "pointer-only text";
  EXPECT_EQ(ptronly.add(longtext, 1)->get_name(), longtext);
  EXPECT_TRUE(rec.problems().empty());
}

TEST(UtilCname, CountsGoNegativeWithAReportAndCleanRemovesOnlyZeroCounts) {
  RecordingMsgman rec;
  UT_NCH_CACHE cache(0);
  cache.add("zero", 1)->delete_refs(1);
  cache.add("kept", 2);
  cache.add("negative", 0)->delete_refs(1);
  EXPECT_NE(cache.find("zero"), nullptr) << "a count of 0 keeps the name until clean";
  cache.clean();
  EXPECT_EQ(cache.find("zero"), nullptr);
  EXPECT_NE(cache.find("kept"), nullptr);
  EXPECT_EQ(cache.find("negative")->rcnt, -1) << "negative counts are kept, not cleaned";

  cache.add("big", INT_MAX)->add_refs(1);
  EXPECT_EQ(cache.find("big")->rcnt, INT_MIN) << "the count wraps at 32 bits";
  nch_check_cache(&cache); // a healthy cache passes the sanity check
  const_cast<char *>(cache.find("kept")->get_name())[0] = 'z'; // now after "negative"
  nch_check_cache(&cache);
  EXPECT_EQ(problems(rec),
            "Cname:19:Reference count underflow.\nCname:19:Reference count overflow.\n"
            "Cname:69:namecache sanity check on 'negative':'zept'\n");
  EXPECT_TRUE(rec.all_framed());
}

TEST(UtilCname, LongTextsArePackedIntoPoolsThatGoWithTheirLastName) {
  RecordingMsgman rec;
  UT_NCH_CACHE cache(0);
  EXPECT_EQ(cache.get_total_mem(), 0);
  cache.add("eight ch", 1);
  EXPECT_EQ(cache.get_total_mem(), 65536 + 16);
  cache.find("eight ch")->delete_refs(1);
  cache.clean();
  EXPECT_EQ(cache.get_total_mem(), 0) << "the pool leaves with its last name";

  setenv("UT_NCH_SMOKETEST", "1", 1); // 256-byte pools from now on
  char text[] = "name_@@@";
  for (int i = 0; i < 28; ++i) {
    text[5] = static_cast<char>('A' + i);
    cache.add(text, 1);
  }
  EXPECT_EQ(cache.get_total_mem(), 256 + 28 * 16) << "28 texts of 9 bytes fill one pool";
  cache.add("the 29th", 1);
  EXPECT_EQ(cache.get_total_mem(), 512 + 29 * 16);
  cache.find("the 29th")->delete_refs(1);
  cache.clean();
  EXPECT_EQ(cache.get_total_mem(), 256 + 28 * 16) << "the emptied current pool is freed";

  std::string huge(255, 'h'); // n = 256 is not below 256: a pool of its own
  cache.add(huge.c_str(), 1);
  EXPECT_EQ(cache.get_total_mem(), 256 + 257 + 29 * 16);
  cache.add("after huge", 1);
  EXPECT_EQ(cache.get_total_mem(), 256 + 257 + 256 + 30 * 16) << "earlier space is not reused";
  cache.flush();
  cache.add(std::string(246, 'p').c_str(), 1); // n = 247
  cache.add("fits not", 1);                    // 247 + 9 is not below 256
  EXPECT_EQ(cache.get_total_mem(), 512 + 2 * 16) << "a pool's last byte is never handed out";
  unsetenv("UT_NCH_SMOKETEST");
  EXPECT_TRUE(rec.problems().empty());
}

TEST(UtilCname, WritingFollowsReversePreorderAndMarkedOnlyWritesMarks) {
  RecordingMsgman rec;
  TempDir dir;
  UT_NCH_CACHE cache(0);
  cache.add("ant", 1);
  cache.add("bee", 2);
  cache.add("cat", 3)->mcnt = 5;
  // The name data written, each record's identity (which varies) set to 0.
  auto written = [&](unsigned char marked) {
    UT_PTRFILE out(UT_WRITE);
    EXPECT_TRUE(out.open(dir.file("names").c_str(), 1) && cache.write(&out, marked) == 1 &&
                out.close() == 1);
    std::string bytes = read_file_bytes(dir.file("names"));
    for (size_t at = 4; at < bytes.size(); at += 15)
      bytes.replace(at, 4, le_bytes(0));
    return bytes;
  };
  EXPECT_EQ(written(0),
            le_bytes(3) + record(0, 2, "bee") + record(0, 3, "cat") + record(0, 1, "ant"));
  EXPECT_EQ(written(1), le_bytes(1) + record(0, 5, "cat")) << "the mark count is written";
  cache.clear_marks();
  EXPECT_EQ(written(1), le_bytes(0));
}

TEST(UtilCname, DamagedNameDataKeepsTheWholeRecordsAndAPointerOnlyCacheReadsNothing) {
  RecordingMsgman rec;
  TempDir dir;
  const std::string path = dir.file("bad");
  const std::string body = record(1, 1, "first") + record(2, 1, "second name");
  struct Case {
    const char *what;
    std::string bytes;
    int kept;
  } cases[] = {
      {"a count far beyond the records", le_bytes(1000000) + body, 2},
      {"a text length of 4 GiB",
       le_bytes(2) + record(1, 1, "first") + le_bytes(2) + le_bytes(1) + le_bytes(0xffffffffu) +
           "xyz",
       1},
      {"a zero count", le_bytes(0) + body, 0},
      {"a negative count", le_bytes(0xfffffffeu) + body, 0},
  };
  for (const Case &c : cases) {
    write_file_bytes(path, c.bytes);
    UT_NCH_CACHE cache(0);
    read_names(cache, path);
    EXPECT_EQ(cache.get_count(), c.kept) << c.what;
  }
  // Every cut of a two-record file keeps exactly the records that are whole.
  const std::string file = le_bytes(2) + body;
  const size_t firstend = 4 + record(1, 1, "first").size();
  for (size_t cut = 0; cut <= file.size(); ++cut) {
    write_file_bytes(path, file.substr(0, cut));
    UT_NCH_CACHE cache(0);
    read_names(cache, path);
    long whole = (cut >= firstend) + (cut == file.size());
    ASSERT_EQ(cache.get_count(), whole) << "file cut after " << cut << " bytes";
  }
  EXPECT_EQ(problems(rec), "");
  UT_NCH_CACHE ptronly(1);
  EXPECT_EQ(read_names(ptronly, path), 0) << "nothing of the name data is consumed";
  EXPECT_EQ(ptronly.get_count(), 0);
  EXPECT_EQ(problems(rec), "Cnameimp:19:cannot read name data into pointer-only cache\n");
}

TEST(UtilCname, TextsBeyondTheLimitAreReportedAndNeverOverrunABuffer) {
  RecordingMsgman rec;
  TempDir dir;
  std::string big(3000, 'q');
  UT_NCH_CACHE cache(0);
  EXPECT_EQ(UT_STR::Len(cache.add(big.c_str(), 1)->get_name()), 3000);
  cache.add(big.substr(0, 2047).c_str(), 1)->mcnt = 1;
  // A read would give the longer name back cut, as the other one: it is not written.
  UT_PTRFILE out(UT_WRITE);
  ASSERT_TRUE(out.open(dir.file("big").c_str(), 1));
  EXPECT_EQ(cache.write(&out, 0), 0);
  EXPECT_EQ(out.getfoffset(), 0) << "nothing written";
  EXPECT_EQ(cache.write(&out, 1), 1) << "the marked names are all within the limit";
  EXPECT_EQ(out.close(), 1);
  UT_NCH_CACHE back(0);
  read_names(back, dir.file("big"));
  EXPECT_EQ(back.get_count(), 1);
  EXPECT_NE(back.find(big.substr(0, 2047).c_str()), nullptr) << "the name data holds 2047";

  UT_NCH_NAME3 cut("abcd");
  EXPECT_STREQ(cut.get_name(), "abc");
  EXPECT_EQ(problems(rec), "Cnameimp:19:maximum name length exceeded.\n"
                           "Cnameimp:19:maximum name length exceeded\n" // the write form
                           "Cnameimp:19:maximum name length exceeded.\n"
                           "Cnameimp:19:name count overflow.\n");
}

TEST(UtilCname, ANameWhosePoolCannotBeAllocatedLeavesNoTrace) {
  RecordingMsgman rec;
  UT_NCH_CACHE cache(0);
  kor_fail_after(0);
  EXPECT_EQ(cache.add("a long name", 1), nullptr);
  kor_fail_after(-1);
  EXPECT_EQ(cache.find("a long name"), nullptr);
  EXPECT_EQ(cache.get_count(), 0) << "no empty node is left behind";
  EXPECT_EQ(problems(rec), "Cnameimp:19:New failed.\n");
  EXPECT_NE(cache.add("a long name", 1), nullptr) << "the cache works once memory is back";
}

TEST(UtilCname, BothListingsCarryTheSameLines) {
  RecordingMsgman rec;
  TempDir dir;
  UT_NCH_CACHE cache(0);
  cache.add("ant", 1);
  cache.add("bumblebee", 2)->mcnt = 1;
  cache.dump(0);
  const std::string expected = "\nDumping the name cache: 2 entries\n"
                               "\"ant\": rcnt = 1, mcnt = 0\n"
                               "\"bumblebee\": rcnt = 2, mcnt = 1\n";
  EXPECT_EQ(rec.printed(), expected);
  UT_STREAM s(UT_WRITE, 64, ut_useddefaultfman);
  ASSERT_TRUE(s.open(dir.file("dump").c_str(), 1));
  cache.dump(s, 0);
  s.close();
  EXPECT_EQ(read_file_bytes(dir.file("dump")), expected);
}
