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
  // A manager with the default behaviour: print_msg to standard output, the other
  // reports as one line on standard error.
  UT_MSGMAN();
  // Frees the translation buffer.
  virtual ~UT_MSGMAN();
  // Records the context (subsystem, unit, source line, revision) of the next report.
  virtual void setvars(const char *subsystem, const char *unit, short line, const char *revision);
  // Writes the formatted text to standard output unchanged.
  virtual void print_msg(const char *fmt, ...);
  // A note: one line on standard error with the context of the last setvars.
  virtual void note_msg(const char *fmt, ...);
  // A warning: one line on standard error with the context of the last setvars.
  virtual void warn_msg(const char *fmt, ...);
  // An error: one line on standard error with the context of the last setvars.
  virtual void error_msg(const char *fmt, ...);
  // A numbered report: one line on standard error with the number and the context.
  virtual void numbered_msg(int number, const char *fmt, ...);
  // Formats the text and returns it widened, in a buffer owned by the manager that
  // stays valid until the next call; copy it with UT_STR::WDup.
  virtual const wchar_t *translate_msg(const char *subsystem, const char *modname, const char *fmt,
                                       ...);

protected:
  // The printf-style text of fmt and its arguments, for derived managers.
  static std::string vformat(const char *fmt, va_list ap);

  //@{
  // The context of the last setvars: subsystem, unit, source line and revision.
  const char *subsystem_;
  const char *unit_;
  short line_;
  const char *revision_;
  //@}

private:
  wchar_t *wbuf_;
  std::size_t wcap_;
};
// The manager every report goes to; never null.
extern UT_MSGMAN *ut_msgman;

// How a stream or file is opened.
enum UT_ACCESS {
  UT_READ = 1, // read an existing file
  UT_WRITE = 2 // write (create, truncate or rewrite parts, by the open flag)
};

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
  // A closed stream for reading or writing with a buffer of bufsize bytes.
  UT_STREAM(UT_ACCESS access, int bufsize, UT_FILEMANAGER *fman);
  // Closes the file if open.
  virtual ~UT_STREAM();
  int open(const char *fname, unsigned char flag); // 1 done, 0 failed
  // 1 done, 0 nothing open or a write failed (it is closed all the same).
  int close();
  // Nonzero while a file is open.
  int isopen() const;
  // Nonzero once a write, flush, seek or close has failed; open clears it.
  int geterror() const;
  //@{
  // Writes one little-endian value: 1 byte, 2 bytes, or the low 32 bits of a long in 4
  // bytes. 1 done, 0 failed.
  int writebyte(unsigned char);
  int writeshort(short);
  int writelong(long);
  int writeulong(unsigned long);
  //@}
  int writestring(const char *); // 4-byte length, then the characters (no NUL)
  //@{
  // Reads one little-endian value (readlong sign-extends 32 bits); 0 at the end of the
  // file.
  unsigned char readbyte();
  short readshort();
  long readlong();
  //@}
  //@{
  // Reads 32 bits into v, sign-extended (readlong) or zero-extended (readulong): 1 when
  // all four bytes were read, 0 at the end of the file.
  int readlong(long &);
  int readulong(unsigned long &);
  //@}
  int readstring(char *buf, int limit); // buf holds limit + 1 bytes; returns count stored
  int readline(char *buf, int limit);   // same limit rule; the line feed is not stored
  // Nonzero once a read found no byte at the end of the file.
  int geteof() const;
  // The absolute byte position, buffered data included.
  long getfoffset();
  // Moves to an absolute byte position: 1 done, 0 failed.
  int setfoffset(long);
  //@{
  // Text output: texts as they are, numbers in decimal, pointers as %p prints them.
  UT_STREAM &operator<<(const char *);
  UT_STREAM &operator<<(long);
  UT_STREAM &operator<<(unsigned long);
  UT_STREAM &operator<<(const void *);
  UT_STREAM &operator<<(int);
  //@}
  // Writes the buffered data to the file: 1 done, 0 failed.
  int flush();
  //@{
  // Raw bytes, for bulk data: write gives 1 when all n were written, 0 otherwise; read
  // gives the number read (fewer at the end of the file, which is set when none was).
  int write(const void *data, int n);
  int read(void *data, int n);
  //@}

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

