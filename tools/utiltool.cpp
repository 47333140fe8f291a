// utiltool: the library from a shell. Converts between INIT values and equations,
// validates them, prints truth tables, writes, lists and extracts indexed files and
// looks up install records. Uses the public interface only; JSON output goes through
// nlohmann::json, which only the tool depends on.
// Exit status: 0 success, 1 refused input, 2 bad usage.
#include "Utilities.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#ifndef UTILTOOL_VERSION
#define UTILTOOL_VERSION "unknown"
#endif

namespace {

using json = nlohmann::ordered_json;

const int EXIT_REFUSED = 1;
const int EXIT_USAGE = 2;

// Set once from the command line: every command writes one JSON document instead of text.
bool json_mode = false;

// Library reports become one line each on standard error; listings go to standard output.
class ToolMsgman : public UT_MSGMAN {
public:
  void print_msg(const char *fmt, ...) override {
    va_list ap;
    va_start(ap, fmt);
    std::string s = vformat(fmt, ap);
    va_end(ap);
    std::fwrite(s.data(), 1, s.size(), stdout);
  }
  void note_msg(const char *fmt, ...) override {
    va_list ap;
    va_start(ap, fmt);
    line("note", vformat(fmt, ap));
    va_end(ap);
  }
  void warn_msg(const char *fmt, ...) override {
    va_list ap;
    va_start(ap, fmt);
    line("warning", vformat(fmt, ap));
    va_end(ap);
  }
  void error_msg(const char *fmt, ...) override {
    va_list ap;
    va_start(ap, fmt);
    line("error", vformat(fmt, ap));
    va_end(ap);
  }
  void numbered_msg(int, const char *fmt, ...) override {
    va_list ap;
    va_start(ap, fmt);
    line("error", vformat(fmt, ap));
    va_end(ap);
  }
  static void line(const char *kind, std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
      text.pop_back();
    for (char &c : text)
      if (c == '\n')
        c = ' ';
    std::fprintf(stderr, "utiltool: %s: %s\n", kind, text.c_str());
  }
};

// Texts handed in by users need not be UTF-8: invalid bytes become U+FFFD instead of
// ending the program.
void emit(const json &doc) {
  std::string s = doc.dump(-1, ' ', false, json::error_handler_t::replace);
  s.push_back('\n');
  std::fwrite(s.data(), 1, s.size(), stdout);
}

int usage_error(const std::string &text) {
  std::fprintf(stderr, "utiltool: %s (see 'utiltool --help')\n", text.c_str());
  return EXIT_USAGE;
}

// A refusal: one error line on standard error, or {"ok": false, "error": ...} in JSON.
int refused(const std::string &text) {
  if (json_mode)
    emit(json{{"ok", false}, {"error", text}});
  else
    ToolMsgman::line("error", text);
  return EXIT_REFUSED;
}

std::string narrow(const wchar_t *w) {
  std::string s;
  for (; w && *w; ++w)
    s.push_back(*w < 128 ? static_cast<char>(*w) : '?');
  return s;
}

std::string trim(const std::string &s) {
  std::size_t b = 0, e = s.size();
  while (b < e && UT_STR::IsSpace(static_cast<unsigned char>(s[b])))
    ++b;
  while (e > b && UT_STR::IsSpace(static_cast<unsigned char>(s[e - 1])))
    --e;
  return s.substr(b, e - b);
}

std::string in_quotes(const std::string &s) { return "\"" + s + "\""; }

bool is_help(const std::string &a) { return a == "--help" || a == "-h"; }

// A whole decimal or 0x-hexadecimal integer, optionally negative; false for anything else.
bool parse_integer(const std::string &text, long long &value) {
  std::string t = trim(text);
  if (t.empty())
    return false;
  bool negative = t[0] == '-';
  std::size_t i = negative ? 1 : 0;
  int base = 10;
  if (t.size() > i + 2 && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  // from_chars takes neither a sign nor blanks, so what remains must be digits alone.
  unsigned long long v = 0;
  const char *first = t.data() + i, *last = t.data() + t.size();
  const auto [end, error] = std::from_chars(first, last, v, base);
  if (first == last || end != last || error != std::errc() || v > (1ULL << 62))
    return false;
  value = negative ? -static_cast<long long>(v) : static_cast<long long>(v);
  return true;
}

const char *const MAIN_HELP =
    "usage: utiltool <command> [options] [arguments]\n"
    "       utiltool --version | --help\n"
    "\n"
    "Commands:\n"
    "  init2eq   the equation of an INIT value\n"
    "  eq2init   the INIT value of an equation\n"
    "  check     validate an equation or a 0x value\n"
    "  table     the truth table of an equation\n"
    "  kmap      the Karnaugh map of an equation\n"
    "  ifile     create, list or extract an indexed segmented file\n"
    "  version   a value from the install records ($MYKORVAL or $KORVAL/fileset.txt)\n"
    "\n"
    "--json (with any command) writes one JSON document to standard output instead of\n"
    "text; refusals then appear in it as \"error\". 'utiltool <command> --help' describes a\n"
    "command; 'man utiltool' describes them all. Exit status: 0 success, 1 input refused\n"
    "(in batch mode: any item refused), 2 bad usage.\n";

const char *const GRAMMAR_HELP =
    "Equations: the address-line names of --lines (a letter, then letters and digits),\n"
    "the constants 0 and 1, and parentheses, with\n"
    "  ~   not, binding tightest (~~A0 is A0)\n"
    "  *   and  \\ one level, grouping from the right where they meet:\n"
    "  @   xor  /   A0*A1@A2 is A0*(A1@A2), A0@A1*A2 is A0@(A1*A2)\n"
    "  +   or, binding loosest: A0*A1+A2 is (A0*A1)+A2\n"
    "Nothing else is an operator (& | ^ ! are refused). Text before a '=' is the output\n"
    "name and is not read. Names match ignoring case unless --assign is given.\n";

const char *const EQUATION_OPTIONS =
    "  --lines A0,A1,...  the address-line names, line 0 first; blanks around names\n"
    "                     are ignored\n"
    "  --lhs NAME         the output name written into produced texts (default O)\n"
    "  --assign           the assignment convention: exact names, NAME=0x... values,\n"
    "                     equations without blanks\n"
    "  --minimal          init2eq: the minimal sum of products instead of the minterms\n"
    "  --json             one JSON object (an array of them with -f)\n";

const char *const BATCH_OPTIONS =
    "  -f FILE            read many items from FILE (- for standard input): one\n"
    "                     'NAME: TEXT' or 'NAME = TEXT' a line, blank lines and lines\n"
    "                     starting with # skipped. One result a line; a refused line is\n"
    "                     reported with its line number and the run goes on; exit\n"
    "                     status 1 when any line was refused.\n";

// Whether the library converts functions of k address lines for cmd (check takes what
// the equation reader takes).
bool takes_lines(const std::string &cmd, long k) {
  static const char *no_names[64] = {};
  UT_LUT probe;
  if (cmd == "init2eq")
    return probe.from_init("0", k) != UT_EQ_BADLINES;
  return probe.from_equation("0", no_names, k) != UT_EQ_BADLINES;
}

// The address-line counts cmd accepts, as "1 to 6".
std::string line_range(const std::string &cmd) {
  long low = 0, high = 0;
  for (long k = 1; k <= 64; ++k)
    if (takes_lines(cmd, k)) {
      low = low ? low : k;
      high = k;
    }
  return std::to_string(low) + " to " + std::to_string(high);
}

struct EquationArgs {
  std::vector<std::string> lines;
  std::string lhs = "O";
  bool assign = false;
  bool minimal = false; // init2eq: the minimal sum of products instead of the minterms
  bool batch = false;
  std::string batch_file;
  std::vector<std::string> positional;
};

// Splits and checks --lines: names are trimmed, must be names the reader can read, and
// must differ (as the reader compares them), since a second one could never be used.
int parse_lines(const std::string &value, bool assign, std::vector<std::string> &out) {
  out.clear();
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = value.find(',', start);
    std::string name = trim(value.substr(start, comma - start));
    if (name.empty())
      return usage_error("empty name in --lines " + in_quotes(value));
    bool ok = UT_STR::IsAlpha(static_cast<unsigned char>(name[0]));
    for (char c : name)
      ok = ok && UT_STR::IsAlnum(static_cast<unsigned char>(c));
    if (!ok)
      return usage_error("--lines: " + in_quotes(name) +
                         " is not a name (a letter, then letters and digits)");
    for (const std::string &other : out)
      if ((assign ? UT_STR::Compare(other.c_str(), name.c_str())
                  : UT_STR::ICompare(other.c_str(), name.c_str())) == 0)
        return usage_error("--lines names " + in_quotes(name) + " twice");
    out.push_back(name);
    if (comma == std::string::npos)
      return 0;
    start = comma + 1;
  }
}

// Parses the options shared by the equation commands; returns 0 or an exit status.
int parse_equation_args(int argc, char **argv, EquationArgs &a, bool &help) {
  help = false;
  std::string lines_text;
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    if (is_help(arg)) {
      help = true;
      return 0;
    }
    if (arg == "--assign") {
      a.assign = true;
    } else if (arg == "--minimal") {
      a.minimal = true;
    } else if (arg == "--lines" || arg == "--lhs" || arg == "-f") {
      if (i + 1 >= argc)
        return usage_error("option " + arg + " needs a value");
      std::string value = argv[++i];
      if (arg == "--lhs") {
        a.lhs = value;
      } else if (arg == "-f") {
        a.batch = true;
        a.batch_file = value;
      } else {
        lines_text = value;
      }
    } else if (arg.size() > 1 && arg[0] == '-' && (arg[1] == '-' || arg.size() == 2)) {
      return usage_error("unknown option " + arg);
    } else {
      a.positional.push_back(arg);
    }
  }
  if (lines_text.empty())
    return usage_error("--lines is required");
  return parse_lines(lines_text, a.assign, a.lines);
}

