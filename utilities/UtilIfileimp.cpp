// UtilIfileimp: the indexed segmented file's implementation and its directory list.
// Relies on UT_LIST for the directory and on ut_file and UT_STREAM for every byte.
//
// File layout. Byte, short and long are the stream's 1-, 2- and 4-byte little-endian
// values; a string is a 4-byte length followed by its characters.
//
//   offset  width  field
//   0       1      format version, always 2
//   1       1      format revision, always 0
//   2       1      data version (the client's byte)
//   3       1      data revision (the client's byte)
//   4       2      numsegs, 0 to 32760
//   6       4      directory offset
//   10      118    zero bytes
//   128     ...    segment bytes, back to back, in the order they were written
//   dir     ...    numsegs entries: string name, long offset, size, type, data
#include "UtilIfileimp.h"
#include "UtilReport.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>

UT_REPORT_UNIT("UtilIfileimp", "$Revision: 1.1.2.1 $")

namespace {
const int32_t mv_headersize = 128;
const unsigned char mv_formatversion = 2;
const unsigned char mv_formatrevision = 0;
const int mv_maxsegs = 32760;
const int mv_namelimit = 256;
const int mv_entrylongs = 4 * 4;     // offset, size, type, data
const long mv_maxoffset = INT32_MAX; // offsets and sizes are signed 32-bit in the file

bool fits32(long v) { return v >= INT32_MIN && v <= INT32_MAX; }

UT_IFILEDIR *entry(void *e) { return static_cast<UT_IFILEDIR *>(e); }
} // namespace

// ---- directory entry and segment record -------------------------------------------------

UT_IFILEDIR_IMP::UT_IFILEDIR_IMP(char *n, long o, long s, long t, long d)
    : name(UT_STR::Dup(n)), offset(static_cast<int32_t>(o)), size(static_cast<int32_t>(s)),
      type(static_cast<int32_t>(t)), data(static_cast<int32_t>(d)) {}

UT_IFILEDIR_IMP::~UT_IFILEDIR_IMP() { delete[] name; }

UT_IFILESEGINFO_IMP::UT_IFILESEGINFO_IMP() : name(nullptr), size(0), type(0), data(0) {}

UT_IFILESEGINFO_IMP::~UT_IFILESEGINFO_IMP() { delete[] name; }

void UT_IFILESEGINFO_IMP::setname(char *newname) {
  char *copy = UT_STR::Dup(newname); // copy first: newname may be the old name
  delete[] name;
  name = copy;
}

// ---- the directory list -----------------------------------------------------------------

LIST_UT_IFILEDIR::~LIST_UT_IFILEDIR() { freelist(); }

void LIST_UT_IFILEDIR::freedata(void *e) { delete entry(e); }

void LIST_UT_IFILEDIR::printdata(void *e) {
  const char *name = entry(e)->imp ? entry(e)->imp->name : nullptr;
  UT_REPORT(print_msg, "%s\n", name ? name : "");
}

unsigned char LIST_UT_IFILEDIR::finddata(void *e, void *key) {
  return UT_STR::Compare(entry(e)->getname(), static_cast<const char *>(key)) == 0;
}

int LIST_UT_IFILEDIR::compdata(void *a, void *b) {
  return UT_STR::Compare(entry(a)->getname(), entry(b)->getname());
}

// ---- the directory's index --------------------------------------------------------------

namespace {
const char *nameof(UT_LISTMEM *node) { return entry(node->data)->getname(); }

// FNV-1a over the name's bytes.
unsigned hashname(const char *name) {
  uint32_t h = 2166136261u;
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(name); *p; ++p)
    h = (h ^ *p) * 16777619u;
  return h;
}
} // namespace

UT_IFILEINDEX::UT_IFILEINDEX() : nodes(nullptr), n(0), cap(0), slots(nullptr), nslots(0) {}

UT_IFILEINDEX::~UT_IFILEINDEX() {
  kor_free(nodes);
  kor_free(slots);
}

// The directory holds at most 32760 entries, so neither size below can overflow.
int UT_IFILEINDEX::reserve() {
  if (n == cap) {
    int grown = cap ? 2 * cap : 16;
    void *p = kor_realloc(nodes, static_cast<unsigned>(grown * sizeof *nodes));
    if (!p)
      return 0;
    nodes = static_cast<UT_LISTMEM **>(p);
    cap = grown;
  }
  if (2u * static_cast<unsigned>(n + 1) > nslots) {
    unsigned grown = nslots ? 2 * nslots : 32;
    void *p = kor_malloc(grown * static_cast<unsigned>(sizeof *slots));
    if (!p)
      return 0;
    kor_free(slots);
    slots = static_cast<UT_LISTMEM **>(p);
    nslots = grown;
    rebuild();
  }
  return 1;
}

