// Text helpers of the platform layer. Every argument may be null; character classes
// are ASCII only and safe for any char value.
#include "Portability.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>

int UT_STR::Len(const char *s) { return s ? static_cast<int>(std::strlen(s)) : 0; }

char *UT_STR::Copy(char *dst, const char *src) {
  if (!dst)
    return nullptr;
  if (!src)
    src = "";
  std::memmove(dst, src, std::strlen(src) + 1);
  return dst;
}

char *UT_STR::Cat(char *dst, const char *src) {
  if (!dst)
    return nullptr;
  if (src)
    std::memmove(dst + std::strlen(dst), src, std::strlen(src) + 1);
  return dst;
}

char *UT_STR::Dup(const char *s) {
  if (!s)
    return nullptr;
  std::size_t n = std::strlen(s) + 1;
  char *d = new (std::nothrow) char[n];
  if (d)
    std::memcpy(d, s, n);
  return d;
}

wchar_t *UT_STR::WDup(const wchar_t *s) {
  if (!s)
    return nullptr;
  std::size_t n = std::wcslen(s) + 1;
  wchar_t *d = new (std::nothrow) wchar_t[n];
  if (d)
    std::wmemcpy(d, s, n);
  return d;
}

int UT_STR::Compare(const char *a, const char *b) {
  if (!a || !b)
    return (a ? 1 : 0) - (b ? 1 : 0);
  return std::strcmp(a, b);
}

static int lower(int c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

int UT_STR::INCompare(const char *a, const char *b, int n) {
  if (!a || !b)
    return (a ? 1 : 0) - (b ? 1 : 0);
  for (int i = 0; i < n; ++i) {
    int ca = lower(static_cast<unsigned char>(a[i]));
    int cb = lower(static_cast<unsigned char>(b[i]));
    if (ca != cb)
      return ca - cb;
    if (ca == 0)
      break;
  }
  return 0;
}

int UT_STR::ICompare(const char *a, const char *b) { return INCompare(a, b, INT_MAX); }

char *UT_STR::FindChar(const char *s, int c) {
  return s ? const_cast<char *>(std::strchr(s, static_cast<char>(c))) : nullptr;
}

char *UT_STR::FindString(const char *s, const char *t) {
  return (s && t) ? const_cast<char *>(std::strstr(s, t)) : nullptr;
}

char UT_STR::GetToken(char *text, char *token, const char *delims) {
  if (!text) {
    if (token)
      token[0] = '\0';
    return '\0';
  }
  std::size_t n = delims ? std::strcspn(text, delims) : std::strlen(text);
  char found = text[n];
  if (token) {
    std::memmove(token, text, n);
    token[n] = '\0';
  }
  std::size_t rest = found ? n + 1 : n;
  std::memmove(text, text + rest, std::strlen(text + rest) + 1);
  return found;
}

char *UT_STR::Trim(char *s) {
  if (!s)
    return nullptr;
  std::size_t start = 0;
  while (s[start] && IsSpace(static_cast<unsigned char>(s[start])))
    ++start;
  std::size_t end = std::strlen(s);
  while (end > start && IsSpace(static_cast<unsigned char>(s[end - 1])))
    --end;
  std::memmove(s, s + start, end - start);
  s[end - start] = '\0';
  return s;
}

int UT_STR::AToI(const char *s) {
  if (!s)
    return 0;
  errno = 0;
  long v = std::strtol(s, nullptr, 10);
  if (v > INT_MAX)
    return INT_MAX;
  if (v < INT_MIN)
    return INT_MIN;
  return static_cast<int>(v);
}

int UT_STR::SScanf(const char *text, const char *fmt, ...) {
  if (!text || !fmt)
    return 0;
  va_list ap;
  va_start(ap, fmt);
  int n = std::vsscanf(text, fmt, ap);
  va_end(ap);
  return n;
}

int UT_STR::SPrintf(char *buf, int size, const char *fmt, ...) {
  if (!buf || size <= 0)
    return 0;
  if (!fmt) {
    buf[0] = '\0';
    return 0;
  }
  va_list ap;
  va_start(ap, fmt);
  int n = std::vsnprintf(buf, static_cast<std::size_t>(size), fmt, ap);
  va_end(ap);
  if (n < 0) {
    buf[0] = '\0';
    return 0;
  }
  return n < size ? n : size - 1;
}

// The library keeps a few names encoded: each character is stored as its code plus one.
// Decode gives the plain text in one of a few rotating static buffers.
const char *UT_STR::Decode(const char *encoded) {
  if (!encoded)
    return nullptr;
  static char buffers[4][256];
  static int next = 0;
  char *out = buffers[next];
  next = (next + 1) % 4;
  std::size_t i = 0;
  for (; encoded[i] && i < sizeof buffers[0] - 1; ++i)
    out[i] = static_cast<char>(static_cast<unsigned char>(encoded[i]) - 1);
  out[i] = '\0';
  return out;
}

int UT_STR::IsAlpha(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
int UT_STR::IsAlnum(int c) { return IsAlpha(c) || (c >= '0' && c <= '9'); }
int UT_STR::IsSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
int UT_STR::IsXDigit(int c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int UT_STR::ToUpper(int c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; }