// One item of an equation command: its input, its result text and its message.
struct Item {
  std::string name;   // batch mode: the label before ':' or '='
  long line = 0;      // batch mode: line number in the input
  std::string input;  // the text converted or checked
  bool ok = false;    // converted or valid
  std::string result; // the produced text
  std::string warning;
  std::string error;
};

// The converter of one run: the function object, the names and the command. Functions
// go through UT_LUT; check validates through UT_EQUATE, which also checks the left-hand
// side and 0x values of the assignment convention.
class Converter {
public:
  Converter(const std::string &cmd, const EquationArgs &a)
      : cmd_(cmd), args_(a), lut_(a.assign ? 1 : 0), eq_(a.assign ? 1 : 0), hexcheck_(1) {
    for (const std::string &n : a.lines)
      names_.push_back(n.c_str());
  }
  long nlines() const { return static_cast<long>(names_.size()); }
  const UT_LUT &function() const { return lut_; }

  // The library's message for a number of lines it refuses, with the range it accepts;
  // empty when the count is usable.
  std::string line_count_error() {
    if (takes_lines(cmd_, nlines()))
      return "";
    if (cmd_ == "init2eq")
      lut_.from_init("0", nlines());
    else
      lut_.from_equation("0", names_.data(), nlines());
    return narrow(lut_.geterrmsg()) + " (" + cmd_ + " takes " + line_range(cmd_) +
           " address lines, " + std::to_string(nlines()) + " given)";
  }

