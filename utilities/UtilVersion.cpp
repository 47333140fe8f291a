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

namespace {
// The records' own copy of a key, from kor_malloc like the records themselves.
char *copykey(const char *k) {
  if (!k)
    return nullptr;
  const unsigned n = static_cast<unsigned>(UT_STR::Len(k)) + 1;
  char *copy = static_cast<char *>(kor_malloc(n));
  if (copy)
    UT_MEMORY::Copy(copy, k, n);
  return copy;
}

void reportnomemory() { UT_REPORT(numbered_msg, 19, "Out of memory.\n"); }
} // namespace

void *Util_Install_Record::operator new(std::size_t size) noexcept {
  return kor_malloc(static_cast<unsigned>(size));
}
void Util_Install_Record::operator delete(void *p) { kor_free(p); }

Util_Install_Record::Util_Install_Record(const char *k, long t, const char *v)
    : key(copykey(k)), time(t), value(nullptr), whole(key || !k) {
  if (v) {
    value = new UT_STRING(255);
    if (value) {
      value->reset();
      value->append(v);
    }
    whole = whole && value && value->length == UT_STR::Len(v);
  }
}

Util_Install_Record::~Util_Install_Record() {
  kor_free(key);
  delete value;
}

bool Util_Install_Record::complete() const { return whole; }

void LIST_Util_Install_Record::freedata(void *elem) { delete record(elem); }

void LIST_Util_Install_Record::printdata(void *) {}

unsigned char LIST_Util_Install_Record::finddata(void *elem, void *key) {
  return Util_LIST_Util_Install_Record::CompareTimes(record(elem)->time, record(key)->time) == 0;
}

int LIST_Util_Install_Record::compdata(void *a, void *b) {
  return Util_LIST_Util_Install_Record::Order(record(a), record(b));
}

void *Util_LIST_Util_Install_Record::operator new(std::size_t size) noexcept {
  return kor_malloc(static_cast<unsigned>(size));
}
void Util_LIST_Util_Install_Record::operator delete(void *p) { kor_free(p); }

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

int Util_LIST_Util_Install_Record::Order(const Util_Install_Record *a,
                                         const Util_Install_Record *b) {
  return CompareTimes(b->time, a->time);
}

void Util_LIST_Util_Install_Record::join(Util_Install_Record *into, Util_Install_Record *later) {
  if (!later->value)
    return;
  if (!into->value) { // a record added without a text takes the later one's whole
    into->value = later->value;
    later->value = nullptr;
    return;
  }
  into->value->append(later->value->buffer);
}

int Util_LIST_Util_Install_Record::mergesort2(Util_Install_Record *rec, const char *key) {
  if (!rec)
    return 0;
  // Older than the oldest record: the walk would end past the last one, so append at
  // once. Files written in date order, oldest or newest first, never walk.
  int linked;
  if (tail != head && Order(rec, record(tail->data)) > 0) {
    linked = append(rec);
  } else {
    reset();
    void *e = peeknext();
    for (; e; e = peeknext()) {
      int order = Order(rec, record(e));
      if (order == 0 && issummary(key)) {
        join(record(e), rec);
        delete rec;
        return 1;
      }
      if (order <= 0)
        break;
      getnext();
    }
    linked = e ? insert(rec) : append(rec); // insert: right after the cursor, before e
  }
  if (!linked)
    delete rec;
  return linked;
}

// Sorting the records read instead of inserting them one by one keeps a large or
// shuffled file from taking quadratic time. A stable sort by Order keeps the reading
// order within a second; mergesort2 puts the later of those first, or joins summaries
// into the first one read.
int Util_LIST_Util_Install_Record::placerecords(Util_Install_Record **recs, long count,
                                                bool summary) {
  std::stable_sort(
      recs, recs + count,
      [](const Util_Install_Record *a, const Util_Install_Record *b) { return Order(a, b) < 0; });
  long i = 0;
  while (i < count) {
    long end = i + 1;
    while (end < count && Order(recs[i], recs[end]) == 0)
      ++end;
    if (summary) {
      if (!append(recs[i]))
        return 0;
      for (long k = i + 1; k < end; ++k) {
        join(recs[i], recs[k]);
        delete recs[k];
        recs[k] = nullptr;
      }
      recs[i] = nullptr;
    } else {
      for (long k = end; k > i; --k) {
        if (!append(recs[k - 1]))
          return 0;
        recs[k - 1] = nullptr;
      }
    }
    i = end;
  }
  return 1;
}

// ---- the table of keys ----

void *Util_Version_Hash_Element::operator new(std::size_t size) noexcept {
  return kor_malloc(static_cast<unsigned>(size));
}
void Util_Version_Hash_Element::operator delete(void *p) { kor_free(p); }

Util_Version_Hash_Element::Util_Version_Hash_Element(const char *k)
    : key(copykey(k)), list(new Util_LIST_Util_Install_Record) {}

