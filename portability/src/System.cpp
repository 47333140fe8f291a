// Raw allocator with its failure hook, formatted texts, environment and language,
// memory and time helpers, and the named-object base.
#include "Portability.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {
long gv_failafter = -1; // successful allocations left before failures; -1: never fail

bool allocation_allowed() {
  if (gv_failafter < 0)
    return true;
  if (gv_failafter == 0)
    return false;
  --gv_failafter;
  return true;
}
} // namespace

void kor_fail_after(long n) { gv_failafter = n < 0 ? -1 : n; }

void *kor_malloc(unsigned size) {
  if (!allocation_allowed())
    return nullptr;
  return std::malloc(size ? size : 1);
}

void *kor_realloc(void *p, unsigned size) {
  if (!allocation_allowed())
    return nullptr;
  return std::realloc(p, size ? size : 1);
}

void kor_free(void *p) { std::free(p); }

char *korform(const char *fmt, ...) {
  static char buffers[16][1024];
  static int next = 0;
  char *out = buffers[next];
  next = (next + 1) % 16;
  out[0] = '\0';
  if (!fmt)
    return out;
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(out, sizeof buffers[0], fmt, ap);
  va_end(ap);
  return out;
}

const char *ut_getenv(const char *name) { return name ? std::getenv(name) : nullptr; }

const char *ut_getlang() {
  static const char *const vars[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  for (const char *v : vars) {
    const char *value = std::getenv(v);
    if (value && *value)
      return (value[0] == 'j' && value[1] == 'a') ? "japanese" : "english";
  }
  return "english";
}

void UT_MEMORY::Set(void *p, int c, unsigned n) {
  if (p && n)
    std::memset(p, c, n);
}

void UT_MEMORY::Copy(void *d, const void *s, unsigned n) {
  if (d && s && n)
    std::memcpy(d, s, n);
}

void UT_MEMORY::Move(void *d, const void *s, unsigned n) {
  if (d && s && n)
    std::memmove(d, s, n);
}

static void to_tm(const ut_tm &u, std::tm &t) {
  std::memset(&t, 0, sizeof t);
  t.tm_sec = u.sec;
  t.tm_min = u.min;
  t.tm_hour = u.hour;
  t.tm_mday = u.mday;
  t.tm_mon = u.mon;
  t.tm_year = u.year;
  t.tm_wday = u.wday;
  t.tm_yday = u.yday;
  t.tm_isdst = u.isdst;
}

static void from_tm(const std::tm &t, ut_tm &u) {
  u.sec = t.tm_sec;
  u.min = t.tm_min;
  u.hour = t.tm_hour;
  u.mday = t.tm_mday;
  u.mon = t.tm_mon;
  u.year = t.tm_year;
  u.wday = t.tm_wday;
  u.yday = t.tm_yday;
  u.isdst = t.tm_isdst;
}

long UT_TIME::Time(long *t) {
  std::time_t now = std::time(nullptr);
  long v = now == static_cast<std::time_t>(-1) ? 0 : static_cast<long>(now);
  if (t)
    *t = v;
  return v;
}

ut_tm *UT_TIME::LocalTime(const long *t) {
  static ut_tm result;
  if (!t)
    return nullptr;
  std::time_t tt = static_cast<std::time_t>(*t);
  std::tm broken;
  // localtime_r need not read TZ again, while mktime must: tzset first so that both see
  // a zone the process changed since.
  tzset();
  if (!localtime_r(&tt, &broken))
    return nullptr;
  from_tm(broken, result);
  return &result;
}

// The C library's standard text "Www Mmm dd hh:mm:ss yyyy\n", written here so that
// out-of-range fields give "???" instead of undefined behaviour.
char *UT_TIME::AscTime(const ut_tm *t) {
  static char text[64];
  static const char days[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char months[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (!t) {
    text[0] = '\0';
    return text;
  }
  const char *day = (t->wday >= 0 && t->wday < 7) ? days[t->wday] : "???";
  const char *mon = (t->mon >= 0 && t->mon < 12) ? months[t->mon] : "???";
  std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %lld\n", day, mon, t->mday, t->hour,
                t->min, t->sec, 1900LL + t->year);
  return text;
}

long UT_TIME::MkTime(ut_tm *u) {
  if (!u)
    return -1;
  std::tm t;
  to_tm(*u, t);
  std::time_t r = std::mktime(&t);
  if (r != static_cast<std::time_t>(-1))
    from_tm(t, *u);
  return static_cast<long>(r);
}

double UT_TIME::DiffTime(long a, long b) { return static_cast<double>(a) - static_cast<double>(b); }

UT_STATOBJ::UT_STATOBJ(const char *classname) : classname_(classname) {}
UT_STATOBJ::~UT_STATOBJ() {}
const char *UT_STATOBJ::getclassname() const { return classname_; }
