// Recording message manager and file helpers shared by every test suite.
#include "RecordingMsgman.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

RecordingMsgman::RecordingMsgman() : previous_(ut_msgman) { ut_msgman = this; }

RecordingMsgman::~RecordingMsgman() { ut_msgman = previous_; }

void RecordingMsgman::setvars(const char *subsystem, const char *unit, short line,
                              const char *revision) {
  if (pending_)
    ++stray_setvars;
  pending_ = true;
  subsystem_s = subsystem ? subsystem : "";
  unit_s = unit ? unit : "";
  revision_s = revision ? revision : "";
  line_s = line;
}

void RecordingMsgman::record(RecordedReport::Kind kind, int number, const std::string &text) {
  RecordedReport r;
  r.kind = kind;
  r.number = number;
  r.hadsetvars = pending_;
  if (pending_) {
    r.subsystem = subsystem_s;
    r.unit = unit_s;
    r.line = line_s;
    r.revision = revision_s;
  } else {
    r.line = 0;
  }
  r.text = text;
  pending_ = false;
  reports.push_back(r);
}

#define RECORD(kind, number)                                                                       \
  va_list ap;                                                                                      \
  va_start(ap, fmt);                                                                               \
  std::string text = vformat(fmt, ap);                                                             \
  va_end(ap);                                                                                      \
  record(kind, number, text)

void RecordingMsgman::print_msg(const char *fmt, ...) { RECORD(RecordedReport::Print, 0); }
void RecordingMsgman::note_msg(const char *fmt, ...) { RECORD(RecordedReport::Note, 0); }
void RecordingMsgman::warn_msg(const char *fmt, ...) { RECORD(RecordedReport::Warn, 0); }
void RecordingMsgman::error_msg(const char *fmt, ...) { RECORD(RecordedReport::Error, 0); }
void RecordingMsgman::numbered_msg(int number, const char *fmt, ...) {
  RECORD(RecordedReport::Numbered, number);
}

const wchar_t *RecordingMsgman::translate_msg(const char *subsystem, const char *, const char *fmt,
                                              ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string text = vformat(fmt, ap);
  va_end(ap);
  RecordedReport r{
      RecordedReport::Translate, 0, subsystem ? subsystem : "", "", 0, "", false, text};
  reports.push_back(r);
  wide_.assign(text.begin(), text.end());
  return wide_.c_str();
}

void RecordingMsgman::clear() {
  reports.clear();
  stray_setvars = 0;
  pending_ = false;
}

std::vector<RecordedReport> RecordingMsgman::problems() const {
  std::vector<RecordedReport> out;
  for (const auto &r : reports)
    if (r.kind != RecordedReport::Print && r.kind != RecordedReport::Translate)
      out.push_back(r);
  return out;
}

std::string RecordingMsgman::printed() const {
  std::string out;
  for (const auto &r : reports)
    if (r.kind == RecordedReport::Print)
      out += r.text;
  return out;
}

bool RecordingMsgman::all_framed() const {
  if (stray_setvars)
    return false;
  for (const auto &r : reports) {
    if (r.kind == RecordedReport::Translate)
      continue;
    if (!r.hadsetvars || r.subsystem != "Utilities" || r.unit.empty() || r.line <= 0 ||
        r.revision.rfind("$Revision: ", 0) != 0 || r.revision.back() != '$')
      return false;
  }
  return true;
}

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "uttestXXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data()))
    path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty())
    std::filesystem::remove_all(path_, ec);
}

std::string read_file_bytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void write_file_bytes(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string le_bytes(long v, int n) {
  std::string s;
  for (int i = 0; i < n; ++i)
    s += static_cast<char>((static_cast<unsigned long>(v) >> (8 * i)) & 0xff);
  return s;
}
