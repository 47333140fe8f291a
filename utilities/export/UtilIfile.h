// UtilIfile: the indexed segmented file. Named byte segments live in one file behind a
// 128-byte header and are found again through a directory written at the end. Files are
// reached only through the platform layer's streams and file manager (ut_file).
#ifndef UTILIFILE_H
#define UTILIFILE_H

#include "Portability.h"

class UT_IFILE_IMP;
class UT_IFILEDIR_IMP;
class UT_IFILESEGINFO_IMP;
class LIST_UT_IFILEDIR;

// UT_IFILEDIR: one directory entry of an indexed file: the segment's name (an owned
// copy), its absolute offset and size in the file, and the client's type and value. The
// values are 32-bit in the file and are kept as such; the accessors widen them again.
// Entries belong to the directory of the UT_IFILE that made them.
class UT_IFILEDIR {
public:
  // An entry for name (copied) at offset, size bytes long, with the client's type and
  // value (kept as 32-bit).
  UT_IFILEDIR(char *name, long offset, long size, long type, long data);
  // Frees the name copy.
  ~UT_IFILEDIR();

  // The segment's name, owned by the entry.
  char *getname();
  // The client's type, sign-extended from 32 bits.
  long gettype();
  // The client's value, sign-extended from 32 bits.
  long getdata();

  UT_IFILEDIR(const UT_IFILEDIR &) = delete;
  UT_IFILEDIR &operator=(const UT_IFILEDIR &) = delete;

private:
  friend class UT_IFILE_IMP;
  friend class LIST_UT_IFILEDIR;
  UT_IFILEDIR_IMP *imp;
};

// UT_IFILESEGINFO: what a caller is told about a segment: its name (an owned copy, null
// until the record is first filled), size, type and client value. The size, type and
// value are not set by the constructor; an operation that finds no segment sets the name
// to "" and leaves the other three as they were.
// Type and value are signed 32-bit numbers in the file and come back sign-extended: a
// value written as 0xB7B7B7B7 reads back as -1212696649 (mask with 0xFFFFFFFF for the
// unsigned pattern).
class UT_IFILESEGINFO {
public:
  // A record with no name; size, type and value unset.
  UT_IFILESEGINFO();
  // Frees the name copy.
  ~UT_IFILESEGINFO();

  // The segment's name (owned by the record), "" after a failed lookup, null before the
  // first.
  char *getname() const;
  // The segment's size in bytes.
  long getsize();
  // The client's type, sign-extended from 32 bits.
  long gettype();
  // The client's value, sign-extended from 32 bits.
  long getdata();
  // Sets the value held by this record (the file is not changed).
  void setdata(long data);

  UT_IFILESEGINFO(const UT_IFILESEGINFO &) = delete;
  UT_IFILESEGINFO &operator=(const UT_IFILESEGINFO &) = delete;

private:
  friend class UT_IFILE_IMP;
  UT_IFILESEGINFO_IMP *imp;
};