void UT_IFILEINDEX::add(UT_LISTMEM *node) {
  nodes[n++] = node;
  place(node);
}

void UT_IFILEINDEX::place(UT_LISTMEM *node) {
  const char *name = nameof(node);
  if (!name)
    return; // a null name is never found
  unsigned mask = nslots - 1;
  unsigned i = hashname(name) & mask;
  for (; slots[i]; i = (i + 1) & mask)
    if (UT_STR::Compare(nameof(slots[i]), name) == 0)
      return; // the first entry of this name stays
  slots[i] = node;
}

// Places every node again, in directory order, so each name maps to its first entry.
void UT_IFILEINDEX::rebuild() {
  UT_MEMORY::Set(slots, 0, nslots * static_cast<unsigned>(sizeof *slots));
  for (int i = 0; i < n; ++i)
    place(nodes[i]);
}

void UT_IFILEINDEX::remove(void *e) {
  for (int i = n - 1; i >= 0; --i) {
    if (nodes[i]->data == e) {
      UT_MEMORY::Move(nodes + i, nodes + i + 1, static_cast<unsigned>((n - i - 1) * sizeof *nodes));
      --n;
      rebuild();
      return;
    }
  }
}

void UT_IFILEINDEX::clear() {
  n = 0;
  if (slots)
    rebuild();
}

UT_LISTMEM *UT_IFILEINDEX::first(const char *name) const {
  if (!name || !nslots)
    return nullptr;
  unsigned mask = nslots - 1;
  for (unsigned i = hashname(name) & mask; slots[i]; i = (i + 1) & mask)
    if (UT_STR::Compare(nameof(slots[i]), name) == 0)
      return slots[i];
  return nullptr;
}

// ---- the file ---------------------------------------------------------------------------

// Appends a new entry to the directory. Null, reported, when memory runs out: the
// directory is then as it was.
UT_IFILEDIR *UT_IFILE_IMP::appendentry(char *name, long offset, long size, long type, long data) {
  UT_IFILEDIR *e = new (std::nothrow) UT_IFILEDIR(name, offset, size, type, data);
  if (!e || !e->imp || (name && !e->imp->name) || !dirindex.reserve() || !dir.append(e)) {
    delete e;
    UT_REPORT(numbered_msg, 1, "Out of memory.\n");
    return nullptr;
  }
  dirindex.add(dir.lastnode());
  return e;
}

// The first entry of this name, found through the index; it becomes the directory
// cursor, as a search of the list would make it.
UT_IFILEDIR *UT_IFILE_IMP::lookup(const char *name) {
  UT_LISTMEM *node = dirindex.first(name);
  if (!node)
    return nullptr;
  dir.setcursor(node);
  return entry(node->data);
}

// Whether the reader can give back a segment of this name, type and value as a new
// entry (isnew) or a rewritten one; a refusal is reported.
int UT_IFILE_IMP::acceptable(const char *name, long type, long data, bool isnew) {
  int len = UT_STR::Len(name);
  if (len > mv_namelimit) {
    UT_REPORT(numbered_msg, 19, "Segment name of %d characters is longer than the limit of %d.\n",
              len, mv_namelimit);
    return 0;
  }
  if (!fits32(type) || !fits32(data)) {
    UT_REPORT(numbered_msg, 19,
              "Segment \"%s\" refused: type %ld and value %ld must fit in 32 bits.\n", name, type,
              data);
    return 0;
  }
  if (isnew && dirindex.count() >= mv_maxsegs) {
    UT_REPORT(numbered_msg, 1, "Segment \"%s\" refused: the file holds %d segments at most.\n",
              name, mv_maxsegs);
    return 0;
  }
  return 1;
}

// Reports a failed write, flush, seek or close of the file being written. The file is
// then incomplete, so its unload reports failure too.
int UT_IFILE_IMP::writefailed() {
  failed = 1;
  UT_REPORT(numbered_msg, 4, "Unable to write file \"%s\".\n", fname ? fname : "");
  return 0;
}

