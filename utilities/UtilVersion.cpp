// UtilVersion: dated key=value records of the installation record file "fileset.txt",
// kept in a hash table of keys, each with its records newest first. Relies on the hash
// table, the list, UT_STRING and the platform's file manager, text and time helpers.
//
// File format: text lines of at most 255 characters, "date::key=value", where the date
// part is six single-space-separated fields: weekday, month name, day, hh:mm:ss, zone,
// year (e.g. "Wed Jun 30 21:49:08 PDT 1993"). Values are trimmed, except those of the key
// "summary", which keep their blanks and get a line feed; summaries of the same second
// are joined into one record.
#include "UtilVersion.h"
#include "UtilReport.h"
#include "UtilVersionimp.h"

#include <algorithm>
#include <climits>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

UT_REPORT_UNIT("UtilVersion", "$Revision: 1.1.2.1 $")

namespace {
const char *const INSTALL_FILENAME = "fileset.txt";
const int kLineLimit = 255; // characters kept of one line of the install file
char mv_path[512];          // the shared path buffer
char mv_loadedpath[512];    // the path of the file loaded last
ut_tm mv_converttm;         // the broken-down time of the last conversion
const char *const mv_monthnames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool issummary(const char *key) { return UT_STR::Compare(key, "summary") == 0; }

Util_Install_Record *record(void *p) { return static_cast<Util_Install_Record *>(p); }
Util_Version_Hash_Element *element(void *p) { return static_cast<Util_Version_Hash_Element *>(p); }
} // namespace

// ---- records and their lists ----

Util_Install_Record::Util_Install_Record(const char *k, long t, const char *v)
    : key(UT_STR::Dup(k)), time(t), value(nullptr) {
  if (v) {
    value = new UT_STRING(255);
    value->reset();
    value->append(v);
  }
}

Util_Install_Record::~Util_Install_Record() {
  delete[] key;
  delete value;
}

void LIST_Util_Install_Record::freedata(void *elem) { delete record(elem); }

void LIST_Util_Install_Record::printdata(void *) {}

unsigned char LIST_Util_Install_Record::finddata(void *elem, void *key) {
  return Util_LIST_Util_Install_Record::CompareTimes(record(elem)->time, record(key)->time) == 0;
}

int LIST_Util_Install_Record::compdata(void *a, void *b) {
  return -Util_LIST_Util_Install_Record::CompareTimes(record(a)->time, record(b)->time);
}

int Util_LIST_Util_Install_Record::CompareTimes(long a, long b) {
  // Clamped (symmetrically, so it can be negated): the times are 64-bit here and their
  // difference need not fit an int.
  double d = UT_TIME::DiffTime(a, b);
  if (d > INT_MAX)
    return INT_MAX;
  if (d < -INT_MAX)
    return -INT_MAX;
  return static_cast<int>(d);
}

void Util_LIST_Util_Install_Record::mergesort2(Util_Install_Record *rec, const char *key) {
  if (!rec)
    return;
  // Older than the oldest record: the walk would end past the last one, so append at
  // once. Files written in date order, oldest or newest first, never walk.
  if (tail != head && compdata(rec, tail->data) > 0) {
    append(rec);
    return;
  }
  reset();
  for (void *e = peeknext(); e; e = peeknext()) {
    int order = compdata(rec, e);
    if (order == 0 && issummary(key)) {
      record(e)->value->append(rec->value ? rec->value->buffer : nullptr);
      delete rec;
      return;
    }
    if (order <= 0) {
      insert(rec); // right after the cursor, that is before e
      return;
    }
    getnext();
  }
  append(rec);
}

// ---- the table of keys ----

Util_Version_Hash_Element::Util_Version_Hash_Element(const char *k)
    : key(UT_STR::Dup(k)), list(new Util_LIST_Util_Install_Record) {}

Util_Version_Hash_Element::~Util_Version_Hash_Element() {
  delete[] key;
  list->freelist();
  delete list;
}

Util_Version_Hash::Util_Version_Hash() : UT_HASH(20, 1) {}

Util_Version_Hash::~Util_Version_Hash() {
  if (owner)
    process_and_kill(1, nullptr);
}

uint32_t Util_Version_Hash::hash_func(void *p) {
  uint32_t sum = 0;
  const char *key = element(p)->key;
  for (const char *c = key; c && *c; ++c)
    sum += static_cast<uint32_t>(static_cast<int>(static_cast<signed char>(*c)));
  return sum;
}

int Util_Version_Hash::comp_func(void *a, void *b) {
  return UT_STR::Compare(element(a)->key, element(b)->key);
}

void Util_Version_Hash::del_func(void *p) { delete element(p); }

