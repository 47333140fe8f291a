// utiltool: the library from a shell. Converts between INIT values and equations,
// validates them, prints truth tables, writes, lists and extracts indexed files and
// looks up install records. Uses the public interface only.
// Exit status: 0 success, 1 refused input, 2 bad usage.
#include "Utilities.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int EXIT_REFUSED = 1;
const int EXIT_USAGE = 2;

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

int usage_error(const std::string &text) {
  std::fprintf(stderr, "utiltool: %s (see 'utiltool --help')\n", text.c_str());
  return EXIT_USAGE;
}

int refused(const std::string &text) {
  std::fprintf(stderr, "utiltool: error: %s\n", text.c_str());
  return EXIT_REFUSED;
}

std::string narrow(const wchar_t *w) {
  std::string s;
  for (; w && *w; ++w)
    s.push_back(*w < 128 ? static_cast<char>(*w) : '?');
  return s;
}

bool is_help(const std::string &a) { return a == "--help" || a == "-h"; }

const char *const MAIN_HELP =
    "usage: utiltool <command> [options] [arguments]\n"
    "\n"
    "Commands:\n"
    "  init2eq   the equation of an INIT value\n"
    "  eq2init   the INIT value of an equation\n"
    "  check     validate an equation or a 0x value\n"
    "  table     the truth table of an equation\n"
    "  ifile     create, list or extract an indexed segmented file\n"
    "  version   a value from the install records ($MYKORVAL or $KORVAL/fileset.txt)\n"
    "\n"
    "'utiltool <command> --help' describes a command. Exit status: 0 success,\n"
    "1 input refused, 2 bad usage.\n";

const char *const EQUATION_OPTIONS =
    "  --lines A0,A1,...  the address-line names, line 0 first (2 to 6 lines; 2 to 5\n"
    "                     for eq2init and table)\n"
    "  --lhs NAME         the output name written into produced texts (default O)\n"
    "  --assign           the assignment convention: exact names, NAME=0x... values,\n"
    "                     equations without blanks\n";

struct EquationArgs {
  std::vector<std::string> lines;
  std::string lhs = "O";
  bool assign = false;
  std::vector<std::string> positional;
};

// Parses the options shared by the equation commands; returns 0 or an exit status.
int parse_equation_args(int argc, char **argv, EquationArgs &a, bool &help) {
  help = false;
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    if (is_help(arg)) {
      help = true;
      return 0;
    }
    if (arg == "--assign") {
      a.assign = true;
    } else if (arg == "--lines" || arg == "--lhs") {
      if (i + 1 >= argc)
        return usage_error("option " + arg + " needs a value");
      std::string value = argv[++i];
      if (arg == "--lhs") {
        a.lhs = value;
        continue;
      }
      a.lines.clear();
      std::size_t start = 0;
      for (;;) {
        std::size_t comma = value.find(',', start);
        a.lines.push_back(value.substr(start, comma - start));
        if (comma == std::string::npos)
          break;
        start = comma + 1;
      }
      for (const std::string &n : a.lines)
        if (n.empty())
          return usage_error("empty name in --lines");
    } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
      return usage_error("unknown option " + arg);
    } else {
      a.positional.push_back(arg);
    }
  }
  if (a.lines.empty())
    return usage_error("--lines is required");
  return 0;
}

std::vector<const char *> name_pointers(const EquationArgs &a) {
  std::vector<const char *> names;
  for (const std::string &n : a.lines)
    names.push_back(n.c_str());
  return names;
}