UT_IFILE_IMP::UT_IFILE_IMP() : fname(nullptr), stream(nullptr), curisnew(false), prior{0, 0, 0, 0} {
  init();
}

UT_IFILE_IMP::~UT_IFILE_IMP() {
  if (fname && access == UT_WRITE)
    UT_REPORT(warn_msg, "UT_IFILE destroyed but file \"%s\" not closed.\n", fname);
  cleanup();
}

void UT_IFILE_IMP::init() {
  version = revision = dataversion = datarevision = 0;
  access = UT_READ;
  nextoffset = mv_headersize;
  curdir = nullptr;
  filecache = 1;
  failed = 0;
}

// Closes the stream if one is open; 0 when closing it showed a failed write.
int UT_IFILE_IMP::closestream() {
  int ok = stream ? ut_file.close(stream) : 1;
  stream = nullptr;
  return ok;
}

void UT_IFILE_IMP::cleanup() {
  dir.freelist();
  dirindex.clear();
  curdir = nullptr;
  closestream();
  delete[] fname;
  fname = nullptr;
}

// The steps create and load share. A file still in use is dropped whole (stream and
// directory too), so none of its entries leak into the new file's directory.
void UT_IFILE_IMP::startfile(const char *newname, UT_ACCESS mode, const char *warning) {
  if (fname)
    UT_REPORT(warn_msg, warning, fname, newname ? newname : "");
  cleanup();
  version = revision = dataversion = datarevision = 0;
  nextoffset = mv_headersize;
  failed = 0;
  access = mode;
  fname = UT_STR::Dup(newname);
}

int UT_IFILE_IMP::create(const char *newname) {
  startfile(newname, UT_WRITE, "File \"%s\" was not closed before file \"%s\" was created\n");
  UT_STREAM *s = fname ? ut_file.open(fname, UT_WRITE, 1) : nullptr;
  if (!s) {
    failed = 1;
    openerror();
    return 0;
  }
  int ok = 1;
  for (int i = 0; i < mv_headersize && ok; ++i)
    ok = s->writebyte(0);
  stream = s;
  if (filecache && ok && s->flush())
    return 1;
  if (!closestream() || !ok)
    return writefailed();
  return 1;
}

int UT_IFILE_IMP::load(const char *newname) {
  startfile(newname, UT_READ, "File \"%s\" was not closed before file \"%s\" was opened\n");
  UT_STREAM *s = fname ? ut_file.open(fname, UT_READ, 1) : nullptr;
  if (!s) {
    openerror();
    return 0;
  }
  if (filecache)
    stream = s;
  version = s->readbyte();
  revision = s->readbyte();
  if (version != mv_formatversion) {
    version_mismatch(version);
    if (!filecache)
      ut_file.close(s);
    return 0;
  }
  if (revision != mv_formatrevision)
    revision_mismatch(revision);
  dataversion = s->readbyte();
  datarevision = s->readbyte();
  readsegdir(s);
  if (!filecache)
    ut_file.close(s);
  return 1;
}

// Reads the count and the directory. Nothing read is trusted: a count outside 0..32760 is
// reported and leaves the directory empty; a directory offset inside the header or past
// the end, an entry cut short, or an entry whose offset lies inside the header or whose
// size is negative ends the directory there, keeping the entries read before it.
void UT_IFILE_IMP::readsegdir(UT_STREAM *s) {
  if (!s)
    return;
  short numsegs = s->readshort();
  if (numsegs < 0 || numsegs > mv_maxsegs) {
    UT_REPORT(numbered_msg, 1,
              "Bad number of segments found\n   numsegs=%d.  Cannot load file %s\n",
              static_cast<int>(numsegs), fname);
    return;
  }
  long diroffset = s->readlong();
  if (numsegs == 0 || s->geteof() || diroffset < mv_headersize || !s->setfoffset(diroffset))
    return;
  char name[mv_namelimit + 1];
  for (short i = 0; i < numsegs; ++i) {
    s->readstring(name, mv_namelimit);
    long start = s->getfoffset();
    long offset = s->readlong();
    long size = s->readlong();
    long type = s->readlong();
    long data = s->readlong();
    if (s->geteof() || s->getfoffset() - start != mv_entrylongs)
      return;
    if (offset < mv_headersize || size < 0)
      return;
    if (!appendentry(name, offset, size, type, data))
      return;
  }
}