void Util_Version_Hash::AddEntry(const char *key, long time, const char *value) {
  Util_Version_Hash_Element *fresh = new Util_Version_Hash_Element(key);
  Util_Install_Record *rec = new Util_Install_Record(key, time, value);
  Util_Version_Hash_Element *found = element(find_and_remove(fresh, 0));
  if (!found) {
    add(fresh, nullptr);
    fresh->list->append(rec);
    return;
  }
  found->list->mergesort2(rec, key);
  delete fresh;
}

const char *Util_Version_Hash::GetValue(const char *key, const char *date) {
  Util_Version_Hash_Element probe(key);
  Util_Version_Hash_Element *found = element(find_and_remove(&probe, 0));
  if (!found)
    return nullptr;
  Util_Install_Record *rec;
  if (!date) {
    found->list->reset();
    rec = record(found->list->peeknext());
  } else {
    Util_Install_Record when(key, Util_Version_Time::Convert(date, -2), nullptr);
    rec = record(found->list->find(&when));
  }
  return rec && rec->value ? rec->value->buffer : nullptr;
}

// ---- dates ----

long Util_Version_Time::Convert(const char *date, long fallback) {
  char buffer[kLineLimit + 1], token[kLineLimit + 1];
  if (!date || UT_STR::Len(date) > kLineLimit)
    return fallback;
  UT_STR::Copy(buffer, date);
  // Weekday, month, day, time and zone each end at a single space; the rest is the year.
  if (UT_STR::GetToken(buffer, token, " ") != ' ') // weekday, ignored
    return fallback;
  if (UT_STR::GetToken(buffer, token, " ") != ' ')
    return fallback;
  int month = 0; // an unknown name counts as January
  for (int i = 0; i < 12; ++i) {
    if (UT_STR::Compare(mv_monthnames[i], token) == 0) {
      month = i;
      break;
    }
  }
  if (UT_STR::GetToken(buffer, token, " ") != ' ')
    return fallback;
  int day = UT_STR::AToI(token);
  if (UT_STR::GetToken(buffer, token, " ") != ' ')
    return fallback;
  int hours = 0, minutes = 0, seconds = 0;
  UT_STR::SScanf(token, "%d %*c %d %*c %d", &hours, &minutes, &seconds);
  if (UT_STR::GetToken(buffer, token, " ") != ' ') // zone, ignored
    return fallback;
  long year = UT_STR::AToI(buffer);
  if (year < INT_MIN + 1900L)
    return fallback;
  mv_converttm.sec = seconds;
  mv_converttm.min = minutes;
  mv_converttm.hour = hours;
  mv_converttm.mday = day;
  mv_converttm.mon = month;
  mv_converttm.year = static_cast<int>(year - 1900);
  ut_tm copy = mv_converttm; // MkTime normalises its argument
  return UT_TIME::MkTime(&copy);
}

// ---- the query ----

long Util_Version_Imp::timestamp = -1;

Util_Version_Hash &Util_Version_Imp::hashtable() {
  // Built on first use, so a query made while the library is still loading finds it;
  // the reference below builds it at load time otherwise. Destroyed at unload.
  static Util_Version_Hash table;
  return table;
}

namespace {
[[maybe_unused]] Util_Version_Hash &mv_loadtimetable = Util_Version_Imp::hashtable();
}

const char *Util_Version::GetValue(const char *key, const char *date) {
  return Util_Version_Imp::GetValue(key, date);
}

const char *Util_Version_Imp::GetValue(const char *key, const char *date) {
  UT_STREAM *stream = nullptr;
  const char *path = nullptr;
  if (!OpenInstallFile(stream, path))
    return nullptr;
  if (FileOnDiskMoreRecent(path))
    LoadInfo(stream);
  ut_file.close(stream);
  return hashtable().GetValue(key, date);
}

bool Util_Version_Imp::OpenInstallFile(UT_STREAM *&stream, const char *&path) {
  stream = nullptr;
  // An empty variable counts as unset: it would name the file at the root.
  const char *dir = ut_getenv("MYKORVAL");
  if (dir && *dir) {
    const char *p = CreateFilePath(dir, INSTALL_FILENAME);
    if (p) {
      path = p;
      stream = ut_file.open(p, UT_READ, 1);
    }
  }
  if (stream)
    return true;
  dir = ut_getenv("KORVAL");
  if (!dir || !*dir) {
    UT_REPORT(note_msg, "Unable to obtain the value of environment variable KORVAL.\n");
    return false;
  }
  const char *p = CreateFilePath(dir, INSTALL_FILENAME);
  if (p) {
    path = p;
    stream = ut_file.open(p, UT_READ, 1);
  }
  if (!stream)
    UT_REPORT(note_msg, "Unable to open $KORVAL/%s.\n", INSTALL_FILENAME);
  return stream != nullptr;
}