Util_Version_Hash_Element::~Util_Version_Hash_Element() {
  kor_free(key);
  if (list)
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
  Util_Install_Record *rec = new Util_Install_Record(key, time, value);
  if (!rec || !rec->complete()) {
    delete rec;
    reportnomemory();
    return;
  }
  Util_Version_Hash_Element *fresh = new Util_Version_Hash_Element(key);
  Util_Version_Hash_Element *found =
      fresh && fresh->complete() ? element(find_and_remove(fresh, 0)) : nullptr;
  if (found) {
    delete fresh;
    if (!found->list->mergesort2(rec, key))
      reportnomemory(); // the record could not be linked and is dropped
    return;
  }
  if (!fresh || !fresh->complete() || !s_add(fresh, nullptr)) {
    delete fresh;
    delete rec;
    reportnomemory();
    return;
  }
  if (!fresh->list->append(rec)) {
    delete rec; // the key stays, with no record: as if never given a value
    reportnomemory();
  }
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
  // The key or date may be a text of the table itself (a value handed out before), which
  // a reload releases: both are copied first. No key or date read from a line is longer
  // than the line, so a longer one finds nothing.
  char keycopy[kLineLimit + 1], datecopy[kLineLimit + 1];
  const bool fits = UT_STR::Len(key) <= kLineLimit && UT_STR::Len(date) <= kLineLimit;
  if (fits && key)
    UT_STR::Copy(keycopy, key);
  if (fits && date)
    UT_STR::Copy(datecopy, date);
  UT_STREAM *stream = nullptr;
  const char *path = nullptr;
  if (!OpenInstallFile(stream, path))
    return nullptr;
  if (FileOnDiskMoreRecent(path))
    LoadInfo(stream);
  ut_file.close(stream);
  if (!fits)
    return nullptr;
  return hashtable().GetValue(key ? keycopy : nullptr, date ? datecopy : nullptr);
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
// The records read from the install file, in reading order, in one kor_malloc array.
struct RecordsRead {
  Util_Install_Record **recs = nullptr;
  long count = 0;
  long room = 0;

  ~RecordsRead() {
    for (long i = 0; i < count; ++i)
      delete recs[i];
    kor_free(recs);
  }
  // Takes ownership of rec; false (rec destroyed) when it cannot be kept.
  bool push(Util_Install_Record *rec) {
    if (!rec || !rec->complete()) {
      delete rec;
      return false;
    }
    if (count == room) {
      const long grown = room ? 2 * room : 64;
      if (grown > static_cast<long>(UINT_MAX / sizeof *recs)) {
        delete rec;
        return false;
      }
      void *more = kor_realloc(recs, static_cast<unsigned>(grown * sizeof *recs));
      if (!more) {
        delete rec;
        return false;
      }
      recs = static_cast<Util_Install_Record **>(more);
      room = grown;
    }
    recs[count++] = rec;
    return true;
  }
};

// Fills the table with the records read, each key's records in one list: false when
// memory ran out (the records not yet in the table stay in `read`).
bool filltable(Util_Version_Hash &table, RecordsRead &read) {
  // Group by key, keeping the reading order within a key.
  std::stable_sort(read.recs, read.recs + read.count,
                   [](const Util_Install_Record *a, const Util_Install_Record *b) {
                     return UT_STR::Compare(a->key, b->key) < 0;
                   });
  for (long i = 0; i < read.count;) {
    long end = i + 1;
    while (end < read.count && UT_STR::Compare(read.recs[i]->key, read.recs[end]->key) == 0)
      ++end;
    Util_Version_Hash_Element *elem = new Util_Version_Hash_Element(read.recs[i]->key);
    if (!elem || !elem->complete() || !table.s_add(elem, nullptr)) {
      delete elem;
      return false;
    }
    if (!elem->list->placerecords(read.recs + i, end - i, issummary(elem->key)))
      return false;
    i = end;
  }
  return true;
}
} // namespace

void Util_Version_Imp::LoadInfo(UT_STREAM *stream) {
  Util_Version_Hash &table = hashtable();
  table.empty();
  if (!stream)
    return;
  RecordsRead read;
  char line[kLineLimit + 1], key[kLineLimit + 1], value[kLineLimit + 1];
  bool ok = true;
  // A line fetched by the read that reports end of file is not processed; a last line
  // without a line feed is read like any other.
  stream->readline(line, kLineLimit);
  while (ok && !stream->geteof()) {
    long time = -1;
    if (ParseLine(line, time, key, value))
      ok = read.push(new Util_Install_Record(key, time, value));
    stream->readline(line, kLineLimit);
  }
  if (ok && filltable(table, read))
    return; // every slot of `read` is cleared: the records belong to the table

  // Out of memory: keep no half-built table.
  UT_REPORT(numbered_msg, 19, "Out of memory.\n");
  table.empty();
}