// The stream for a segment: the one kept open, or the file opened afresh (reported
// through openerror when that fails), positioned at offset. A seek that fails (a kept
// writing stream whose buffered bytes cannot go out) is reported as a failed write.
UT_STREAM *UT_IFILE_IMP::segmentstream(UT_ACCESS mode, unsigned char flag, long offset) {
  if (!stream) {
    stream = ut_file.open(fname, mode, flag);
    if (!stream) {
      openerror();
      return nullptr;
    }
  }
  if (!stream->setfoffset(offset)) {
    if (mode == UT_WRITE)
      writefailed();
    return nullptr;
  }
  return stream;
}

UT_STREAM *UT_IFILE_IMP::putdataseg(char *name, long type, long data) {
  if (access != UT_WRITE || !name || !fname)
    return nullptr;
  if (!filecache && stream)
    return nullptr; // a segment is still being written
  UT_IFILEDIR *e = lookup(name);
  if (!acceptable(name, type, data, e == nullptr))
    return nullptr;
  // Open before touching the directory, so a failed reopen leaves no empty entry.
  UT_STREAM *s = segmentstream(UT_WRITE, 0, nextoffset);
  if (!s)
    return nullptr;
  // Put again before it was ended (the cache allows it), it keeps what it was before.
  if (!e || e != curdir) {
    curisnew = e == nullptr;
    if (e)
      prior = {e->imp->offset, e->imp->size, e->imp->type, e->imp->data};
  }
  if (e) {
    // A rewritten segment moves to the end of the data but keeps its directory place.
    // What it was is kept, so that a refused end can give it back.
    e->imp->offset = nextoffset;
    e->imp->size = 0;
    e->imp->type = static_cast<int32_t>(type);
    e->imp->data = static_cast<int32_t>(data);
  } else if (!(e = appendentry(name, nextoffset, 0, type, data))) {
    return nullptr;
  }
  curdir = e;
  return s;
}

// Refuses the segment being written, whose end the reader could not give back: a new
// entry leaves the directory, a rewritten one gets back what it was. Its bytes stay in
// the file, past the data, where the next segment or the directory goes over them.
void UT_IFILE_IMP::refusesegment(long end) {
  UT_IFILEDIR_IMP *e = curdir->imp;
  UT_REPORT(numbered_msg, 1, "Segment \"%s\" refused: it ends at byte %ld, outside %ld to %ld.\n",
            e->name ? e->name : "", end, static_cast<long>(e->offset), mv_maxoffset);
  if (curisnew) {
    dirindex.remove(curdir);
    dir.remove(curdir);
  } else {
    e->offset = prior.offset;
    e->size = prior.size;
    e->type = prior.type;
    e->data = prior.data;
  }
}

int UT_IFILE_IMP::enddataseg() {
  if (!stream)
    return 0;
  int ok = stream->flush();
  int kept = 1;
  if (access != UT_READ && curdir) {
    long end = stream->getfoffset();
    if (end < curdir->imp->offset || end > mv_maxoffset) {
      refusesegment(end);
      kept = 0;
    } else {
      nextoffset = static_cast<int32_t>(end);
      curdir->imp->size = nextoffset - curdir->imp->offset;
    }
    curdir = nullptr;
  }
  if (!filecache && !closestream())
    ok = 0;
  if (!ok && access == UT_WRITE)
    return writefailed();
  return kept;
}

namespace {
// Fills a segment record from an entry, or gives it the empty name when there is none.
int fillinfo(UT_IFILESEGINFO_IMP *info, UT_IFILEDIR_IMP *e) {
  if (!info)
    return e != nullptr;
  if (!e) {
    info->setname(const_cast<char *>(""));
    return 0;
  }
  info->setname(e->name);
  info->size = e->size;
  info->type = e->type;
  info->data = e->data;
  return 1;
}
} // namespace

UT_STREAM *UT_IFILE_IMP::getdataseg(char *name, long type, UT_IFILESEGINFO *info) {
  if (access != UT_READ || !name || !fname)
    return nullptr;
  if (!filecache && stream)
    return nullptr; // a segment is still being read
  UT_IFILEDIR *e = lookup(name);
  if (!e)
    return nullptr;
  if (type != -1 && static_cast<int32_t>(type) != e->imp->type)
    return nullptr;
  if (info)
    fillinfo(info->imp, e->imp);
  return segmentstream(UT_READ, 1, e->imp->offset);
}