  // Converts or checks one text; `lhs` is the output name written into the result.
  void run(Item &item, const std::string &lhs) {
    const char *text = item.input.c_str();
    char *out = nullptr;
    int rc;
    if (cmd_ == "check") {
      bool value = (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) &&
                   std::strchr(text, '=') == nullptr;
      // A bare value is checked as the right-hand side of an assignment. A batch item
      // is the assignment NAME=TEXT, whose left-hand side is its own name.
      UT_EQUATE &checker = value ? hexcheck_ : eq_;
      bool item_assignment = args_.assign && item.line > 0;
      std::string checked = item_assignment ? lhs + "=" + item.input : item.input;
      rc = value ? hexcheck_.validate(("=" + item.input).c_str(), "", names_.data(), nlines())
                 : eq_.validate(checked.c_str(), item_assignment ? lhs.c_str() : args_.lhs.c_str(),
                                names_.data(), nlines());
      if (rc > UT_EQ_WARNING) {
        item.error = narrow(checker.geterrmsg());
        return;
      }
      item.ok = true;
      item.result = "valid";
      return;
    }
    rc = cmd_ == "init2eq" ? lut_.from_init(text, nlines())
                           : lut_.from_equation(text, names_.data(), nlines());
    std::string warning = rc == UT_EQ_WARNING ? narrow(lut_.geterrmsg()) : "";
    if (rc <= UT_EQ_WARNING) {
      if (cmd_ == "init2eq")
        rc = args_.minimal ? lut_.gen_minimal(names_.data(), lhs.c_str(), out)
                           : lut_.gen_minterms(names_.data(), lhs.c_str(), out);
      else if (cmd_ == "kmap")
        rc = lut_.gen_kmap(names_.data(), out);
      else
        rc = lut_.gen_init(out);
    }
    if (rc > UT_EQ_WARNING) {
      item.error = narrow(lut_.geterrmsg());
      return;
    }
    item.ok = true;
    item.warning = warning;
    item.result = out ? out : "";
    if (args_.assign && (cmd_ == "eq2init" || cmd_ == "table"))
      item.result = lhs + "=0x" + item.result;
  }

private:
  std::string cmd_;
  const EquationArgs &args_;
  UT_LUT lut_;
  UT_EQUATE eq_;
  UT_EQUATE hexcheck_;
  std::vector<const char *> names_;
};