// UT_IFILE: a file of named segments. A writer calls create, then for each segment
// putdataseg, writes the bytes into the stream it is handed and calls enddataseg; unload
// writes the header and the directory. A reader calls load (which checks the format
// version and reads the directory), then getdataseg, reads, enddataseg; unload ends it.
//
// The handed-out stream belongs to the file object: never close it. With the file cache
// on (the default) one stream serves from create/load to unload and each segment costs a
// seek; with it off each segment opens and closes the file, and only one segment may be
// open at a time. Lookups by name and by position go through an index of the directory
// and cost no walk of it; the index takes a few words of memory per entry.
//
// The directory cursor: getseginfo(index) puts it on that entry, getnextseginfo steps it,
// and every lookup by name (getseginfo(name), getdataseg, putdataseg) moves it to the
// first entry of that name. A walk that looks segments up by name as it goes, on a file
// holding one name twice, would come back to the first of them again and again: walk by
// index instead, for (long i = 0; i < getnumsegs(); ++i) getseginfo(i, info).
//
// Results: create/load/unload/enddataseg/getseginfo return 1 for done and 0 for
// failure; putdataseg/getdataseg return null when refused (wrong mode, null name, a
// segment still open with the cache off, unknown name or type, file not reopened).
// load keeps what it can read of a damaged directory and never trusts its counts.
//
// Writing never claims what did not reach the file: a failed write, flush, seek or
// close is reported ("Unable to write file") and makes its operation and the unload
// return 0. The writer refuses, with a report and before anything is lost, what its
// reader could not give back: a name longer than 256 characters, a 32,761st entry, a
// type or value outside signed 32 bits (putdataseg, newfdir), and a segment that ends
// past 2^31 - 1 bytes or before its start (enddataseg returns 0; a new entry leaves the
// directory and a rewritten one keeps what it was). Out of memory for an entry is
// reported and leaves the directory as it was.
//
// The four virtual members forward to the implementation; load and create call the
// implementation's own, so their reports are not overridden through this class. The
// destructor is not virtual.
class UT_IFILE {
public:
  // No file yet: call create or load.
  UT_IFILE();
  // Frees the directory and closes the file; a file being written and not unloaded is
  // reported, and its directory is not written.
  ~UT_IFILE();

  // Starts writing fname (created or truncated): 1, or 0 when it cannot be opened or
  // written.
  int create(const char *fname);
  // Opens fname for reading and reads its directory: 1, or 0 for an unreadable file or
  // another format version (version_mismatch reports it).
  int load(const char *fname);
  // Ends the file: a writer writes the header and the directory. 1 done, 0 failed.
  int unload();
  // Begins writing the segment name with the client's type and value; the returned
  // stream, positioned at the segment's start, belongs to the file. Null when refused.
  virtual UT_STREAM *putdataseg(char *name, long type, long data);
  // Ends the segment being written or read; a writer records its size. 1 done, 0 failed.
  int enddataseg();
  // The stream positioned at the start of segment name (type -1: any type), filling info
  // when it is not null; null when refused or not found.
  UT_STREAM *getdataseg(char *name, long type, UT_IFILESEGINFO *info);
  // Fills info from the entry named name, which becomes the directory cursor: 1, or 0
  // when there is none.
  int getseginfo(char *name, UT_IFILESEGINFO &info);
  // Fills info from the entry at zero-based index, which becomes the directory cursor:
  // 1, or 0 for an index out of range.
  int getseginfo(long index, UT_IFILESEGINFO &info);
  // Fills info from the entry after the directory cursor and advances it: 1, or 0 past
  // the last entry.
  int getnextseginfo(UT_IFILESEGINFO &info);
  // Moves the directory cursor before the first entry.
  void resetseginfo();
  // The number of directory entries.
  short getnumsegs();
  // Appends a directory entry at the current end of the data, of size 0, without
  // touching the file or looking for the name among the entries; the entry belongs to
  // the file. Null, reported, for what a reader could not give back (see above).
  UT_IFILEDIR *newfdir(char *name, long type, long data);
  // With on nonzero (the default) one stream serves every segment; with 0 each segment
  // opens and closes the file.
  void setfilecache(unsigned char on);
  // The file's name, or null before create or load.
  const char *getfname() const;
  //@{
  // The header's format version and revision, and the client's data version and
  // revision.
  unsigned char getversion();
  unsigned char getrevision();
  unsigned char getdataversion();
  unsigned char getdatarevision();
  //@}
  //@{
  // Sets the client's data version or revision, written by unload.
  void setdataversion(unsigned char v);
  void setdatarevision(unsigned char r);
  //@}
  // UT_WRITE after create, UT_READ after load.
  UT_ACCESS getaccess();
  // Reports a format version other than the library's found by load.
  virtual void version_mismatch(unsigned char found);
  // Reports a format revision other than the library's found by load.
  virtual void revision_mismatch(unsigned char found);
  // Reports that the file could not be opened.
  virtual void openerror();

  UT_IFILE(const UT_IFILE &) = delete;
  UT_IFILE &operator=(const UT_IFILE &) = delete;

private:
  UT_IFILE_IMP *imp;
};

#endif
