// Platform layer: stream byte layout, text limits, end of file, buffered offsets,
// rewriting without truncation, text helpers and the allocation-failure hook.
#include "Portability.h"
#include "RecordingMsgman.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v)
    s.push_back(static_cast<char>(b));
  return s;
}

// One readstring (or readline) as "result text", into limit + 1 bytes followed by a guard
// byte; the whole buffer starts as 'X', so a missing NUL or a write past buf[limit] shows.
std::string text(UT_STREAM *in, int limit, bool line = false) {
  std::unique_ptr<char[]> buf(new char[limit + 2]);
  std::memset(buf.get(), 'X', limit + 2);
  int n = line ? in->readline(buf.get(), limit) : in->readstring(buf.get(), limit);
  if (buf[limit + 1] != 'X')
    return "overrun";
  return std::to_string(n) + " " + std::string(buf.get(), strnlen(buf.get(), limit + 1));
}

UT_STREAM *reader(const std::string &f, const std::string &content) {
  write_file_bytes(f, content);
  return ut_file.open(f.c_str(), UT_READ, 0);
}

// Each stream test has a directory of its own and a file name in it.
class PortabilityStream : public ::testing::Test {
protected:
  TempDir dir;
  const std::string f = dir.file("f");
};

TEST_F(PortabilityStream, ValuesAreLittleEndianWithLengthPrefixedTexts) {
  UT_STREAM *out = ut_file.open(f.c_str(), UT_WRITE, 1);
  ASSERT_NE(out, nullptr);
  out->writebyte(0xAB), out->writeshort(-2), out->writelong(0x12345678L);
  out->writeulong(0xFFFFFFFFUL), out->writestring("hi"), out->writestring(nullptr);
  EXPECT_EQ(out->getfoffset(), 1 + 2 + 4 + 4 + 6 + 4) << "offset must count buffered bytes";
  ut_file.close(out);
  EXPECT_EQ(read_file_bytes(f),
            bytes({0xAB, 0xFE, 0xFF, 0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF,
                   2,    0,    0,    0,    'h',  'i',  0,    0,    0,    0}));

  UT_STREAM *in = ut_file.open(f.c_str(), UT_READ, 0);
  ASSERT_NE(in, nullptr);
  EXPECT_EQ((std::vector<long>{in->readbyte(), in->readshort(), in->readlong()}),
            (std::vector<long>{0xAB, -2, 0x12345678L}));
  long sl = 0;
  unsigned long ul = 0;
  EXPECT_EQ(in->readulong(ul), 1);
  in->setfoffset(7);
  EXPECT_EQ(in->readlong(sl), 1);
  EXPECT_EQ(ul, 0xFFFFFFFFUL) << "readulong zero-extends";
  EXPECT_EQ(sl, -1) << "readlong sign-extends";
  EXPECT_EQ(text(in, 7), "2 hi");
  EXPECT_EQ(text(in, 7), "0 ");
  EXPECT_FALSE(in->geteof());
  EXPECT_EQ(in->readlong(), 0) << "a read at the end gives zero";
  EXPECT_TRUE(in->geteof());
  ut_file.close(in);
}

