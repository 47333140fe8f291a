// Default message manager: listings to standard output, every other report as one line
// on standard error with its kind and the context of the last setvars. No report ends
// the program.
#include "Portability.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

UT_MSGMAN gv_defaultmsgman;

void emit(const char *kind, const char *subsystem, const char *unit, short line,
          const std::string &text) {
  std::string body = text;
  while (!body.empty() && body.back() == '\n')
    body.pop_back();
  std::fprintf(stderr, "%s (%s/%s:%d): %s\n", kind, subsystem ? subsystem : "?", unit ? unit : "?",
               static_cast<int>(line), body.c_str());
}

} // namespace

UT_MSGMAN *ut_msgman = &gv_defaultmsgman;

std::string UT_MSGMAN::vformat(const char *fmt, va_list ap) {
  if (!fmt)
    return std::string();
  va_list copy;
  va_copy(copy, ap);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  if (n <= 0)
    return std::string();
  std::string s(static_cast<std::size_t>(n) + 1, '\0');
  std::vsnprintf(&s[0], s.size(), fmt, ap);
  s.resize(static_cast<std::size_t>(n));
  return s;
}

UT_MSGMAN::UT_MSGMAN()
    : subsystem_(nullptr), unit_(nullptr), line_(0), revision_(nullptr), wbuf_(nullptr), wcap_(0) {}

UT_MSGMAN::~UT_MSGMAN() { delete[] wbuf_; }

void UT_MSGMAN::setvars(const char *subsystem, const char *unit, short line, const char *revision) {
  subsystem_ = subsystem;
  unit_ = unit;
  line_ = line;
  revision_ = revision;
}

#define FORMAT_ARGS(fmt, out)                                                                      \
  va_list ap;                                                                                      \
  va_start(ap, fmt);                                                                               \
  std::string out = vformat(fmt, ap);                                                              \
  va_end(ap)

void UT_MSGMAN::print_msg(const char *fmt, ...) {
  FORMAT_ARGS(fmt, text);
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void UT_MSGMAN::note_msg(const char *fmt, ...) {
  FORMAT_ARGS(fmt, text);
  emit("note", subsystem_, unit_, line_, text);
}

void UT_MSGMAN::warn_msg(const char *fmt, ...) {
  FORMAT_ARGS(fmt, text);
  emit("warning", subsystem_, unit_, line_, text);
}

void UT_MSGMAN::error_msg(const char *fmt, ...) {
  FORMAT_ARGS(fmt, text);
  emit("error", subsystem_, unit_, line_, text);
}

void UT_MSGMAN::numbered_msg(int number, const char *fmt, ...) {
  FORMAT_ARGS(fmt, text);
  std::string kind = "message " + std::to_string(number);
  emit(kind.c_str(), subsystem_, unit_, line_, text);
}

const wchar_t *UT_MSGMAN::translate_msg(const char *, const char *, const char *fmt, ...) {
  FORMAT_ARGS(fmt, text);
  std::size_t need = text.size() + 1;
  if (need > wcap_) {
    wchar_t *grown = new wchar_t[need];
    delete[] wbuf_;
    wbuf_ = grown;
    wcap_ = need;
  }
  for (std::size_t i = 0; i < text.size(); ++i)
    wbuf_[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
  wbuf_[text.size()] = L'\0';
  return wbuf_;
}