const char *result_key(const std::string &cmd) {
  return cmd == "init2eq" ? "equation" : cmd == "check" ? "valid" : cmd == "kmap" ? "kmap" : "init";
}

json item_json(const std::string &cmd, const Item &item, bool batch) {
  json j;
  if (batch) {
    j["line"] = item.line;
    j["name"] = item.name;
  }
  j["input"] = item.input;
  j["ok"] = item.ok;
  if (cmd == "check")
    j["valid"] = item.ok;
  else if (item.ok)
    j[result_key(cmd)] = item.result;
  if (!item.warning.empty())
    j["warning"] = item.warning;
  if (!item.error.empty())
    j["error"] = item.error;
  return j;
}

// Text mode: a refused item or a warning is one line on standard error with its place.
void report_item(const Item &item, const std::string &where) {
  const std::string &msg = item.error.empty() ? item.warning : item.error;
  if (msg.empty())
    return;
  std::string context = where.empty() ? "" : where + ": ";
  if (!item.name.empty())
    context += item.name + ": ";
  ToolMsgman::line(item.error.empty() ? "warning" : "error",
                   context + msg + " (in " + in_quotes(item.input) + ")");
}

void print_table(const EquationArgs &a, const Item &item, const UT_LUT &function) {
  long nlines = function.getlines();
  long rows = 1L << nlines;
  if (json_mode) {
    json values = json::array();
    for (long r = 0; r < rows; ++r)
      values.push_back(function.value(static_cast<uint64_t>(r)));
    json j = item_json("table", item, false);
    j["lines"] = a.lines;
    j["values"] = values;
    emit(j);
    return;
  }
  std::vector<std::size_t> widths;
  for (const std::string &n : a.lines) {
    widths.push_back(n.size() > 1 ? n.size() : 1);
    std::printf("%s  ", n.c_str());
  }
  std::printf("| %s\n", a.lhs.c_str());
  for (long r = 0; r < rows; ++r) {
    for (long i = 0; i < nlines; ++i)
      std::printf("%*d  ", static_cast<int>(widths[static_cast<std::size_t>(i)]),
                  static_cast<int>((r >> i) & 1));
    std::printf("| %d\n", function.value(static_cast<uint64_t>(r)));
  }
}

// Batch mode: every "NAME: TEXT" or "NAME = TEXT" line of the input is one item.
int run_batch(const std::string &cmd, const EquationArgs &a, Converter &conv) {
  std::ifstream file;
  std::istream *in = &std::cin;
  std::string where = a.batch_file == "-" ? "<stdin>" : a.batch_file;
  if (a.batch_file != "-") {
    file.open(a.batch_file, std::ios::binary);
    if (!file)
      return refused("cannot read " + a.batch_file + ": " + std::strerror(errno));
    in = &file;
  }
  bool first = true, any_failed = false;
  if (json_mode)
    std::fputs("[", stdout);
  std::string raw;
  long lineno = 0;
  while (std::getline(*in, raw)) {
    ++lineno;
    std::string text = trim(raw);
    if (text.empty() || text[0] == '#')
      continue;
    Item item;
    item.line = lineno;
    std::size_t sep = text.find_first_of(":=");
    if (sep == std::string::npos || trim(text.substr(0, sep)).empty()) {
      item.input = text;
      item.error = "expected NAME: TEXT or NAME = TEXT";
    } else {
      item.name = trim(text.substr(0, sep));
      item.input = trim(text.substr(sep + 1));
      conv.run(item, item.name);
    }
    any_failed = any_failed || !item.ok;
    if (json_mode) {
      std::string s =
          item_json(cmd, item, true).dump(-1, ' ', false, json::error_handler_t::replace);
      std::fputs(first ? "\n  " : ",\n  ", stdout);
      std::fwrite(s.data(), 1, s.size(), stdout);
      first = false;
      continue;
    }
    report_item(item, where + ":" + std::to_string(lineno));
    if (!item.ok)
      continue;
    if (cmd == "eq2init" && !a.assign)
      std::printf("%s: %s\n", item.name.c_str(), item.result.c_str());
    else if (cmd == "check")
      std::printf("%s: valid\n", item.name.c_str());
    else
      std::printf("%s\n", item.result.c_str());
  }
  if (in->bad())
    return refused("cannot read " + where);
  if (json_mode)
    std::fputs(first ? "]\n" : "\n]\n", stdout);
  return any_failed ? EXIT_REFUSED : 0;
}