int equation_command(const std::string &cmd, int argc, char **argv) {
  static const char *const helps[][2] = {
      {"init2eq", "usage: utiltool init2eq --lines A0,A1,... [--lhs O] [--assign] INIT\n"
                  "Prints the sum-of-minterms equation of a hexadecimal INIT value. A warning\n"
                  "(short or long value) goes to standard error; the equation is still printed.\n"},
      {"eq2init", "usage: utiltool eq2init --lines A0,A1,... [--lhs O] [--assign] EQUATION\n"
                  "Prints the INIT value of an equation (operators: * and &, + and |, @ and ^ for\n"
                  "exclusive or, ~ and ! for not, parentheses, constants 0 and 1).\n"},
      {"check", "usage: utiltool check --lines A0,A1,... [--lhs O] [--assign] TEXT\n"
                "Validates an equation or a 0x value and prints \"valid\".\n"},
      {"table",
       "usage: utiltool table --lines A0,A1,... [--lhs O] [--assign] EQUATION\n"
       "Prints the truth table: one row per address, each line's value and the output.\n"}};
  const char *help_text = "";
  for (const auto &h : helps)
    if (cmd == h[0])
      help_text = h[1];

  EquationArgs a;
  bool help = false;
  if (int rc = parse_equation_args(argc, argv, a, help))
    return rc;
  if (help) {
    std::printf("%s\nOptions:\n%s", help_text, EQUATION_OPTIONS);
    return 0;
  }
  if (a.positional.size() != 1)
    return usage_error(cmd + " takes exactly one text");
  const char *text = a.positional[0].c_str();
  std::vector<const char *> names = name_pointers(a);
  long nlines = static_cast<long>(names.size());
  UT_EQUATE eq(a.assign ? 1 : 0);
  char *out = nullptr;
  int rc = 0;

  if (cmd == "init2eq") {
    rc = eq.gen_equatestr(text, names.data(), nlines, a.lhs.c_str(), out);
  } else if (cmd == "eq2init" || cmd == "table") {
    rc = eq.gen_hex(text, names.data(), nlines, a.lhs.c_str(), out);
  } else { // check
    bool value =
        (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) && std::strchr(text, '=') == nullptr;
    if (value) {
      // A bare value is checked as the right-hand side of an assignment.
      UT_EQUATE hexcheck(1);
      std::string assigned = "=" + a.positional[0];
      rc = hexcheck.validate(assigned.c_str(), "", names.data(), nlines);
      if (rc > 2)
        return refused(narrow(hexcheck.geterrmsg()));
    } else {
      rc = eq.validate(text, a.lhs.c_str(), names.data(), nlines);
    }
  }
  if (rc > 2)
    return refused(narrow(eq.geterrmsg()));
  if (rc == 2)
    ToolMsgman::line("warning", narrow(eq.geterrmsg()));

  if (cmd == "check") {
    std::printf("valid\n");
    return 0;
  }
  if (cmd != "table") {
    std::printf("%s\n", out ? out : "");
    return 0;
  }

  // The truth table from the INIT digits: the last digit holds addresses 0 to 3.
  std::string digits = out ? out : "";
  std::size_t eqpos = digits.find("=0x");
  if (eqpos != std::string::npos)
    digits = digits.substr(eqpos + 3);
  std::vector<std::size_t> widths;
  for (const std::string &n : a.lines) {
    widths.push_back(n.size() > 1 ? n.size() : 1);
    std::printf("%s  ", n.c_str());
  }
  std::printf("| %s\n", a.lhs.c_str());
  long rows = 1L << nlines;
  for (long r = 0; r < rows; ++r) {
    std::size_t d = digits.size() - 1 - static_cast<std::size_t>(r / 4);
    char c = digits[d];
    int v = (c >= '0' && c <= '9') ? c - '0' : c - 'A' + 10;
    for (long i = 0; i < nlines; ++i)
      std::printf("%*d  ", static_cast<int>(widths[static_cast<std::size_t>(i)]),
                  static_cast<int>((r >> i) & 1));
    std::printf("| %d\n", (v >> (r % 4)) & 1);
  }
  return 0;
}

