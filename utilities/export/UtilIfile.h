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
  UT_IFILEDIR(char *name, long offset, long size, long type, long data);
  ~UT_IFILEDIR();

  char *getname();
  long gettype();
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
  UT_IFILESEGINFO();
  ~UT_IFILESEGINFO();

  char *getname() const;
  long getsize();
  long gettype();
  long getdata();
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
// open at a time. A directory lookup by name walks the directory (linear).
//
// Results: create/load/unload/enddataseg/getseginfo return 1 for done and 0 for
// failure; putdataseg/getdataseg return null when refused (wrong mode, null name, a
// segment still open with the cache off, unknown name or type, file not reopened).
// load keeps what it can read of a damaged directory and never trusts its counts.
//
// The four virtual members forward to the implementation; load and create call the
// implementation's own, so their reports are not overridden through this class. The
// destructor is not virtual.
class UT_IFILE {
public:
  UT_IFILE();
  ~UT_IFILE();

  int create(const char *fname);
  int load(const char *fname);
  int unload();
  virtual UT_STREAM *putdataseg(char *name, long type, long data);
  int enddataseg();
  UT_STREAM *getdataseg(char *name, long type, UT_IFILESEGINFO *info);
  int getseginfo(char *name, UT_IFILESEGINFO &info);
  int getseginfo(long index, UT_IFILESEGINFO &info);
  int getnextseginfo(UT_IFILESEGINFO &info);
  void resetseginfo();
  short getnumsegs();
  UT_IFILEDIR *newfdir(char *name, long type, long data);
  void setfilecache(unsigned char on);
  const char *getfname() const;
  unsigned char getversion();
  unsigned char getrevision();
  unsigned char getdataversion();
  unsigned char getdatarevision();
  void setdataversion(unsigned char v);
  void setdatarevision(unsigned char r);
  UT_ACCESS getaccess();
  virtual void version_mismatch(unsigned char found);
  virtual void revision_mismatch(unsigned char found);
  virtual void openerror();

  UT_IFILE(const UT_IFILE &) = delete;
  UT_IFILE &operator=(const UT_IFILE &) = delete;

private:
  UT_IFILE_IMP *imp;
};

#endif
