// Buffered byte streams on files and the file manager. Values are little-endian:
// byte 1, short 2, long and unsigned long 4 bytes; a text is a 4-byte length and its
// characters. One buffer serves the stream's one direction; offsets are absolute and
// always include buffered data.
#include "Portability.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {
const int gv_defaultbufsize = 4096;

FILE *fp(void *f) { return static_cast<FILE *>(f); }
} // namespace

UT_FILEMANAGER ut_file;
UT_FILEMANAGER *ut_useddefaultfman = &ut_file;

UT_STREAM::UT_STREAM(UT_ACCESS access, int bufsize, UT_FILEMANAGER *fman)
    : access_(access), fman_(fman), file_(nullptr), buf_(nullptr),
      bufsize_(bufsize > 0 ? bufsize : gv_defaultbufsize), bufpos_(0), buflen_(0), bufbase_(0),
      eof_(0) {}

UT_STREAM::~UT_STREAM() { close(); }

int UT_STREAM::open(const char *fname, unsigned char flag) {
  if (!fname || file_)
    return 0;
  FILE *f = nullptr;
  if (access_ == UT_READ) {
    f = std::fopen(fname, "rb");
  } else if (access_ == UT_WRITE) {
    if (flag) {
      f = std::fopen(fname, "wb");
    } else {
      f = std::fopen(fname, "r+b"); // rewrite in place, keeping the contents
      if (!f)
        f = std::fopen(fname, "w+b");
    }
  }
  if (!f)
    return 0;
  buf_ = static_cast<unsigned char *>(kor_malloc(static_cast<unsigned>(bufsize_)));
  if (!buf_) {
    std::fclose(f);
    return 0;
  }
  file_ = f;
  bufpos_ = buflen_ = 0;
  bufbase_ = 0;
  eof_ = 0;
  return 1;
}

int UT_STREAM::close() {
  if (!file_)
    return 0;
  flushwrite();
  std::fclose(fp(file_));
  file_ = nullptr;
  kor_free(buf_);
  buf_ = nullptr;
  bufpos_ = buflen_ = 0;
  bufbase_ = 0;
  return 1;
}

int UT_STREAM::isopen() const { return file_ != nullptr; }

int UT_STREAM::geteof() const { return eof_; }

int UT_STREAM::flushwrite() {
  if (!file_ || access_ != UT_WRITE || bufpos_ == 0)
    return 1;
  int ok = fseeko(fp(file_), static_cast<off_t>(bufbase_), SEEK_SET) == 0 &&
           std::fwrite(buf_, 1, static_cast<std::size_t>(bufpos_), fp(file_)) ==
               static_cast<std::size_t>(bufpos_);
  bufbase_ += bufpos_;
  bufpos_ = 0;
  return ok ? 1 : 0;
}

int UT_STREAM::fill() {
  long pos = bufbase_ + buflen_;
  bufbase_ = pos;
  bufpos_ = buflen_ = 0;
  if (fseeko(fp(file_), static_cast<off_t>(pos), SEEK_SET) != 0)
    return 0;
  buflen_ = static_cast<int>(std::fread(buf_, 1, static_cast<std::size_t>(bufsize_), fp(file_)));
  return buflen_;
}

int UT_STREAM::readbytes(void *dst, int n) {
  unsigned char *out = static_cast<unsigned char *>(dst);
  int got = 0;
  if (file_ && access_ == UT_READ) {
    while (got < n) {
      if (bufpos_ == buflen_ && out && n - got >= bufsize_) {
        // A large read goes straight from the file, past the buffer.
        long pos = bufbase_ + buflen_;
        bufbase_ = pos;
        bufpos_ = buflen_ = 0;
        if (fseeko(fp(file_), static_cast<off_t>(pos), SEEK_SET) != 0)
          break;
        std::size_t direct = std::fread(out + got, 1, static_cast<std::size_t>(n - got), fp(file_));
        bufbase_ += static_cast<long>(direct);
        got += static_cast<int>(direct);
        break;
      }
      if (bufpos_ == buflen_ && fill() == 0)
        break;
      int take = buflen_ - bufpos_;
      if (take > n - got)
        take = n - got;
      if (out)
        std::memcpy(out + got, buf_ + bufpos_, static_cast<std::size_t>(take));
      bufpos_ += take;
      got += take;
    }
  }
  if (got == 0 && n > 0)
    eof_ = 1;
  return got;
}