std::string base_name(const std::string &path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char *const IFILE_HELP =
    "usage: utiltool ifile create OUT FILE...\n"
    "       utiltool ifile list FILE\n"
    "       utiltool ifile extract FILE NAME [-o OUT]\n"
    "\n"
    "create   writes an indexed file with one segment per FILE, named after it\n"
    "list     prints the header's versions and a table of the segments\n"
    "extract  writes one segment's bytes to OUT (standard output without -o)\n";

int ifile_create(const std::vector<std::string> &args) {
  if (args.size() < 2)
    return usage_error("ifile create needs OUT and at least one FILE");
  UT_IFILE file;
  if (!file.create(args[0].c_str()))
    return EXIT_REFUSED;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::FILE *in = std::fopen(args[i].c_str(), "rb");
    if (!in) {
      file.unload();
      std::remove(args[0].c_str());
      return refused("cannot read " + args[i]);
    }
    std::string name = base_name(args[i]);
    UT_STREAM *s = file.putdataseg(&name[0], 0, 0);
    if (!s) {
      std::fclose(in);
      file.unload();
      return refused("cannot write a segment for " + args[i]);
    }
    int c;
    while ((c = std::fgetc(in)) != EOF)
      s->writebyte(static_cast<unsigned char>(c));
    std::fclose(in);
    file.enddataseg();
  }
  return file.unload() ? 0 : EXIT_REFUSED;
}

int ifile_list(const std::vector<std::string> &args) {
  if (args.size() != 1)
    return usage_error("ifile list takes one FILE");
  UT_IFILE file;
  if (!file.load(args[0].c_str())) {
    file.unload();
    return refused("cannot load " + args[0]);
  }
  std::printf("file %s: format %d.%d, data %d.%d, %d segments\n", args[0].c_str(),
              file.getversion(), file.getrevision(), file.getdataversion(), file.getdatarevision(),
              static_cast<int>(file.getnumsegs()));
  std::printf("%-24s %10s %10s %10s %10s\n", "name", "offset", "size", "type", "data");
  UT_IFILESEGINFO info;
  file.resetseginfo();
  while (file.getnextseginfo(info)) {
    long offset = -1;
    std::string name = info.getname() ? info.getname() : "";
    if (UT_STREAM *s = file.getdataseg(&name[0], -1, nullptr)) {
      offset = s->getfoffset();
      file.enddataseg();
    }
    std::printf("%-24s %10ld %10ld %10ld %10ld\n", name.c_str(), offset, info.getsize(),
                info.gettype(), info.getdata());
  }
  file.unload();
  return 0;
}

int ifile_extract(const std::vector<std::string> &args) {
  std::vector<std::string> pos;
  std::string out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o") {
      if (i + 1 >= args.size())
        return usage_error("option -o needs a value");
      out = args[++i];
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
    return refused("no segment named " + name + " in " + pos[0]);
  }
  std::string bytes;
  long size = info.getsize();
  for (long i = 0; i < size; ++i) {
    unsigned char c = s->readbyte();
    if (s->geteof()) {
      file.unload();
      return refused("segment " + name + " runs past the end of " + pos[0]);
    }
    bytes.push_back(static_cast<char>(c));
  }
  file.unload();
  std::FILE *f = out.empty() ? stdout : std::fopen(out.c_str(), "wb");
  if (!f)
    return refused("cannot write " + out);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  if (f != stdout)
    std::fclose(f);
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
  std::printf("%s\n", v.c_str());
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  ToolMsgman msgman;
  UT_MSGMAN *previous = ut_msgman;
  ut_msgman = &msgman;
  int rc;
  if (argc < 2) {
    rc = usage_error("no command given");
  } else {
    std::string cmd = argv[1];
    if (is_help(cmd) || cmd == "help") {
      std::printf("%s", MAIN_HELP);
      rc = 0;
    } else if (cmd == "init2eq" || cmd == "eq2init" || cmd == "check" || cmd == "table") {
      rc = equation_command(cmd, argc - 2, argv + 2);
    } else if (cmd == "ifile") {
      rc = ifile_command(argc - 2, argv + 2);
    } else if (cmd == "version") {
      rc = version_command(argc - 2, argv + 2);
    } else {
      rc = usage_error("unknown command " + cmd);
    }
  }
  std::fflush(stdout);
  ut_msgman = previous; // reports made while the library unloads go to the default manager
  return rc;
}