// The commands whose output takes many lines: one text at a time.
bool single_only(const std::string &cmd) { return cmd == "table" || cmd == "kmap"; }

int equation_command(const std::string &cmd, int argc, char **argv) {
  static const char *const helps[][2] = {
      {"init2eq", "usage: utiltool init2eq --lines A0,A1,... [options] INIT\n"
                  "       utiltool init2eq --lines A0,A1,... [options] -f FILE\n"
                  "Prints the sum-of-minterms equation of a hexadecimal INIT value (the last\n"
                  "digit holds addresses 0 to 3), or with --minimal the sum of products with\n"
                  "the fewest terms and literals. A warning (short or long value) goes to\n"
                  "standard error; the equation is still printed. With -f each item's NAME is\n"
                  "the output name of its equation.\n"},
      {"eq2init", "usage: utiltool eq2init --lines A0,A1,... [options] EQUATION\n"
                  "       utiltool eq2init --lines A0,A1,... [options] -f FILE\n"
                  "Prints the INIT value of an equation. With -f each result line is\n"
                  "'NAME: DIGITS' (with --assign, NAME=0xDIGITS).\n"},
      {"check", "usage: utiltool check --lines A0,A1,... [options] TEXT\n"
                "       utiltool check --lines A0,A1,... [options] -f FILE\n"
                "Validates an equation or a 0x value and prints \"valid\" (with -f,\n"
                "'NAME: valid' for each valid line).\n"},
      {"table", "usage: utiltool table --lines A0,A1,... [--lhs O] [--assign] EQUATION\n"
                "Prints the truth table: one row per address, each line's value and the\n"
                "output.\n"},
      {"kmap", "usage: utiltool kmap --lines A0,A1,... [--assign] EQUATION\n"
               "Prints the Karnaugh map: the higher half of the lines (most significant\n"
               "first) label the rows, the lower half the columns, both in Gray-code order.\n"}};
  const char *help_text = "";
  for (const auto &h : helps)
    if (cmd == h[0])
      help_text = h[1];

  EquationArgs a;
  bool help = false;
  if (int rc = parse_equation_args(argc, argv, a, help))
    return rc;
  if (help) {
    std::printf("%sAddress lines: %s.\n\n%s\nOptions:\n%s%s", help_text, line_range(cmd).c_str(),
                GRAMMAR_HELP, EQUATION_OPTIONS, single_only(cmd) ? "" : BATCH_OPTIONS);
    return 0;
  }
  if (a.batch && single_only(cmd))
    return usage_error(cmd + " takes no -f");
  if (a.minimal && cmd != "init2eq")
    return usage_error("--minimal belongs to init2eq");
  if (a.batch ? !a.positional.empty() : a.positional.size() != 1)
    return usage_error(cmd + " takes exactly one text, or -f FILE");

  Converter conv(cmd, a);
  std::string count_error = conv.line_count_error();
  if (!count_error.empty())
    return refused(count_error);
  if (a.batch)
    return run_batch(cmd, a, conv);

  Item item;
  item.input = a.positional[0];
  conv.run(item, a.lhs);
  if (cmd == "table" && item.ok) {
    print_table(a, item, conv.function());
    return 0;
  }
  if (json_mode)
    emit(item_json(cmd, item, false));
  else
    report_item(item, "");
  if (!item.ok)
    return EXIT_REFUSED;
  if (!json_mode)
    std::printf("%s%s", item.result.c_str(),
                !item.result.empty() && item.result.back() == '\n' ? "" : "\n");
  return 0;
}

// ---- indexed files ----