TEST_F(PortabilityStream, TextReadsKeepTheirLimitsWhateverTheLengthFieldOrLineLength) {
  // A 4 GiB length field followed by three characters.
  UT_STREAM *in = reader(f, bytes({0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c'}));
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(text(in, 2), "2 ab") << "limit characters are stored";
  EXPECT_EQ(in->readbyte(), 0);
  EXPECT_TRUE(in->geteof());
  ut_file.close(in);
  // Exactly limit characters, a longer text skipped to its end, a text cut short by the end.
  in = reader(f, bytes({3,   0,   0,   0,   'x', 'y', 'z', 5, 0, 0, 0,
                        '1', '2', '3', '4', '5', 7,   9,   0, 0, 0, 'q'}));
  EXPECT_EQ(text(in, 3), "3 xyz");
  EXPECT_EQ(text(in, 3), "3 123");
  EXPECT_EQ(in->readbyte(), 7) << "the rest of a longer text is skipped";
  EXPECT_EQ(text(in, 4), "1 q");
  ut_file.close(in);
  // Line ends stripped, the rest of a long line discarded, an empty line that is not the end,
  // a carriage return inside a line kept, a last line without a line feed read like any other.
  in = reader(f, "one\r\nlonger line\n\na\rb\nlast");
  std::vector<std::string> lines;
  for (int limit : {7, 6, 7, 7, 7, 7}) {
    lines.push_back(text(in, limit, true));
    lines.back() += in->geteof() ? " eof" : "";
  }
  EXPECT_EQ(lines,
            (std::vector<std::string>{"3 one", "6 longer", "0 ", "3 a\rb", "4 last", "0  eof"}));
  ut_file.close(in);
}

TEST_F(PortabilityStream, SeeksSeeBufferedDataAndRewritingKeepsTheFile) {
  UT_STREAM out(UT_WRITE, 4, ut_useddefaultfman);
  ASSERT_EQ(out.open(f.c_str(), 1), 1);
  for (int i = 0; i < 10; ++i)
    out.writebyte(static_cast<unsigned char>(i));
  EXPECT_EQ(out.getfoffset(), 10);
  EXPECT_EQ((std::vector<int>{out.setfoffset(2), out.writebyte(0x22), out.setfoffset(14),
                              out.writebyte(0xEE)}),
            (std::vector<int>{1, 1, 1, 1})); // in order: braced lists evaluate left to right
  EXPECT_EQ(out.close(), 1);
  EXPECT_EQ(out.close(), 0) << "nothing open any more";
  EXPECT_EQ(read_file_bytes(f), bytes({0, 1, 0x22, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 0xEE}))
      << "zeros fill the gap";

  // Flag 0 opens for writing without truncating.
  UT_STREAM *again = ut_file.open(f.c_str(), UT_WRITE, 0);
  ASSERT_NE(again, nullptr);
  again->setfoffset(0);
  again->writebyte(0x99);
  ut_file.close(again);
  EXPECT_EQ(read_file_bytes(f), bytes({0x99, 1, 0x22, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 0xEE}));

  // Reading with a small buffer across seeks back and forth.
  UT_STREAM in(UT_READ, 3, ut_useddefaultfman);
  ASSERT_EQ(in.open(f.c_str(), 0), 1);
  auto at = [&in](long pos) { return in.setfoffset(pos), int(in.readbyte()); };
  EXPECT_EQ((std::vector<int>{at(5), at(1), int(in.getfoffset()), at(100)}),
            (std::vector<int>{5, 1, 2, 0}));
  EXPECT_TRUE(in.geteof());
  in.setfoffset(14);
  EXPECT_FALSE(in.geteof()) << "a seek clears end of file";
  EXPECT_EQ(in.readbyte(), 0xEE);
}

TEST_F(PortabilityStream, MissingFilesAndClosedStreamsAreRefused) {
  long t = 0;
  EXPECT_EQ(ut_file.open(dir.file("none").c_str(), UT_READ, 0), nullptr);
  EXPECT_EQ(ut_file.open(dir.file("no/such/dir").c_str(), UT_WRITE, 1), nullptr);
  EXPECT_EQ(ut_file.open(nullptr, UT_READ, 0), nullptr);
  EXPECT_EQ(ut_file.getdatetime(dir.file("none").c_str(), t), 0);
  EXPECT_EQ(ut_file.close(nullptr), 0);
  UT_STREAM closed(UT_WRITE, 16, &ut_file);
  EXPECT_EQ(closed.writelong(1) + closed.readbyte(), 0);
  EXPECT_EQ(text(&closed, 3), "0 ");
  write_file_bytes(f, "x");
  EXPECT_NE(ut_file.getdatetime(f.c_str(), t), 0);
  EXPECT_GT(t, 0);
}

TEST_F(PortabilityStream, ReadingNeedsARegularFileAndRewritingNeedsNoReadPermission) {
  EXPECT_EQ(ut_file.open(dir.path().c_str(), UT_READ, 1), nullptr) << "a directory";
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
  EXPECT_EQ(ut_file.open(dir.file("pipe").c_str(), UT_READ, 1), nullptr) << "a pipe, at once";

  // A file its user may write but not read is rewritten in place. Root reads anything, so
  // then the rewrite runs in a child under another user, for whom the file is write-only.
  write_file_bytes(f, "abcd");
  const bool root = geteuid() == 0;
  ASSERT_EQ(chmod(dir.path().c_str(), 0755) | chmod(f.c_str(), root ? 0602 : 0200), 0);
  auto rewrite = [this]() {
    UT_STREAM *s = ut_file.open(f.c_str(), UT_WRITE, 0);
    return s && s->setfoffset(1) && s->writebyte('X') && ut_file.close(s);
  };
  bool rewritten = false;
  if (root) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
      _exit(setgid(65534) == 0 && setuid(65534) == 0 && rewrite() ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    rewritten = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  } else {
    rewritten = rewrite();
  }
  EXPECT_TRUE(rewritten);
  chmod(f.c_str(), 0600);
  EXPECT_EQ(read_file_bytes(f), "aXcd") << "written in place, not truncated";
}

TEST_F(PortabilityStream, AFailedWriteSticksUntilCloseWhichReportsIt) {
  // The buffer of 4 bytes goes out when the second long comes: that write fails once.
  UT_STREAM s(UT_WRITE, 4, ut_useddefaultfman);
  ASSERT_EQ(s.open(f.c_str(), 1), 1);
  EXPECT_EQ(s.writelong(1), 1);
  kor_io_fail_after(0);
  EXPECT_EQ(s.writelong(2), 0);
  EXPECT_EQ(s.geterror(), 1);
  EXPECT_EQ(s.writelong(3) + s.flush() + s.setfoffset(0) + s.write("x", 1), 0)
      << "nothing is written after a failure";
  EXPECT_EQ(s.close(), 0);
  EXPECT_EQ(s.isopen(), 0) << "closed all the same";
  ASSERT_EQ(s.open(f.c_str(), 1), 1);
  EXPECT_EQ(s.geterror(), 0) << "a new open starts clean";
  EXPECT_EQ(s.writelong(4) + s.writelong(5), 2);
  EXPECT_EQ(s.close(), 1);
  EXPECT_EQ(read_file_bytes(f), bytes({4, 0, 0, 0, 5, 0, 0, 0}));

  // The buffer's write, the C library's flush, or the close itself can fail too.
  for (int step : {0, 1, 2}) {
    UT_STREAM *out = ut_file.open(f.c_str(), UT_WRITE, 1);
    ASSERT_NE(out, nullptr);
    out->writelong(7);
    kor_io_fail_after(step);
    EXPECT_EQ(out->flush(), step == 2 ? 1 : 0) << step;
    EXPECT_EQ(ut_file.close(out), 0) << step;
  }
  kor_io_fail_after(-1);

  // A device that refuses every write: values go into the buffer, the flush fails.
  UT_STREAM *full = ut_file.open("/dev/full", UT_WRITE, 1);
  if (full) {
    EXPECT_EQ(full->writelong(1), 1);
    EXPECT_EQ(full->flush(), 0);
    EXPECT_EQ(ut_file.close(full), 0);
  }
}

TEST(PortabilityText, HelpersAcceptNullAndAnyCharValue) {
  EXPECT_TRUE(UT_STR::Len(nullptr) == 0 && UT_STR::Compare(nullptr, nullptr) == 0);
  EXPECT_TRUE(UT_STR::Dup(nullptr) == nullptr && UT_STR::WDup(nullptr) == nullptr);
  EXPECT_LT(UT_STR::Compare(nullptr, ""), 0);
  EXPECT_LT(UT_STR::Compare("a", "b"), 0);
  EXPECT_EQ(UT_STR::ICompare("HeLLo", "hello"), 0);
  EXPECT_EQ(UT_STR::INCompare("ABCx", "abcy", 3), 0);
  EXPECT_NE(UT_STR::INCompare("ABCx", "abcy", 4), 0);
  EXPECT_TRUE(UT_STR::FindChar(nullptr, 'a') == nullptr && !UT_STR::FindString("abc", nullptr));
  for (int c = -128; c < 256; ++c) {
    EXPECT_EQ(UT_STR::IsAlpha(c) != 0, (c >= 0 && c < 128 && std::isalpha(c))) << c;
    EXPECT_EQ(UT_STR::IsXDigit(c) != 0, (c >= 0 && c < 128 && std::isxdigit(c))) << c;
  }
  EXPECT_EQ(UT_STR::ToUpper(0xE9), 0xE9);

  char text[] = "key=value=x";
  char token[16];
  EXPECT_EQ(UT_STR::GetToken(text, token, "="), '=');
  EXPECT_EQ(std::string(token) + "|" + text, "key|value=x");
  EXPECT_EQ(UT_STR::GetToken(text, token, ";"), '\0');
  EXPECT_EQ(std::string(token) + "|" + text, "value=x|");

  char padded[] = "  \t mid dle \n";
  EXPECT_STREQ(UT_STR::Trim(padded), "mid dle");
  char small[4];
  EXPECT_EQ(UT_STR::SPrintf(small, 4, "%d", 123456), 3);
  EXPECT_STREQ(small, "123");
  EXPECT_EQ(UT_STR::AToI("99999999999"), 2147483647);
  EXPECT_STREQ(UT_STR::Decode("VU`EFCVH"), "UT_DEBUG");
}

TEST(PortabilityMemory, FailAfterFailsExactlyTheLaterAllocations) {
  kor_fail_after(2);
  void *a = kor_malloc(8), *b = kor_realloc(nullptr, 8), *c = kor_malloc(8);
  kor_fail_after(-1);
  void *d = kor_malloc(8);
  EXPECT_TRUE(a && b && d);
  EXPECT_EQ(c, nullptr);
  kor_free(a);
  kor_free(b);
  kor_free(d);

  // A stream whose buffer cannot be had does not open.
  TempDir dir;
  kor_fail_after(0);
  UT_STREAM *s = ut_file.open(dir.file("f").c_str(), UT_WRITE, 1);
  kor_fail_after(-1);
  EXPECT_EQ(s, nullptr);
}

TEST(PortabilityEnvironment, LanguageFollowsTheFirstSetVariableAndTextsAreWidenedAndDated) {
  setenv("LC_ALL", "", 1);
  setenv("LC_MESSAGES", "ja_JP.UTF-8", 1);
  setenv("LANG", "en_US", 1);
  EXPECT_STREQ(ut_getlang(), "japanese");
  setenv("LC_ALL", "C", 1);
  EXPECT_STREQ(ut_getlang(), "english");
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  unsetenv("LANG");
  EXPECT_STREQ(ut_getlang(), "english");

  UT_MSGMAN plain; // translate_msg returns the formatted text widened
  EXPECT_STREQ(plain.translate_msg("Utilities", "mod", "line %d of %s", 3, "x"), L"line 3 of x");
  ut_tm t{7, 16, 0, 5, 11, 126, 6, 338, 0};
  EXPECT_STREQ(UT_TIME::AscTime(&t), "Sat Dec  5 00:16:07 2026\n");
  t.mon = 12;
  t.wday = -1;
  EXPECT_STREQ(UT_TIME::AscTime(&t), "??? ???  5 00:16:07 2026\n");
}

TEST_F(PortabilityStream, BulkWritesAndReadsMixWithValuesAcrossTheBuffer) {
  std::string block(10000, '\0');
  for (std::size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<char>(i * 7);
  UT_STREAM out(UT_WRITE, 64, &ut_file);
  ASSERT_EQ(out.open(f.c_str(), 1), 1);
  out.writebyte(1);
  EXPECT_EQ(out.write(block.data(), 10000), 1);
  out.writelong(-5);
  EXPECT_EQ(out.write(block.data(), 3), 1);
  EXPECT_EQ(out.getfoffset(), 1 + 10000 + 4 + 3) << "offsets count bulk bytes";
  out.close();
  EXPECT_EQ(read_file_bytes(f),
            std::string(1, '\1') + block + "\xFB\xFF\xFF\xFF" + block.substr(0, 3));

  UT_STREAM in(UT_READ, 64, &ut_file);
  ASSERT_EQ(in.open(f.c_str(), 0), 1);
  std::string back(10000, 'x');
  EXPECT_EQ(in.readbyte(), 1);
  EXPECT_EQ(in.read(&back[0], 10000), 10000);
  EXPECT_EQ(back, block);
  EXPECT_EQ(in.readlong(), -5);
  EXPECT_EQ(in.read(&back[0], 10000), 3) << "a read at the end gives what is left";
  EXPECT_FALSE(in.geteof());
  EXPECT_EQ(in.read(&back[0], 10000), 0);
  EXPECT_TRUE(in.geteof());
  in.setfoffset(1);
  EXPECT_EQ(in.read(&back[0], 5000), 5000) << "a seek back then a large read";
  EXPECT_EQ(back.substr(0, 5000), block.substr(0, 5000));
}

} // namespace