int UT_IFILE_IMP::getseginfo(char *name, UT_IFILESEGINFO &info) {
  UT_IFILEDIR *e = lookup(name);
  return fillinfo(info.imp, e ? e->imp : nullptr);
}

int UT_IFILE_IMP::countchecked() {
  int n = dirindex.count();
  if (n > mv_maxsegs)
    UT_REPORT(numbered_msg, 1, "Too many segments found <%d>\n", n);
  return n;
}

int UT_IFILE_IMP::getseginfo(long index, UT_IFILESEGINFO &info) {
  dir.reset();
  short n = static_cast<short>(countchecked());
  if (index < 0 || index >= n)
    return fillinfo(info.imp, nullptr);
  UT_LISTMEM *node = dirindex.at(static_cast<int>(index));
  dir.setcursor(node);
  return fillinfo(info.imp, entry(node->data)->imp);
}

int UT_IFILE_IMP::getnextseginfo(UT_IFILESEGINFO &info) {
  UT_IFILEDIR *e = entry(dir.getnext());
  return fillinfo(info.imp, e ? e->imp : nullptr);
}

void UT_IFILE_IMP::resetseginfo() { dir.reset(); }

short UT_IFILE_IMP::getnumsegs() { return static_cast<short>(countchecked()); }

UT_IFILEDIR *UT_IFILE_IMP::newfdir(char *name, long type, long data) {
  if (!acceptable(name, type, data, true))
    return nullptr;
  return appendentry(name, nextoffset, 0, type, data);
}

int UT_IFILE_IMP::unload() {
  if (!fname) {
    UT_REPORT(note_msg, "No file is open to unload.\n");
    return 0;
  }
  int done = 1;
  if (access == UT_WRITE) {
    // A segment still being written is ended first: its bytes are kept, and with the
    // cache off its stream is flushed before the directory is written, not over it.
    int ended = curdir ? enddataseg() : 1;
    done = writedirectory() && ended;
    // Any write of this file that failed before leaves it incomplete.
    if (done && failed)
      done = writefailed();
  }
  cleanup();
  return done;
}

// Writes the header fields and the directory after the last segment's bytes. Every
// value is checked, and the close that makes them last.
int UT_IFILE_IMP::writedirectory() {
  UT_STREAM *s = stream;
  if (!s && !(s = ut_file.open(fname, UT_WRITE, 0))) {
    openerror();
    return 0;
  }
  stream = nullptr;
  long diroffset = mv_headersize;
  dir.reset();
  for (void *p; (p = dir.getnext()) != nullptr;)
    diroffset = std::max(diroffset, long(entry(p)->imp->offset) + entry(p)->imp->size);
  int ok = s->setfoffset(0) && s->writebyte(mv_formatversion) && s->writebyte(mv_formatrevision) &&
           s->writebyte(dataversion) && s->writebyte(datarevision) &&
           s->writeshort(static_cast<short>(countchecked())) && s->writelong(diroffset) &&
           s->setfoffset(diroffset);
  dir.reset();
  for (void *p; ok && (p = dir.getnext()) != nullptr;) {
    UT_IFILEDIR_IMP *e = entry(p)->imp;
    ok = s->writestring(e->name) && s->writelong(e->offset) && s->writelong(e->size) &&
         s->writelong(e->type) && s->writelong(e->data);
  }
  if (!ut_file.close(s) || !ok)
    return writefailed();
  return 1;
}

void UT_IFILE_IMP::version_mismatch(unsigned char found) {
  UT_REPORT(numbered_msg, 2,
            "Incompatible versions. Version %d does not match current version %d for file "
            "\"%s\".\n",
            static_cast<int>(found), static_cast<int>(mv_formatversion), fname ? fname : "");
}

void UT_IFILE_IMP::revision_mismatch(unsigned char found) {
  UT_REPORT(warn_msg, "Revision %d does not match current revision %d for file \"%s\".\n",
            static_cast<int>(found), static_cast<int>(mv_formatrevision), fname ? fname : "");
}

void UT_IFILE_IMP::openerror() {
  const char *name = fname ? fname : "";
  if (access == UT_READ)
    UT_REPORT(numbered_msg, 3, "Unable to open file \"%s\" for input.\n", name);
  else if (access == UT_WRITE)
    UT_REPORT(numbered_msg, 4, "Unable to open file \"%s\" for output.\n", name);
  else
    UT_REPORT(numbered_msg, 5, "Unable to open file \"%s\".\n", name);
}