std::string base_name(const std::string &path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char *const IFILE_HELP =
    "usage: utiltool ifile create OUT [--type N] [--value N] [NAME=]FILE...\n"
    "       utiltool ifile list FILE\n"
    "       utiltool ifile extract FILE NAME [--string] [-o OUT]\n"
    "\n"
    "create   writes an indexed file with one segment per FILE, named NAME or else the\n"
    "         FILE's base name; --type and --value set the client type and value of the\n"
    "         segments after them (0 until given). Both are signed 32-bit numbers in the\n"
    "         file: -2147483648 to 4294967295 (decimal or 0x hexadecimal) are accepted,\n"
    "         values past 2147483647 are kept as their 32-bit pattern. A name given\n"
    "         twice is refused and nothing is written.\n"
    "list     prints the header's versions and a table of the segments, with type and\n"
    "         value in decimal (signed 32-bit, as stored) and hexadecimal\n"
    "extract  writes one segment's bytes to OUT (standard output without -o); with\n"
    "         --string the segment holds one stream string (4-byte length, then the\n"
    "         characters) and only the characters are written\n"
    "--json   one JSON object instead of text\n";

struct SegmentSource {
  std::string name, path;
  long type = 0, value = 0;
};

// A client type or value: anything that fits 32 bits, as its signed 32-bit pattern.
int parse_32bit(const std::string &option, const std::string &text, long &out) {
  long long v = 0;
  if (!parse_integer(text, v))
    return usage_error(option + " needs a number, not " + in_quotes(text));
  if (v < INT32_MIN || v > static_cast<long long>(UINT32_MAX))
    return refused(option + " " + text +
                   " does not fit 32 bits (-2147483648 to 4294967295, or 0x0 to 0xFFFFFFFF)");
  out = static_cast<long>(static_cast<int32_t>(static_cast<uint32_t>(v & 0xFFFFFFFFLL)));
  return 0;
}

bool read_file(const std::string &path, std::string &bytes) {
  std::FILE *in = std::fopen(path.c_str(), "rb");
  if (!in)
    return false;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, in)) > 0)
    bytes.append(buf, n);
  bool ok = !std::ferror(in);
  std::fclose(in);
  return ok;
}

int ifile_create(const std::vector<std::string> &args) {
  std::vector<SegmentSource> sources;
  std::string out;
  long type = 0, value = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    if (arg == "--type" || arg == "--value") {
      if (i + 1 >= args.size())
        return usage_error("option " + arg + " needs a value");
      if (int rc = parse_32bit(arg, args[++i], arg == "--type" ? type : value))
        return rc;
    } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
      return usage_error("unknown option " + arg);
    } else if (out.empty()) {
      out = arg;
    } else {
      SegmentSource s;
      std::size_t eq = arg.find('=');
      s.path = eq == std::string::npos ? arg : arg.substr(eq + 1);
      s.name = eq == std::string::npos ? base_name(arg) : arg.substr(0, eq);
      s.type = type;
      s.value = value;
      if (s.name.empty())
        return refused("no segment name for " + in_quotes(arg));
      for (const SegmentSource &o : sources)
        if (o.name == s.name)
          return refused("duplicate segment name " + s.name + " (" + o.path + " and " + s.path +
                         ")");
      sources.push_back(s);
    }
  }
  if (sources.empty())
    return usage_error("ifile create needs OUT and at least one FILE");

  UT_IFILE file;
  if (!file.create(out.c_str()))
    return refused("cannot create " + out);
  // Nothing half-written stays behind.
  auto give_up = [&](const std::string &why) {
    file.unload();
    std::remove(out.c_str());
    return refused(why);
  };
  json segments = json::array();
  for (const SegmentSource &src : sources) {
    std::string bytes;
    if (!read_file(src.path, bytes))
      return give_up("cannot read " + src.path);
    std::string name = src.name;
    UT_STREAM *s = file.putdataseg(&name[0], src.type, src.value);
    if (!s)
      return give_up("cannot write a segment named " + src.name);
    bool written = true;
    for (std::size_t at = 0; written && at < bytes.size(); at += 65536) {
      int n = static_cast<int>(std::min<std::size_t>(65536, bytes.size() - at));
      written = s->write(bytes.data() + at, n) == 1;
    }
    if (!file.enddataseg() || !written)
      return give_up("cannot write segment " + src.name + " to " + out);
    segments.push_back(json{{"name", src.name},
                            {"path", src.path},
                            {"size", bytes.size()},
                            {"type", src.type},
                            {"value", src.value}});
  }
  if (!file.unload()) {
    std::remove(out.c_str());
    return refused("cannot write " + out);
  }
  if (json_mode)
    emit(json{{"ok", true}, {"file", out}, {"segments", segments}});
  return 0;
}

std::string hex32(long v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(v) & 0xFFFFFFFFUL);
  return buf;
}

struct Entry {
  std::string name;
  long size, type, value;
  long offset = -1; // -1: not reachable by name (a later entry of a repeated name)
};

