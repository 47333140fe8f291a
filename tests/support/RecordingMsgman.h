// A message manager for tests: records every report with the setvars context that
// preceded it, and every translate_msg. Construct one in a test; it installs itself as
// ut_msgman and puts the previous manager back when it goes out of scope.
#ifndef RECORDINGMSGMAN_H
#define RECORDINGMSGMAN_H

#include "Portability.h"

#include <string>
#include <vector>

struct RecordedReport {
  enum Kind { Print, Note, Warn, Error, Numbered, Translate };
  Kind kind;
  int number;            // numbered_msg only, 0 otherwise
  std::string subsystem; // context of the setvars that came before the report
  std::string unit;
  short line;
  std::string revision;
  bool hadsetvars;  // exactly one setvars came right before this report
  std::string text; // the formatted text
};

class RecordingMsgman : public UT_MSGMAN {
public:
  RecordingMsgman();
  ~RecordingMsgman() override;

  void setvars(const char *subsystem, const char *unit, short line, const char *revision) override;
  void print_msg(const char *fmt, ...) override;
  void note_msg(const char *fmt, ...) override;
  void warn_msg(const char *fmt, ...) override;
  void error_msg(const char *fmt, ...) override;
  void numbered_msg(int number, const char *fmt, ...) override;
  const wchar_t *translate_msg(const char *subsystem, const char *modname, const char *fmt,
                               ...) override;

  std::vector<RecordedReport> reports;
  int stray_setvars = 0; // setvars calls not followed by a report before the next setvars

  void clear();
  // Every report that is not print_msg, in order.
  std::vector<RecordedReport> problems() const;
  // The print_msg texts joined, as they would appear on standard output.
  std::string printed() const;
  // True when every report came after exactly one setvars with "Utilities", a unit
  // name, a positive line and a "$Revision: ... $" string.
  bool all_framed() const;

private:
  void record(RecordedReport::Kind kind, int number, const std::string &text);
  UT_MSGMAN *previous_;
  bool pending_ = false;
  std::string subsystem_s, unit_s, revision_s;
  short line_s = 0;
  std::wstring wide_;
};

// A temporary directory removed with everything in it at the end of the scope.
class TempDir {
public:
  TempDir();
  ~TempDir();
  const std::string &path() const { return path_; }
  std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

// Whole-file helpers for byte-level checks.
std::string read_file_bytes(const std::string &path);
void write_file_bytes(const std::string &path, const std::string &bytes);
// The n low bytes of v, least significant first, as the library's files store integers.
std::string le_bytes(long v, int n = 4);

#endif