// Opens and closes streams on files and tells files' modification times; the library
// reaches files only through ut_file. Opening for reading needs a readable regular file
// (a directory, device or pipe is refused). For writing, flag 1 creates or truncates and
// flag 0 opens write-only without truncating, creating the file when it is missing.
class UT_FILEMANAGER {
public:
  UT_STREAM *open(const char *fname, UT_ACCESS access, unsigned char flag); // null on failure
  int close(UT_STREAM *);                      // closes and deletes the stream; its close() result
  int getdatetime(const char *fname, long &t); // nonzero, and mtime in seconds, when it exists
};
// The file manager the library uses.
extern UT_FILEMANAGER ut_file;
// Points to ut_file.
extern UT_FILEMANAGER *ut_useddefaultfman;

// Text helpers. Every argument may be null unless said; character classes are ASCII.
class UT_STR {
public:
  // The number of characters; 0 for null.
  static int Len(const char *);
  // strcpy: copies src into dst and returns dst.
  static char *Copy(char *dst, const char *src);
  // strcat: appends src to dst and returns dst.
  static char *Cat(char *dst, const char *src);
  static char *Dup(const char *);                  // new[]; release with delete[]; null: null
  static wchar_t *WDup(const wchar_t *);           // same for wide texts
  static int Compare(const char *, const char *);  // null sorts first, two nulls equal
  static int ICompare(const char *, const char *); // ignoring ASCII case
  // As ICompare over at most n characters.
  static int INCompare(const char *, const char *, int n);
  // The first c in the text, or null.
  static char *FindChar(const char *, int c);
  // The first occurrence of the second text in the first, or null.
  static char *FindString(const char *, const char *);
  // Moves the characters of text before the first delimiter into token, removes them
  // and the delimiter from text and returns the delimiter ('\0' when none follows: the
  // whole text becomes the token).
  static char GetToken(char *text, char *token, const char *delims);
  // Strips leading and trailing blanks in place and returns the text.
  static char *Trim(char *);
  // atoi; 0 for null.
  static int AToI(const char *);
  // sscanf on text; the number of fields converted.
  static int SScanf(const char *text, const char *fmt, ...);
  static int SPrintf(char *buf, int size, const char *fmt, ...); // bounded, always terminated
  // The plain text of one of the library's encoded names.
  static const char *Decode(const char *encoded);
  //@{
  // ASCII character classes and upper case; any int value is safe.
  static int IsAlnum(int);
  static int IsAlpha(int);
  static int IsSpace(int);
  static int IsXDigit(int);
  static int ToUpper(int);
  //@}
};

// Memory helpers.
class UT_MEMORY {
public:
  // memset: n bytes at p become the byte value.
  static void Set(void *, int, unsigned);
  // memcpy: n bytes, the areas must not overlap.
  static void Copy(void *, const void *, unsigned);
  // memmove: n bytes, the areas may overlap.
  static void Move(void *, const void *, unsigned);
};

// A broken-down time, field for field as the C library's struct tm.
struct ut_tm {
  //@{
  // Seconds, minutes, hours, day of the month, month (0-11), years since 1900, weekday
  // (0 is Sunday), day of the year and the daylight-saving flag.
  int sec, min, hour, mday, mon, year, wday, yday, isdst;
  //@}
};

// Time helpers on calendar times in seconds.
class UT_TIME {
public:
  // Now; also stored in *t when t is not null. 0 on failure.
  static long Time(long *t);
  // The local broken-down time of *t, in a static record.
  static ut_tm *LocalTime(const long *t);
  // The C library's standard text of a broken-down time, in a static buffer.
  static char *AscTime(const ut_tm *);
  // The calendar time of a local broken-down time.
  static long MkTime(ut_tm *);
  // a - b in seconds.
  static double DiffTime(long a, long b);
};

// Base of the named allocator objects.
class UT_STATOBJ {
public:
  // An object named classname (not copied).
  UT_STATOBJ(const char *classname);
  // Nothing to release.
  virtual ~UT_STATOBJ();
  // The class name given to the constructor.
  const char *getclassname() const;

private:
  const char *classname_;
};

// The raw allocator: malloc, null when no memory can be had (or kor_fail_after says so).
void *kor_malloc(unsigned);
// realloc, null (the old block kept) when no memory can be had.
void *kor_realloc(void *, unsigned);
// free; null does nothing.
void kor_free(void *);
char *korform(const char *fmt, ...); // formatted text in a rotating static buffer
// The value of an environment variable, or null.
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