int ifile_list(const std::vector<std::string> &args) {
  if (args.size() != 1)
    return usage_error("ifile list takes one FILE");
  UT_IFILE file;
  if (!file.load(args[0].c_str())) {
    file.unload();
    return refused("cannot load " + args[0]);
  }
  // The directory first, then the offsets: a lookup by name moves the directory cursor
  // that the walk uses, so the two must not interleave.
  std::vector<Entry> entries;
  UT_IFILESEGINFO info;
  file.resetseginfo();
  while (file.getnextseginfo(info))
    entries.push_back(Entry{info.getname() ? info.getname() : "", info.getsize(), info.gettype(),
                            info.getdata()});
  for (std::size_t i = 0; i < entries.size(); ++i) {
    bool repeated = false;
    for (std::size_t k = 0; k < i && !repeated; ++k)
      repeated = entries[k].name == entries[i].name;
    if (repeated) {
      ToolMsgman::line("warning", "segment " + entries[i].name + " appears more than once in " +
                                      args[0] + "; only the first can be read by name");
      continue;
    }
    std::string name = entries[i].name;
    if (UT_STREAM *s = file.getdataseg(&name[0], -1, nullptr)) {
      entries[i].offset = s->getfoffset();
      file.enddataseg();
    }
  }
  char version[16], data[16];
  std::snprintf(version, sizeof version, "%d.%d", file.getversion(), file.getrevision());
  std::snprintf(data, sizeof data, "%d.%d", file.getdataversion(), file.getdatarevision());
  file.unload();

  if (json_mode) {
    json segs = json::array();
    for (const Entry &e : entries)
      segs.push_back(json{{"name", e.name},
                          {"offset", e.offset < 0 ? json(nullptr) : json(e.offset)},
                          {"size", e.size},
                          {"type", e.type},
                          {"type_hex", hex32(e.type)},
                          {"value", e.value},
                          {"value_hex", hex32(e.value)}});
    emit(json{
        {"ok", true}, {"file", args[0]}, {"format", version}, {"data", data}, {"segments", segs}});
    return 0;
  }
  std::printf("file %s: format %s, data %s, %zu segments; type and value are signed 32-bit\n",
              args[0].c_str(), version, data, entries.size());
  std::printf("%-24s %10s %10s %11s %10s %11s %10s\n", "name", "offset", "size", "type", "(hex)",
              "value", "(hex)");
  for (const Entry &e : entries) {
    std::string offset = e.offset < 0 ? "-" : std::to_string(e.offset);
    std::printf("%-24s %10s %10ld %11ld %10s %11ld %10s\n", e.name.c_str(), offset.c_str(), e.size,
                e.type, hex32(e.type).c_str(), e.value, hex32(e.value).c_str());
  }
  return 0;
}

// Reads exactly n bytes in blocks, so a damaged size costs no more memory than the file.
bool read_exact(UT_STREAM *s, unsigned long n, std::string &out) {
  char buf[65536];
  while (n > 0) {
    int want = static_cast<int>(n < sizeof buf ? n : sizeof buf);
    int got = s->read(buf, want);
    if (got <= 0)
      return false;
    out.append(buf, static_cast<std::size_t>(got));
    n -= static_cast<unsigned long>(got);
  }
  return true;
}

std::string to_hex(const std::string &bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string h;
  for (unsigned char c : bytes) {
    h.push_back(digits[c >> 4]);
    h.push_back(digits[c & 15]);
  }
  return h;
}