char *Util_Version_Imp::CreateFilePath(const char *dir, const char *file) {
  // A path cut short could name another file: one that does not fit is refused.
  if (UT_STR::Len(dir) + 1 + UT_STR::Len(file) >= static_cast<int>(sizeof mv_path))
    return nullptr;
  UT_STR::SPrintf(mv_path, sizeof mv_path, "%s/%s", dir ? dir : "", file ? file : "");
  return mv_path;
}

bool Util_Version_Imp::FileOnDiskMoreRecent(const char *path) {
  long filetime = 0;
  if (!path || !ut_file.getdatetime(path, filetime))
    return false;
  // A different file (the variables changed) is loaded whatever its time: its records
  // have nothing to do with the table's.
  bool otherfile = UT_STR::Compare(path, mv_loadedpath) != 0;
  if (!otherfile && UT_TIME::DiffTime(filetime, timestamp) <= 0.0)
    return false;
  timestamp = filetime;
  UT_STR::Copy(mv_loadedpath, path);
  return true;
}

bool Util_Version_Imp::ParseLine(char *line, long &time, char *key, char *value) {
  if (!line || !key || !value)
    return false;
  char *sep = UT_STR::FindString(line, "::");
  if (!sep)
    return false;
  *sep = '\0';
  const char *k = sep + 2;
  const char *eq = UT_STR::FindChar(k, '=');
  if (!eq || eq == k)
    return false;
  UT_MEMORY::Copy(key, k, static_cast<unsigned>(eq - k));
  key[eq - k] = '\0';
  UT_STR::Copy(value, eq + 1);
  if (issummary(key))
    UT_STR::Cat(value, "\n");
  else
    UT_STR::Trim(value);
  time = Util_Version_Time::Convert(line, -1);
  return true;
}

namespace {
// Puts one key's records (in the order read) into its list in the order that inserting
// them one by one with mergesort2 gives: newest first; of the same second the later one
// first, or, for "summary", all of them joined into the first one read. Sorting instead
// of inserting keeps a large or shuffled file from taking quadratic time. Each slot is
// cleared once its record belongs to the list (or is destroyed), so that after an
// allocation failure the records left in `recs` are exactly those still to release.
void placerecords(Util_LIST_Util_Install_Record *list, std::vector<Util_Install_Record *> &recs,
                  bool summary) {
  auto newer = [](const Util_Install_Record *a, const Util_Install_Record *b) {
    return Util_LIST_Util_Install_Record::CompareTimes(a->time, b->time) > 0;
  };
  std::stable_sort(recs.begin(), recs.end(), newer);
  std::size_t i = 0;
  while (i < recs.size()) {
    std::size_t end = i + 1;
    while (end < recs.size() && !newer(recs[i], recs[end]))
      ++end;
    if (summary) {
      for (std::size_t k = i + 1; k < end; ++k) {
        recs[i]->value->append(recs[k]->value->buffer);
        delete recs[k];
        recs[k] = nullptr;
      }
      list->append(recs[i]);
      recs[i] = nullptr;
    } else {
      for (std::size_t k = end; k > i; --k) {
        list->append(recs[k - 1]);
        recs[k - 1] = nullptr;
      }
    }
    i = end;
  }
}
} // namespace

void Util_Version_Imp::LoadInfo(UT_STREAM *stream) {
  Util_Version_Hash &table = hashtable();
  table.empty();
  if (!stream)
    return;
  std::unordered_map<std::string, std::vector<Util_Install_Record *>> bykey;
  try {
    char line[kLineLimit + 1], key[kLineLimit + 1], value[kLineLimit + 1];
    // A line fetched by the read that reports end of file is not processed; a last line
    // without a line feed is read like any other.
    stream->readline(line, kLineLimit);
    while (!stream->geteof()) {
      long time = -1;
      if (ParseLine(line, time, key, value))
        bykey[key].push_back(new Util_Install_Record(key, time, value));
      stream->readline(line, kLineLimit);
    }
    for (auto &entry : bykey) {
      Util_Version_Hash_Element *elem = new Util_Version_Hash_Element(entry.first.c_str());
      if (!table.s_add(elem, nullptr)) {
        delete elem;
        throw std::bad_alloc();
      }
      placerecords(elem->list, entry.second, issummary(elem->key));
    }
  } catch (const std::bad_alloc &) {
    // Out of memory: keep no half-built table, let no exception out of the library.
    for (auto &entry : bykey)
      for (Util_Install_Record *rec : entry.second)
        delete rec;
    table.empty();
  }
}
