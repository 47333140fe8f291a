// UtilIfileimp: implementation classes of the indexed segmented file and its directory
// list. Relies on UT_LIST for the directory and on the platform layer's streams.
#ifndef UTILIFILEIMP_H
#define UTILIFILEIMP_H

#include "UtilIfile.h"
#include "UtilList.h"

#include <cstdint>

// Values the file holds as 32-bit numbers stay 32-bit here, so what a writer sees before
// unload is what a reader sees after load.
class UT_IFILEDIR_IMP {
public:
  UT_IFILEDIR_IMP(char *name, long offset, long size, long type, long data);
  ~UT_IFILEDIR_IMP();

  char *name; // owned, UT_STR::Dup
  int32_t offset;
  int32_t size;
  int32_t type;
  int32_t data;
};

class UT_IFILESEGINFO_IMP {
public:
  UT_IFILESEGINFO_IMP();
  ~UT_IFILESEGINFO_IMP();
  void setname(char *newname); // frees the old name, keeps a copy of the new one

  char *name; // owned; null until first filled
  int32_t size;
  int32_t type;
  int32_t data;
};

// The directory: owns its UT_IFILEDIR entries and matches them by name.
class LIST_UT_IFILEDIR : public UT_LIST {
public:
  ~LIST_UT_IFILEDIR();
  void freedata(void *e) override;
  void printdata(void *e) override;
  unsigned char finddata(void *e, void *key) override;
  int compdata(void *a, void *b) override;
  // For the file's index: the node of the last entry, and the cursor put on a node.
  UT_LISTMEM *lastnode() { return tail; }
  void setcursor(UT_LISTMEM *node) { current = node; }
};

// The file's index of its directory, so that neither a lookup by position nor one by
// name walks the list: the list's nodes in directory order, and an open-addressed table
// (linear probing, at most half full) holding for each name the node of its first entry.
// Both grow through kor_realloc/kor_malloc; a growth that fails leaves them as they were.
class UT_IFILEINDEX {
public:
  UT_IFILEINDEX();
  ~UT_IFILEINDEX();
  int reserve();              // room for one more node; 0 when memory runs out
  void add(UT_LISTMEM *node); // after reserve: the node of a new last entry
  void remove(void *entry);   // drops the node of this entry; the rest keep their order
  void clear();
  UT_LISTMEM *first(const char *name) const; // the first entry of that name, or null
  UT_LISTMEM *at(int index) const { return nodes[index]; }
  int count() const { return n; }

  UT_IFILEINDEX(const UT_IFILEINDEX &) = delete;
  UT_IFILEINDEX &operator=(const UT_IFILEINDEX &) = delete;

private:
  void place(UT_LISTMEM *node); // into the table, unless its name is there already
  void rebuild();

  UT_LISTMEM **nodes;
  int n;
  int cap;
  UT_LISTMEM **slots;
  unsigned nslots; // a power of two, or 0
};

// Invariants: fname is null exactly when no file is in use; stream is the one open
// stream (kept from create/load to unload with filecache on, otherwise open only while a
// segment is); curdir is set only between putdataseg and enddataseg; every entry's
// offset is at least the header size. The writer keeps what the reader can give back:
// names of at most 256 characters, at most 32760 entries, offsets and ends of segments,
// types and values within signed 32 bits.
class UT_IFILE_IMP {
public:
  UT_IFILE_IMP();

  void init();
  void cleanup();
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
  void setfilecache(unsigned char on) { filecache = on; }
  const char *getfname() const { return fname; }
  unsigned char getversion() { return version; }
  unsigned char getrevision() { return revision; }
  unsigned char getdataversion() { return dataversion; }
  unsigned char getdatarevision() { return datarevision; }
  void setdataversion(unsigned char v) { dataversion = v; }
  void setdatarevision(unsigned char r) { datarevision = r; }
  UT_ACCESS getaccess() { return access; }
  virtual void version_mismatch(unsigned char found);
  virtual void revision_mismatch(unsigned char found);
  virtual void openerror();
  // Declared after the four operations so that they keep the first four slots.
  virtual ~UT_IFILE_IMP();
  void readsegdir(UT_STREAM *s);

  UT_IFILE_IMP(const UT_IFILE_IMP &) = delete;
  UT_IFILE_IMP &operator=(const UT_IFILE_IMP &) = delete;

private:
  void startfile(const char *newname, UT_ACCESS mode, const char *warning);
  UT_STREAM *segmentstream(UT_ACCESS mode, unsigned char flag, long offset);
  int closestream();
  int countchecked();
  int writedirectory();
  int writefailed();
  int acceptable(const char *name, long type, long data, bool isnew);
  void refusesegment(long end);
  UT_IFILEDIR *appendentry(char *name, long offset, long size, long type, long data);
  UT_IFILEDIR *lookup(const char *name);

  LIST_UT_IFILEDIR dir;
  UT_IFILEINDEX dirindex;
  unsigned char version;
  unsigned char revision;
  unsigned char dataversion;
  unsigned char datarevision;
  char *fname;
  UT_ACCESS access;
  int32_t nextoffset;
  UT_STREAM *stream;
  UT_IFILEDIR *curdir;
  unsigned char filecache;
  unsigned char failed; // a write of the file being written has failed since create
  bool curisnew;        // curdir was appended by its putdataseg, not rewritten
  struct {
    int32_t offset, size, type, data;
  } prior; // what a rewritten curdir was before its putdataseg
};

#endif