int ifile_extract(const std::vector<std::string> &args) {
  std::vector<std::string> pos;
  std::string out;
  bool as_string = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o") {
      if (i + 1 >= args.size())
        return usage_error("option -o needs a value");
      out = args[++i];
    } else if (args[i] == "--string") {
      as_string = true;
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      return usage_error("unknown option " + args[i]);
    } else {
      pos.push_back(args[i]);
    }
  }
  if (pos.size() != 2)
    return usage_error("ifile extract takes FILE and NAME");
  UT_IFILE file;
  if (!file.load(pos[0].c_str())) {
    file.unload();
    return refused("cannot load " + pos[0]);
  }
  UT_IFILESEGINFO info;
  std::string name = pos[1];
  UT_STREAM *s = file.getdataseg(&name[0], -1, &info);
  if (!s) {
    file.unload();
    return refused("no segment named " + pos[1] + " in " + pos[0]);
  }
  long size = info.getsize();
  std::string bytes;
  std::string failure;
  if (!as_string) {
    if (size < 0 || !read_exact(s, static_cast<unsigned long>(size), bytes))
      failure = "segment " + pos[1] + " runs past the end of " + pos[0];
  } else {
    unsigned long length = 0;
    if (size < 4 || !s->readulong(length) || length > static_cast<unsigned long>(size - 4))
      failure = "segment " + pos[1] + " of " + pos[0] + " holds no string (" +
                std::to_string(size) + " bytes" +
                (size >= 4 ? ", length field " + std::to_string(length) : std::string()) + ")";
    else if (!read_exact(s, length, bytes))
      failure = "segment " + pos[1] + " runs past the end of " + pos[0];
  }
  file.unload();
  if (!failure.empty())
    return refused(failure);

  if (!out.empty()) {
    std::FILE *f = std::fopen(out.c_str(), "wb");
    if (!f)
      return refused("cannot write " + out + ": " + std::strerror(errno));
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok)
      return refused("cannot write " + out);
  }
  if (json_mode) {
    json j{{"ok", true}, {"file", pos[0]}, {"segment", pos[1]}, {"size", bytes.size()}};
    if (!out.empty())
      j["output"] = out;
    else if (as_string)
      j["string"] = bytes;
    else
      j["hex"] = to_hex(bytes);
    emit(j);
  } else if (out.empty()) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  }
  return 0;
}

int ifile_command(int argc, char **argv) {
  if (argc < 1)
    return usage_error("ifile needs a subcommand: create, list or extract");
  std::string sub = argv[0];
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string &a : args)
    if (is_help(a))
      sub = "--help";
  if (is_help(sub)) {
    std::printf("%s", IFILE_HELP);
    return 0;
  }
  if (sub == "create")
    return ifile_create(args);
  if (sub == "list")
    return ifile_list(args);
  if (sub == "extract")
    return ifile_extract(args);
  return usage_error("unknown ifile subcommand " + sub);
}

int version_command(int argc, char **argv) {
  for (int i = 0; i < argc; ++i)
    if (is_help(argv[i])) {
      std::printf(
          "usage: utiltool version KEY [DATE]\n"
          "Prints KEY's newest value from $MYKORVAL/fileset.txt or $KORVAL/fileset.txt,\n"
          "or its value stamped with exactly DATE (as \"Wed Jun 30 21:49:08 PDT 1993\").\n");
      return 0;
    }
  if (argc < 1 || argc > 2)
    return usage_error("version takes KEY and an optional DATE");
  const char *value = Util_Version::GetValue(argv[0], argc > 1 ? argv[1] : nullptr);
  if (!value)
    return refused(std::string("no value for ") + argv[0]);
  std::string v = value;
  while (!v.empty() && v.back() == '\n')
    v.pop_back();
  if (json_mode)
    emit(json{{"ok", true}, {"key", argv[0]}, {"value", v}});
  else
    std::printf("%s\n", v.c_str());
  return 0;
}

int run(int argc, char **argv) {
  if (argc < 1)
    return usage_error("no command given");
  std::string cmd = argv[0];
  if (is_help(cmd) || cmd == "help") {
    std::printf("%s", MAIN_HELP);
    return 0;
  }
  if (cmd == "--version") {
    if (json_mode)
      emit(json{{"ok", true}, {"version", UTILTOOL_VERSION}});
    else
      std::printf("utiltool (Utilities) %s\n", UTILTOOL_VERSION);
    return 0;
  }
  if (cmd == "init2eq" || cmd == "eq2init" || cmd == "check" || cmd == "table" || cmd == "kmap")
    return equation_command(cmd, argc - 1, argv + 1);
  if (cmd == "ifile")
    return ifile_command(argc - 1, argv + 1);
  if (cmd == "version")
    return version_command(argc - 1, argv + 1);
  return usage_error("unknown command " + cmd);
}

} // namespace

int main(int argc, char **argv) {
  std::ios::sync_with_stdio(false);
  ToolMsgman msgman;
  UT_MSGMAN *previous = ut_msgman;
  ut_msgman = &msgman;
  // --json may stand anywhere; it is taken out before the commands read their arguments.
  std::vector<char *> args;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0)
      json_mode = true;
    else
      args.push_back(argv[i]);
  }
  int rc = run(static_cast<int>(args.size()), args.data());
  // Output lost on the way (a full disk, a closed pipe) is a failure, not a success.
  if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && rc == 0) {
    std::fprintf(stderr, "utiltool: error: cannot write standard output\n");
    rc = EXIT_REFUSED;
  }
  ut_msgman = previous; // reports made while the library unloads go to the default manager
  return rc;
}