int UT_STREAM::writebytes(const void *src, int n) {
  if (!file_ || access_ != UT_WRITE)
    return 0;
  const unsigned char *in = static_cast<const unsigned char *>(src);
  if (n >= bufsize_) {
    // A large write goes straight to the file after what is buffered.
    if (!flushwrite() || fseeko(fp(file_), static_cast<off_t>(bufbase_), SEEK_SET) != 0)
      return 0;
    std::size_t direct = std::fwrite(in, 1, static_cast<std::size_t>(n), fp(file_));
    bufbase_ += static_cast<long>(direct);
    return direct == static_cast<std::size_t>(n) ? 1 : 0;
  }
  int done = 0;
  while (done < n) {
    if (bufpos_ == bufsize_ && !flushwrite())
      return 0;
    int take = bufsize_ - bufpos_;
    if (take > n - done)
      take = n - done;
    std::memcpy(buf_ + bufpos_, in + done, static_cast<std::size_t>(take));
    bufpos_ += take;
    done += take;
  }
  return 1;
}

int UT_STREAM::write(const void *data, int n) {
  if (n < 0 || (!data && n > 0))
    return 0;
  return n ? writebytes(data, n) : (file_ && access_ == UT_WRITE ? 1 : 0);
}

int UT_STREAM::read(void *data, int n) {
  if (n <= 0 || !data)
    return 0;
  return readbytes(data, n);
}

int UT_STREAM::writebyte(unsigned char v) { return writebytes(&v, 1); }

int UT_STREAM::writeshort(short v) {
  unsigned short u = static_cast<unsigned short>(v);
  unsigned char b[2] = {static_cast<unsigned char>(u & 0xff), static_cast<unsigned char>(u >> 8)};
  return writebytes(b, 2);
}

int UT_STREAM::writeulong(unsigned long v) {
  unsigned char b[4];
  for (int i = 0; i < 4; ++i)
    b[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xff);
  return writebytes(b, 4);
}

int UT_STREAM::writelong(long v) { return writeulong(static_cast<unsigned long>(v)); }

int UT_STREAM::writestring(const char *s) {
  std::size_t n = s ? std::strlen(s) : 0;
  if (!writeulong(static_cast<unsigned long>(n)))
    return 0;
  return n ? writebytes(s, static_cast<int>(n)) : 1;
}

unsigned char UT_STREAM::readbyte() {
  unsigned char v = 0;
  readbytes(&v, 1);
  return v;
}

short UT_STREAM::readshort() {
  unsigned char b[2] = {0, 0};
  readbytes(b, 2);
  return static_cast<short>(static_cast<unsigned short>(b[0] | (b[1] << 8)));
}

int UT_STREAM::readulong(unsigned long &v) {
  unsigned char b[4] = {0, 0, 0, 0};
  int got = readbytes(b, 4);
  v = static_cast<unsigned long>(b[0]) | (static_cast<unsigned long>(b[1]) << 8) |
      (static_cast<unsigned long>(b[2]) << 16) | (static_cast<unsigned long>(b[3]) << 24);
  return got == 4 ? 1 : 0;
}

int UT_STREAM::readlong(long &v) {
  unsigned long u = 0;
  int ok = readulong(u);
  v = static_cast<long>(static_cast<int32_t>(static_cast<uint32_t>(u)));
  return ok;
}

long UT_STREAM::readlong() {
  long v = 0;
  readlong(v);
  return v;
}

