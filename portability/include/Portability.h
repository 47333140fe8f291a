// Portability layer: the message manager, byte streams and the file manager, text,
// memory and time helpers and the raw allocator that the Utilities library builds on.
// Binary stream values are little-endian: byte 1, short 2, long 4 bytes.
#ifndef PORTABILITY_H
#define PORTABILITY_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <string>

// Message manager. The library reports through the object ut_msgman points to: one
// setvars with the report's context, then one reporting operation. Derive from it and
// point ut_msgman at your object to take the reports over; ut_msgman is never null.
class UT_MSGMAN {
public:
  UT_MSGMAN();
  virtual ~UT_MSGMAN();
  virtual void setvars(const char *subsystem, const char *unit, short line, const char *revision);
  virtual void print_msg(const char *fmt, ...);
  virtual void note_msg(const char *fmt, ...);
  virtual void warn_msg(const char *fmt, ...);
  virtual void error_msg(const char *fmt, ...);
  virtual void numbered_msg(int number, const char *fmt, ...);
  // Formats the text and returns it widened, in a buffer owned by the manager that
  // stays valid until the next call; copy it with UT_STR::WDup.
  virtual const wchar_t *translate_msg(const char *subsystem, const char *modname, const char *fmt,
                                       ...);

protected:
  // The printf-style text of fmt and its arguments, for derived managers.
  static std::string vformat(const char *fmt, va_list ap);

  const char *subsystem_;
  const char *unit_;
  short line_;
  const char *revision_;

private:
  wchar_t *wbuf_;
  std::size_t wcap_;
};
extern UT_MSGMAN *ut_msgman;

enum UT_ACCESS { UT_READ = 1, UT_WRITE = 2 };

class UT_FILEMANAGER;

// Buffered byte stream on a file. Reads past the end return zeros or empty texts and
// set geteof(); writes into a closed stream return 0.
//
// A write error sticks: once a write, flush, seek or close of a stream open for writing
// has failed, geterror() is nonzero, every further write, flush and seek returns 0, and
// close() returns 0 (it still closes). A write of a value may succeed into the buffer and
// fail only when the buffer goes out, so a writer checks flush() or close() at the end.
class UT_STREAM {
public:
  UT_STREAM(UT_ACCESS access, int bufsize, UT_FILEMANAGER *fman);
  virtual ~UT_STREAM();
  int open(const char *fname, unsigned char flag); // 1 done, 0 failed
  int close(); // 1 done, 0 nothing open or a write failed (it is closed all the same)
  int isopen() const;
  int geterror() const; // nonzero once a write, flush, seek or close has failed
  int writebyte(unsigned char);
  int writeshort(short);
  int writelong(long);
  int writeulong(unsigned long);
  int writestring(const char *); // 4-byte length, then the characters (no NUL)
  unsigned char readbyte();
  short readshort();
  long readlong();
  int readlong(long &);
  int readulong(unsigned long &);
  int readstring(char *buf, int limit); // buf holds limit + 1 bytes; returns count stored
  int readline(char *buf, int limit);   // same limit rule; the line feed is not stored
  int geteof() const;
  long getfoffset();
  int setfoffset(long);
  UT_STREAM &operator<<(const char *);
  UT_STREAM &operator<<(long);
  UT_STREAM &operator<<(unsigned long);
  UT_STREAM &operator<<(const void *);
  UT_STREAM &operator<<(int);
  int flush();
  // Raw bytes, for bulk data: write gives 1 when all n were written, 0 otherwise; read
  // gives the number read (fewer at the end of the file, which is set when none was).
  int write(const void *data, int n);
  int read(void *data, int n);

  UT_STREAM(const UT_STREAM &) = delete;
  UT_STREAM &operator=(const UT_STREAM &) = delete;

private:
  int readbytes(void *dst, int n); // count read; sets eof when nothing could be read
  int writebytes(const void *src, int n);
  int fill();
  int flushwrite();
  int fail();

  UT_ACCESS access_;
  [[maybe_unused]] UT_FILEMANAGER *fman_;
  void *file_;         // FILE*
  unsigned char *buf_; // write buffer, or read buffer
  int bufsize_;
  int bufpos_;   // next byte to read or write in buf_
  int buflen_;   // bytes valid in buf_ (reading)
  long bufbase_; // file offset of buf_[0]
  int eof_;
  int err_; // sticky write error, cleared by open
};

// Opening for reading needs a readable regular file (a directory, device or pipe is
// refused). For writing, flag 1 creates or truncates and flag 0 opens write-only without
// truncating, creating the file when it is missing.
class UT_FILEMANAGER {
public:
  UT_STREAM *open(const char *fname, UT_ACCESS access, unsigned char flag); // null on failure
  int close(UT_STREAM *);                      // closes and deletes the stream; its close() result
  int getdatetime(const char *fname, long &t); // nonzero, and mtime in seconds, when it exists
};
extern UT_FILEMANAGER ut_file;
extern UT_FILEMANAGER *ut_useddefaultfman;

// Text helpers. Every argument may be null unless said; character classes are ASCII.
class UT_STR {
public:
  static int Len(const char *);
  static char *Copy(char *dst, const char *src);
  static char *Cat(char *dst, const char *src);
  static char *Dup(const char *);                  // new[]; release with delete[]; null: null
  static wchar_t *WDup(const wchar_t *);           // same for wide texts
  static int Compare(const char *, const char *);  // null sorts first, two nulls equal
  static int ICompare(const char *, const char *); // ignoring ASCII case
  static int INCompare(const char *, const char *, int n);
  static char *FindChar(const char *, int c);
  static char *FindString(const char *, const char *);
  static char GetToken(char *text, char *token, const char *delims);
  static char *Trim(char *);
  static int AToI(const char *);
  static int SScanf(const char *text, const char *fmt, ...);
  static int SPrintf(char *buf, int size, const char *fmt, ...); // bounded, always terminated
  static const char *Decode(const char *encoded);
  static int IsAlnum(int);
  static int IsAlpha(int);
  static int IsSpace(int);
  static int IsXDigit(int);
  static int ToUpper(int);
};

class UT_MEMORY {
public:
  static void Set(void *, int, unsigned);
  static void Copy(void *, const void *, unsigned);
  static void Move(void *, const void *, unsigned);
};

struct ut_tm {
  int sec, min, hour, mday, mon, year, wday, yday, isdst;
};

class UT_TIME {
public:
  static long Time(long *t);
  static ut_tm *LocalTime(const long *t);
  static char *AscTime(const ut_tm *);
  static long MkTime(ut_tm *);
  static double DiffTime(long a, long b);
};

// Base of the named allocator objects.
class UT_STATOBJ {
public:
  UT_STATOBJ(const char *classname);
  virtual ~UT_STATOBJ();
  const char *getclassname() const;

private:
  const char *classname_;
};

void *kor_malloc(unsigned);
void *kor_realloc(void *, unsigned);
void kor_free(void *);
char *korform(const char *fmt, ...); // formatted text in a rotating static buffer
const char *ut_getenv(const char *);
const char *ut_getlang(); // "japanese" or "english"
// Test hook: after n more successful kor_malloc/kor_realloc calls every further one
// returns null, until kor_fail_after(-1).
void kor_fail_after(long n);
// Test hook: after n more successful low-level writes, flushes or closes of streams open
// for writing, the next one fails, once; with every nonzero each one after it fails too.
// kor_io_fail_after(-1) turns failures off.
void kor_io_fail_after(long n, int every = 0);

#endif
