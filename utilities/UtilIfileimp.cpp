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
#include <new>

UT_REPORT_UNIT("UtilIfileimp", "$Revision: 1.1.2.1 $")

namespace {
const int32_t mv_headersize = 128;
const unsigned char mv_formatversion = 2;
const unsigned char mv_formatrevision = 0;
const int mv_maxsegs = 32760;
const int mv_namelimit = 256;
const int mv_entrylongs = 4 * 4; // offset, size, type, data

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

// ---- the file ---------------------------------------------------------------------------

namespace {
// An entry the directory list has no node for: released, and reported.
void dropentry(UT_IFILEDIR *e) {
  delete e;
  UT_REPORT(numbered_msg, 1, "Out of memory.\n");
}
} // namespace

// A new entry, or null when its implementation could not be allocated.
UT_IFILEDIR *UT_IFILE_IMP::makeentry(char *name, long offset, long size, long type, long data) {
  UT_IFILEDIR *e = new UT_IFILEDIR(name, offset, size, type, data);
  if (!e->imp) {
    delete e;
    return nullptr;
  }
  return e;
}

UT_IFILE_IMP::UT_IFILE_IMP() : fname(nullptr), stream(nullptr) { init(); }

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
}

void UT_IFILE_IMP::closestream() {
  if (stream)
    ut_file.close(stream);
  stream = nullptr;
}

void UT_IFILE_IMP::cleanup() {
  dir.freelist();
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
  access = mode;
  fname = UT_STR::Dup(newname);
}

int UT_IFILE_IMP::create(const char *newname) {
  startfile(newname, UT_WRITE, "File \"%s\" was not closed before file \"%s\" was created\n");
  UT_STREAM *s = fname ? ut_file.open(fname, UT_WRITE, 1) : nullptr;
  if (!s) {
    openerror();
    return 0;
  }
  for (int i = 0; i < mv_headersize; ++i)
    s->writebyte(0);
  if (filecache) {
    stream = s;
    s->flush();
  } else {
    ut_file.close(s);
  }
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
    UT_IFILEDIR *e = makeentry(name, offset, size, type, data);
    if (!e)
      return;
    if (!dir.append(e)) {
      dropentry(e);
      return;
    }
  }
}

// The stream for a segment: the one kept open, or the file opened afresh (reported
// through openerror when that fails), positioned at offset.
UT_STREAM *UT_IFILE_IMP::segmentstream(UT_ACCESS mode, unsigned char flag, long offset) {
  if (!stream) {
    stream = ut_file.open(fname, mode, flag);
    if (!stream) {
      openerror();
      return nullptr;
    }
  }
  stream->setfoffset(offset);
  return stream;
}

UT_STREAM *UT_IFILE_IMP::putdataseg(char *name, long type, long data) {
  if (access != UT_WRITE || !name || !fname)
    return nullptr;
  if (!filecache && stream)
    return nullptr; // a segment is still being written
  // Open before touching the directory, so a failed reopen leaves no empty entry.
  UT_STREAM *s = segmentstream(UT_WRITE, 0, nextoffset);
  if (!s)
    return nullptr;
  UT_IFILEDIR *e = entry(dir.find(name));
  if (e) {
    // A rewritten segment moves to the end of the data but keeps its directory place.
    e->imp->offset = nextoffset;
    e->imp->size = 0;
    e->imp->type = static_cast<int32_t>(type);
    e->imp->data = static_cast<int32_t>(data);
  } else {
    e = makeentry(name, nextoffset, 0, type, data);
    if (!e)
      return nullptr;
    if (!dir.append(e)) {
      dropentry(e);
      return nullptr;
    }
  }
  curdir = e;
  return s;
}

int UT_IFILE_IMP::enddataseg() {
  if (!stream)
    return 0;
  stream->flush();
  if (access != UT_READ && curdir) {
    nextoffset = static_cast<int32_t>(stream->getfoffset());
    curdir->imp->size = nextoffset - curdir->imp->offset;
    curdir = nullptr;
  }
  if (!filecache)
    closestream();
  return 1;
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
  UT_IFILEDIR *e = entry(dir.find(name));
  if (!e)
    return nullptr;
  if (type != -1 && static_cast<int32_t>(type) != e->imp->type)
    return nullptr;
  if (info)
    fillinfo(info->imp, e->imp);
  return segmentstream(UT_READ, 1, e->imp->offset);
}

int UT_IFILE_IMP::getseginfo(char *name, UT_IFILESEGINFO &info) {
  UT_IFILEDIR *e = entry(dir.find(name));
  return fillinfo(info.imp, e ? e->imp : nullptr);
}

int UT_IFILE_IMP::countchecked() {
  int n = dir.count();
  if (n > mv_maxsegs)
    UT_REPORT(numbered_msg, 1, "Too many segments found <%d>\n", n);
  return n;
}

int UT_IFILE_IMP::getseginfo(long index, UT_IFILESEGINFO &info) {
  dir.reset();
  short n = static_cast<short>(countchecked());
  if (index < 0 || index >= n)
    return fillinfo(info.imp, nullptr);
  UT_IFILEDIR *e = nullptr;
  for (long i = 0; i <= index; ++i)
    e = entry(dir.getnext());
  return fillinfo(info.imp, e ? e->imp : nullptr);
}

int UT_IFILE_IMP::getnextseginfo(UT_IFILESEGINFO &info) {
  UT_IFILEDIR *e = entry(dir.getnext());
  return fillinfo(info.imp, e ? e->imp : nullptr);
}

void UT_IFILE_IMP::resetseginfo() { dir.reset(); }

short UT_IFILE_IMP::getnumsegs() { return static_cast<short>(countchecked()); }

UT_IFILEDIR *UT_IFILE_IMP::newfdir(char *name, long type, long data) {
  UT_IFILEDIR *e = makeentry(name, nextoffset, 0, type, data);
  if (e && !dir.append(e)) {
    dropentry(e);
    e = nullptr;
  }
  return e;
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
    if (curdir)
      enddataseg();
    done = writedirectory();
  }
  cleanup();
  return done;
}

// Writes the header fields and the directory after the last segment's bytes.
int UT_IFILE_IMP::writedirectory() {
  UT_STREAM *s = stream;
  if (s) {
    s->setfoffset(0);
  } else if (!(s = ut_file.open(fname, UT_WRITE, 0))) {
    openerror();
    return 0;
  }
  stream = nullptr;
  s->writebyte(mv_formatversion);
  s->writebyte(mv_formatrevision);
  s->writebyte(dataversion);
  s->writebyte(datarevision);
  s->writeshort(static_cast<short>(countchecked()));
  long diroffset = mv_headersize;
  dir.reset();
  for (void *p; (p = dir.getnext()) != nullptr;)
    diroffset = std::max(diroffset, long(entry(p)->imp->offset) + entry(p)->imp->size);
  s->writelong(diroffset);
  s->setfoffset(diroffset);
  dir.reset();
  for (void *p; (p = dir.getnext()) != nullptr;) {
    UT_IFILEDIR_IMP *e = entry(p)->imp;
    s->writestring(e->name);
    s->writelong(e->offset);
    s->writelong(e->size);
    s->writelong(e->type);
    s->writelong(e->data);
  }
  return ut_file.close(s) ? 1 : 0;
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