int UT_STREAM::readstring(char *buf, int limit) {
  if (limit < 0)
    limit = 0;
  unsigned long n = 0;
  int stored = 0;
  if (readulong(n)) {
    unsigned long keep =
        n < static_cast<unsigned long>(limit) ? n : static_cast<unsigned long>(limit);
    if (buf)
      stored = readbytes(buf, static_cast<int>(keep));
    else
      keep = 0;
    unsigned long rest = n - static_cast<unsigned long>(stored);
    // Skip the rest of a longer text by seeking, so a hostile length costs nothing.
    if (rest)
      setfoffset(getfoffset() + static_cast<long>(rest));
  }
  if (buf)
    buf[stored] = '\0';
  return stored;
}

int UT_STREAM::readline(char *buf, int limit) {
  if (limit < 0)
    limit = 0;
  int stored = 0;
  bool any = false;
  bool pendingcr = false; // a carriage return not yet known to end the line
  auto put = [&](char c) {
    if (buf && stored < limit)
      buf[stored++] = c;
  };
  if (file_ && access_ == UT_READ) {
    for (;;) {
      if (bufpos_ == buflen_ && fill() == 0)
        break;
      char c = static_cast<char>(buf_[bufpos_++]);
      any = true;
      if (c == '\n') {
        pendingcr = false; // a carriage return right before the line feed is dropped
        break;
      }
      if (pendingcr)
        put('\r');
      pendingcr = (c == '\r');
      if (!pendingcr)
        put(c);
    }
    if (pendingcr)
      put('\r');
  }
  if (!any)
    eof_ = 1;
  if (buf)
    buf[stored] = '\0';
  return stored;
}

long UT_STREAM::getfoffset() { return file_ ? bufbase_ + bufpos_ : 0; }

int UT_STREAM::setfoffset(long pos) {
  if (!file_ || pos < 0)
    return 0;
  eof_ = 0;
  if (access_ == UT_WRITE) {
    if (!flushwrite())
      return 0;
    bufbase_ = pos;
    return 1;
  }
  if (pos >= bufbase_ && pos <= bufbase_ + buflen_) {
    bufpos_ = static_cast<int>(pos - bufbase_);
    return 1;
  }
  bufbase_ = pos;
  bufpos_ = buflen_ = 0;
  return 1;
}

int UT_STREAM::flush() {
  if (!file_)
    return 0;
  if (access_ != UT_WRITE)
    return 1;
  int ok = flushwrite();
  return (std::fflush(fp(file_)) == 0 && ok) ? 1 : 0;
}

UT_STREAM &UT_STREAM::operator<<(const char *s) {
  if (s)
    writebytes(s, static_cast<int>(std::strlen(s)));
  return *this;
}

UT_STREAM &UT_STREAM::operator<<(long v) {
  char text[32];
  std::snprintf(text, sizeof text, "%ld", v);
  return *this << text;
}

UT_STREAM &UT_STREAM::operator<<(unsigned long v) {
  char text[32];
  std::snprintf(text, sizeof text, "%lu", v);
  return *this << text;
}

UT_STREAM &UT_STREAM::operator<<(const void *p) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", p);
  return *this << text;
}

UT_STREAM &UT_STREAM::operator<<(int v) { return *this << static_cast<long>(v); }

UT_STREAM *UT_FILEMANAGER::open(const char *fname, UT_ACCESS access, unsigned char flag) {
  UT_STREAM *s = new UT_STREAM(access, gv_defaultbufsize, this);
  if (!s->open(fname, flag)) {
    delete s;
    return nullptr;
  }
  return s;
}

int UT_FILEMANAGER::close(UT_STREAM *s) {
  if (!s)
    return 0;
  int ok = s->close();
  delete s;
  return ok;
}

int UT_FILEMANAGER::getdatetime(const char *fname, long &t) {
  struct stat st;
  if (!fname || ::stat(fname, &st) != 0)
    return 0;
  t = static_cast<long>(st.st_mtime);
  return 1;
}
